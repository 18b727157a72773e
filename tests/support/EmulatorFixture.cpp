#include "EmulatorFixture.h"

#include "device/discovery.h"

#include <hidapi/hidapi.h>

namespace testsupport {

EmulatorTest::EmulatorTest() {
    emulator::VirtualBus::Instance().Reset();
    hid_handle = nullptr;
}

EmulatorTest::~EmulatorTest() {
    hid_device* handle = hid_handle.exchange(nullptr);
    if (handle != nullptr) {
        hid_exit_safely(handle);
    }
    emulator::VirtualBus::Instance().Reset();
}

std::shared_ptr<emulator::SimulatedKeypad> EmulatorTest::PlugKeypad() {
    return PlugKeypad(emulator::SimulatedKeypad::Model{});
}

std::shared_ptr<emulator::SimulatedKeypad>
EmulatorTest::PlugKeypad(emulator::SimulatedKeypad::Model model) {
    auto keypad = std::make_shared<emulator::SimulatedKeypad>(std::move(model));
    bus().PlugBeforeStart(keypad);
    return keypad;
}

std::shared_ptr<emulator::SimulatedKeypad> EmulatorTest::ConnectKeypad() {
    auto keypad = PlugKeypad();
    EXPECT_TRUE(device::RescanForKeypad().found);
    return keypad;
}

} // namespace testsupport
