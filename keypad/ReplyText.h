#pragma once

// The NUL-terminated texts the keypad packs one after another into a reply.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace keypad {

// The text that starts at `at` and ends before the next NUL; `at` moves past that NUL. A text
// whose NUL is missing runs to the end of the reply data, and one that starts past the end is
// empty: nothing beyond the data is ever read.
std::string ReadReplyText(std::span<const uint8_t> data, size_t& at);

// A reply text for a line of terminal output, in UTF-8. The keypad's bytes are Latin-1, as the
// windows read them; a control character shows as \xNN, so a keypad that sends escape
// sequences can neither move the cursor nor clear the screen it is listed on.
std::string PrintableReplyText(std::string_view text);

// A text a user wrote (a settings file's value, an option), for a message: kept as it is when it
// is UTF-8, control characters shown as \xNN; otherwise taken as the keypad's Latin-1.
std::string PrintableUserText(std::string_view text);

} // namespace keypad
