// Programs a 32 KB image into the simulated boot loader in real time under the USB full-speed
// frame model (one report per 1 ms frame each way). Prints the write rate of BSL_RX_TXT_File and
// the time of the download's erase, write and verify passes with the device's own delays kept
// short; then the whole upgrade as the window runs it, from the click on "Upgrade Firmware" to
// "Done!" and the restored settings, with the loader and the keypad taking 1 s and 8 s to
// re-enumerate, and how much of it is ours (neither the device's delays nor USB transfers).

#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "emulator/SimulatedBootLoader.h"
#include "emulator/SimulatedKeypad.h"
#include "emulator/SimulatedRamBsl.h"
#include "emulator/VirtualBus.h"
#include "firmware/UpgradeSequence.h"
#include "firmware/bsl430/bsl430.h"
#include "firmware/settings_restore.h"
#include "platform/clock.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kImageStart = 0x8000;
constexpr uint32_t kImageBytes = 32 * 1024;
constexpr uint32_t kShortDelayMs = 20;
constexpr uint32_t kDelaysMs[] = {1000, 8000};
constexpr double kAimSeconds = 1.5;

std::string ImageText(const std::vector<uint8_t>& password) {
    std::vector<uint8_t> image(kImageBytes);
    std::mt19937 random(32);
    for (auto& b : image) {
        b = static_cast<uint8_t>(random());
    }
    const std::string version = "VX3232";
    for (uint32_t i = 0; i < emulator::kAppVersionLength; ++i) {
        image[emulator::kAppVersionAddress - kImageStart + i] =
            i < version.size() ? static_cast<uint8_t>(version[i]) : 0;
    }
    std::copy(password.begin(), password.end(), image.end() - 32);
    std::string text = "@8000\r\n";
    char byte[4];
    for (size_t i = 0; i < image.size(); ++i) {
        std::snprintf(byte, sizeof byte, "%02X ", image[i]);
        text += byte;
        if (i % 16 == 15) {
            text += "\r\n";
        }
    }
    return text + "q\r\n";
}

double SecondsSince(uint64_t startUs) {
    return static_cast<double>(platform::NowUs() - startUs) / 1e6;
}

void Fail(const char* what) {
    std::fprintf(stderr, "upgrade bench: %s (%s)\n", what, bsl430::LastError().c_str());
    std::exit(1);
}

firmware::BootLoaderFiles Files() {
    const auto lookup = firmware::FindBootLoaderFiles({{}, {}, firmware::EmbeddedBootLoader()});
    if (!lookup.files) {
        Fail("no RAM boot loader built in");
    }
    return *lookup.files;
}

struct Bench {
    std::shared_ptr<emulator::SimulatedKeypad> keypad;
    std::shared_ptr<emulator::SimulatedBootLoader> loader;
};

// A keypad on a fresh bus, sent into its boot loader, the loader on the bus.
Bench EnterBootLoader(uint32_t delayMs) {
    auto& bus = emulator::VirtualBus::Instance();
    bus.Reset();
    Bench bench;
    bench.keypad = std::make_shared<emulator::SimulatedKeypad>();
    bench.keypad->bootLoaderDelayMs = delayMs;
    emulator::SimulatedBootLoader::Options options;
    options.reenumerateMs = delayMs;
    options.restartMs = delayMs;
    bench.loader = emulator::SimulatedBootLoader::Attach(*bench.keypad,
                                                         emulator::SimulatedPassword(), options);
    bus.PlugBeforeStart(bench.keypad);
    if (!device::RescanForKeypad().found) {
        Fail("simulated keypad not found");
    }
    uint8_t reply[kReportSize];
    uint32_t length = 0;
    if (USBEncoderSendAndReceive_a(hid_handle, CmdEnterBsl, nullptr, 0, reply, kReportSize, &length,
                                   kCommandTimeoutMs) != kExchangeOk) {
        Fail("CmdEnterBsl refused");
    }
    while (!bus.IsPlugged(bench.loader.get())) {
        SleepMs(1);
    }
    return bench;
}

} // namespace

