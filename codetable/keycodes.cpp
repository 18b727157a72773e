#include "keycodes.h"

#include <cctype>
#include <cstdio>
#include <functional>

namespace codetable {
namespace {

// Usage names by code, 0x00..0x73.
constexpr std::array<std::string_view, kUsageCodeCount> kUsageNames = {
    "Reserved",
    "ErrorRollOver",
    "POSTFail",
    "ErrorUndefined",
    "a",
    "b",
    "c",
    "d",
    "e",
    "f",
    "g",
    "h",
    "i",
    "j",
    "k",
    "l",
    "m",
    "n",
    "o",
    "p",
    "q",
    "r",
    "s",
    "t",
    "u",
    "v",
    "w",
    "x",
    "y",
    "z",
    "1",
    "2",
    "3",
    "4",
    "5",
    "6",
    "7",
    "8",
    "9",
    "0",
    "Enter",
    "Escape",
    "Backspace",
    "Tab",
    "Spacebar",
    "Minus",
    "Equal",
    "LeftBracket",
    "RightBracket",
    "Backslash",
    "VerticalBar",
    "Semicolon",
    "Apostrophe",
    "Tilde",
    "Comma",
    "Period",
    "Slash",
    "CapsLock",
    "F1",
    "F2",
    "F3",
    "F4",
    "F5",
    "F6",
    "F7",
    "F8",
    "F9",
    "F10",
    "F11",
    "F12",
    "PrintScreen",
    "ScrollLock",
    "Pause",
    "Insert",
    "Home",
    "PageUp",
    "DeleteForward",
    "End",
    "PageDown",
    "RightArrow",
    "LeftArrow",
    "DownArrow",
    "UpArrow",
    "KeypadNumlock",
    "KeypadSlash",
    "KeypadAsterisk",
    "KeypadMinus",
    "KeypadPlus",
    "KeypadEnter",
    "Keypad1",
    "Keypad2",
    "Keypad3",
    "Keypad4",
    "Keypad5",
    "Keypad6",
    "Keypad7",
    "Keypad8",
    "Keypad9",
    "Keypad0",
    "KeypadPeriod",
    "NonUsBackslash",
    "WindowsKey",
    "Power",
    "KeypadEqual",
    "F13",
    "F14",
    "F15",
    "F16",
    "F17",
    "F18",
    "F19",
    "F20",
    "F21",
    "F22",
    "F23",
    "F24",
};

// These three rows have always been listed with three blanks instead of four.
constexpr std::array<int, 3> kThreeBlankRows = {0x0A, 0x10, 0x1A};

constexpr std::array<std::string_view, kModifierItemCount> kModifierItems = {
    " None",       "Left  Ctrl",  "Left Shift",   "Left    Alt", "Left   Gui",
    "Right  Ctrl", "Right Shift", "Right    Alt", "Right   Gui",
};

constexpr std::array<ModifierCheckBox, kModifierCheckBoxCount> kCheckBoxes = {{
    {"checkBox1", "Left Ctrl", 0x01},
    {"checkBox2", "Right Ctrl", 0x10},
    {"checkBox3", "Right Shift", 0x20},
    {"checkBox4", "Left Shift", 0x02},
    {"checkBox5", "Right Alt", 0x40},
    {"checkBox6", "Left Alt", 0x04},
    {"checkBox7", "Right Gui", 0x80},
    {"checkBox8", "Left Gui", 0x08},
}};

std::array<std::string, kUsageCodeCount> BuildUsageRows() {
    std::array<std::string, kUsageCodeCount> rows;
    for (int code = 0; code < kUsageCodeCount; ++code) {
        bool threeBlanks = false;
        for (int row : kThreeBlankRows) {
            threeBlanks = threeBlanks || row == code;
        }
        rows[code] = CodeDisplayText(code) + (threeBlanks ? "   " : "    ");
        rows[code] += kUsageNames[code];
    }
    return rows;
}

} // namespace

const std::array<std::string_view, kUsageCodeCount>& UsageCodeRows() {
    static const std::array<std::string, kUsageCodeCount> texts = BuildUsageRows();
    static const std::array<std::string_view, kUsageCodeCount> views = [] {
        std::array<std::string_view, kUsageCodeCount> result;
        for (int code = 0; code < kUsageCodeCount; ++code) {
            result[code] = texts[code];
        }
        return result;
    }();
    return views;
}

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view start) {
    if (start.empty() || start.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < start.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(start[i]))) {
            return false;
        }
    }
    return true;
}

