#pragma once

// Keeps a simulated keypad's state in a small text file, so a keypad simulated by one process
// (a command-line demo run) is found as it was left by the next: its settings, serial number
// and firmware version, and with its boot loader the MCU's memory and what it runs (a keypad
// left in its loader by a failed upgrade is still there). One "key=value" a line; keys this
// version does not know are skipped, and MCU keys left out take their power-on values, so
// later versions can add keys without a new format.

#include <span>
#include <string>

namespace emulator {

class SimulatedKeypad;
class SimulatedBootLoader;

// One keypad of a file that keeps several: the first under the keys a one-keypad file has, the
// others under "keypad2.", "keypad3." ... A keypad the file does not mention is left as it is.
struct KeptKeypad {
    SimulatedKeypad* keypad = nullptr;
    SimulatedBootLoader* mcu = nullptr;
};
bool LoadKeypadStates(std::span<const KeptKeypad> keypads, const std::string& path);
bool SaveKeypadStates(std::span<const KeptKeypad> keypads, const std::string& path);

// False when the file does not exist or cannot be read whole; the keypad and mcu are then
// unchanged. A file without MCU keys leaves mcu as it is.
bool LoadKeypadState(SimulatedKeypad& keypad, const std::string& path,
                     SimulatedBootLoader* mcu = nullptr);
// Writes to a temporary file and renames it over path, keeping the lines of the other keypads
// the file holds. False when that fails.
bool SaveKeypadState(SimulatedKeypad& keypad, const std::string& path,
                     SimulatedBootLoader* mcu = nullptr);

} // namespace emulator
