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

#if defined(__SANITIZE_ADDRESS__)
// gcc 12's LeakSanitizer follows the dynamic TLS of libraries it saw through __tls_get_addr and,
// with glibc 2.36, can read a stale slot of one and crash at exit ("Tracer caught signal 11")
// after a test that passed. Static TLS is still scanned; ASAN_OPTIONS from the environment
// override this.
extern "C" const char* __asan_default_options() {
    return "intercept_tls_get_addr=0";
}
#endif
