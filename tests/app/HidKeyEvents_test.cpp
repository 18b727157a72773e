#include "app/HidKeyEvents.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>

namespace {

struct KeyCase {
    uint8_t usage;
    uint8_t mask;
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* text;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
    *os << "usage 0x" << std::hex << int(c.usage) << " mask 0x" << int(c.mask);
}

class UsageToKey : public testing::TestWithParam<KeyCase> {};

TEST_P(UsageToKey, GivesTheKeyAUsKeyboardTypes) {
    const KeyCase& c = GetParam();
    const auto event = app::KeyEventForUsage(c.usage, c.mask);
    ASSERT_TRUE(event) << int(c.usage);
    EXPECT_EQ(event->key, c.key) << std::hex << int(c.usage);
    EXPECT_EQ(event->modifiers, c.modifiers) << std::hex << int(c.usage);
    EXPECT_EQ(event->text, QString::fromLatin1(c.text)) << std::hex << int(c.usage);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UsageToKey,
    testing::Values(KeyCase{0x04, 0, Qt::Key_A, {}, "a"},
                    KeyCase{0x1D, 0x02, Qt::Key_Z, Qt::ShiftModifier, "Z"},
                    KeyCase{0x1E, 0, Qt::Key_1, {}, "1"},
                    KeyCase{0x1E, 0x20, Qt::Key_Exclam, Qt::ShiftModifier, "!"},
                    KeyCase{0x27, 0, Qt::Key_0, {}, "0"},
                    KeyCase{0x28, 0, Qt::Key_Return, {}, "\r"},
                    KeyCase{0x2C, 0, Qt::Key_Space, {}, " "},
                    KeyCase{0x38, 0x02, Qt::Key_Slash, Qt::ShiftModifier, "?"},
                    KeyCase{0x3A, 0, Qt::Key_F1, {}, ""}, KeyCase{0x45, 0, Qt::Key_F12, {}, ""},
                    KeyCase{0x68, 0, Qt::Key_F13, {}, ""}, KeyCase{0x6D, 0, Qt::Key_F18, {}, ""},
                    KeyCase{0x73, 0, Qt::Key_F24, {}, ""}, KeyCase{0x4F, 0, Qt::Key_Right, {}, ""},
                    KeyCase{0x50, 0, Qt::Key_Left, {}, ""}, KeyCase{0x51, 0, Qt::Key_Down, {}, ""},
                    KeyCase{0x52, 0, Qt::Key_Up, {}, ""},
                    KeyCase{0x59, 0, Qt::Key_1, Qt::KeypadModifier, "1"},
                    KeyCase{0x58, 0, Qt::Key_Enter, Qt::KeypadModifier, "\r"},
                    // Control combinations type no text.
                    KeyCase{0x06, 0x01, Qt::Key_C, Qt::ControlModifier, ""},
                    KeyCase{0x04, 0x80 | 0x40, Qt::Key_A, Qt::MetaModifier | Qt::AltModifier, ""},
                    KeyCase{0xE1, 0, Qt::Key_Shift, {}, ""}));

TEST(UsageToKey, CodesWithoutAKeyGiveNothing) {
    for (const uint8_t usage : {0x00, 0x01, 0x02, 0x03, 0x74, 0xA0, 0xDF, 0xE8, 0xFF}) {
        EXPECT_FALSE(app::KeyEventForUsage(usage, 0)) << int(usage);
    }
}

TEST(KeyStroke, SingleCodeTablesCarryAModifierUsageCode) {
    std::array<uint8_t, 20> block{};
    block[18] = 0xE1; // key 10: left shift + b
    block[19] = 0x05;
    const app::KeyStroke stroke = app::KeyStrokeOfKey(2, block.data(), nullptr, 9);
    EXPECT_EQ(stroke.modifierMask, 0x02);
    EXPECT_EQ(stroke.codes, std::vector<uint8_t>({0x05}));
}

TEST(KeyStroke, MulticodeTablesAddTheExtraCodesAndKeepTheMask) {
    std::array<uint8_t, 20> block{};
    std::array<uint8_t, 50> extra{};
    block[2] = 0x22; // key 2: both shifts
    block[3] = 0x04;
    extra[5] = 0x05;
    extra[9] = 0x06; // a gap in between is skipped
    const app::KeyStroke stroke = app::KeyStrokeOfKey(5, block.data(), extra.data(), 1);
    EXPECT_EQ(stroke.modifierMask, 0x22);
    EXPECT_EQ(stroke.codes, std::vector<uint8_t>({0x04, 0x05, 0x06}));
}

TEST(KeyStroke, MouseTableAndBadKeysTypeNothing) {
    std::array<uint8_t, 20> block{};
    block.fill(0x04);
    EXPECT_TRUE(app::KeyStrokeOfKey(6, block.data(), nullptr, 0).codes.empty());
    EXPECT_TRUE(app::KeyStrokeOfKey(0, block.data(), nullptr, 10).codes.empty());
    EXPECT_TRUE(app::KeyStrokeOfKey(0, block.data(), nullptr, -1).codes.empty());
}

} // namespace
