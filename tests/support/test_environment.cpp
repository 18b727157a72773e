#include "test_environment.h"

#include "platform/Utf8Path.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace testsupport {
namespace {

std::string scratch;

#ifdef _WIN32
// The environment holds UTF-16 on Windows.
std::wstring Wide(std::string_view utf8) {
    return platform::PathFromUtf8(utf8).wstring();
}
#endif

std::optional<std::string> GetEnvironment(const char* name) {
#ifdef _WIN32
    const wchar_t* value = _wgetenv(Wide(name).c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return platform::Utf8FromPath(value);
#else
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
#endif
}

void RemoveScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(platform::PathFromUtf8(scratch), ignored);
}

// A new folder under the temporary folder, "" when none could be made.
std::string MakeScratchFolder() {
#ifdef _WIN32
    // No mkdtemp: a random name, taken only when the folder did not exist.
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = std::filesystem::temp_directory_path() /
                               ("echovane-test-" + std::to_string(random() % 1000000000u));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            return platform::Utf8FromPath(candidate);
        }
    }
    return "";
#else
    std::string pattern =
        (std::filesystem::temp_directory_path() / "echovane-test-XXXXXX").string();
    return mkdtemp(pattern.data()) != nullptr ? pattern : "";
#endif
}

} // namespace

void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    // An empty value removes the variable on Windows.
    _wputenv_s(Wide(name).c_str(), Wide(value != nullptr ? value : "").c_str());
#else
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
#endif
}

ScopedEnvironment::ScopedEnvironment(const char* name, const std::optional<std::string>& value)
    : name_(name) {
    previous_ = GetEnvironment(name);
    SetEnvironment(name, value ? value->c_str() : nullptr);
}

ScopedEnvironment::~ScopedEnvironment() {
    SetEnvironment(name_, previous_ ? previous_->c_str() : nullptr);
}

void UseScratchDataFolder() {
    scratch = MakeScratchFolder();
    if (scratch.empty()) {
        return;
    }
    SetEnvironment("XDG_DATA_HOME", scratch.c_str());
    SetEnvironment("LOCALAPPDATA", scratch.c_str());
    std::atexit(RemoveScratch);
}

} // namespace testsupport

#if defined(__SANITIZE_ADDRESS__)
// gcc 12's LeakSanitizer follows the dynamic TLS of libraries it saw through __tls_get_addr and,
// with glibc 2.36, can read a stale slot of one and crash at exit ("Tracer caught signal 11")
// after a test that passed. Static TLS is still scanned; ASAN_OPTIONS from the environment
// override this.
extern "C" const char* __asan_default_options() {
    return "intercept_tls_get_addr=0";
}
#endif
