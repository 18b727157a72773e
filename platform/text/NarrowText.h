#pragma once

// 8-bit text into window text. Everything exchanged with the keypad, the INI library and the
// boot loader is 8-bit; which encoding it is read in depends on where it came from, so each
// encoding has one helper named for it.

#include <QString>

#include <string>
#include <string_view>

namespace platform {

// Keypad texts, messages and INI values: Latin-1 keeps every byte as one character (and the
// low byte of each character is the byte again).
QString FromLatin1(std::string_view text);

// File names and the messages that name files: UTF-8, the cores' file-name text (see
// platform/Utf8Path.h), so a name the ANSI code page cannot spell arrives whole on Windows too.
QString FromUtf8(std::string_view text);

// A file name chosen in a window, as the cores take it: native separators, UTF-8.
std::string CoreFileName(const QString& path);

} // namespace platform
