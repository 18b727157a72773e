#include "crc.h"

void CRC::CrcInput(uint8_t byte) {
    // Four shifts and XORs per byte: the polynomial's bits folded in at once.
    unsigned x = ((crc >> 8) ^ byte) & 0xFFu;
    x ^= x >> 4;
    crc = static_cast<uint16_t>((crc << 8) ^ (x << 12) ^ (x << 5) ^ x);
}
