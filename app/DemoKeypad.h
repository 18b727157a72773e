#pragma once

// The keypad the demo plugs into its simulated bus.

#include "emulator/SimulatedBootLoader.h"
#include "emulator/SimulatedKeypad.h"

#include <memory>

namespace app {

// A ten-key keypad with multi-code tables and a BLE module, on "Customise Table", firmware
// "1.0.810", serial number "00012345".
std::shared_ptr<emulator::SimulatedKeypad> MakeDemoKeypad();
// Makes one and plugs it in.
std::shared_ptr<emulator::SimulatedKeypad> PlugDemoKeypad();
// Gives the keypad its MSP430 boot loader, so "Update Echovane Firmware" can program it; its
// flash is unlocked by the simulated MCU's password. The caller keeps the loader alive.
std::shared_ptr<emulator::SimulatedBootLoader>
AttachDemoBootLoader(emulator::SimulatedKeypad& keypad);

} // namespace app
