#pragma once

// After a successful download: reconnect to the keypad's new application and write back the
// serial number, keypad type, key code table and LED brightness it had, then make it keep them.

#include "firmware/upgrade_state.h"
#include "keypad/KeypadStatus.h"

#include <cstdint>
#include <functional>
#include <string>

namespace firmware {

// The first look for the keypad after the reset, then one look every kRestorePollMs until
// kRestoreGiveUpMs after the start.
inline constexpr uint32_t kRestoreWaitMs = 2000;
inline constexpr uint32_t kRestorePollMs = 250;
inline constexpr uint32_t kRestoreGiveUpMs = 15000;
inline constexpr char kSetSerialNumberFailedText[] = "Unable to set SerialNumber..";
inline constexpr char kSetKeypadTypeFailedText[] = "Unable to set Keypad Type..";
inline constexpr char kLoadTableFailedText[] = "Unable to Load Table..";
inline constexpr char kSetLedBrightnessFailedText[] = "Unable to set LED Brightness..";
inline constexpr char kWriteDefaultFailedText[] = "Unable to Write Default..";
inline constexpr char kCloseText[] = "Please Click on Scan for.";
inline constexpr char kCloseCaption[] = "Vexor Kivoo";

struct RestoreResult {
    bool restored = false;
    // For the message box (caption "Vexor Echovane", OK, exclamation icon), with its line
    // break; empty after success, which shows nothing.
    std::string message;
};

// What the restore writes back of a successful status read.
UpgradeState StateToRestore(const keypad::KeypadStatus& status);

// The whole restore: the wait, the rescans into hid_handle until the keypad is back, then the
// six commands, stopping at the first refusal. sleep defaults to SleepMs.
RestoreResult RestoreSettings(const UpgradeState& state,
                              const std::function<void(uint32_t)>& sleep = {});

// CmdCheckMulticode (0x01, 0x00) on hid_handle: the keypad knows multi-code tables.
bool checkMulticodeInstalled();

} // namespace firmware
