// The key code model: the picker texts, the modifier conversions and the two block layouts.

#include "codetable/code_table.h"
#include "codetable/keycodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using namespace codetable;

struct UsageRowCase {
    int code;
    const char* row;
};

class UsageRowTest : public ::testing::TestWithParam<UsageRowCase> {};

TEST_P(UsageRowTest, RowReadsExactly) {
    EXPECT_EQ(UsageCodeRow(GetParam().code), GetParam().row);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UsageRowTest,
    ::testing::Values(
        UsageRowCase{0x00, "0x00    Reserved"}, UsageRowCase{0x03, "0x03    ErrorUndefined"},
        UsageRowCase{0x04, "0x04    a"}, UsageRowCase{0x0A, "0x0A   g"},
        UsageRowCase{0x10, "0x10   m"}, UsageRowCase{0x1A, "0x1A   w"},
        UsageRowCase{0x1D, "0x1D    z"}, UsageRowCase{0x1E, "0x1E    1"},
        UsageRowCase{0x27, "0x27    0"}, UsageRowCase{0x28, "0x28    Enter"},
        UsageRowCase{0x3A, "0x3A    F1"}, UsageRowCase{0x45, "0x45    F12"},
        UsageRowCase{0x53, "0x53    KeypadNumlock"}, UsageRowCase{0x62, "0x62    Keypad0"},
        UsageRowCase{0x65, "0x65    WindowsKey"}, UsageRowCase{0x68, "0x68    F13"},
        UsageRowCase{0x73, "0x73    F24"}, UsageRowCase{0x74, ""}, UsageRowCase{-1, ""}));

TEST(UsageCodeList, RowIDescribesCodeIWithFourBlanksButThreeRows) {
    ASSERT_EQ(UsageCodeRows().size(), 116u);
    int threeBlankRows = 0;
    for (int code = 0; code < kUsageCodeCount; ++code) {
        const std::string row(UsageCodeRows()[code]);
        ASSERT_EQ(row.substr(0, 4), CodeDisplayText(code)) << row;
        const bool four = row.compare(4, 4, "    ") == 0 && row[8] != ' ';
        const bool three = row.compare(4, 3, "   ") == 0 && row[7] != ' ';
        EXPECT_TRUE(four || three) << row;
        threeBlankRows += three ? 1 : 0;
    }
    EXPECT_EQ(threeBlankRows, 3);
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

KeyCodeBlock RoundTrip(EditorMode mode, uint8_t modifier, uint8_t code) {
    std::array<uint8_t, kKeyCodeArraySize> keyCodeArray{};
    for (int key = 0; key < kKeyCount; ++key) {
        keyCodeArray[2 * key] = modifier;
        keyCodeArray[2 * key + 1] = code;
    }
    const ExtraCodeBlock extra{};
    Modifiers modifiers{};
    TenKeyCodes codes{};
    LoadTenKeyTable(mode, keyCodeArray, extra, modifiers, codes);
    return BuildKeyCodeBlock(mode, modifiers, codes);
}

TEST(TenKeyTable, EverySingleCodeByteComesBackUnlessItIsAnIndex) {
    for (int byte = 0; byte <= 0xFF; ++byte) {
        const KeyCodeBlock block = RoundTrip(EditorMode::SingleCode, uint8_t(byte), uint8_t(byte));
        const int modifier = byte >= 1 && byte <= 8 ? 0xDF + byte : byte;
        for (int key = 0; key < kKeyCount; ++key) {
            ASSERT_EQ(block[2 * key], modifier) << "byte " << byte;
            ASSERT_EQ(block[2 * key + 1], byte) << "byte " << byte;
        }
    }
}

TEST(TenKeyTable, EveryMultiCodeByteComesBackUnchanged) {
    for (int byte = 0; byte <= 0xFF; ++byte) {
        const KeyCodeBlock block = RoundTrip(EditorMode::MultiCode, uint8_t(byte), uint8_t(byte));
        for (int i = 0; i < kKeyCodeBlockSize; ++i) {
            ASSERT_EQ(block[i], byte) << "byte " << byte << " at " << i;
        }
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
