#pragma once

// Where things sit in the keypad's MSP430 (a USB part of the F5529 class) as the upgrade must
// respect them: what a firmware image may write, and the RAM a RAM boot loader has to fit.
// Ranges are [start, end).

#include <cstdint>

namespace firmware {

inline constexpr uint32_t kInfoFlashStart = 0x1800;
inline constexpr uint32_t kInfoFlashEnd = 0x1A00;
// Info memory erases in 128-byte segments, main flash in 512-byte ones.
inline constexpr uint32_t kInfoSegmentBytes = 128;
inline constexpr uint32_t kMainSegmentBytes = 512;
// Information memory segment A, the last one: locked by the flash controller after every
// reset, and the upgrade does not unlock it.
inline constexpr uint32_t kInfoAStart = kInfoFlashEnd - kInfoSegmentBytes;
inline constexpr uint32_t kRamStart = 0x2400;
inline constexpr uint32_t kRamEnd = 0x4400;
inline constexpr uint32_t kMainFlashStart = 0x4400;
inline constexpr uint32_t kMainFlashEnd = 0x24400;
inline constexpr uint32_t kResetVectorAddress = 0xFFFE;
// The interrupt vectors, and the password that is their copy, end at the top of the 64 KB.
inline constexpr uint32_t kVectorsEnd = 0x10000;

// A RAM boot loader is loaded here; its first four bytes are its version and it starts just
// after them.
inline constexpr uint32_t kRamBslLoadAddress = 0x2500;
inline constexpr uint32_t kRamBslVersionBytes = 4;
inline constexpr uint32_t kRamBslStart = kRamBslLoadAddress + kRamBslVersionBytes;

inline bool InMainFlash(uint32_t address) {
    return address >= kMainFlashStart && address < kMainFlashEnd;
}
inline bool InInfoFlash(uint32_t address) {
    return address >= kInfoFlashStart && address < kInfoFlashEnd;
}
inline bool InInfoA(uint32_t address) {
    return address >= kInfoAStart && address < kInfoFlashEnd;
}
inline bool InFlash(uint32_t address) {
    return InMainFlash(address) || InInfoFlash(address);
}

} // namespace firmware
