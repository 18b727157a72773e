#pragma once

// The self test's keypad operations. Each one takes the link lock, reads hid_handle under it
// and exchanges: a rescan, which holds the same lock while it closes and reopens the keypad,
// can only run between two of them, and the next one then goes to the handle it opened.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace selftest {

// CmdSetLedBrightness with one byte; 0 on success.
int32_t SetLedBrightness(int level);
// CmdSetKeypadType with one byte; 0 on success.
int32_t SetKeyboardTable(int table);

// What the self test takes from the status block.
struct SelfTestStatus {
    int ledBrightness_index = 0;
    int keypadType_index = 0;
    std::string firmwareVersion;
};

// Byte layout of the status block as the self test reads it.
inline constexpr int kStatusBrightnessOffset = 0;
inline constexpr int kStatusTableKindOffset = 1;
inline constexpr int kStatusKeyTableOffset = 4;
inline constexpr int kFirmwareVersionLength = 6;

// The key code area is 20 bytes for the single-code tables 0..2, 24 for 3..5, 32 otherwise.
int StatusKeyTableSize(int keypadType);

// Nothing when the reply is too short to hold the key code area; the firmware version is the
// six characters after it, fewer when a NUL or the end of the reply comes first.
std::optional<SelfTestStatus> ParseSelfTestStatus(const std::vector<uint8_t>& reply);

// CmdGetStatus and the parse above; nothing when either fails.
std::optional<SelfTestStatus> GetDeviceStatusMessage();

} // namespace selftest
