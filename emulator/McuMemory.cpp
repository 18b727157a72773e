#include "McuMemory.h"

#include <algorithm>

namespace emulator {
namespace {

constexpr uint32_t kVectorTableStart = 0xFF80;
constexpr uint32_t kCodeStart = 0x8000;
constexpr uint32_t kCodeLength = 0x400;
// Unchanged bytes between two changed ones that Changes() still takes into one run.
constexpr uint32_t kRunGap = 32;

uint8_t NewChipByte(uint32_t address) {
    switch (McuMemory::AreaOf(address)) {
    case McuMemory::Area::BslFlash:
    case McuMemory::Area::InfoFlash:
    case McuMemory::Area::MainFlash:
        return kErased;
    default:
        return 0;
    }
}

} // namespace

McuMemory::McuMemory() : bytes_(kMainFlashEnd) {
    for (uint32_t at = 0; at < kMainFlashEnd; ++at) {
        bytes_[at] = NewChipByte(at);
    }
}

McuMemory::Area McuMemory::AreaOf(uint32_t address) {
    if (address < kBslFlashStart) {
        return Area::Peripherals;
    }
    if (address < kInfoFlashStart) {
        return Area::BslFlash;
    }
    if (address < kInfoFlashEnd) {
        return Area::InfoFlash;
    }
    if (address < kUsbRamStart) {
        return Area::Vacant;
    }
    if (address < kRamStart) {
        return Area::UsbRam;
    }
    if (address < kRamEnd) {
        return Area::Ram;
    }
    if (address < kMainFlashEnd) {
        return Area::MainFlash;
    }
    return Area::Vacant;
}

bool McuMemory::InInfoA(uint32_t address) {
    return address >= kInfoAStart && address < kInfoFlashEnd;
}

uint8_t McuMemory::Read(uint32_t address) const {
    // Vacant memory reads as erased flash would.
    return address < bytes_.size() && AreaOf(address) != Area::Vacant ? bytes_[address] : kErased;
}

std::vector<uint8_t> McuMemory::Read(uint32_t address, uint32_t length) const {
    std::vector<uint8_t> out;
    out.reserve(length);
    for (uint32_t i = 0; i < length; ++i) {
        out.push_back(Read(address + i));
    }
    return out;
}

bool McuMemory::Write(uint32_t address, uint8_t value) {
    switch (AreaOf(address)) {
    case Area::UsbRam:
    case Area::Ram:
        bytes_[address] = value;
        return true;
    case Area::InfoFlash:
    case Area::MainFlash:
        bytes_[address] &= value;
        return bytes_[address] == value;
    case Area::Peripherals:
    case Area::BslFlash:
    case Area::Vacant:
        break;
    }
    return false;
}

bool McuMemory::EraseSegment(uint32_t address) {
    uint32_t size = 0;
    switch (AreaOf(address)) {
    case Area::MainFlash:
        size = kMainSegmentSize;
        break;
    case Area::InfoFlash:
        size = kInfoSegmentSize;
        break;
    default:
        return false;
    }
    const uint32_t start = address / size * size;
    std::fill(bytes_.begin() + start, bytes_.begin() + start + size, kErased);
    return true;
}

void McuMemory::MassErase() {
    std::fill(bytes_.begin() + kMainFlashStart, bytes_.end(), kErased);
}

void McuMemory::ClearRam() {
    std::fill(bytes_.begin() + kUsbRamStart, bytes_.begin() + kRamEnd, 0);
}

uint16_t McuMemory::Crc(uint32_t address, uint32_t length) const {
    uint16_t crc = 0xFFFF;
    for (uint32_t i = 0; i < length; ++i) {
        crc ^= static_cast<uint16_t>(Read(address + i) << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
        }
    }
    return crc;
}

std::string McuMemory::ApplicationVersion() const {
    std::string version;
    for (uint32_t i = 0; i < kAppVersionLength; ++i) {
        const uint8_t c = Read(kAppVersionAddress + i);
        if (c == 0) {
            return version;
        }
        if (c < 0x20 || c >= 0x7F) {
            return {};
        }
        version.push_back(static_cast<char>(c));
    }
    return {};
}

bool McuMemory::HasResetVector() const {
    return Read(kResetVectorAddress) != kErased || Read(kResetVectorAddress + 1) != kErased;
}

void McuMemory::InstallApplication(const std::string& version, std::span<const uint8_t> vectors) {
    for (uint32_t i = 0; i < kCodeLength; ++i) {
        Write(kCodeStart + i, static_cast<uint8_t>(i * 7 + 0x31));
    }
    for (uint32_t i = 0; i < kAppVersionLength; ++i) {
        Write(kAppVersionAddress + i, i < version.size() ? static_cast<uint8_t>(version[i]) : 0);
    }
    for (uint32_t address = kVectorTableStart; address < kPasswordStart; address += 2) {
        Write(address, 0x00);
        Write(address + 1, static_cast<uint8_t>(kCodeStart >> 8));
    }
    for (uint32_t i = 0; i < kPasswordLength && i < vectors.size(); ++i) {
        Write(kPasswordStart + i, vectors[i]);
    }
}

std::vector<McuMemory::Run> McuMemory::Changes() const {
    std::vector<Run> runs;
    const auto size = static_cast<uint32_t>(bytes_.size());
    for (uint32_t at = 0; at < size; ++at) {
        if (bytes_[at] == NewChipByte(at)) {
            continue;
        }
        if (!runs.empty()) {
            Run& last = runs.back();
            const uint32_t end = last.address + static_cast<uint32_t>(last.bytes.size());
            if (at - end <= kRunGap) {
                last.bytes.insert(last.bytes.end(), bytes_.begin() + end, bytes_.begin() + at + 1);
                continue;
            }
        }
        runs.push_back({at, {bytes_[at]}});
    }
    return runs;
}

void McuMemory::Restore(const Run& run) {
    for (std::size_t i = 0; i < run.bytes.size(); ++i) {
        const uint64_t at = uint64_t{run.address} + i;
        if (at < bytes_.size()) {
            bytes_[at] = run.bytes[i];
        }
    }
}

} // namespace emulator
