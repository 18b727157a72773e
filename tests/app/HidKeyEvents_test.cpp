#include "app/HidKeyEvents.h"

#include <gtest/gtest.h>

#include <array>

namespace {

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
