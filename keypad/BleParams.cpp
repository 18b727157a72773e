#include "BleParams.h"

#include "keypad/ReplyText.h"

namespace keypad {

BleParams DecodeBleParams(std::span<const uint8_t> data) {
    BleParams params;
    size_t at = 0;
    params.name = ReadReplyText(data, at);
    params.manufacturerData = ReadReplyText(data, at);
    params.powerLevel = ReadReplyText(data, at);
    if (at < data.size()) {
        params.enable = data[at++];
    }
    if (at < data.size()) {
        params.moduleFitted = data[at] != 0;
    }
    return params;
}

} // namespace keypad
