#pragma once

// Test fixture: virtual time, an empty simulated bus, and helpers to plug keypads in.

#include "emulator/SimulatedKeypad.h"
#include "emulator/VirtualBus.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <memory>

namespace testsupport {

class EmulatorTest : public ::testing::Test {
protected:
    EmulatorTest();
    ~EmulatorTest() override;

    // Plugs in a keypad (the default model unless given) and returns it.
    std::shared_ptr<emulator::SimulatedKeypad> PlugKeypad();
    std::shared_ptr<emulator::SimulatedKeypad> PlugKeypad(emulator::SimulatedKeypad::Model model);
    // Plugs in a keypad and opens it into hid_handle with the rescan sequence.
    std::shared_ptr<emulator::SimulatedKeypad> ConnectKeypad();

    emulator::VirtualBus& bus() { return emulator::VirtualBus::Instance(); }
    platform::VirtualClock& clock() { return virtualClock_.clock(); }

private:
    platform::ScopedVirtualClock virtualClock_{1'000'000};
};

} // namespace testsupport
