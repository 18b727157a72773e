#include "test_environment.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace testsupport {
namespace {

std::string scratch;

void RemoveScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}

} // namespace

void UseScratchDataFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "echovane-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return;
    }
    scratch = pattern;
    setenv("XDG_DATA_HOME", scratch.c_str(), 1);
    setenv("LOCALAPPDATA", scratch.c_str(), 1);
    std::atexit(RemoveScratch);
}

} // namespace testsupport
