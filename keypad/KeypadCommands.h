#pragma once

// The settings commands both front ends send, each one exchange, with the message the system
// shows for its outcome. The windows put the message into their box, the command line onto
// stderr (or stdout for the re-connect notice).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keypad {

inline constexpr char kSetLedBrightnessFailedText[] = "Unable to set the LED Brightness..";
inline constexpr char kSetKeypadTypeFailedText[] = "Unable to set Keypad Type..";
inline constexpr char kWriteDefaultFailedText[] = "Unable to Write Default..";
inline constexpr char kResetToDefaultFailedText[] = "Unable to Reset to Default..";
inline constexpr char kLoadTableFailedText[] = "Unable to Load Table..";
inline constexpr char kLoadMultiCodeTableFailedText[] = "Unable to Load multi-code Table..";
// What writing saved settings back (from a configuration file, after an upgrade) says.
inline constexpr char kWriteBackLedBrightnessFailedText[] = "Unable to set LED Brightness..";
// Asked before a factory reset: one mis-click would lose the customised tables.
inline constexpr char kResetToDefaultQuestion[] =
    "Are you sure you want to reset the keypad to factory default? Its customised code tables "
    "will be lost.";
inline constexpr char kReconnectAfterResetText[] =
    "Please click on Scan For to re-connect after device reboot.";

struct CommandResult {
    int32_t exchange = 0; // the exchange result, 0 success
    // The box text with its line break: the failure text, or (after a factory reset that went
    // through) the re-connect notice; empty when there is nothing to show.
    std::string message;

    bool ok() const { return exchange == 0; }
};

// CmdSetLedBrightness with the index (0..9) as its one byte.
CommandResult SetLedBrightness(int ledBrightness);
// CmdSetKeypadType with the code-table kind (0..6) as its one byte.
CommandResult SetKeypadType(int tableKind);
// CmdWriteDefault: the keypad keeps its current settings as its defaults.
CommandResult WriteDefault();
// CmdResetToDefault: factory settings; the keypad reboots and has to be scanned for again.
CommandResult ResetToDefault();
// CmdSetSerialNumber with the number's payload; nothing clears it. The exchange result is
// returned: only the restore after an upgrade sets it, and words its failure as the restore's.
int32_t SetSerialNumber(std::optional<std::string_view> serialNumber);
// CmdEnterBsl: the keypad leaves for its boot loader. It may be gone before its reply is
// through, so callers judge by what appears on the bus; the exchange result is returned.
int32_t EnterBsl();

} // namespace keypad
