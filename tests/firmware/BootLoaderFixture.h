#pragma once

// A keypad with its simulated boot loader on virtual time, and scratch files for images.

#include "emulator/SimulatedBootLoader.h"
#include "firmware/boot_loader_files.h"
#include "tests/support/EmulatorFixture.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// The 32 password bytes of the simulated MCU (the vectors of its application).
std::vector<uint8_t> BuiltInPassword();
// The RAM boot loader and password a demo or test executable carries: the simulated MCU's.
firmware::BootLoaderFiles SimulatedFiles();

// A TI-TXT text: one "@addr" section per entry, 16 bytes a line, CR LF, "q".
struct Section {
    uint32_t address;
    std::vector<uint8_t> bytes;
};
std::string TiTxt(const std::vector<Section>& sections);

// A firmware image for the keypad: code from 0x8000, the version text at 0xFF40 and the
// vectors ending in the built-in password.
std::vector<Section> KeypadImage(const std::string& version, uint32_t codeBytes = 2048);

class BootLoaderTest : public EmulatorTest {
protected:
    BootLoaderTest();
    ~BootLoaderTest() override;

    // Connects to the keypad, sends CmdEnterBsl and waits until the loader is on the bus.
    void EnterBootLoader();
    // Lets virtual time pass and runs what became due on the bus.
    void Pass(uint32_t ms);
    // Writes text into a scratch file and returns its path (UTF-8, as the cores take it).
    std::string WriteFile(const std::string& name, const std::string& text);

    std::shared_ptr<emulator::SimulatedKeypad> keypad;
    std::shared_ptr<emulator::SimulatedBootLoader> loader;
    std::filesystem::path scratch;
};

} // namespace testsupport
