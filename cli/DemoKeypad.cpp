#include "DemoKeypad.h"

#include "emulator/KeypadStateFile.h"
#include "emulator/VirtualBus.h"
#include "firmware/bsl430/TiTxtReader.h"
#include "firmware/firmware_resources.h"

#include <cstdlib>

namespace cli {
namespace {

// The interrupt vectors of the keypad's application end in the built-in password, so the
// upgrade's first password is the right one.
std::vector<uint8_t> BuiltInPassword() {
    bsl430::TiTxtReader reader;
    if (reader.Parse(firmware::FirmwareText(firmware::kResourcePassword)) !=
            bsl430::TiTxtReader::Status::Ok ||
        reader.segments().empty()) {
        return {};
    }
    return reader.segments()[0].bytes;
}

} // namespace

DemoKeypad::DemoKeypad() {
    emulator::SimulatedKeypad::Model model;
    model.firmwareVersion = "1.0.810";
    model.serialNumber = "00012345";
    keypad_ = std::make_shared<emulator::SimulatedKeypad>(model);
    keypad_->settings.tableKind = 2;
    keypad_->storedDefaults = keypad_->settings;
    // A reset or boot-loader entry does not outlive the run: come back at once.
    keypad_->rebootMs = 0;
    emulator::LoadKeypadState(*keypad_, StatePath());
    bootLoader_ = emulator::SimulatedBootLoader::Attach(*keypad_, BuiltInPassword());
    emulator::VirtualBus::Instance().Plug(keypad_);
}

DemoKeypad::~DemoKeypad() {
    emulator::SaveKeypadState(*keypad_, StatePath());
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
