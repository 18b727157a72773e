#pragma once

// The keypads echovane-cli-demo talks to: the demo keypad of echovane-config-demo, or with
// ECHOVANE_DEMO_KEYPADS=N that many of them (serial numbers 00012345 upward). Their state is
// kept in a file between runs, so "config save" in one run and "config apply" in the next meet
// the same keypads. Each has its boot loader, so "upgrade" programs it; the state file records
// each MCU's memory and mode too, so a keypad an upgrade left in its loader is still there in
// the next run.

#include "emulator/SimulatedBootLoader.h"
#include "emulator/SimulatedKeypad.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

class DemoKeypad {
public:
    DemoKeypad();
    ~DemoKeypad();
    DemoKeypad(const DemoKeypad&) = delete;
    DemoKeypad& operator=(const DemoKeypad&) = delete;

    // $ECHOVANE_DEMO_STATE, else echovane-cli-demo.state in the runtime or temporary folder.
    static std::string StatePath();
    // $ECHOVANE_DEMO_KEYPADS: 1 to kMaxKeypads; 1 when unset. Nothing when it holds anything
    // else.
    static std::optional<int> KeypadCount();
    static constexpr int kMaxKeypads = 32;

private:
    // How often the state is kept while a boot loader works.
    static constexpr uint64_t kSaveIntervalUs = 250'000;
    void Save() const;

    uint64_t lastSaveUs_ = 0;
    std::vector<std::shared_ptr<emulator::SimulatedKeypad>> keypads_;
    std::vector<std::shared_ptr<emulator::SimulatedBootLoader>> bootLoaders_;
};

} // namespace cli
