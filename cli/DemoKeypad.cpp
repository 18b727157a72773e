#include "DemoKeypad.h"

#include "emulator/DemoKeypad.h"
#include "emulator/KeypadStateFile.h"
#include "emulator/VirtualBus.h"
#include "platform/AtomicFile.h"
#include "platform/DataFolder.h"
#include "platform/Utf8Path.h"
#include "platform/clock.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>

namespace cli {
namespace {

constexpr char kProgram[] = "echovane-cli-demo: ";
constexpr char kDamagedSuffix[] = ".damaged";

std::vector<emulator::KeptKeypad>
Kept(const std::vector<std::shared_ptr<emulator::SimulatedKeypad>>& keypads,
     const std::vector<std::shared_ptr<emulator::SimulatedBootLoader>>& loaders) {
    std::vector<emulator::KeptKeypad> kept;
    for (size_t i = 0; i < keypads.size(); ++i) {
        kept.push_back({keypads[i].get(), loaders[i].get()});
    }
    return kept;
}

std::string SerialNumbers(const std::vector<std::shared_ptr<emulator::SimulatedKeypad>>& keypads,
                          const std::vector<size_t>& indices) {
    std::string text;
    for (size_t index : indices) {
        text += (text.empty() ? "" : ", ") + keypads[index]->model.serialNumber;
    }
    return text;
}

} // namespace

DemoKeypad::DemoKeypad(std::ostream& messages) : messages_(messages) {
    // Real keypads serve two programs at once; the demo's live in one process at a time, so a
    // second run would work on a copy and overwrite the first one's changes when it ends. A
    // lock that cannot be made at all (no folder) leaves the run to say its save failed.
    const std::string statePath = StatePath();
    lock_ = std::make_unique<QLockFile>(QString::fromStdString(statePath + ".lock"));
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0) && lock_->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host;
        QString application;
        const bool known = lock_->getLockInfo(&pid, &host, &application);
        messages_ << kProgram << "the demo keypads of " << statePath << " are in use by another run"
                  << (known ? " (process " + std::to_string(pid) + ")" : std::string())
                  << ": wait for it to end, or give this one a state file of its own with "
                     "ECHOVANE_DEMO_STATE (if no such run is going, remove "
                  << statePath << ".lock).\n";
        refused_ = true;
        keep_ = false;
        return;
    }
    const std::optional<int> count = KeypadCount();
    if (!count) {
        messages_ << "ECHOVANE_DEMO_KEYPADS takes 1 to " << kMaxKeypads
                  << " keypads; the demo has one.\n";
    }
    for (int i = 0; i < count.value_or(1); ++i) {
        auto keypad = emulator::MakeDemoKeypad(i);
        // A reset or boot-loader entry does not outlive the run: come back at once.
        keypad->rebootMs = 0;
        bootLoaders_.push_back(emulator::AttachDemoBootLoader(*keypad));
        keypads_.push_back(std::move(keypad));
    }
    ReadState(statePath);
    // As the last run left them: each keypad, or its MCU still in a boot loader.
    for (const auto& loader : bootLoaders_) {
        loader->Resume();
    }
    Replug();
    // All that before the run started, so the system has given access to them.
    emulator::VirtualBus::Instance().GiveAccessToPlugged();
    Save();
    // A run killed at any point leaves the keypads as far as they got, as real ones would stay:
    // keep their state as it changes, not only at the end.
    for (const auto& loader : bootLoaders_) {
        loader->onChange = [this]() { SaveAsLoadersGo(); };
    }
    for (const auto& keypad : keypads_) {
        keypad->onChange = [this]() { Save(); };
    }
}

DemoKeypad::~DemoKeypad() {
    for (size_t i = 0; i < keypads_.size(); ++i) {
        keypads_[i]->onChange = nullptr;
        bootLoaders_[i]->onChange = nullptr;
        if (bootLoaders_[i]->mode() == emulator::SimulatedBootLoader::Mode::Crashed) {
            // Only a power cycle brings a crashed MCU back; the demo has no cable to pull.
            messages_ << kProgram << "keypad " << keypads_[i]->model.serialNumber
                      << " is off the bus (its MCU crashed); ECHOVANE_DEMO_REPLUG=" << i + 1
                      << " unplugs it and plugs it in again at the start of a run.\n";
        }
    }
    Save();
}

