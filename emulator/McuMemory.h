#pragma once

// The memory of a USB MSP430 of the F5529 class as its boot loader sees it: flash that erases to
// 0xFF in segments and can only be programmed from 1 to 0, RAM, and vacant space.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace emulator {

inline constexpr uint32_t kPmmControlAddress = 0x0120;
inline constexpr uint32_t kWatchdogControlAddress = 0x015C;
inline constexpr uint32_t kBslFlashStart = 0x1000;
inline constexpr uint32_t kInfoFlashStart = 0x1800;
inline constexpr uint32_t kInfoFlashEnd = 0x1A00;
inline constexpr uint32_t kUsbRamStart = 0x1C00;
inline constexpr uint32_t kRamStart = 0x2400;
inline constexpr uint32_t kRamEnd = 0x4400;
inline constexpr uint32_t kMainFlashStart = 0x4400;
inline constexpr uint32_t kMainFlashEnd = 0x24400;
inline constexpr uint32_t kMainSegmentSize = 512;
inline constexpr uint32_t kInfoSegmentSize = 128;
// Information memory segment A, the last of D, C, B, A.
inline constexpr uint32_t kInfoAStart = kInfoFlashEnd - kInfoSegmentSize;
inline constexpr uint32_t kPasswordStart = 0xFFE0;
inline constexpr uint32_t kPasswordLength = 32;
inline constexpr uint32_t kResetVectorAddress = 0xFFFE;
// The simulated application keeps its version text here, NUL-terminated, just below the
// interrupt vectors and inside the reset-vector segment.
inline constexpr uint32_t kAppVersionAddress = 0xFF40;
inline constexpr uint32_t kAppVersionLength = 16;
inline constexpr uint8_t kErased = 0xFF;

class McuMemory {
public:
    enum class Area {
        Vacant,
        Peripherals,
        BslFlash,
        InfoFlash,
        UsbRam,
        Ram,
        MainFlash,
    };

    McuMemory();

    static Area AreaOf(uint32_t address);
    // Information segment A: the flash controller locks it (LOCKA) from every reset until
    // Toggle INFO_A lock. The boot loader keeps that lock; Write and EraseSegment here are the
    // flash itself and take what they are given.
    static bool InInfoA(uint32_t address);

    uint8_t Read(uint32_t address) const;
    std::vector<uint8_t> Read(uint32_t address, uint32_t length) const;
    // Programs one byte: RAM takes it, flash ANDs it in, everything else ignores it. True when
    // the cell holds value afterwards.
    bool Write(uint32_t address, uint8_t value);
    // The main or info segment holding address; false when it is not erasable flash.
    bool EraseSegment(uint32_t address);
    // The main flash; the info memory stays.
    void MassErase();
    void ClearRam();
    // CRC-16/CCITT-FALSE over the range, the way the device's CRC module computes it.
    uint16_t Crc(uint32_t address, uint32_t length) const;

    // What the simulated application would find: the version text at kAppVersionAddress, or
    // empty when none is there.
    std::string ApplicationVersion() const;
    bool HasResetVector() const;

    // Programs the erased flash with a small application image: code, the version text and
    // the interrupt vectors whose last 32 bytes (0xFFE0..0xFFFF) are the password.
    void InstallApplication(const std::string& version, std::span<const uint8_t> vectors);

    // What differs from a new chip (erased flash, cleared RAM), as runs of bytes; short
    // stretches of unchanged bytes between two runs are taken into one. For the state file.
    struct Run {
        uint32_t address = 0;
        std::vector<uint8_t> bytes;
    };
    std::vector<Run> Changes() const;
    // Puts bytes back as they were kept, whatever flash would allow (the inverse of Changes).
    void Restore(const Run& run);

private:
    std::vector<uint8_t> bytes_;
};

} // namespace emulator
