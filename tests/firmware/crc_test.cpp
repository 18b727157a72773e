// The table-free CRC against a plain bit-by-bit CRC-16 (polynomial 0x1021, MSB first).

#include "firmware/crc.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

uint16_t BitByBit(uint16_t crc, const std::vector<uint8_t>& bytes) {
    for (uint8_t byte : bytes) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool top = ((crc >> 15) & 1) != ((byte >> bit) & 1);
            crc = static_cast<uint16_t>(crc << 1);
            if (top) {
                crc ^= 0x1021;
            }
        }
    }
    return crc;
}

uint16_t TableFree(uint16_t initial, const std::vector<uint8_t>& bytes) {
    CRC crc(0);
    crc.CrcInit(initial);
    for (uint8_t byte : bytes) {
        crc.CrcInput(byte);
    }
    return crc.GetCrcValue();
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(Crc, KnownCheckValues) {
    EXPECT_EQ(TableFree(0xFFFF, Bytes("123456789")), 0x29B1);
    EXPECT_EQ(TableFree(0xFFFF, Bytes("abc")), 0x514A);
    EXPECT_EQ(TableFree(0xFFFF, {}), 0xFFFF);
}

TEST(Crc, MatchesBitByBitOverRandomBlocksAndSeeds) {
    std::mt19937 random(1021);
    for (size_t length : {1u, 2u, 15u, 16u, 61u, 512u, 4999u, 5000u}) {
        for (uint16_t initial : {uint16_t{0xFFFF}, uint16_t{0x0000}, uint16_t{0x1D0F}}) {
            std::vector<uint8_t> bytes(length);
            for (auto& b : bytes) {
                b = static_cast<uint8_t>(random());
            }
            EXPECT_EQ(TableFree(initial, bytes), BitByBit(initial, bytes))
                << "length " << length << " initial " << initial;
        }
    }
    // Every single byte value, where a folded shift that went wrong would show first.
    for (int value = 0; value < 256; ++value) {
        const std::vector<uint8_t> one = {static_cast<uint8_t>(value)};
        ASSERT_EQ(TableFree(0xFFFF, one), BitByBit(0xFFFF, one)) << value;
    }
}

TEST(Crc, InitRestartsWhateverWasFedBefore) {
    CRC crc(0xFFFF);
    for (uint8_t b : Bytes("something else first")) {
        crc.CrcInput(b);
    }
    crc.CrcInit(0xFFFF);
    for (uint8_t b : Bytes("123456789")) {
        crc.CrcInput(b);
    }
    EXPECT_EQ(crc.GetCrcValue(), 0x29B1);
    // Reading the value leaves the accumulator usable.
    EXPECT_EQ(crc.GetCrcValue(), 0x29B1);
}

} // namespace
