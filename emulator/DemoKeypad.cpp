#include "DemoKeypad.h"

#include "emulator/SimulatedRamBsl.h"
#include "emulator/VirtualBus.h"

#include <cstdio>

namespace emulator {

std::shared_ptr<emulator::SimulatedKeypad> MakeDemoKeypad(int index) {
    constexpr int kFirstSerialNumber = 12345;
    emulator::SimulatedKeypad::Model model;
    model.hasMulticode = true;
    model.hasBle = true;
    model.firmwareVersion = "1.0.810";
    char serial[16];
    std::snprintf(serial, sizeof serial, "%08d", kFirstSerialNumber + index);
    model.serialNumber = serial;
    auto keypad = std::make_shared<emulator::SimulatedKeypad>(model);
    keypad->settings.tableKind = emulator::kCustomSingleKind;
    keypad->storedDefaults = keypad->settings;
    // A real keypad takes a couple of milliseconds over each request.
    keypad->processingUs = 2000;
    // Each keypad in a USB port of its own: its path stays the same whichever others are
    // plugged in or gone, from run to run.
    keypad->port = index + 1;
    return keypad;
}

std::shared_ptr<emulator::SimulatedKeypad> PlugDemoKeypad() {
    auto keypad = MakeDemoKeypad();
    emulator::VirtualBus::Instance().PlugBeforeStart(keypad);
    return keypad;
}

std::shared_ptr<emulator::SimulatedBootLoader>
AttachDemoBootLoader(emulator::SimulatedKeypad& keypad) {
    // The interrupt vectors of the keypad's application end in the password the upgrade sends
    // first, so the demo upgrade runs without a mass erase.
    auto loader = emulator::SimulatedBootLoader::Attach(keypad, emulator::SimulatedPassword());
    // The boot loader is the same MCU enumerating again, in the same port.
    loader->port = keypad.port;
    return loader;
}

} // namespace emulator
