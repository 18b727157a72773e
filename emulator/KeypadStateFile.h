#pragma once

// Keeps a simulated keypad's state in a small text file, so a keypad simulated by one process
// (a command-line demo run) is found as it was left by the next.

#include <string>

namespace emulator {

class SimulatedKeypad;

// False when the file does not exist or cannot be read whole; the keypad is then unchanged.
bool LoadKeypadState(SimulatedKeypad& keypad, const std::string& path);
// Writes to a temporary file and renames it over path. False when that fails.
bool SaveKeypadState(const SimulatedKeypad& keypad, const std::string& path);

} // namespace emulator
