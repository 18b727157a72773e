#pragma once

// Key presses as an X11 session delivers them to a Qt window: recorded from Qt's xcb plugin
// under Xvfb with the default keymap (evdev rules, pc105, us) and Num Lock on, the keys sent as
// the X keycodes of a keyboard device through XTest. The values are the QKeyEvent's key(),
// modifiers(), nativeScanCode(), nativeVirtualKey(), nativeModifiers() and text().

#include <QString>
#include <Qt>

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string_view>

namespace testsupport {

struct RecordedKey {
    const char* name;
    uint8_t usage; // the HID usage a keyboard sends for it
    int key;
    Qt::KeyboardModifiers modifiers;
    uint32_t scanCode;
    uint32_t keysym;
    uint32_t nativeModifiers;
    const char* text;
};

inline void PrintTo(const RecordedKey& key, std::ostream* out) {
    *out << key.name;
}

inline constexpr uint32_t kRecordedNumLock = 0x10;

// No modifier held.
inline const RecordedKey kRecordedKeys[] = {
    {"F13", 0x68, 0x10000F1, {}, 191, 0x1008FF81, kRecordedNumLock, ""},
    {"F14", 0x69, 0x10000A7, {}, 192, 0x1008FF45, kRecordedNumLock, ""},
    {"F15", 0x6A, 0x10000A8, {}, 193, 0x1008FF46, kRecordedNumLock, ""},
    {"F16", 0x6B, 0x10000A9, {}, 194, 0x1008FF47, kRecordedNumLock, ""},
    {"F17", 0x6C, 0x10000AA, {}, 195, 0x1008FF48, kRecordedNumLock, ""},
    {"F18", 0x6D, 0x10000AB, {}, 196, 0x1008FF49, kRecordedNumLock, ""},
    {"F19", 0x6E, 0, {}, 197, 0, kRecordedNumLock, ""},
    {"F20", 0x6F, 0x1000113, {}, 198, 0x1008FFB2, kRecordedNumLock, ""},
    {"F21", 0x70, 0x1000110, {}, 199, 0x1008FFA9, kRecordedNumLock, ""},
    {"F22", 0x71, 0x1000111, {}, 200, 0x1008FFB0, kRecordedNumLock, ""},
    {"F23", 0x72, 0x1000112, {}, 201, 0x1008FFB1, kRecordedNumLock, ""},
    {"F24", 0x73, 0, {}, 202, 0, kRecordedNumLock, ""},
    {"F1", 0x3A, 0x1000030, {}, 67, 0xFFBE, kRecordedNumLock, ""},
    {"F12", 0x45, 0x100003B, {}, 96, 0xFFC9, kRecordedNumLock, ""},
    {"Return", 0x28, 0x1000004, {}, 36, 0xFF0D, kRecordedNumLock, "\r"},
    {"Space", 0x2C, 0x20, {}, 65, 0x20, kRecordedNumLock, " "},
    {"Up", 0x52, 0x1000013, {}, 111, 0xFF52, kRecordedNumLock, ""},
    {"Left", 0x50, 0x1000012, {}, 113, 0xFF51, kRecordedNumLock, ""},
    {"Right", 0x4F, 0x1000014, {}, 114, 0xFF53, kRecordedNumLock, ""},
    {"Down", 0x51, 0x1000015, {}, 116, 0xFF54, kRecordedNumLock, ""},
    {"a", 0x04, 0x41, {}, 38, 0x61, kRecordedNumLock, "a"},
    {"z", 0x1D, 0x5A, {}, 52, 0x7A, kRecordedNumLock, "z"},
    {"1", 0x1E, 0x31, {}, 10, 0x31, kRecordedNumLock, "1"},
    {"0", 0x27, 0x30, {}, 19, 0x30, kRecordedNumLock, "0"},
    {"Escape", 0x29, 0x1000000, {}, 9, 0xFF1B, kRecordedNumLock, "\x1b"},
    {"Backspace", 0x2A, 0x1000003, {}, 22, 0xFF08, kRecordedNumLock, "\b"},
    {"Tab", 0x2B, 0x1000001, {}, 23, 0xFF09, kRecordedNumLock, "\t"},
    {"minus", 0x2D, 0x2D, {}, 20, 0x2D, kRecordedNumLock, "-"},
    {"equal", 0x2E, 0x3D, {}, 21, 0x3D, kRecordedNumLock, "="},
    {"bracketleft", 0x2F, 0x5B, {}, 34, 0x5B, kRecordedNumLock, "["},
    {"bracketright", 0x30, 0x5D, {}, 35, 0x5D, kRecordedNumLock, "]"},
    {"backslash", 0x31, 0x5C, {}, 51, 0x5C, kRecordedNumLock, "\\"},
    {"semicolon", 0x33, 0x3B, {}, 47, 0x3B, kRecordedNumLock, ";"},
    {"apostrophe", 0x34, 0x27, {}, 48, 0x27, kRecordedNumLock, "'"},
    {"grave", 0x35, 0x60, {}, 49, 0x60, kRecordedNumLock, "`"},
    {"comma", 0x36, 0x2C, {}, 59, 0x2C, kRecordedNumLock, ","},
    {"period", 0x37, 0x2E, {}, 60, 0x2E, kRecordedNumLock, "."},
    {"slash", 0x38, 0x2F, {}, 61, 0x2F, kRecordedNumLock, "/"},
    {"Print", 0x46, 0x1000009, {}, 107, 0xFF61, kRecordedNumLock, ""},
    {"ScrollLock", 0x47, 0x1000026, {}, 78, 0xFF14, kRecordedNumLock, ""},
    {"Pause", 0x48, 0x1000008, {}, 127, 0xFF13, kRecordedNumLock, ""},
    {"Insert", 0x49, 0x1000006, {}, 118, 0xFF63, kRecordedNumLock, ""},
    {"Home", 0x4A, 0x1000010, {}, 110, 0xFF50, kRecordedNumLock, ""},
    {"PageUp", 0x4B, 0x1000016, {}, 112, 0xFF55, kRecordedNumLock, ""},
    {"Delete", 0x4C, 0x1000007, {}, 119, 0xFFFF, kRecordedNumLock, "\x7f"},
    {"End", 0x4D, 0x1000011, {}, 115, 0xFF57, kRecordedNumLock, ""},
    {"PageDown", 0x4E, 0x1000017, {}, 117, 0xFF56, kRecordedNumLock, ""},
    {"KP_Divide", 0x54, 0x2F, Qt::KeypadModifier, 106, 0xFFAF, kRecordedNumLock, "/"},
    {"KP_Multiply", 0x55, 0x2A, Qt::KeypadModifier, 63, 0xFFAA, kRecordedNumLock, "*"},
    {"KP_Subtract", 0x56, 0x2D, Qt::KeypadModifier, 82, 0xFFAD, kRecordedNumLock, "-"},
    {"KP_Add", 0x57, 0x2B, Qt::KeypadModifier, 86, 0xFFAB, kRecordedNumLock, "+"},
    {"KP_Enter", 0x58, 0x1000005, Qt::KeypadModifier, 104, 0xFF8D, kRecordedNumLock, "\r"},
    {"KP_1", 0x59, 0x31, Qt::KeypadModifier, 87, 0xFFB1, kRecordedNumLock, "1"},
    {"KP_0", 0x62, 0x30, Qt::KeypadModifier, 90, 0xFFB0, kRecordedNumLock, "0"},
    {"KP_Decimal", 0x63, 0x2E, Qt::KeypadModifier, 91, 0xFFAE, kRecordedNumLock, "."},
    {"less", 0x64, 0x3C, {}, 94, 0x3C, kRecordedNumLock, "<"},
    {"Menu", 0x65, 0x1000055, {}, 135, 0xFF67, kRecordedNumLock, ""},
    {"PowerOff", 0x66, 0x10000B7, {}, 124, 0x1008FF2A, kRecordedNumLock, ""},
    {"KP_Equal", 0x67, 0x3D, {}, 125, 0xFFBD, kRecordedNumLock, "="},
};

// The recorded key of that name; the test fails on a name that is not in the list.
inline const RecordedKey& RecordedKeyNamed(const char* name) {
    for (const RecordedKey& key : kRecordedKeys) {
        if (std::string_view(key.name) == name) {
            return key;
        }
    }
    throw std::invalid_argument(name);
}

} // namespace testsupport
