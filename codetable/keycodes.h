#pragma once

// Key codes, modifiers and table kinds as the keypad and every window see them, and the
// conversions between their forms. Plain C++: the windows call these, the rules live here once.

#include "keypad/TableKind.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace codetable {

// A key code is a USB HID keyboard usage (page 0x07); 0 means no key.
inline constexpr int kUsageCodeCount = 116; // 0x00..0x73, the rows of every code picker
inline constexpr int kLastUsageCode = kUsageCodeCount - 1;

// The modifier picker: index k (1..8) stands for usage code 0xDF + k, index 0 for none.
inline constexpr int kModifierItemCount = 9;
inline constexpr int kNoModifierIndex = 0;
inline constexpr int kLastModifierIndex = 8;
inline constexpr int kFirstModifierUsageCode = 0xE0; // left control
inline constexpr int kLastModifierUsageCode = 0xE7;  // right GUI
inline constexpr int kModifierIndexToUsageCode = kFirstModifierUsageCode - 1;

// The table kinds and block sizes are the keypad's (keypad/TableKind.h); the model names them
// as its own.
using keypad::AlternateMulticodeTable;
using keypad::AlternateTable;
using keypad::CustomiseMulticodeTable;
using keypad::CustomiseTable;
using keypad::DefaultMulticodeTable;
using keypad::DefaultTable;
using keypad::ExtraCodeBlock;
using keypad::kExtraCodeBlockSize;
using keypad::KeyCodeBlock;
using keypad::kKeyCodeArraySize;
using keypad::kKeyCodeBlockSize;
using keypad::kSingleCodeTableKindCount;
using keypad::kTableKindCount;
using keypad::MouseTable;
using keypad::TableKind;

// The ten-key keypad's keys, always in this table order.
inline constexpr int kKeyCount = 10;
inline constexpr int kCodesPerKey = 6;      // a modifier and up to six codes in a multi-code table
inline constexpr int kExtraCodesPerKey = 5; // codes 2..6 of a key

// Key code block: per key its modifier at 2(k-1) and its first code at 2(k-1)+1.
inline constexpr int kKeyCodeBlockStride = 2;
inline constexpr int kKeyCodeBlockModifierOffset = 0;
inline constexpr int kKeyCodeBlockCodeOffset = 1;
// Extra code block (multi-code tables): per key its codes 2..6 at 5(k-1)..5(k-1)+4.
inline constexpr int kExtraCodeBlockStride = kExtraCodesPerKey;
static_assert(kKeyCount * kKeyCodeBlockStride == kKeyCodeBlockSize);
static_assert(kKeyCount * kExtraCodeBlockStride == kExtraCodeBlockSize);
// A key's codes 1..6; entry 0 is the first code. Held as int like the editor's fields; the
// low byte is what travels to the keypad.
using KeyCodes = std::array<int, kCodesPerKey>;

// The row of the usage-code list for code (0..0x73): "0x28    Enter"; empty outside the list.
std::string_view UsageCodeRow(int code);
// The code a user means by what they type into a code picker: the code as shown ("0x1d"), a
// key's whole name ("e", "f1"), the start of one ("ent"), or the code's hex digits alone ("1d"),
// tried in that order, letter case aside; -1 when nothing fits.
int FindUsageCode(std::string_view typed);
const std::array<std::string_view, kUsageCodeCount>& UsageCodeRows();

// The modifier picker item at index (0..8): " None", "Left  Ctrl", ...; empty outside.
std::string_view ModifierItem(int index);
const std::array<std::string_view, kModifierItemCount>& ModifierItems();

// The eight modifier check boxes of the multi-code editor, in box order (checkBox1..8).
struct ModifierCheckBox {
    std::string_view objectName; // "checkBox1"
    std::string_view text;       // "Left Ctrl"
    uint8_t bit;                 // the bit of the boot-keyboard modifier byte
};
inline constexpr int kModifierCheckBoxCount = 8;
const std::array<ModifierCheckBox, kModifierCheckBoxCount>& ModifierCheckBoxes();

// "0x" and the code as two upper-case hex digits (the low byte): what a key button shows.
std::string CodeDisplayText(int code);
// "0x0" and the upper-case hex digits of the code's low byte, however many: what the editor's
// six code boxes show ("0x04", "0x028", "0x00").
std::string CodeTextBoxText(int code);

} // namespace codetable

// Modifier usage code to modifier index: 0xE0..0xE7 give 1..8, anything else comes back as it
// is. (The name is the historical one; the result is a picker index.)
short ModifierCodeToModifierBits(int code);

// Modifier index back to what the table of tableKind stores. For the single-code kind, 1..8
// give 0xE0..0xE7 and 0 stays 0; a value that has no picker item (the table held a byte outside
// 0, 1..8 and 0xE0..0xE7) goes back as the byte it came from. Other kinds keep the value: a
// multi-code modifier is a bit mask.
short ModifierBitsToModifierCode(int value, int tableKind);

// codes[1..5] = block[offset .. offset+4]; codes[0] is left alone. False (nothing copied) when
// the five bytes are not all inside the block.
bool copyMultipleKeyCode(codetable::KeyCodes& codes,
                         std::span<const uint8_t, codetable::kExtraCodeBlockSize> block,
                         int offset);

// dest[0..4] = low bytes of codes[1..5].
void copyMultipleKeycodeToTxBuffer(std::span<uint8_t, codetable::kExtraCodesPerKey> dest,
                                   const codetable::KeyCodes& codes);
