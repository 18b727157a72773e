#include "ReplyText.h"

#include "device/frame.h"

#include <algorithm>

namespace keypad {

std::string ReadReplyText(std::span<const uint8_t> data, size_t& at) {
    if (at >= data.size()) {
        at = data.size();
        return {};
    }
    const auto begin = data.begin() + static_cast<std::ptrdiff_t>(at);
    const auto nul = std::find(begin, data.end(), uint8_t{0});
    std::string text(begin, nul);
    at = nul == data.end() ? data.size() : static_cast<size_t>(nul - data.begin()) + 1;
    return text;
}

std::string PrintableReplyText(std::string_view text) {
    constexpr unsigned char kFirstPrintable = 0x20;
    constexpr unsigned char kDelete = 0x7F;
    // 0x80 to 0x9F are the C1 controls: some terminals take 0x9B as the start of a sequence.
    constexpr unsigned char kFirstLatin1Printable = 0xA0;
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < kFirstPrintable || (byte >= kDelete && byte < kFirstLatin1Printable)) {
            shown += "\\x";
            shown += static_cast<char>(Bcd_To_Asc(byte >> 4));
            shown += static_cast<char>(Bcd_To_Asc(byte));
        } else if (byte < kDelete) {
            shown += c;
        } else {
            // Latin-1 is the first 256 code points: two UTF-8 bytes, 110000xx 10xxxxxx.
            shown += static_cast<char>(0xC0 | byte >> 6);
            shown += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return shown;
}

namespace {

// The length of the UTF-8 sequence at text[at], or 0 where none starts (overlong forms and
// surrogates included).
size_t Utf8SequenceAt(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length = 0;
    uint32_t point = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07u;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0u) != 0x80u) {
            return 0;
        }
        point = point << 6 | (byte(at + i) & 0x3Fu);
    }
    const bool overlong = (length == 3 && point < 0x800) || (length == 4 && point < 0x10000);
    const bool surrogate = point >= 0xD800 && point <= 0xDFFF;
    return overlong || surrogate || point > 0x10FFFF ? 0 : length;
}

} // namespace

std::string PrintableUserText(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
        } else if (const size_t length = Utf8SequenceAt(text, at); length != 0) {
            at += length;
        } else {
            return PrintableReplyText(text);
        }
    }
    std::string shown;
    for (size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x80) {
            const size_t length = Utf8SequenceAt(text, at);
            const auto second = static_cast<unsigned char>(text[at + 1]);
            if (byte == 0xC2 && second < 0xA0) {
                // U+0080 to U+009F, the C1 controls, shown as the keypad's byte would be.
                shown += PrintableReplyText(std::string(1, static_cast<char>(second)));
            } else {
                shown.append(text.substr(at, length));
            }
            at += length;
            continue;
        }
        // UTF-8: only the ASCII controls need showing as codes.
        shown += PrintableReplyText(text.substr(at, 1));
        ++at;
    }
    return shown;
}

} // namespace keypad
