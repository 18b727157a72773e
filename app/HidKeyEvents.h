#pragma once

// What a key press of the keypad looks like to a Qt window: the Qt key, modifiers and text for
// a USB HID keyboard usage code, as a US keyboard layout types it.

#include <QString>
#include <Qt>

#include <cstdint>
#include <optional>
#include <vector>

namespace app {

struct HidKeyEvent {
    int key = 0; // Qt::Key
    Qt::KeyboardModifiers modifiers;
    QString text;
};

// The HID boot-keyboard modifier bits (bit 0 left control .. bit 7 right GUI).
Qt::KeyboardModifiers ModifiersOfMask(uint8_t modifierMask);
// The mask bit of a modifier usage code 0xE0..0xE7; 0 for any other byte.
uint8_t ModifierMaskOfUsageCode(uint8_t usageCode);

// Nothing for codes without a key (0, the error codes, codes past F24 other than the
// modifier keys 0xE0..0xE7).
std::optional<HidKeyEvent> KeyEventForUsage(uint8_t usageCode, uint8_t modifierMask);

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
