#include "SelfTestKeypad.h"

#include "keypad/StatusRead.h"
#include "keypad/TableKind.h"

namespace selftest {
namespace {

// The key code area the self test reads for the multi-code kinds 3 to 5.
constexpr int kMulticodeTableSize = 24;

} // namespace

int StatusKeyTableSize(int keypadType) {
    if (keypadType >= keypad::DefaultTable && keypadType <= keypad::CustomiseTable) {
        return keypad::kKeyCodeBlockSize;
    }
    if (keypadType > keypad::CustomiseTable && keypadType <= keypad::CustomiseMulticodeTable) {
        return kMulticodeTableSize;
    }
    return keypad::kKeyCodeArraySize;
}

std::optional<SelfTestStatus> ParseSelfTestStatus(const std::vector<uint8_t>& reply) {
    if (reply.size() < keypad::kStatusKeyBlockOffset) {
        return std::nullopt;
    }
    SelfTestStatus status;
    status.ledBrightness_index = reply[keypad::kStatusLedBrightnessOffset];
    status.keypadType_index = reply[keypad::kStatusTableKindOffset];
    const size_t versionOffset = keypad::kStatusKeyBlockOffset +
                                 static_cast<size_t>(StatusKeyTableSize(status.keypadType_index));
    if (reply.size() < versionOffset) {
        return std::nullopt;
    }
    for (size_t i = versionOffset;
         i < reply.size() && i < versionOffset + kFirmwareVersionLength && reply[i] != 0; ++i) {
        status.firmwareVersion.push_back(static_cast<char>(reply[i]));
    }
    return status;
}

std::optional<SelfTestStatus> GetDeviceStatusMessage() {
    const std::optional<std::vector<uint8_t>> block = keypad::ReadStatusBlock();
    if (!block) {
        return std::nullopt;
    }
    return ParseSelfTestStatus(*block);
}

} // namespace selftest
