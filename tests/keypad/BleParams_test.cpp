#include "keypad/BleParams.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Texts(std::initializer_list<std::string> texts) {
    Bytes block;
    for (const auto& text : texts) {
        block.insert(block.end(), text.begin(), text.end());
        block.push_back(0);
    }
    return block;
}

TEST(BleParams, DecodesTextsAndTheEnableByte) {
    Bytes block = Texts({"Echovane", "5F6E8D", "12"});
    block.push_back(1);
    block.push_back(1);
    const keypad::BleParams params = keypad::DecodeBleParams(block);
    EXPECT_EQ(params.name, "Echovane");
    EXPECT_EQ(params.manufacturerData, "5F6E8D");
    EXPECT_EQ(params.powerLevel, "12");
    EXPECT_EQ(params.enable, 1);
    EXPECT_TRUE(params.moduleFitted);
}

TEST(BleParams, AKeypadWithoutModuleGivesEmptyTexts) {
    const keypad::BleParams params = keypad::DecodeBleParams(Bytes{0, 0, 0, 0, 0});
    EXPECT_EQ(params.name, "");
    EXPECT_EQ(params.powerLevel, "");
    EXPECT_EQ(params.enable, 0);
    EXPECT_FALSE(params.moduleFitted);
}

TEST(BleParams, MalformedBlocksStopAtTheEndOfTheData) {
    // No NUL at all: the name takes everything.
    keypad::BleParams params = keypad::DecodeBleParams(Bytes{'A', 'B', 'C'});
    EXPECT_EQ(params.name, "ABC");
    EXPECT_EQ(params.manufacturerData, "");
    EXPECT_EQ(params.enable, 0);

    // Three texts but no flag bytes.
    params = keypad::DecodeBleParams(Texts({"N", "010203", "4"}));
    EXPECT_EQ(params.powerLevel, "4");
    EXPECT_EQ(params.enable, 0);

    params = keypad::DecodeBleParams({});
    EXPECT_EQ(params.name, "");
}

} // namespace
