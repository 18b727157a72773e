#pragma once

// The code tables a keypad holds and the blocks they travel in: the numbers every layer above
// the link shares (the status read, the code-table editor, the configuration file, the upgrade's
// restore, the self test and the command line).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace keypad {

// The active code table, byte 1 of the status block; CmdSetKeypadType carries it.
enum TableKind : int {
    DefaultTable = 0,
    AlternateTable = 1,
    CustomiseTable = 2,
    DefaultMulticodeTable = 3,
    AlternateMulticodeTable = 4,
    CustomiseMulticodeTable = 5,
    MouseTable = 6,
};
inline constexpr int kTableKindCount = 7;
// Keypads without multi-code tables offer only the first three kinds.
inline constexpr int kSingleCodeTableKindCount = 3;

// The kinds as the keypad-type picker lists them (two spaces before "Multicode" in kinds 3
// and 4).
inline constexpr std::array<std::string_view, kTableKindCount> kTableKindNames = {
    "Default Table",
    "Alternate Table",
    "Customise Table",
    "Default  Multicode Table",
    "Alternate  Multicode Table",
    "Customise Multicode Table",
    "Mouse Table"};

// The kind's name; a kind outside 0..6 reads "Unknown Table (n)".
std::string TableKindName(int tableKind);

// LED brightness indexes 0..9, byte 0 of the status block; CmdSetLedBrightness carries one.
inline constexpr int kLedBrightnessLevels = 10;

// Key code block: per key a modifier and its first code (status block bytes 4..23,
// CmdWriteCodeTable).
inline constexpr int kKeyCodeBlockSize = 20;
// Extra code block of the multi-code tables: codes 2..6 of every key (CmdReadMulticodeTable,
// CmdWriteMulticodeTable).
inline constexpr int kExtraCodeBlockSize = 50;
// The main window's copy of the key code block has room for the longest layout; bytes 20..31
// are not written by the status read.
inline constexpr int kKeyCodeArraySize = 32;

using KeyCodeBlock = std::array<uint8_t, kKeyCodeBlockSize>;
using ExtraCodeBlock = std::array<uint8_t, kExtraCodeBlockSize>;

} // namespace keypad
