#pragma once

// "Reset From Configuration File": the saved settings written back onto the keypad on
// hid_handle, in a fixed order: layout, table(s), LED brightness; the window then refreshes its
// status as after a scan.

#include "config/config_messages.h"

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

// Nothing is sent when "FirstUp" is not "Yes" (no message either), when the file is damaged, or
// when a value that the replay needs does not parse (each with its message). Otherwise the
// steps are sent in order and the first refused one stops the replay with its message; the
// steps before it stay in effect on the keypad. On success refreshStatus is set.
Outcome ResetFromConfigurationFile();

} // namespace config
