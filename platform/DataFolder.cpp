#include "DataFolder.h"

#include <cstdlib>
#include <filesystem>

namespace platform {

std::optional<std::string> NonEmptyEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::string> UserDataFolder() {
#ifdef _WIN32
    return NonEmptyEnvironment("LOCALAPPDATA");
#else
    namespace fs = std::filesystem;
    // The XDG rules ignore a relative XDG_DATA_HOME.
    if (auto xdg = NonEmptyEnvironment("XDG_DATA_HOME"); xdg && fs::path(*xdg).is_absolute()) {
        return xdg;
    }
    if (auto home = NonEmptyEnvironment("HOME")) {
        return (fs::path(*home) / ".local" / "share").string();
    }
    return std::nullopt;
#endif
}

} // namespace platform
