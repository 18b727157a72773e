#pragma once

// Keeps a simulated keypad's state in a small text file, so a keypad simulated by one process
// (a command-line demo run) is found as it was left by the next: its settings, serial number
// and firmware version, and with its boot loader the MCU's memory and what it runs (a keypad
// left in its loader by a failed upgrade is still there). One "key=value" a line; keys this
// version does not know are skipped, and MCU keys left out take their power-on values, so
// later versions can add keys without a new format. Lines may end in CR LF (a file edited on
// Windows).

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace emulator {

class SimulatedKeypad;
class SimulatedBootLoader;

// One keypad of a file that keeps several: the first under the keys a one-keypad file has, the
// others under "keypad2.", "keypad3." ... A keypad the file does not mention is left as it is.
struct KeptKeypad {
    SimulatedKeypad* keypad = nullptr;
    SimulatedBootLoader* mcu = nullptr;
};

// What reading a state file came to.
struct StateFileLoad {
    enum class Outcome {
        // Nothing at the path: every keypad is left as it is.
        NoFile,
        // Every keypad the file mentions is as the file keeps it.
        Read,
        // Lines that cannot be used: the keypads they belong to are left as they are, the
        // others are read.
        Damaged,
        // No state file to read or replace: no regular file, larger than kMaxStateFileBytes, or
        // not readable. Every keypad is left as it is.
        Unusable,
    };
    Outcome outcome = Outcome::NoFile;
    // Why, as "line N: reason" (several joined by "; "), or the reason for the whole file.
    std::string problem;
    // The keypads (by index) left as they are because their lines cannot be used.
    std::vector<std::size_t> damaged;
    // The file as it was read (Damaged only), to be kept aside before a save replaces it.
    std::string text;
};
// A file of 32 keypads that all ran an upgrade stays far below this.
inline constexpr std::size_t kMaxStateFileBytes = std::size_t{32} << 20;

StateFileLoad LoadKeypadStates(std::span<const KeptKeypad> keypads, const std::string& path);
// False, with the reason in *problem when given ("not a regular file", "cannot be written (No
// space left on device)"), when the file cannot be replaced; it is then as it was.
bool SaveKeypadStates(std::span<const KeptKeypad> keypads, const std::string& path,
                      std::string* problem = nullptr);

// False when the file does not exist or cannot be read whole; the keypad and mcu are then
// unchanged. A file without MCU keys leaves mcu as it is.
bool LoadKeypadState(SimulatedKeypad& keypad, const std::string& path,
                     SimulatedBootLoader* mcu = nullptr);
// Writes to a temporary file and renames it over path, keeping the lines of the other keypads
// the file holds. False when that fails.
bool SaveKeypadState(SimulatedKeypad& keypad, const std::string& path,
                     SimulatedBootLoader* mcu = nullptr);

} // namespace emulator
