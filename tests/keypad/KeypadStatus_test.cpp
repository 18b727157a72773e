#include "keypad/KeypadStatus.h"

#include <gtest/gtest.h>

#include <numeric>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Head(uint8_t led, uint8_t kind, uint8_t jack, uint8_t orientation) {
    Bytes block = {led, kind, jack, orientation};
    for (uint8_t i = 0; i < 20; ++i) {
        block.push_back(static_cast<uint8_t>(0xA0 + i));
    }
    return block;
}

void Append(Bytes& block, const std::string& text, bool nul = true) {
    block.insert(block.end(), text.begin(), text.end());
    if (nul) {
        block.push_back(0);
    }
}

TEST(KeypadStatus, DecodesTheDocumentedBlock) {
    Bytes block = Head(3, 2, 0, 1);
    Append(block, "1.2");
    Append(block, "4711");
    Append(block, "25");
    const auto status = keypad::DecodeStatusBlock(block);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->ledBrightness, 3);
    EXPECT_EQ(status->tableKind, 2);
    EXPECT_EQ(status->jackStatus, "Jack  IN");
    EXPECT_EQ(status->hvStatus, "HORIZONTAL");
    EXPECT_EQ(status->firmwareVersion, "1.2");
    EXPECT_EQ(status->serialNumber, "4711");
    EXPECT_EQ(status->temperature, "25");
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(status->keyCodeBlock[i], 0xA0 + i);
    }
}

TEST(KeypadStatus, NonzeroJackAndZeroOrientationReadOutAndVertical) {
    const auto status = keypad::DecodeStatusBlock(Head(0, 0, 0x7F, 0));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->jackStatus, "Jack OUT");
    EXPECT_EQ(status->hvStatus, "VERTICAL  ");
}

struct TextCase {
    const char* name;
    Bytes tail; // the bytes after the key code block
    std::string firmware;
    std::string serial;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.name;
}

class StatusTexts : public testing::TestWithParam<TextCase> {};

TEST_P(StatusTexts, NeverReadPastTheReplyData) {
    Bytes block = Head(1, 1, 1, 1);
    block.insert(block.end(), GetParam().tail.begin(), GetParam().tail.end());
    const auto status = keypad::DecodeStatusBlock(block);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->firmwareVersion, GetParam().firmware);
    EXPECT_EQ(status->serialNumber, GetParam().serial);
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatusTexts,
    testing::Values(
        TextCase{"EmptyFirmwareMovesSerialToOffset25", {0, '4', '2', 0, '2', '5', 0}, "", "42"},
        TextCase{"NoTextsAtAll", {}, "", ""},
        // 30 characters without a NUL fill the reply to its 54-byte end.
        TextCase{"FirmwareWithoutNul", Text(std::string(30, 'V')), std::string(30, 'V'), ""},
        TextCase{"SerialWithoutNul", {'1', 0, '9', '9'}, "1", "99"},
        TextCase{"OnlyTheFirmwareNul", {0}, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeypadStatus, ABlockWithoutTheWholeKeyCodeBlockIsRefused) {
    EXPECT_FALSE(keypad::DecodeStatusBlock({}));
    Bytes block = Head(1, 2, 0, 0);
    block.pop_back();
    EXPECT_FALSE(keypad::DecodeStatusBlock(block));
    block.push_back(0);
    EXPECT_TRUE(keypad::DecodeStatusBlock(block));
}

TEST(ExtraCodeBlock, TakesTheFirstFiftyBytesAndRefusesFewer) {
    Bytes reply(54);
    std::iota(reply.begin(), reply.end(), uint8_t{1});
    const auto block = keypad::DecodeExtraCodeBlock(reply);
    ASSERT_TRUE(block);
    EXPECT_EQ((*block)[0], 1);
    EXPECT_EQ((*block)[49], 50);
    reply.resize(49);
    EXPECT_FALSE(keypad::DecodeExtraCodeBlock(reply));
}

} // namespace
