#pragma once

// "Reset From Configuration File": the saved settings written back onto the keypad on
// hid_handle, in a fixed order: layout, table(s), LED brightness; the window then refreshes its
// status as after a scan.

#include "config/config_file.h"
#include "config/config_messages.h"
#include "keypad/KeypadStatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace config {

// A decimal number from 0 to max, blanks around it allowed; nothing for anything else.
std::optional<int> ParseSetting(std::string_view text, int max);
// The first count fields of a comma-separated table, each 0..255; nothing when there are fewer
// or one of them is not such a number. Fields after the first count are not looked at.
std::optional<std::vector<uint8_t>> ParseTable(std::string_view text, int count);
// Why ParseSetting or ParseTable refuses the value of key in settings, for the one who must mend
// the file: "LedBrightness is \"12\", not a number from 0 to 9", "CodeTableValues field 3 is
// \"300\", not a number from 0 to 255", "CodeTableValues has 19 numbers, not 20", "there is no
// LedBrightness key in [appSettings]"; "" when it is taken.
// A value as a reason quotes it: a long one (a table pasted into the wrong key) is cut.
std::string QuotedValue(std::string_view value);
std::string SettingProblem(const SettingsRead& settings, const std::string& key, int max);
std::string TableProblem(const SettingsRead& settings, const std::string& key, int count);

// The replay as read from the file; every value is checked before anything is sent.
struct ReplayPlan {
    uint8_t layout = 0;
    uint8_t ledBrightness = 0;
    // Sent only for layouts 2 and 5 (the code table) and 5 (the multi-code table).
    std::vector<uint8_t> codeTable;
    std::vector<uint8_t> multipleCodeTable;
};

struct ReplayRead {
    // When the file holds saved settings and every value the replay needs parses.
    std::optional<ReplayPlan> plan;
    // Why there is no plan for a file that holds settings (damaged, a value that does not
    // parse); without its line break.
    const char* message = nullptr;
    // What is wrong, to follow message on a line of its own: the value and why it is refused,
    // or the file and why it was not read. Without a full stop; may be empty.
    std::string reason;
    // message and, on the next line, the reason.
    std::string MessageWithReason() const;
    // The file's SerialNumber value as written, read in the same pass.
    std::string serialNumber;
};
ReplayRead ReadReplayPlan(const std::string& path);

// What the keypad's status (and its multi-code block, when read) holds otherwise than the plan
// would have written, one short text per key ("LedBrightness is 3, not 7"); empty when it holds
// the plan.
std::vector<std::string> ReplayDifferences(const ReplayPlan& plan,
                                           const keypad::KeypadStatus& status,
                                           const std::optional<keypad::ExtraCodeBlock>& extra);

// Nothing is sent when "FirstUp" is not "Yes" (no message either), when the file is damaged, or
// when a value that the replay needs does not parse (each with its message). Otherwise the
// steps are sent in order and the first refused one stops the replay with its message; the
// steps before it stay in effect on the keypad. On success refreshStatus is set.
Outcome ResetFromConfigurationFile();
// The sending part of it, for a plan read before: the steps in order, the first refused one
// stopping the replay with its message; on success refreshStatus is set.
Outcome SendReplayPlan(const ReplayPlan& plan);

} // namespace config
