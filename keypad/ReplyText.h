#pragma once

// The NUL-terminated texts the keypad packs one after another into a reply.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace keypad {

// The text that starts at `at` and ends before the next NUL; `at` moves past that NUL. A text
// whose NUL is missing runs to the end of the reply data, and one that starts past the end is
// empty: nothing beyond the data is ever read.
std::string ReadReplyText(std::span<const uint8_t> data, size_t& at);

} // namespace keypad
