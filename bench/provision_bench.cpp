// 20 simulated keypads plugged in one after another in real time (USB full-speed frame model, a
// keypad taking 2 ms over each request): each gets a configuration replay and the check. Prints
// keypads per minute and how much of the time is ours beyond the exchanges' own.

#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "emulator/SimulatedKeypad.h"
#include "emulator/VirtualBus.h"
#include "platform/clock.h"
#include "provision/BatchProvisioner.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

constexpr uint32_t kProcessingUs = 2000;

std::shared_ptr<emulator::SimulatedKeypad> MakeKeypad(int index) {
    emulator::SimulatedKeypad::Model model;
    char serial[16];
    std::snprintf(serial, sizeof serial, "%08d", 20000 + index);
    model.serialNumber = serial;
    auto keypad = std::make_shared<emulator::SimulatedKeypad>(model);
    keypad->processingUs = kProcessingUs;
    return keypad;
}

// The mean time of one exchange with such a keypad, measured alone.
double MeanExchangeMs(int count) {
    auto keypad = MakeKeypad(999);
    auto& bus = emulator::VirtualBus::Instance();
    bus.PlugBeforeStart(keypad);
    if (!device::RescanForKeypad().found) {
        std::fprintf(stderr, "simulated keypad not found\n");
        std::exit(1);
    }
    uint8_t reply[kReportSize];
    uint32_t length = 0;
    const uint64_t start = platform::NowUs();
    for (int i = 0; i < count; ++i) {
        USBEncoderSendAndReceive_a(hid_handle, CmdGetStatus, nullptr, 0, reply, kReportSize,
                                   &length, kCommandTimeoutMs);
    }
    const double ms = static_cast<double>(platform::NowUs() - start) / 1000.0 / count;
    hid_exit_safely(hid_handle.exchange(nullptr));
    bus.Unplug(keypad.get());
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    const int keypads = argc > 1 ? std::atoi(argv[1]) : 20;
    const double exchangeMs = MeanExchangeMs(200);

    const auto config = std::filesystem::temp_directory_path() / "echovane-provision-bench.ini";
    std::ofstream(config) << "[appSettings]\r\n FirstUp=Yes\r\n KeypadLayout=2\r\n "
                             "LedBrightness=7\r\n CodeTableValues=0,44,0,44,0,44,0,44,0,44,0,44,"
                             "0,44,0,44,0,44,0,44,\r\n";
    provision::Options options;
    options.plan = *config::ReadReplayPlan(config.string()).plan;
    options.count = keypads;

    auto& bus = emulator::VirtualBus::Instance();
    std::vector<std::shared_ptr<emulator::SimulatedKeypad>> batch;
    for (int i = 0; i < keypads; ++i) {
        batch.push_back(MakeKeypad(i));
    }
    int failed = 0;
    int next = 1;
    // An operator with the next keypad in hand: the done one comes out, the next goes in.
    provision::BatchProvisioner provisioner(
        options,
        [&](const provision::KeypadOutcome& outcome) {
            failed += outcome.ok ? 0 : 1;
            bus.Unplug(batch[static_cast<size_t>(next - 1)].get());
            if (next < keypads) {
                bus.Plug(batch[static_cast<size_t>(next++)]);
            }
        },
        [] { return false; });
    const uint64_t start = platform::NowUs();
    bus.Plug(batch[0]);
    const provision::Summary summary = provisioner.Run();
    const double totalMs = static_cast<double>(platform::NowUs() - start) / 1000.0;
    std::filesystem::remove(config);

    size_t exchanges = 0;
    for (const auto& keypad : batch) {
        exchanges += keypad->received().size();
    }
    // Layout, table, brightness, the keypad keeping them, then the status read that checks them.
    constexpr int kNeeded = 5;
    const double exchangeTotalMs = static_cast<double>(exchanges) * exchangeMs;
    std::printf("provision: %d keypads plugged one after another, replay + keep + check each, USB "
                "full-speed frame model, %u us a request\n",
                keypads, kProcessingUs);
    std::printf("  done %d, failed %d (%d in the outcomes)\n", summary.done, summary.failed,
                failed);
    std::printf("  total:                %.1f ms, %.1f ms a keypad\n", totalMs, totalMs / keypads);
    std::printf("  keypads per minute:   %.0f\n", keypads * 60000.0 / totalMs);
    std::printf("  one exchange alone:   %.3f ms\n", exchangeMs);
    std::printf("  exchanges a keypad:   %.1f (%d needed for replay, keep and check)\n",
                static_cast<double>(exchanges) / keypads, kNeeded);
    // Each keypad plugged in can be opened only once the system has given access to it.
    const double accessMs =
        static_cast<double>(keypads) * emulator::SimulatedDevice::kAccessAfterPlugMs;
    const double oursMs = totalMs - exchangeTotalMs - accessMs;
    std::printf("  system's access delay: %.1f ms (%u ms a keypad plugged in)\n", accessMs,
                emulator::SimulatedDevice::kAccessAfterPlugMs);
    std::printf("  beyond the exchanges and the access delay: %.1f ms, %.1f %% of the total\n",
                oursMs, 100.0 * oursMs / totalMs);
    return summary.failed == 0 ? 0 : 1;
}
