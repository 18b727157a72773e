// Hot-plug events of the virtual bus: a change is any plug or unplug since the last look,
// including those the bus had scheduled. Waiting takes the program's clock, so under virtual
// time a test's timeline of keypads runs at once.

#include "emulator/VirtualBus.h"
#include "platform/HidHotplug.h"
#include "platform/clock.h"

namespace emulator {
namespace {

// The bus is looked at once a millisecond; far below what a real hub takes to enumerate.
constexpr uint32_t kLookIntervalMs = 1;

class VirtualBusHotplug final : public platform::HidHotplug {
public:
    VirtualBusHotplug() : seen_(Generation()) {}

    bool WaitForChange(uint32_t timeoutMs) override {
        const uint64_t deadline = platform::NowUs() + uint64_t{timeoutMs} * 1000;
        for (;;) {
            const uint64_t now = Generation();
            if (now != seen_ && VirtualBus::Instance().hotplugEvents()) {
                seen_ = now;
                return true;
            }
            if (platform::NowUs() >= deadline) {
                return false;
            }
            SleepMs(kLookIntervalMs);
        }
    }

private:
    static uint64_t Generation() {
        auto& bus = VirtualBus::Instance();
        bus.RunDue();
        return bus.generation();
    }

    uint64_t seen_;
};

} // namespace
} // namespace emulator

namespace platform {

std::unique_ptr<HidHotplug> OpenHidHotplug() {
    return std::make_unique<emulator::VirtualBusHotplug>();
}

} // namespace platform
