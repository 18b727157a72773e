#pragma once

// What echovane-cli writes with --json: one object per run, indented, with a "version" field so
// a script can tell which shape it reads. Numbers are numbers, flags booleans, texts trimmed.

#include <QJsonObject>
#include <QString>

#include <ostream>
#include <string>

namespace cli {

// Raised when a field changes meaning or goes; new fields keep it.
inline constexpr int kJsonVersion = 1;

// A keypad text (8-bit, Latin-1 keeps every byte) without the blanks the keypad pads it with.
QString JsonText(const std::string& text);
// The same text as the keypad sent it, blanks included, for where the exact bytes matter.
QString JsonRawText(const std::string& text);

// The object with "version" added, written out with a final line break.
void WriteJson(std::ostream& out, QJsonObject object);

} // namespace cli
