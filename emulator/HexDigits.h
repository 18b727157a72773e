#pragma once

// Hex digits as the keypad's frames and the demo's state file write them.

#include <cstdint>

namespace emulator {

// The value of one hex digit of either case; ok is cleared for anything else.
inline uint8_t HexValue(uint8_t c, bool* ok) {
    if (c >= '0' && c <= '9') {
        return static_cast<uint8_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<uint8_t>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<uint8_t>(c - 'a' + 10);
    }
    *ok = false;
    return 0;
}

// The upper-case digit of a nibble (the low four bits of nibble).
inline char UpperHex(int nibble) {
    return "0123456789ABCDEF"[nibble & 0x0F];
}

} // namespace emulator
