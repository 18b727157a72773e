#pragma once

// The BLE parameter block (reply data of CmdGetBleParams): name, manufacturer data and power
// level as NUL-terminated texts, then the enable byte and the module-fitted byte.

#include <cstdint>
#include <span>
#include <string>

namespace keypad {

struct BleParams {
    std::string name;
    std::string manufacturerData; // six hex digits
    std::string powerLevel;       // decimal
    int enable = 0;
    bool moduleFitted = false;
};

// Never fails: a text whose NUL is missing ends with the reply data, and a missing enable or
// fitted byte reads as 0.
BleParams DecodeBleParams(std::span<const uint8_t> data);

} // namespace keypad
