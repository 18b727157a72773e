#include "DemoKeypad.h"

#include "emulator/DemoKeypad.h"
#include "emulator/KeypadStateFile.h"
#include "platform/DataFolder.h"
#include "platform/Utf8Path.h"
#include "platform/clock.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

namespace cli {
namespace {

std::vector<emulator::KeptKeypad>
Kept(const std::vector<std::shared_ptr<emulator::SimulatedKeypad>>& keypads,
     const std::vector<std::shared_ptr<emulator::SimulatedBootLoader>>& loaders) {
    std::vector<emulator::KeptKeypad> kept;
    for (size_t i = 0; i < keypads.size(); ++i) {
        kept.push_back({keypads[i].get(), loaders[i].get()});
    }
    return kept;
}

} // namespace

DemoKeypad::DemoKeypad() {
    const std::optional<int> count = KeypadCount();
    if (!count) {
        std::cerr << "ECHOVANE_DEMO_KEYPADS takes 1 to " << kMaxKeypads
                  << " keypads; the demo has one.\n";
    }
    for (int i = 0; i < count.value_or(1); ++i) {
        auto keypad = emulator::MakeDemoKeypad(i);
        // A reset or boot-loader entry does not outlive the run: come back at once.
        keypad->rebootMs = 0;
        bootLoaders_.push_back(emulator::AttachDemoBootLoader(*keypad));
        keypads_.push_back(std::move(keypad));
    }
    const auto kept = Kept(keypads_, bootLoaders_);
    emulator::LoadKeypadStates(kept, StatePath());
    // As the last run left them: each keypad, or its MCU still in a boot loader.
    for (const auto& loader : bootLoaders_) {
        loader->Resume();
        // A run killed in the middle of an upgrade leaves the chip as far as it got, as a real
        // one would stay: keep the state as the download goes on, not only at the end.
        loader->onChange = [this]() {
            const uint64_t now = platform::NowUs();
            if (now - lastSaveUs_ >= kSaveIntervalUs) {
                lastSaveUs_ = now;
                Save();
            }
        };
    }
}

DemoKeypad::~DemoKeypad() {
    for (const auto& loader : bootLoaders_) {
        loader->onChange = nullptr;
    }
    Save();
}

void DemoKeypad::Save() const {
    emulator::SaveKeypadStates(Kept(keypads_, bootLoaders_), StatePath());
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
