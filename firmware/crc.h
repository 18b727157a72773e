#pragma once

// The 16-bit CRC the boot loader computes over a flash range (polynomial 0x1021, MSB first, no
// reflection, no final XOR), fed byte by byte without a table.

#include <cstdint>

class CRC {
public:
    explicit CRC(uint16_t initial) : crc(initial) {}

    void CrcInit(uint16_t value) { crc = value; }
    void CrcInput(uint8_t byte);
    uint16_t GetCrcValue() const { return crc; }

private:
    uint16_t crc;
};
