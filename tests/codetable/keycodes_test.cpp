// The key code model: the picker texts, the modifier conversions and the two block layouts.

#include "codetable/code_table.h"
#include "codetable/keycodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <utility>

namespace {

using namespace codetable;

// The names of the HID keyboard usages 0x00..0x73 (usage page 0x07), written out.
constexpr const char* kUsageNames[] = {"Reserved",
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
                                       "F24"};
static_assert(std::size(kUsageNames) == 116);

// "0x", two upper-case digits, four blanks (three for g, m and w), the name.
TEST(UsageCodeList, RowIDescribesCodeI) {
    ASSERT_EQ(UsageCodeRows().size(), std::size(kUsageNames));
    for (int code = 0; code < static_cast<int>(std::size(kUsageNames)); ++code) {
        char number[16];
        std::snprintf(number, sizeof number, "0x%02X", code);
        const bool threeBlanks = code == 0x0A || code == 0x10 || code == 0x1A;
        const std::string row =
            number + std::string(threeBlanks ? "   " : "    ") + kUsageNames[code];
        EXPECT_EQ(UsageCodeRows()[code], row);
        EXPECT_EQ(UsageCodeRow(code), row);
    }
    EXPECT_EQ(UsageCodeRow(0x74), "");
    EXPECT_EQ(UsageCodeRow(-1), "");
}

// What a user types into a code picker: the code as shown, a key's name, or the hex digits.
TEST(UsageCodeList, WhatIsTypedFindsTheCodeByItsTextItsNameOrItsDigits) {
    const struct {
        const char* typed;
        int code;
    } cases[] = {
        {"z", 0x1D},   {"Z", 0x1D},   {"0x1d", 0x1D}, {"0X1D", 0x1D}, {"1d", 0x1D}, {"e", 0x08},
        {"ent", 0x28}, {"f1", 0x3A},  {"F12", 0x45},  {"1", 0x1E},    {"0x", 0x00}, {"0x7", 0x70},
        {"73", 0x73},  {"spa", 0x2C}, {"zz", -1},     {"0x74", -1},   {"", -1},     {"\xFF", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindUsageCode(c.typed), c.code) << '"' << c.typed << '"';
    }
}

struct DisplayCase {
    int code;
    const char* button;
    const char* box;
};

class CodeDisplayTest : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(CodeDisplayTest, ButtonShowsTwoDigitsBoxPrefixesZero) {
    EXPECT_EQ(CodeDisplayText(GetParam().code), GetParam().button);
    EXPECT_EQ(CodeTextBoxText(GetParam().code), GetParam().box);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, CodeDisplayTest,
    ::testing::Values(DisplayCase{0x00, "0x00", "0x00"}, DisplayCase{0x04, "0x04", "0x04"},
                      DisplayCase{0x0F, "0x0F", "0x0F"}, DisplayCase{0x10, "0x10", "0x010"},
                      DisplayCase{0x28, "0x28", "0x028"}, DisplayCase{0xFF, "0xFF", "0x0FF"}));

struct ConversionCase {
    int in;
    int kind;
    int out;
};

class ModifierCodeToIndexTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ModifierCodeToIndexTest, UsageCodesBecomeIndexesOthersPass) {
    EXPECT_EQ(ModifierCodeToModifierBits(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Codes, ModifierCodeToIndexTest,
                         ::testing::Values(ConversionCase{0x00, 2, 0}, ConversionCase{0xE0, 2, 1},
                                           ConversionCase{0xE1, 2, 2}, ConversionCase{0xE7, 2, 8},
                                           ConversionCase{0x05, 2, 5},
                                           ConversionCase{0xDF, 2, 0xDF},
                                           ConversionCase{0xE8, 2, 0xE8}));

class ModifierIndexToCodeTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ModifierIndexToCodeTest, SingleCodeIndexesBecomeUsageCodesMasksPass) {
    EXPECT_EQ(ModifierBitsToModifierCode(GetParam().in, GetParam().kind), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Values, ModifierIndexToCodeTest,
                         ::testing::Values(ConversionCase{0, CustomiseTable, 0},
                                           ConversionCase{1, CustomiseTable, 0xE0},
                                           ConversionCase{5, CustomiseTable, 0xE4},
                                           ConversionCase{8, CustomiseTable, 0xE7},
                                           // bytes without a picker item go back as they came
                                           ConversionCase{0x50, CustomiseTable, 0x50},
                                           ConversionCase{0xE8, CustomiseTable, 0xE8},
                                           ConversionCase{0x22, CustomiseMulticodeTable, 0x22},
                                           ConversionCase{0xE3, CustomiseMulticodeTable, 0xE3},
                                           ConversionCase{5, CustomiseMulticodeTable, 5}));

// The modifier picker's indexes and the usage codes they stand for.
constexpr std::pair<int, int> kIndexToUsageCode[] = {{1, 0xE0}, {2, 0xE1}, {3, 0xE2}, {4, 0xE3},
                                                     {5, 0xE4}, {6, 0xE5}, {7, 0xE6}, {8, 0xE7}};

int SingleCodeWriteBack(int byte) {
    for (const auto& [index, usage] : kIndexToUsageCode) {
        if (byte == index) {
            return usage;
        }
    }
    return byte;
}

// A key code block whose keys all differ, and whose modifier and code differ in every key
// (an even and an odd sum cannot meet), so a mix-up of modifier and code or of keys shows.
KeyCodeBlock DistinctBlock(int byte) {
    KeyCodeBlock block{};
    for (int key = 0; key < kKeyCount; ++key) {
        block[2 * key] = static_cast<uint8_t>(byte + key);
        block[2 * key + 1] = static_cast<uint8_t>(0xFF - byte - 3 * key);
    }
    return block;
}

KeyCodeBlock RoundTrip(EditorMode mode, const KeyCodeBlock& read) {
    std::array<uint8_t, kKeyCodeArraySize> keyCodeArray{};
    std::copy(read.begin(), read.end(), keyCodeArray.begin());
    const ExtraCodeBlock extra{};
    Modifiers modifiers{};
    TenKeyCodes codes{};
    LoadTenKeyTable(mode, keyCodeArray, extra, modifiers, codes);
    return BuildKeyCodeBlock(mode, modifiers, codes);
}

TEST(TenKeyTable, EverySingleCodeByteComesBackUnlessItIsAnIndex) {
    for (int byte = 0; byte <= 0xFF; ++byte) {
        const KeyCodeBlock read = DistinctBlock(byte);
        const KeyCodeBlock block = RoundTrip(EditorMode::SingleCode, read);
        for (int key = 0; key < kKeyCount; ++key) {
            ASSERT_EQ(block[2 * key], SingleCodeWriteBack(read[2 * key]))
                << "modifier of key " << key + 1 << ", byte " << byte;
            ASSERT_EQ(block[2 * key + 1], read[2 * key + 1])
                << "code of key " << key + 1 << ", byte " << byte;
        }
    }
}

TEST(TenKeyTable, EveryMultiCodeByteComesBackUnchanged) {
    for (int byte = 0; byte <= 0xFF; ++byte) {
        const KeyCodeBlock read = DistinctBlock(byte);
        ASSERT_EQ(RoundTrip(EditorMode::MultiCode, read), read) << "byte " << byte;
    }
}

TEST(TenKeyTable, ExtraCodesTravelKeyByKeyAndKeyTenEndsTheBlock) {
    std::array<uint8_t, kKeyCodeArraySize> keyCodeArray{};
    ExtraCodeBlock extra{};
    for (int i = 0; i < kExtraCodeBlockSize; ++i) {
        extra[i] = uint8_t(0x80 + i);
    }
    std::fill(extra.begin() + 15, extra.begin() + 20, 0); // key 4: no extra codes
    Modifiers modifiers{};
    TenKeyCodes codes{};
    codes[0][0] = 0x55; // the first code comes from the key code block
    LoadTenKeyTable(EditorMode::MultiCode, keyCodeArray, extra, modifiers, codes);
    EXPECT_EQ(codes[0][0], 0);
    EXPECT_EQ(codes[9], (KeyCodes{0, 0x80 + 45, 0x80 + 46, 0x80 + 47, 0x80 + 48, 0x80 + 49}));
    EXPECT_EQ(codes[3], (KeyCodes{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(BuildExtraCodeBlock(codes), extra);
}

TEST(TenKeyTable, SingleCodeLoadLeavesCodesTwoToSixAlone) {
    std::array<uint8_t, kKeyCodeArraySize> keyCodeArray{};
    ExtraCodeBlock extra{};
    extra.fill(0x11);
    Modifiers modifiers{};
    TenKeyCodes codes{};
    codes[2] = {9, 1, 2, 3, 4, 5};
    LoadTenKeyTable(EditorMode::SingleCode, keyCodeArray, extra, modifiers, codes);
    EXPECT_EQ(codes[2], (KeyCodes{0, 1, 2, 3, 4, 5}));
}

TEST(TenKeyTable, CopiesStayInsideTheirBuffers) {
    const ExtraCodeBlock block{1, 2, 3, 4, 5};
    KeyCodes codes{7, 7, 7, 7, 7, 7};
    EXPECT_FALSE(copyMultipleKeyCode(codes, block, 46));
    EXPECT_FALSE(copyMultipleKeyCode(codes, block, -1));
    EXPECT_EQ(codes, (KeyCodes{7, 7, 7, 7, 7, 7}));
    EXPECT_TRUE(copyMultipleKeyCode(codes, block, 0));
    EXPECT_EQ(codes, (KeyCodes{7, 1, 2, 3, 4, 5}));

    std::array<uint8_t, 5> dest{};
    copyMultipleKeycodeToTxBuffer(dest, KeyCodes{0x99, 0x104, 2, 3, 4, -1});
    EXPECT_EQ(dest, (std::array<uint8_t, 5>{0x04, 2, 3, 4, 0xFF})); // low bytes
}

struct OpeningCase {
    int statusResult;
    int kind;
    std::optional<EditorMode> mode;
    const char* refusal;
};

class EditorOpeningTest : public ::testing::TestWithParam<OpeningCase> {};

TEST_P(EditorOpeningTest, OnlyTheCustomiseKindsOpenAfterAGoodStatusRead) {
    const EditorOpening opening = DecideEditorOpening(GetParam().statusResult, GetParam().kind);
    EXPECT_EQ(opening.mode, GetParam().mode);
    EXPECT_EQ(opening.refusal, GetParam().refusal);
}

constexpr char kSelect[] = "Please select a customise table..\n";

INSTANTIATE_TEST_SUITE_P(
    Kinds, EditorOpeningTest,
    ::testing::Values(
        OpeningCase{0, 2, EditorMode::SingleCode, ""}, OpeningCase{0, 5, EditorMode::MultiCode, ""},
        OpeningCase{0, 0, std::nullopt, kSelect}, OpeningCase{0, 1, std::nullopt, kSelect},
        OpeningCase{0, 3, std::nullopt, kSelect}, OpeningCase{0, 4, std::nullopt, kSelect},
        OpeningCase{0, 6, std::nullopt, kSelect}, OpeningCase{0, 200, std::nullopt, kSelect},
        OpeningCase{-1, 2, std::nullopt, "Load Table-Unable to get device status..\n"},
        OpeningCase{-6, 5, std::nullopt, "Load Table-Unable to get device status..\n"}));

} // namespace
