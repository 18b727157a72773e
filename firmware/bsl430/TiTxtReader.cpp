#include "TiTxtReader.h"

#include "platform/RegularFile.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace bsl430 {
namespace {

constexpr std::size_t kMaxAddressDigits = 8;
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string_view Trim(std::string_view line) {
    while (!line.empty() && IsBlank(line.front())) {
        line.remove_prefix(1);
    }
    while (!line.empty() && IsBlank(line.back())) {
        line.remove_suffix(1);
    }
    return line;
}

// A byte no TI-TXT line holds: a control character or anything beyond ASCII.
bool IsNotText(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && !IsBlank(c)) || u >= 0x7F;
}

// A short, printable quote of a token for an error text.
std::string Quote(std::string_view token) {
    std::string shown;
    for (char c : token.substr(0, 16)) {
        const auto u = static_cast<unsigned char>(c);
        shown.push_back(u >= 0x20 && u < 0x7F ? c : '?');
    }
    if (token.size() > 16) {
        shown += "...";
    }
    return "\"" + shown + "\"";
}

// Said after the file's name.
std::string TooBigText() {
    return "it has more than " + std::to_string(kMaxTiTxtFileBytes / (1024 * 1024)) +
           " MiB, too much for a firmware image";
}

} // namespace

TiTxtReader::Status TiTxtReader::Fail(std::size_t lineNumber, const std::string& why,
                                      std::size_t column) {
    segments_.clear();
    Rewind();
    error_ = "line " + std::to_string(lineNumber) +
             (column != 0 ? ", column " + std::to_string(column) : std::string()) + ": " + why;
    return Status::Malformed;
}

TiTxtReader::Status TiTxtReader::Parse(std::string_view text) {
    segments_.clear();
    error_.clear();
    Rewind();

    if (text.empty()) {
        error_ = "the file is empty";
        return Status::Malformed;
    }
    // Editors that add these make files no loader reads; say so rather than blame line 1.
    if (text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
        return Fail(1, "the file starts with a UTF-8 byte order mark; TI-TXT is plain ASCII");
    }
    if (text.find('\r') != std::string_view::npos && text.find('\n') == std::string_view::npos) {
        return Fail(1, "the lines end in CR alone; TI-TXT lines end in LF or CR LF");
    }

    bool inSection = false;
    uint32_t address = 0;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t newline = text.find('\n');
        const char* const lineStart = text.data();
        std::string_view line = Trim(text.substr(0, newline));
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (line.empty()) {
            continue;
        }
        // Quoted, such a line would be a row of question marks (and noise for a screen reader):
        // the first such byte is named where it stands instead.
        if (const auto bad = std::ranges::find_if(line, IsNotText); bad != line.end()) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            const auto byte = static_cast<unsigned char>(*bad);
            const std::size_t column =
                static_cast<std::size_t>(bad - line.begin()) + 1 + (line.data() - lineStart);
            return Fail(lineNumber,
                        std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 0xF] +
                            " is not plain ASCII text, as a TI-TXT file is",
                        column);
        }
        if (line == "q" || line == "Q") {
            // Whatever follows the end marker is not part of the image.
            if (!segments_.empty() && segments_.back().bytes.empty()) {
                segments_.pop_back();
            }
            return Status::Ok;
        }
        if (line.front() == '@') {
            const std::string_view digits = line.substr(1);
            if (digits.empty() || digits.size() > kMaxAddressDigits) {
                return Fail(lineNumber, Quote(line) + " is not a section address");
            }
            uint32_t value = 0;
            for (char c : digits) {
                const int digit = HexDigit(c);
                if (digit < 0) {
                    return Fail(lineNumber, Quote(line) + " is not a section address");
                }
                value = value << 4 | static_cast<uint32_t>(digit);
            }
            if (value >= kAddressSpaceEnd) {
                return Fail(lineNumber, "section address " + Quote(digits) +
                                            " is beyond the 20-bit address space");
            }
            address = value;
            inSection = true;
            if (!segments_.empty() && segments_.back().bytes.empty()) {
                segments_.pop_back();
            }
            // A section that starts where the previous run ends continues it.
            if (segments_.empty() ||
                segments_.back().address + segments_.back().bytes.size() != address) {
                segments_.push_back({address, {}});
            }
            continue;
        }
        if (!inSection) {
            return Fail(lineNumber, Quote(line) + " comes before the first \"@\" section address");
        }
        std::size_t at = 0;
        while (at < line.size()) {
            while (at < line.size() && IsBlank(line[at])) {
                ++at;
            }
            std::size_t end = at;
            while (end < line.size() && !IsBlank(line[end])) {
                ++end;
            }
            const std::string_view token = line.substr(at, end - at);
            at = end;
            if (token.empty()) {
                break;
            }
            const int high = token.size() == 2 ? HexDigit(token[0]) : -1;
            const int low = token.size() == 2 ? HexDigit(token[1]) : -1;
            if (high < 0 || low < 0) {
                return Fail(lineNumber, Quote(token) + " is not a hex byte");
            }
            if (address >= kAddressSpaceEnd) {
                return Fail(lineNumber, "data runs past the 20-bit address space");
            }
            segments_.back().bytes.push_back(static_cast<uint8_t>(high << 4 | low));
            ++address;
        }
    }
    return Fail(lineNumber, "the end marker \"q\" is missing");
}

std::optional<std::string> ReadFileText(const std::string& path, std::size_t limit,
                                        std::string& why) {
    // Reading one byte past the limit tells a larger file from one of exactly limit bytes.
    platform::FileRead read = platform::ReadRegularFile(path, limit + 1);
    if (!read.ok && !read.larger) {
        why = "it cannot be read: " + read.reason;
        return std::nullopt;
    }
    return std::move(read.bytes);
}

std::optional<std::string> ReadTiTxtFile(const std::string& path, std::string& why) {
    auto text = ReadFileText(path, kMaxTiTxtFileBytes, why);
    if (text && text->size() > kMaxTiTxtFileBytes) {
        why = TooBigText();
        return std::nullopt;
    }
    return text;
}

TiTxtReader::Status TiTxtReader::Load(const std::string& path) {
    segments_.clear();
    Rewind();
    const auto text = ReadFileText(path, kMaxTiTxtFileBytes, error_);
    if (!text) {
        return Status::CannotOpen;
    }
    if (text->size() > kMaxTiTxtFileBytes) {
        error_ = TooBigText();
        return Status::Malformed;
    }
    return Parse(*text);
}

bool TiTxtReader::MoreData() const {
    return segment_ < segments_.size() && offset_ < segments_[segment_].bytes.size();
}

TiTxtReader::Block TiTxtReader::Next(std::size_t maxBytes) {
    Block block;
    if (!MoreData()) {
        return block;
    }
    const Segment& segment = segments_[segment_];
    const std::size_t count =
        std::min(std::max<std::size_t>(maxBytes, 1), segment.bytes.size() - offset_);
    block.address = segment.address + static_cast<uint32_t>(offset_);
    block.bytes = std::span<const uint8_t>(segment.bytes.data() + offset_, count);
    offset_ += count;
    if (offset_ >= segment.bytes.size()) {
        ++segment_;
        offset_ = 0;
    }
    return block;
}

void TiTxtReader::Rewind() {
    segment_ = 0;
    offset_ = 0;
}

} // namespace bsl430
