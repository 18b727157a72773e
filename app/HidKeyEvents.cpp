#include "HidKeyEvents.h"

#include "keypad/TableKind.h"

#include <array>
#include <span>

namespace app {
namespace {

constexpr uint8_t kUsageA = 0x04;
constexpr uint8_t kUsageZ = 0x1D;
constexpr uint8_t kUsage1 = 0x1E;
constexpr uint8_t kUsage0 = 0x27;
constexpr uint8_t kUsageF1 = 0x3A;
constexpr uint8_t kUsageF12 = 0x45;
constexpr uint8_t kUsageKeypad1 = 0x59;
constexpr uint8_t kUsageKeypad9 = 0x61;
constexpr uint8_t kUsageF13 = 0x68;
constexpr uint8_t kUsageF24 = 0x73;
constexpr uint8_t kUsageLeftControl = 0xE0;
constexpr uint8_t kUsageRightGui = 0xE7;

constexpr uint8_t kMaskShift = 0x02 | 0x20;

constexpr int kKeyCodesPerKey = 2;
constexpr int kExtraCodesPerKey = 5;
constexpr int kLastSingleCodeKind = 2;
constexpr int kLastMulticodeKind = 5;

struct Named {
    uint8_t usage;
    int key;
    const char* text;
    const char* shiftedText;
    bool keypad;
};

// Keys outside the letter, digit and function-key runs.
constexpr std::array<Named, 46> kNamedKeys = {{
    {0x28, Qt::Key_Return, "\r", "\r", false},
    {0x29, Qt::Key_Escape, "\x1b", "\x1b", false},
    {0x2A, Qt::Key_Backspace, "\b", "\b", false},
    {0x2B, Qt::Key_Tab, "\t", "", false},
    {0x2C, Qt::Key_Space, " ", " ", false},
    {0x2D, Qt::Key_Minus, "-", "_", false},
    {0x2E, Qt::Key_Equal, "=", "+", false},
    {0x2F, Qt::Key_BracketLeft, "[", "{", false},
    {0x30, Qt::Key_BracketRight, "]", "}", false},
    {0x31, Qt::Key_Backslash, "\\", "|", false},
    {0x32, Qt::Key_NumberSign, "#", "~", false},
    {0x33, Qt::Key_Semicolon, ";", ":", false},
    {0x34, Qt::Key_Apostrophe, "'", "\"", false},
    {0x35, Qt::Key_QuoteLeft, "`", "~", false},
    {0x36, Qt::Key_Comma, ",", "<", false},
    {0x37, Qt::Key_Period, ".", ">", false},
    {0x38, Qt::Key_Slash, "/", "?", false},
    {0x39, Qt::Key_CapsLock, "", "", false},
    {0x46, Qt::Key_Print, "", "", false},
    {0x47, Qt::Key_ScrollLock, "", "", false},
    {0x48, Qt::Key_Pause, "", "", false},
    {0x49, Qt::Key_Insert, "", "", false},
    {0x4A, Qt::Key_Home, "", "", false},
    {0x4B, Qt::Key_PageUp, "", "", false},
    {0x4C, Qt::Key_Delete, "\x7f", "\x7f", false},
    {0x4D, Qt::Key_End, "", "", false},
    {0x4E, Qt::Key_PageDown, "", "", false},
    {0x4F, Qt::Key_Right, "", "", false},
    {0x50, Qt::Key_Left, "", "", false},
    {0x51, Qt::Key_Down, "", "", false},
    {0x52, Qt::Key_Up, "", "", false},
    {0x53, Qt::Key_NumLock, "", "", true},
    {0x54, Qt::Key_Slash, "/", "/", true},
    {0x55, Qt::Key_Asterisk, "*", "*", true},
    {0x56, Qt::Key_Minus, "-", "-", true},
    {0x57, Qt::Key_Plus, "+", "+", true},
    {0x58, Qt::Key_Enter, "\r", "\r", true},
    {0x62, Qt::Key_0, "0", "0", true},
    {0x63, Qt::Key_Period, ".", ".", true},
    {0x64, Qt::Key_Backslash, "\\", "|", false},
    {0x65, Qt::Key_Menu, "", "", false},
    {0x66, Qt::Key_PowerOff, "", "", false},
    {0x67, Qt::Key_Equal, "=", "=", true},
    {0xE0, Qt::Key_Control, "", "", false},
    {0xE1, Qt::Key_Shift, "", "", false},
    {0xE2, Qt::Key_Alt, "", "", false},
}};

constexpr std::array<Named, 5> kRightModifierKeys = {{
    {0xE3, Qt::Key_Meta, "", "", false},
    {0xE4, Qt::Key_Control, "", "", false},
    {0xE5, Qt::Key_Shift, "", "", false},
    {0xE6, Qt::Key_AltGr, "", "", false},
    {0xE7, Qt::Key_Meta, "", "", false},
}};

constexpr char kShiftedDigits[] = ")!@#$%^&*(";

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

std::optional<HidKeyEvent> KeyEventForUsage(uint8_t usage, uint8_t modifierMask) {
    HidKeyEvent event;
    event.modifiers = ModifiersOfMask(modifierMask);
    const bool shift = (modifierMask & kMaskShift) != 0;
    // Control and Alt combinations type no text.
    const bool typesText =
        !(event.modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    auto withText = [&](const QString& text) {
        if (typesText) {
            event.text = text;
        }
        return event;
    };
    if (usage >= kUsageA && usage <= kUsageZ) {
        const char letter = static_cast<char>('a' + (usage - kUsageA));
        event.key = Qt::Key_A + (usage - kUsageA);
        return withText(QString(QChar::fromLatin1(shift ? letter - 'a' + 'A' : letter)));
    }
    if (usage >= kUsage1 && usage <= kUsage0) {
        const int digit = usage == kUsage0 ? 0 : 1 + (usage - kUsage1);
        // Qt names the shifted symbols by their own character.
        const char typed = shift ? kShiftedDigits[digit] : static_cast<char>('0' + digit);
        event.key = shift ? static_cast<int>(typed) : Qt::Key_0 + digit;
        return withText(QString(QChar::fromLatin1(typed)));
    }
    if (usage >= kUsageF1 && usage <= kUsageF12) {
        event.key = Qt::Key_F1 + (usage - kUsageF1);
        return event;
    }
    if (usage >= kUsageF13 && usage <= kUsageF24) {
        event.key = Qt::Key_F13 + (usage - kUsageF13);
        return event;
    }
    if (usage >= kUsageKeypad1 && usage <= kUsageKeypad9) {
        const int digit = 1 + (usage - kUsageKeypad1);
        event.key = Qt::Key_0 + digit;
        event.modifiers |= Qt::KeypadModifier;
        return withText(QString(QChar::fromLatin1(static_cast<char>('0' + digit))));
    }
    for (const auto& table :
         {std::span<const Named>(kNamedKeys), std::span<const Named>(kRightModifierKeys)}) {
        for (const Named& named : table) {
            if (named.usage != usage) {
                continue;
            }
            event.key = named.key;
            if (named.keypad) {
                event.modifiers |= Qt::KeypadModifier;
            }
            return withText(QString::fromLatin1(shift ? named.shiftedText : named.text));
        }
    }
    return std::nullopt;
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
