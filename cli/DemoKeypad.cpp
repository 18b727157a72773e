#include "DemoKeypad.h"

#include "emulator/DemoKeypad.h"
#include "emulator/KeypadStateFile.h"
#include "emulator/SimulatedRamBsl.h"
#include "emulator/VirtualBus.h"

#include <cstdlib>

namespace cli {

DemoKeypad::DemoKeypad() {
    keypad_ = emulator::MakeDemoKeypad();
    // A reset or boot-loader entry does not outlive the run: come back at once.
    keypad_->rebootMs = 0;
    bootLoader_ = emulator::AttachDemoBootLoader(*keypad_);
    emulator::LoadKeypadState(*keypad_, StatePath(), bootLoader_.get());
    // As the last run left it: the keypad, or its MCU still in a boot loader.
    bootLoader_->Resume();
}

DemoKeypad::~DemoKeypad() {
    emulator::SaveKeypadState(*keypad_, StatePath(), bootLoader_.get());
}

std::string DemoKeypad::StatePath() {
    if (const char* path = std::getenv("ECHOVANE_DEMO_STATE"); path != nullptr && *path != 0) {
        return path;
    }
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    if (folder == nullptr || *folder == 0) {
        folder = std::getenv("TMPDIR");
    }
    if (folder == nullptr || *folder == 0) {
        folder = "/tmp";
    }
    return std::string(folder) + "/echovane-cli-demo.state";
}

} // namespace cli
