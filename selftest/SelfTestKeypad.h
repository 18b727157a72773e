#pragma once

// The self test's own reading of the status block. Its commands (CmdSetLedBrightness,
// CmdSetKeypadType) and the status read itself are the keypad core's: each takes the link lock
// and reads hid_handle under it, so a rescan can only run between two of them and the next one
// goes to the handle it opened.

#include "keypad/KeypadStatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace selftest {

// What the self test takes from the status block.
struct SelfTestStatus {
    int ledBrightness_index = 0;
    int keypadType_index = 0;
    std::string firmwareVersion;
};

// The self test takes the firmware version as the six characters after the key code area.
inline constexpr int kFirmwareVersionLength = 6;

// The key code area is 20 bytes for the single-code tables 0..2, 24 for 3..5, 32 otherwise.
int StatusKeyTableSize(int keypadType);

// Nothing when the reply is too short to hold the key code area; the firmware version is the
// six characters after it, fewer when a NUL or the end of the reply comes first.
std::optional<SelfTestStatus> ParseSelfTestStatus(const std::vector<uint8_t>& reply);

// CmdGetStatus and the parse above; nothing when either fails.
std::optional<SelfTestStatus> GetDeviceStatusMessage();

} // namespace selftest
