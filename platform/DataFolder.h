#pragma once

// The user's own data folder, where the configuration file and the user's RAM boot loader live.

#include <optional>
#include <string>

namespace platform {

// An environment variable's value; nothing when it is unset or empty.
std::optional<std::string> NonEmptyEnvironment(const char* name);

// %LOCALAPPDATA% on Windows; elsewhere $XDG_DATA_HOME when it is absolute, else
// $HOME/.local/share. Nothing when the variables give none.
std::optional<std::string> UserDataFolder();

} // namespace platform
