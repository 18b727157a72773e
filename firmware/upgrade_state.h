#pragma once

// What the main window hands the firmware upgrade before it opens it, and the product names a
// firmware file's marker refers to.

#include "keypad/TableKind.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace firmware {

// key_codes is the main window's copy of the key code block; the restore writes back the block.
inline constexpr int kKeyCodesSize = keypad::kKeyCodeArraySize;
inline constexpr int kRestoredKeyCodes = keypad::kKeyCodeBlockSize;

struct UpgradeState {
    // Read from the keypad this upgrade is for. Otherwise the restore writes nothing: a blank
    // or stale serial number, table or brightness would overwrite the keypad's own.
    bool known = false;
    // Nothing is written back as "00000000".
    std::optional<std::string> serialNumber;
    int keypadType = 0;    // low byte used
    int ledBrightness = 0; // low byte used
    std::array<uint8_t, kKeyCodesSize> key_codes{};
    // The firmware the keypad ran when they were read.
    std::string firmwareVersion = {};
};

inline constexpr int kProductCount = 12;
inline constexpr std::array<const char*, kProductCount> productArray = {
    "NOT AVAILABLE", "Echovane(169)", "EchovaneQT", "VectaPad", "Voxlink",       "KRM",
    "Gridpad",       "Vectabar",      "VectabarLT", "Voxsuite", "Echovane(168)", "Tenor Encoder"};

} // namespace firmware
