// The replay's value parsing on any text a damaged configuration file could hold.

#include "config/config_replay.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    // Byte 0 picks the limit and the field count; the rest is the text.
    const int max = data[0];
    const int count = data[0] % 64;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (const auto value = config::ParseSetting(text, max)) {
        if (*value < 0 || *value > max) {
            __builtin_trap();
        }
    }
    if (const auto table = config::ParseTable(text, count)) {
        if (table->size() != static_cast<size_t>(count)) {
            __builtin_trap();
        }
    }
    return 0;
}
