// Payload builders for the commands whose data is more than one byte.

#include "device/commands.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Sent(const device::Payload& payload) {
    return Bytes(payload.bytes.begin(), payload.bytes.begin() + payload.length);
}

TEST(BleNamePayload, NameNulUppercaseFirstByteLowercaseRestNul) {
    auto payload = device::BuildBleNamePayload("ABC", 0x35, 0x3C, 0x81);
    ASSERT_TRUE(payload);
    EXPECT_EQ(Sent(*payload),
              (Bytes{0x41, 0x42, 0x43, 0x00, 0x33, 0x35, 0x33, 0x63, 0x38, 0x31, 0x00}));
    auto mixed = device::BuildBleNamePayload("VEXOR", 0x5F, 0x6E, 0x8D);
    ASSERT_TRUE(mixed);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mixed->bytes.data()) + 6, 6), "5F6e8d");
    EXPECT_EQ(mixed->length, 13);
    auto padded = device::BuildBleNamePayload("X", 0x00, 0x05, 0x0A);
    ASSERT_TRUE(padded);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(padded->bytes.data()) + 2, 6), "00050a");
}

TEST(BleNamePayload, EmptyNameStartsWithNulAndNamesThatCannotTravelAreRefused) {
    auto empty = device::BuildBleNamePayload("", 1, 2, 3);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->length, 8);
    EXPECT_EQ(empty->bytes[0], 0);
    EXPECT_TRUE(device::BuildBleNamePayload(std::string(47, 'n'), 1, 2, 3));
    EXPECT_FALSE(device::BuildBleNamePayload(std::string(48, 'n'), 1, 2, 3));
    EXPECT_FALSE(device::BuildBleNamePayload(std::string("a\0b", 3), 1, 2, 3));
}

TEST(BlePowerLevelPayload, RowPlusOneAsDecimalText) {
    EXPECT_EQ(Sent(*device::BuildBlePowerLevelPayload(11)), (Bytes{'1', '2', 0}));
    EXPECT_EQ(Sent(*device::BuildBlePowerLevelPayload(0)), (Bytes{'1', 0}));
    EXPECT_EQ(Sent(*device::BuildBlePowerLevelPayload(8)), (Bytes{'9', 0}));
    EXPECT_FALSE(device::BuildBlePowerLevelPayload(12));
    EXPECT_FALSE(device::BuildBlePowerLevelPayload(-1));
}

TEST(SerialNumberPayload, TwelveBytesWhateverTheText) {
    EXPECT_EQ(Sent(device::BuildSerialNumberPayload("12345678")),
              (Bytes{'1', '2', '3', '4', '5', '6', '7', '8', 0, 0, 0, 0}));
    EXPECT_EQ(Sent(device::BuildSerialNumberPayload(std::nullopt)),
              (Bytes{'0', '0', '0', '0', '0', '0', '0', '0', 0, 0, 0, 0}));
    EXPECT_EQ(Sent(device::BuildSerialNumberPayload("ABCDEFGHIJKLMNOP")),
              (Bytes{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L'}));
    EXPECT_EQ(Sent(device::BuildSerialNumberPayload("")), Bytes(12, 0));
}

} // namespace
