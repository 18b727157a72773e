#include "ReplyText.h"

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

} // namespace keypad