int main() {
    const std::vector<uint8_t> password = emulator::SimulatedPassword();
    const auto path = std::filesystem::temp_directory_path() / "echovane-bench-32k.txt";
    std::ofstream(path, std::ios::binary) << ImageText(password);
    const std::string file = path.string();
    const firmware::BootLoaderFiles files = Files();

    const Bench quick = EnterBootLoader(kShortDelayMs);
    // The start-up without the wait for the RAM loader: up to "Done RAM BSL" (30 %) and from
    // its return (40 %) on.
    uint64_t loaded = 0;
    uint64_t back = 0;
    firmware::UpgradeSequence sequence(files, [&](int percent, const std::string&) {
        if (percent == 30) {
            loaded = platform::NowUs();
        } else if (percent == 40) {
            back = platform::NowUs();
        }
    });
    bool massErase = false;
    uint64_t start = platform::NowUs();
    if (!sequence.DownloadStartUp(massErase)) {
        Fail("start-up failed");
    }
    const double startUp = SecondsSince(start) - static_cast<double>(back - loaded) / 1e6;

    start = platform::NowUs();
    sequence.EraseDataSegment_File(file);
    const double erase = SecondsSince(start);

    quick.loader->ClearReceived();
    start = platform::NowUs();
    if (BSL_RX_TXT_File(file.c_str(), 1) != 0) {
        Fail("write failed");
    }
    const double write = SecondsSince(start);
    const size_t writeReports = quick.loader->received().size();

    quick.loader->ClearReceived();
    start = platform::NowUs();
    if (sequence.CRC_Check_File(file) != 0) {
        Fail("verification failed");
    }
    const double verify = SecondsSince(start);
    const size_t verifyReports = quick.loader->received().size();

    // The same image once more with acknowledged blocks, for comparison.
    sequence.EraseDataSegment_File(file);
    start = platform::NowUs();
    if (BSL_RX_TXT_File(file.c_str(), 0) != 0) {
        Fail("acknowledged write failed");
    }
    const double acknowledged = SecondsSince(start);
    BSL_close_BSL();
    const double transfers = startUp + erase + write + verify;

    std::printf("upgrade: 32 KB image at 0x8000, simulated loader, USB full-speed frame model\n");
    std::printf("  start-up (password, RAM BSL, version) without the re-enumeration: %.3f s\n",
                startUp);
    std::printf("  erase pass (64 segments):     %.3f s\n", erase);
    std::printf("  BSL_RX_TXT_File, fast:        %.3f s, %.1f kB/s, %zu reports\n", write,
                kImageBytes / 1000.0 / write, writeReports);
    std::printf("  BSL_RX_TXT_File, acknowledged: %.3f s, %.1f kB/s\n", acknowledged,
                kImageBytes / 1000.0 / acknowledged);
    std::printf("  verify pass (5000-byte CRCs): %.3f s, %zu requests\n", verify, verifyReports);
    std::printf("  download (erase, write, verify): %.3f s\n", erase + write + verify);
    std::printf("  USB transfers of a whole upgrade: %.3f s\n", transfers);

    firmware::UpgradeState state;
    state.serialNumber = "00012345";
    state.ledBrightness = 5;
    for (const uint32_t delayMs : kDelaysMs) {
        const Bench bench = EnterBootLoader(delayMs);
        firmware::UpgradeSequence run(files, [](int, const std::string&) {});
        start = platform::NowUs();
        if (!run.Run(file)) {
            Fail("upgrade failed");
        }
        const double done = SecondsSince(start);
        if (!firmware::RestoreSettings(state).restored) {
            Fail("restore failed");
        }
        const double total = SecondsSince(start);
        // The device re-enumerates twice: the RAM loader, then the new application.
        const double device = 2 * delayMs / 1000.0;
        const double ours = total - device - transfers;
        std::printf("whole upgrade, re-enumeration %.0f s: \"Done!\" after %.3f s, restored after "
                    "%.3f s; device %.1f s, USB %.3f s, ours %.3f s (aim: at most %.1f s)\n",
                    delayMs / 1000.0, done, total, device, transfers, ours, kAimSeconds);
    }
    std::filesystem::remove(path);
    return 0;
}
