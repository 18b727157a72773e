#include "DataFolder.h"

#include "Utf8Path.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace platform {

std::optional<std::string> NonEmptyEnvironment(const char* name) {
#ifdef _WIN32
    // The narrow environment is in the ANSI code page; the wide one holds the whole name.
    const std::wstring wideName(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wideName.c_str());
    if (value == nullptr || *value == L'\0') {
        return std::nullopt;
    }
    std::string text = Utf8FromPath(std::filesystem::path(value));
    if (text.empty()) {
        return std::nullopt;
    }
    return text;
#else
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
#endif
}

std::optional<std::string> UserDataFolder() {
#ifdef _WIN32
    return NonEmptyEnvironment("LOCALAPPDATA");
#else
    namespace fs = std::filesystem;
    // The XDG rules ignore a relative XDG_DATA_HOME.
    if (auto xdg = NonEmptyEnvironment("XDG_DATA_HOME"); xdg && PathFromUtf8(*xdg).is_absolute()) {
        return xdg;
    }
    if (auto home = NonEmptyEnvironment("HOME")) {
        return Utf8FromPath(PathFromUtf8(*home) / ".local" / "share");
    }
    return std::nullopt;
#endif
}

} // namespace platform
