#pragma once

// The RAM boot loader and the password of our own making that belong to the simulated keypad's
// MCU: the simulated loader runs this image after Load PC and nothing else, and the simulated
// application's interrupt vectors end in this password. Embedded from resources/firmware/ for
// the demo and the tests only; product executables never carry them.

#include <cstdint>
#include <string_view>
#include <vector>

namespace emulator {

struct ImageSection {
    uint32_t address = 0;
    std::vector<uint8_t> bytes;
};

// The TI-TXT texts as resources/firmware/ holds them.
std::string_view SimulatedRamBslText();
std::string_view SimulatedPasswordText();

// The RAM boot loader's sections as they must sit in RAM for it to run.
const std::vector<ImageSection>& SimulatedRamBslSections();
// The 32 bytes at 0xFFE0..0xFFFF.
const std::vector<uint8_t>& SimulatedPassword();

} // namespace emulator