int FirstCodeWhere(const std::function<bool(int)>& fits) {
    for (int code = 0; code < kUsageCodeCount; ++code) {
        if (fits(code)) {
            return code;
        }
    }
    return -1;
}

} // namespace

int FindUsageCode(std::string_view typed) {
    constexpr std::string_view kHexPrefix = "0x";
    if (StartsWithIgnoringCase(typed, kHexPrefix)) {
        return FirstCodeWhere(
            [&](int code) { return StartsWithIgnoringCase(CodeDisplayText(code), typed); });
    }
    // A whole name before the start of a longer one: "e" is the key e, not ErrorRollOver.
    for (const bool whole : {true, false}) {
        if (const int named = FirstCodeWhere([&](int code) {
                return StartsWithIgnoringCase(kUsageNames[code], typed) &&
                       (!whole || kUsageNames[code].size() == typed.size());
            });
            named >= 0) {
            return named;
        }
    }
    return FirstCodeWhere([&](int code) {
        return StartsWithIgnoringCase(CodeDisplayText(code).substr(kHexPrefix.size()), typed);
    });
}

std::string_view UsageCodeRow(int code) {
    if (code < 0 || code >= kUsageCodeCount) {
        return {};
    }
    return UsageCodeRows()[code];
}

const std::array<std::string_view, kModifierItemCount>& ModifierItems() {
    return kModifierItems;
}

std::string_view ModifierItem(int index) {
    if (index < 0 || index >= kModifierItemCount) {
        return {};
    }
    return kModifierItems[index];
}

const std::array<ModifierCheckBox, kModifierCheckBoxCount>& ModifierCheckBoxes() {
    return kCheckBoxes;
}

std::string CodeDisplayText(int code) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(code & 0xFF));
    return text;
}

std::string CodeTextBoxText(int code) {
    char text[8];
    std::snprintf(text, sizeof text, "0x0%X", static_cast<unsigned>(code & 0xFF));
    return text;
}

} // namespace codetable

using namespace codetable;

short ModifierCodeToModifierBits(int code) {
    if (code >= kFirstModifierUsageCode && code <= kLastModifierUsageCode) {
        return static_cast<short>(code - kModifierIndexToUsageCode);
    }
    return static_cast<short>(code);
}

short ModifierBitsToModifierCode(int value, int tableKind) {
    if (tableKind != CustomiseTable) {
        return static_cast<short>(value);
    }
    if (value > kNoModifierIndex && value <= kLastModifierIndex) {
        return static_cast<short>(value + kModifierIndexToUsageCode);
    }
    // 0 stays 0; a byte that had no picker item is written back as it was read, rather than
    // silently dropping the key's modifier.
    return static_cast<short>(value & 0xFF);
}

bool copyMultipleKeyCode(KeyCodes& codes, std::span<const uint8_t, kExtraCodeBlockSize> block,
                         int offset) {
    if (offset < 0 || offset > kExtraCodeBlockSize - kExtraCodesPerKey) {
        return false;
    }
    for (int i = 0; i < kExtraCodesPerKey; ++i) {
        codes[i + 1] = block[offset + i];
    }
    return true;
}

void copyMultipleKeycodeToTxBuffer(std::span<uint8_t, kExtraCodesPerKey> dest,
                                   const KeyCodes& codes) {
    for (int i = 0; i < kExtraCodesPerKey; ++i) {
        dest[i] = static_cast<uint8_t>(codes[i + 1] & 0xFF);
    }
}
