#pragma once

// The codes a key of the keypad sends for its table, and the Qt modifiers of a HID modifier
// mask.

#include <Qt>

#include <cstdint>
#include <vector>

namespace app {

// The HID boot-keyboard modifier bits (bit 0 left control .. bit 7 right GUI).
Qt::KeyboardModifiers ModifiersOfMask(uint8_t modifierMask);
// The mask bit of a modifier usage code 0xE0..0xE7; 0 for any other byte.
uint8_t ModifierMaskOfUsageCode(uint8_t usageCode);

// The codes a key of the ten-key table sends, in order, and its modifier mask, for the
// active table kind: kinds 0-2 carry a modifier usage code and one code, kinds 3-5 a modifier
// mask, one code and up to five more from the extra code block, kind 6 moves the mouse and
// types nothing.
struct KeyStroke {
    uint8_t modifierMask = 0;
    std::vector<uint8_t> codes;
};
KeyStroke KeyStrokeOfKey(int tableKind, const uint8_t* keyCodeBlock, const uint8_t* extraCodeBlock,
                         int keyIndex);

} // namespace app