void DemoKeypad::ReadState(const std::string& path) {
    // A run killed while it saved leaves the temporary it was writing beside the state file.
    platform::RemoveCutTemporariesBeside(path);
    const auto kept = Kept(keypads_, bootLoaders_);
    const emulator::StateFileLoad load = emulator::LoadKeypadStates(kept, path);
    using Outcome = emulator::StateFileLoad::Outcome;
    if (load.outcome == Outcome::Unusable) {
        keep_ = false;
        messages_ << kProgram << path << ": " << load.problem
                  << "; the demo keypads start anew and are not kept.\n";
        return;
    }
    if (load.outcome != Outcome::Damaged) {
        return;
    }
    messages_ << kProgram << path << ": " << load.problem << "; ";
    if (!load.damaged.empty()) {
        messages_ << (load.damaged.size() == 1 ? "keypad " : "keypads ")
                  << SerialNumbers(keypads_, load.damaged)
                  << (load.damaged.size() == 1 ? " starts" : " start") << " anew; ";
    }
    // The damaged file is kept aside whole before the first save replaces it: the save keeps
    // the lines of keypads this run does not have.
    // What is kept is what was judged damaged, and a run cut short leaves no half a copy.
    const std::string aside = path + kDamagedSuffix;
    if (!platform::ReplaceFileAtomically(aside, load.text)) {
        keep_ = false;
        messages_ << "it cannot be kept as " << aside << " (" << platform::LastFileFailure()
                  << "), so the demo keypads are not kept.\n";
        return;
    }
    messages_ << "the damaged file is kept as " << aside << ".\n";
}

void DemoKeypad::Replug() {
    const auto replug = KeypadsToReplug(static_cast<int>(keypads_.size()));
    if (!replug) {
        messages_ << "ECHOVANE_DEMO_REPLUG takes a keypad number from 1 to " << keypads_.size()
                  << " or all; no keypad is plugged in again.\n";
        return;
    }
    auto& bus = emulator::VirtualBus::Instance();
    for (int index : *replug) {
        {
            std::lock_guard lock(bus.mutex());
            bus.Unplug(keypads_[index].get());
            bus.Unplug(bootLoaders_[index].get());
        }
        // Powers up whatever the flash holds: the application, else the flash loader.
        keypads_[index]->PlugIn();
    }
}

void DemoKeypad::Save() {
    if (!keep_) {
        return;
    }
    savedModes_.clear();
    for (const auto& loader : bootLoaders_) {
        savedModes_.emplace_back(loader->mode(), loader->poweringUp());
    }
    const std::string path = StatePath();
    std::string problem;
    if (!emulator::SaveKeypadStates(Kept(keypads_, bootLoaders_), path, &problem) &&
        !saveFailureTold_) {
        saveFailureTold_ = true;
        messages_ << kProgram << path << ": " << problem
                  << "; the next run will not find the demo keypads as this one leaves them.\n";
    }
}

void DemoKeypad::SaveAsLoadersGo() {
    bool started = savedModes_.size() != bootLoaders_.size();
    for (size_t i = 0; i < bootLoaders_.size() && !started; ++i) {
        started =
            savedModes_[i] != std::pair{bootLoaders_[i]->mode(), bootLoaders_[i]->poweringUp()};
    }
    const uint64_t now = platform::NowUs();
    if (started || now - lastSaveUs_ >= kSaveIntervalUs) {
        lastSaveUs_ = now;
        Save();
    }
}

std::optional<int> DemoKeypad::KeypadCount() {
    const char* text = std::getenv("ECHOVANE_DEMO_KEYPADS");
    if (text == nullptr || *text == 0) {
        return 1;
    }
    char* end = nullptr;
    const long count = std::strtol(text, &end, 10);
    if (*end != 0 || count < 1 || count > kMaxKeypads) {
        return std::nullopt;
    }
    return static_cast<int>(count);
}

std::optional<std::vector<int>> DemoKeypad::KeypadsToReplug(int count) {
    const auto text = platform::NonEmptyEnvironment("ECHOVANE_DEMO_REPLUG");
    std::vector<int> indices;
    if (!text) {
        return indices;
    }
    if (*text == "all") {
        for (int i = 0; i < count; ++i) {
            indices.push_back(i);
        }
        return indices;
    }
    char* end = nullptr;
    const long number = std::strtol(text->c_str(), &end, 10);
    if (*end != 0 || !std::isdigit(static_cast<unsigned char>(text->front())) || number < 1 ||
        number > count) {
        return std::nullopt;
    }
    indices.push_back(static_cast<int>(number - 1));
    return indices;
}

std::string DemoHelpNote() {
    return "This is the demo: it talks to simulated keypads, not to USB devices. They are kept "
           "between runs, their MCUs' memory included, in " +
           DemoKeypad::StatePath() +
           " ($ECHOVANE_DEMO_STATE; remove the file to start anew). ECHOVANE_DEMO_KEYPADS=N "
           "plugs in N of them (1 to " +
           std::to_string(DemoKeypad::kMaxKeypads) +
           "), and ECHOVANE_DEMO_REPLUG=N (or all) unplugs keypad N and plugs it in again at "
           "the start of the run.\n";
}

std::string DemoKeypad::StatePath() {
    if (const auto path = platform::NonEmptyEnvironment("ECHOVANE_DEMO_STATE")) {
        return *path;
    }
    std::filesystem::path folder;
    if (const auto runtime = platform::NonEmptyEnvironment("XDG_RUNTIME_DIR")) {
        folder = platform::PathFromUtf8(*runtime);
    } else {
        std::error_code error;
        folder = std::filesystem::temp_directory_path(error);
        if (error) {
            folder = "/tmp";
        }
    }
    return platform::Utf8FromPath(folder / "echovane-cli-demo.state");
}

} // namespace cli
