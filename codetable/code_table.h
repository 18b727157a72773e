#pragma once

// The ten-key table as the editor loads it from the main window's copies and writes it back to
// the keypad, the editor's process-wide working codes, and the decision whether an editor may
// open at all. Plain C++; the windows show the returned texts.

#include "codetable/keycodes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct hid_device_;
typedef struct hid_device_ hid_device;

namespace codetable {

inline constexpr char kLoadTableStatusFailedText[] = "Load Table-Unable to get device status..";
inline constexpr char kSelectCustomiseTableText[] = "Please select a customise table..";
inline constexpr char kUnableToLoadMulticodeTableText[] = "Unable to Load multicode Table..";

// A message box text: the fixed literal and a line break.
std::string MessageText(const char* literal);

using Modifiers = std::array<int, kKeyCount>;
using TenKeyCodes = std::array<KeyCodes, kKeyCount>;

// The editor's working codes: one set per process, shared by every editor window.
struct SharedCodeArrays {
    TenKeyCodes current{};  // currentK1Code .. currentK10Code
    TenKeyCodes original{}; // originalK1Code .. originalK10Code: the table as opened
};
SharedCodeArrays& EditorCodeArrays();

enum class EditorMode {
    SingleCode, // kind 2: a modifier index and one code per key
    MultiCode,  // kind 5: a modifier bit mask and up to six codes per key
};
int TableKindOf(EditorMode mode);

// Whether "Customise Code Table" may open an editor: the mode, or the refusal to show.
struct EditorOpening {
    std::optional<EditorMode> mode;
    std::string refusal; // message text (with its line break) when there is no mode
};
// statusReadResult: the main window's status read just made (0 success); tableKind: the kind
// it reported.
EditorOpening DecideEditorOpening(int statusReadResult, int tableKind);

// Fills the modifiers and codes from the main window's copies of the two blocks, as the editor
// opens. Single-code mode: modifier = index of the stored usage code, codes[0] = first code,
// codes[1..5] untouched. Multi-code mode: modifier = the stored bit mask as it is, codes[0] =
// first code, codes[1..5] = the key's five bytes of the extra code block.
void LoadTenKeyTable(EditorMode mode, std::span<const uint8_t, kKeyCodeArraySize> keyCodeArray,
                     std::span<const uint8_t, kExtraCodeBlockSize> multipleKeyCodeArray,
                     Modifiers& modifiers, TenKeyCodes& codes);

// The 20 bytes CmdWriteCodeTable carries for the editor's state.
KeyCodeBlock BuildKeyCodeBlock(EditorMode mode, const Modifiers& modifiers,
                               const TenKeyCodes& codes);
// The 50 bytes CmdWriteMulticodeTable carries: codes 2..6 of every key.
ExtraCodeBlock BuildExtraCodeBlock(const TenKeyCodes& codes);

// One exchange each, with the time-out every command uses; the exchange result (0 success).
int32_t SendKeyCodeBlock(hid_device* device, const KeyCodeBlock& block);
int32_t SendExtraCodeBlock(hid_device* device, const ExtraCodeBlock& block);

enum class TableWriteResult {
    Written,
    CodeTableFailed,      // CmdWriteCodeTable failed; nothing else was sent
    MulticodeTableFailed, // the key code block is on the keypad, the extra codes are not
};

// Writes the table back: the key code block, then (multi-code mode only, and only when that
// succeeded) the extra code block.
TableWriteResult WriteTenKeyTable(hid_device* device, EditorMode mode, const Modifiers& modifiers,
                                  const TenKeyCodes& codes);

// The message the editor shows for a failed write; empty for Written.
std::string TableWriteMessage(TableWriteResult result);

} // namespace codetable
