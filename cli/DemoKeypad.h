#pragma once

// The keypad echovane-cli-demo talks to: the demo keypad of echovane-config-demo, whose state is
// kept in a file between runs, so "config save" in one run and "config apply" in the next meet
// the same keypad. It has its boot loader, so "upgrade" programs it; the state file records the
// MCU's memory and mode too, so a keypad an upgrade left in its loader is still there in the
// next run.

#include "emulator/SimulatedBootLoader.h"
#include "emulator/SimulatedKeypad.h"

#include <memory>
#include <string>

namespace cli {

class DemoKeypad {
public:
    DemoKeypad();
    ~DemoKeypad();
    DemoKeypad(const DemoKeypad&) = delete;
    DemoKeypad& operator=(const DemoKeypad&) = delete;

    // $ECHOVANE_DEMO_STATE, else echovane-cli-demo.state in the runtime or temporary folder.
    static std::string StatePath();

private:
    std::shared_ptr<emulator::SimulatedKeypad> keypad_;
    std::shared_ptr<emulator::SimulatedBootLoader> bootLoader_;
};

} // namespace cli
