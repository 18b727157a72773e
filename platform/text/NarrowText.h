#pragma once

// 8-bit text into window text. Everything exchanged with the keypad, the INI library and the
// boot loader is 8-bit; which encoding it is read in depends on where it came from, so each
// encoding has one helper named for it.

#include <QString>

#include <string_view>

namespace platform {

// Keypad texts, messages and INI values: Latin-1 keeps every byte as one character (and the
// low byte of each character is the byte again).
QString FromLatin1(std::string_view text);

// File names and the platform's own messages: the local 8-bit encoding (the ANSI code page on
// Windows).
QString FromLocal8Bit(std::string_view text);

} // namespace platform
