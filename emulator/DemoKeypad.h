#pragma once

// The keypad the demos plug into their simulated bus: echovane-config-demo and
// echovane-cli-demo start the same one. Only the demo executables link it.

#include "emulator/SimulatedBootLoader.h"
#include "emulator/SimulatedKeypad.h"

#include <memory>

namespace emulator {

// A ten-key keypad with multi-code tables and a BLE module, on "Customise Table", firmware
// "1.0.810", serial number "00012345"; the demo's further keypads count on from there (index 1
// is "00012346").
std::shared_ptr<SimulatedKeypad> MakeDemoKeypad(int index = 0);
// Makes one and plugs it in.
std::shared_ptr<SimulatedKeypad> PlugDemoKeypad();
// Gives the keypad its MSP430 boot loader, so "Update Echovane Firmware" can program it; its
// flash is unlocked by the simulated MCU's password. The caller keeps the loader alive.
std::shared_ptr<SimulatedBootLoader> AttachDemoBootLoader(SimulatedKeypad& keypad);

} // namespace emulator
