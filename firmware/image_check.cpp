#include "image_check.h"

#include "firmware/bsl430/protocol.h"
#include "firmware/mcu_memory_map.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

namespace firmware {
namespace {

constexpr uint16_t kErasedWord = 0xFFFF;

using Segments = std::vector<bsl430::TiTxtReader::Segment>;

std::string Hex(uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
    return text;
}

std::string Range(uint32_t first, uint32_t last) {
    return first == last ? Hex(first) : Hex(first) + ".." + Hex(last);
}

// Files for the loader's buffers are read no further than one byte past it, so a longer one is
// known only to be longer.
std::string TooMuchText(std::size_t size, std::size_t buffer) {
    const std::string most = std::to_string(buffer - 1);
    if (size > buffer) {
        return "it is too large: the boot loader takes " + most + " bytes of text at most";
    }
    return "it has " + std::to_string(size) + " bytes of text; the boot loader takes " + most +
           " at most";
}

ImageCheck Refused(std::string reason) {
    return {false, std::move(reason), {}};
}

uint32_t EndOf(const bsl430::TiTxtReader::Segment& segment) {
    return segment.address + static_cast<uint32_t>(segment.bytes.size());
}

// The first run of bytes for which inside() is false, as "first..last".
std::optional<std::string> FirstRunOutside(const Segments& segments, bool (*inside)(uint32_t)) {
    for (const auto& segment : segments) {
        for (uint32_t at = segment.address; at < EndOf(segment); ++at) {
            if (inside(at)) {
                continue;
            }
            uint32_t last = at;
            while (last + 1 < EndOf(segment) && !inside(last + 1)) {
                ++last;
            }
            return Range(at, last);
        }
    }
    return std::nullopt;
}

// Bytes written by two sections: the reader joins only sections that follow one another.
std::optional<std::string> FirstOverlap(const Segments& segments) {
    // Start and end of each section, sorted: the bytes themselves need not be copied.
    std::vector<std::pair<uint32_t, uint32_t>> spans;
    spans.reserve(segments.size());
    for (const auto& segment : segments) {
        spans.emplace_back(segment.address, EndOf(segment));
    }
    std::sort(spans.begin(), spans.end());
    for (std::size_t i = 1; i < spans.size(); ++i) {
        const uint32_t previousEnd = spans[i - 1].second;
        if (spans[i].first < previousEnd) {
            return Range(spans[i].first, std::min(previousEnd, spans[i].second) - 1);
        }
    }
    return std::nullopt;
}

std::optional<uint8_t> ByteAt(const Segments& segments, uint32_t address) {
    for (const auto& segment : segments) {
        if (address >= segment.address && address < EndOf(segment)) {
            return segment.bytes[address - segment.address];
        }
    }
    return std::nullopt;
}

bool InRam(uint32_t address) {
    return address >= kRamStart && address < kRamEnd;
}

std::optional<std::string> LayoutProblem(const Segments& segments) {
    if (segments.empty()) {
        return std::string("it holds no bytes");
    }
    if (const auto twice = FirstOverlap(segments)) {
        return "it writes " + *twice + " twice (flash takes each byte once between erases)";
    }
    return std::nullopt;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

} // namespace

ImageCheck CheckFirmwareImage(const bsl430::TiTxtReader& image) {
    const Segments& segments = image.segments();
    if (const auto problem = LayoutProblem(segments)) {
        return Refused(*problem);
    }
    if (const auto outside = FirstRunOutside(segments, InFlash)) {
        return Refused(*outside + " is not flash: an image may write only " +
                       Range(kInfoFlashStart, kInfoFlashEnd - 1) + " and " +
                       Range(kMainFlashStart, kMainFlashEnd - 1));
    }
    if (const auto locked = FirstRunOutside(segments, [](uint32_t at) { return !InInfoA(at); })) {
        return Refused("it writes " + *locked + " in information memory segment A (" +
                       Range(kInfoAStart, kInfoFlashEnd - 1) +
                       "), which the boot loader keeps locked");
    }
    const auto low = ByteAt(segments, kResetVectorAddress);
    const auto high = ByteAt(segments, kResetVectorAddress + 1);
    if (!low || !high) {
        return Refused("it has no reset vector at " + Range(kResetVectorAddress, kVectorsEnd - 1) +
                       ", so the keypad would not start it");
    }
    const uint32_t reset = static_cast<uint32_t>(*low | *high << 8);
    if (reset == kErasedWord) {
        return Refused("its reset vector is erased (0xFFFF), so the keypad would not start it");
    }
    if (!ByteAt(segments, reset) || !InMainFlash(reset)) {
        return Refused("its reset vector " + Hex(reset) + " points outside the image's code");
    }
    return {true, {}, {}};
}

ImageCheck CheckFirmwareText(std::string_view text) {
    bsl430::TiTxtReader reader;
    if (reader.Parse(text) != bsl430::TiTxtReader::Status::Ok) {
        return Refused(reader.error());
    }
    return CheckFirmwareImage(reader);
}

ImageCheck CheckFirmwareFile(const std::string& path) {
    std::string why;
    std::optional<std::string> text = bsl430::ReadTiTxtFile(path, why);
    if (!text) {
        return Refused(why);
    }
    ImageCheck check = CheckFirmwareText(*text);
    if (check.ok) {
        check.text = std::move(*text);
    }
    return check;
}

ImageCheck RecheckFirmwareFile(const std::string& path, const ImageCheck& checked) {
    ImageCheck again = CheckFirmwareFile(path);
    if (again.ok && (!checked.ok || again.text != checked.text)) {
        return Refused("it changed after it was checked: choose it again");
    }
    return again;
}

std::string FirmwareFileRefusal(const std::string& path, const ImageCheck& check) {
    return std::string(kFirmwareFileRefusedText) + "\n" + path + ": " + check.reason + "\n";
}

RamBslCheck CheckRamBslText(std::string_view text, std::string_view configuredVersion) {
    RamBslCheck check;
    if (text.size() >= kRamBslTextLimit) {
        check.reason = TooMuchText(text.size(), kRamBslTextLimit) +
                       " (a RAM boot loader's text is a few kilobytes: is this a firmware image?)";
        return check;
    }
    bsl430::TiTxtReader reader;
    if (reader.Parse(text) != bsl430::TiTxtReader::Status::Ok) {
        check.reason = reader.error();
        return check;
    }
    const Segments& segments = reader.segments();
    if (const auto problem = LayoutProblem(segments)) {
        check.reason = *problem;
        return check;
    }
    const auto lowest = std::min_element(segments.begin(), segments.end(),
                                         [](auto& a, auto& b) { return a.address < b.address; });
    if (lowest->address != kRamBslLoadAddress) {
        check.reason = "it must start with a section at " + Hex(kRamBslLoadAddress) +
                       " (its version, then its code from " + Hex(kRamBslStart) + "), not at " +
                       Hex(lowest->address);
        return check;
    }
    if (lowest->bytes.size() <= kRamBslVersionBytes + 1) {
        check.reason = "its section at " + Hex(kRamBslLoadAddress) + " ends before the code at " +
                       Hex(kRamBslStart);
        return check;
    }
    if (const auto outside = FirstRunOutside(segments, InRam)) {
        check.reason = *outside + " lies outside the RAM (" + Range(kRamStart, kRamEnd - 1) + ")";
        return check;
    }
    char version[16];
    std::snprintf(version, sizeof version, "%02X.%02X.%02X.%02X", lowest->bytes[0],
                  lowest->bytes[1], lowest->bytes[2], lowest->bytes[3]);
    if (!configuredVersion.empty() && Upper(configuredVersion) != version) {
        check.reason = "its first four bytes give the version " + std::string(version) +
                       ", not the configured " + Upper(configuredVersion);
        return check;
    }
    check.ok = true;
    check.version = version;
    return check;
}

ImageCheck CheckPasswordText(std::string_view text) {
    if (text.size() >= kPasswordTextLimit) {
        return Refused(TooMuchText(text.size(), kPasswordTextLimit));
    }
    bsl430::TiTxtReader reader;
    if (reader.Parse(text) != bsl430::TiTxtReader::Status::Ok) {
        return Refused(reader.error());
    }
    const Segments& segments = reader.segments();
    if (segments.size() != 1 || segments[0].address != bsl430::kPasswordAddress ||
        segments[0].bytes.size() != bsl430::kPasswordSize) {
        return Refused("it must hold the 32 bytes " +
                       Range(bsl430::kPasswordAddress, kVectorsEnd - 1) + " and nothing else");
    }
    return {true, {}, {}};
}

} // namespace firmware
