#pragma once

// After a successful download: reconnect to the keypad's new application and write back the
// serial number, keypad type, key code table and LED brightness it had, then make it keep them.

#include "device/discovery.h"
#include "firmware/upgrade_state.h"
#include "keypad/KeypadStatus.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace firmware {

// The first look for the keypad after the reset, then one look every kRestorePollMs until
// kRestoreGiveUpMs after the start.
inline constexpr uint32_t kRestoreWaitMs = 2000;
inline constexpr uint32_t kRestorePollMs = 250;
inline constexpr uint32_t kRestoreGiveUpMs = 15000;
inline constexpr char kSetSerialNumberFailedText[] = "Unable to set SerialNumber..";
inline constexpr char kCloseText[] = "Please Click on Scan for.";
inline constexpr char kCloseCaption[] = "Vexor Kivoo";

inline constexpr char kSettingsUnknownText[] =
    "The keypad's settings could not be read before the upgrade, so none were written back.\r\n";

// The upgrade window's status lines after "Done!": while the new application comes up and takes
// its settings, and once it has them.
inline constexpr char kWaitingForKeypadText[] =
    "Waiting for the keypad to start the new firmware...\r\n";
inline constexpr char kSettingsWrittenBackText[] =
    "The keypad's serial number, code table and LED brightness are written back.\r\n";

struct RestoreResult {
    bool restored = false;
    // For the message box (caption "Vexor Echovane", OK, exclamation icon), with its line
    // break; empty after success, which shows nothing.
    std::string message;
    // A status line (with CR LF) about a restore that went through: kSettingsUnknownText when
    // there was nothing known to write back.
    std::string notice;
};

// Said after a failed restore of known settings (without a line break), before the front end's
// way to get them back: the serial number is named, so that it is never lost.
std::string NotAllBackText(const UpgradeState& state);

// What the restore writes back of a successful status read.
UpgradeState StateToRestore(const keypad::KeypadStatus& status);

// What an upgrade about to start writes back: what was read now (nothing when the read failed),
// unless kept belongs to the keypad at hand. kept is what an earlier upgrade read from the keypad
// this program left in its loader (keptKeypadInLoader) and has not written back yet: new
// firmware starts without a serial number until the restore writes it, so a keypad without one
// of its own, or with kept's on other firmware than kept was read from, is that keypad (on the
// firmware it had, nothing of it was erased: what it holds now is its own). A failed read keeps
// nothing else, since a blank or another keypad's settings would overwrite this one's.
UpgradeState StateForUpgrade(const UpgradeState& kept, bool keptKeypadInLoader,
                             const std::optional<keypad::KeypadStatus>& read);

// The whole restore: the wait, the rescans into hid_handle until the keypad is back, then the
// six commands, stopping at the first refusal; none when the state is not known. reopen (by
// default the rescan, which takes the first keypad) opens the upgraded keypad into hid_handle
// when it is back, for a caller that has several keypads on the bus.
RestoreResult RestoreSettings(const UpgradeState& state,
                              const std::function<device::RescanResult()>& reopen = {});

// A reopen for RestoreSettings when other keypads are on the bus: the keypad that came back is
// one whose path was not among pathsBefore (the others' paths, taken before CmdEnterBsl).
// Should several have arrived meanwhile, it is the one that reports serialNumber or no serial
// number of its own (the new firmware starts without one); with two such, none. path, when
// given, gets where it was found.
device::RescanResult ReopenReturnedKeypad(const std::vector<std::string>& pathsBefore,
                                          const std::string& serialNumber,
                                          std::string* path = nullptr);

// CmdCheckMulticode (0x01, 0x00) on hid_handle: the keypad knows multi-code tables.
bool checkMulticodeInstalled();

} // namespace firmware
