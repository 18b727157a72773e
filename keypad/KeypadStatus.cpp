#include "KeypadStatus.h"

#include "keypad/ReplyText.h"

#include <algorithm>

namespace keypad {

std::optional<KeypadStatus> DecodeStatusBlock(std::span<const uint8_t> data) {
    if (data.size() < kStatusTextsOffset) {
        return std::nullopt;
    }
    KeypadStatus status;
    status.ledBrightness = data[kStatusLedBrightnessOffset];
    status.tableKind = data[kStatusTableKindOffset];
    status.jackStatus = data[kStatusJackOffset] != 0 ? kJackOutText : kJackInText;
    status.hvStatus = data[kStatusOrientationOffset] != 0 ? kHorizontalText : kVerticalText;
    std::copy_n(data.begin() + kStatusKeyBlockOffset, kKeyCodeBlockSize,
                status.keyCodeBlock.begin());
    size_t at = kStatusTextsOffset;
    status.firmwareVersion = ReadReplyText(data, at);
    status.serialNumber = ReadReplyText(data, at);
    status.temperature = ReadReplyText(data, at);
    return status;
}

std::optional<ExtraCodeBlock> DecodeExtraCodeBlock(std::span<const uint8_t> data) {
    if (data.size() < static_cast<size_t>(kExtraCodeBlockSize)) {
        return std::nullopt;
    }
    ExtraCodeBlock block{};
    std::copy_n(data.begin(), kExtraCodeBlockSize, block.begin());
    return block;
}

} // namespace keypad
