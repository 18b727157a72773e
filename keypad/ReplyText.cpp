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

} // namespace keypad
