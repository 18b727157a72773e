#include "HidKeyEvents.h"

#include "keypad/TableKind.h"

namespace app {
namespace {

constexpr uint8_t kUsageLeftControl = 0xE0;
constexpr uint8_t kUsageRightGui = 0xE7;

constexpr uint8_t kMaskShift = 0x02 | 0x20;

constexpr int kKeyCodesPerKey = 2;
constexpr int kExtraCodesPerKey = 5;
constexpr int kLastSingleCodeKind = 2;
constexpr int kLastMulticodeKind = 5;

} // namespace

Qt::KeyboardModifiers ModifiersOfMask(uint8_t mask) {
    Qt::KeyboardModifiers modifiers;
    // Left and right modifiers of a kind are one Qt modifier.
    if (mask & (0x01 | 0x10)) {
        modifiers |= Qt::ControlModifier;
    }
    if (mask & kMaskShift) {
        modifiers |= Qt::ShiftModifier;
    }
    if (mask & (0x04 | 0x40)) {
        modifiers |= Qt::AltModifier;
    }
    if (mask & (0x08 | 0x80)) {
        modifiers |= Qt::MetaModifier;
    }
    return modifiers;
}

uint8_t ModifierMaskOfUsageCode(uint8_t usageCode) {
    if (usageCode < kUsageLeftControl || usageCode > kUsageRightGui) {
        return 0;
    }
    return static_cast<uint8_t>(1u << (usageCode - kUsageLeftControl));
}

KeyStroke KeyStrokeOfKey(int tableKind, const uint8_t* keyCodeBlock, const uint8_t* extraCodeBlock,
                         int keyIndex) {
    KeyStroke stroke;
    if (keyIndex < 0 || keyIndex >= keypad::kKeyCodeBlockSize / kKeyCodesPerKey || tableKind < 0 ||
        tableKind > kLastMulticodeKind) {
        return stroke;
    }
    const uint8_t modifier = keyCodeBlock[kKeyCodesPerKey * keyIndex];
    const uint8_t code = keyCodeBlock[kKeyCodesPerKey * keyIndex + 1];
    const bool multicode = tableKind > kLastSingleCodeKind;
    stroke.modifierMask = multicode ? modifier : ModifierMaskOfUsageCode(modifier);
    if (code != 0) {
        stroke.codes.push_back(code);
    }
    if (multicode && extraCodeBlock != nullptr) {
        for (int i = 0; i < kExtraCodesPerKey; ++i) {
            const uint8_t extra = extraCodeBlock[kExtraCodesPerKey * keyIndex + i];
            if (extra != 0) {
                stroke.codes.push_back(extra);
            }
        }
    }
    return stroke;
}

} // namespace app
