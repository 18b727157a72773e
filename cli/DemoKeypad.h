#pragma once

// The keypads echovane-cli-demo talks to: the demo keypad of echovane-config-demo, or with
// ECHOVANE_DEMO_KEYPADS=N that many of them (serial numbers 00012345 upward). Their state is
// kept in a file between runs, so "config save" in one run and "config apply" in the next meet
// the same keypads. Each has its boot loader, so "upgrade" programs it; the state file records
// each MCU's memory and mode too, so a keypad an upgrade left in its loader is still there in
// the next run. The file follows the keypads as they change, so a run that is killed leaves
// them as they were at that moment. ECHOVANE_DEMO_REPLUG=N (or all) unplugs keypad N and plugs
// it in again at the start of a run, as a person would do with a real one.

#include "emulator/SimulatedBootLoader.h"
#include "emulator/SimulatedKeypad.h"

#include <QLockFile>

#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// What the demo's help adds: what it talks to and where that is kept.
std::string DemoHelpNote();

class DemoKeypad {
public:
    // What the demo has to say about its keypads and their file goes to messages.
    explicit DemoKeypad(std::ostream& messages = std::cerr);
    ~DemoKeypad();
    DemoKeypad(const DemoKeypad&) = delete;
    DemoKeypad& operator=(const DemoKeypad&) = delete;

    // Another run holds the state file: this one has no keypads and must not go on (it would
    // work on a copy of them and overwrite that run's changes when it ends).
    bool refused() const { return refused_; }

    // $ECHOVANE_DEMO_STATE, else echovane-cli-demo.state in the runtime or temporary folder.
    static std::string StatePath();
    // $ECHOVANE_DEMO_KEYPADS: 1 to kMaxKeypads; 1 when unset. Nothing when it holds anything
    // else.
    static std::optional<int> KeypadCount();
    static constexpr int kMaxKeypads = 32;
    // $ECHOVANE_DEMO_REPLUG: the keypads (by index) to plug in again, of count; none when unset.
    // Nothing when it holds anything but a keypad number or "all".
    static std::optional<std::vector<int>> KeypadsToReplug(int count);

private:
    // How often the state is kept while a boot loader works.
    static constexpr uint64_t kSaveIntervalUs = 250'000;
    void ReadState(const std::string& path);
    void Replug();
    void Save();
    // Saves when an MCU starts something else, else at most every kSaveIntervalUs.
    void SaveAsLoadersGo();

    std::ostream& messages_;
    // Held for the whole run, beside the state file.
    std::unique_ptr<QLockFile> lock_;
    bool refused_ = false;
    // False when the file must not be replaced in this run (it is no state file of ours, or a
    // damaged one could not be kept aside).
    bool keep_ = true;
    // A failed save is said once.
    bool saveFailureTold_ = false;
    uint64_t lastSaveUs_ = 0;
    // What each MCU ran, and whether it was coming up, at the last save.
    std::vector<std::pair<emulator::SimulatedBootLoader::Mode, bool>> savedModes_;
    std::vector<std::shared_ptr<emulator::SimulatedKeypad>> keypads_;
    std::vector<std::shared_ptr<emulator::SimulatedBootLoader>> bootLoaders_;
};

} // namespace cli
