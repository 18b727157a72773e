// 1000 CmdGetStatus exchanges against the simulated keypad in real time with the USB
// full-speed frame model, waiting inside the read versus polling and then sleeping.

#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "emulator/SimulatedKeypad.h"
#include "emulator/VirtualBus.h"
#include "platform/clock.h"

#include <cstdio>
#include <cstdlib>

namespace {

double MsPerExchange(device::PollMode mode, int count) {
    uint8_t reply[kReportSize];
    uint32_t length = 0;
    const uint64_t start = platform::NowUs();
    for (int i = 0; i < count; ++i) {
        if (device::Exchange(hid_handle, CmdGetStatus, nullptr, 0, reply, kReportSize, &length,
                             kCommandTimeoutMs, mode) != kExchangeOk) {
            std::fprintf(stderr, "exchange %d failed\n", i);
            std::exit(1);
        }
    }
    return static_cast<double>(platform::NowUs() - start) / 1000.0 / count;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    emulator::VirtualBus::Instance().PlugBeforeStart(std::make_shared<emulator::SimulatedKeypad>());
    if (!device::RescanForKeypad().found) {
        std::fprintf(stderr, "simulated keypad not found\n");
        return 1;
    }
    const double waiting = MsPerExchange(device::PollMode::WaitInRead, count);
    const double polling = MsPerExchange(device::PollMode::PollThenSleep, count);
    std::printf("exchange: %d x CmdGetStatus, USB full-speed frame model\n", count);
    std::printf("  wait in read:      %.3f ms per exchange\n", waiting);
    std::printf("  poll then sleep:   %.3f ms per exchange\n", polling);
    std::printf("  speed-up:          %.1fx\n", polling / waiting);
    hid_exit_safely(hid_handle);
    return 0;
}
