// Programs a 32 KB image into the simulated boot loader in real time under the USB full-speed
// frame model (one report per 1 ms frame each way) and prints the write rate of
// BSL_RX_TXT_File and the time of the download's erase, write and verify, leaving out the
// fixed waits of the start-up.

#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "emulator/SimulatedBootLoader.h"
#include "emulator/SimulatedKeypad.h"
#include "emulator/VirtualBus.h"
#include "firmware/UpgradeSequence.h"
#include "firmware/bsl430/TiTxtReader.h"
#include "firmware/bsl430/bsl430.h"
#include "firmware/firmware_resources.h"
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

} // namespace

int main() {
    bsl430::TiTxtReader reader;
    if (reader.Parse(firmware::FirmwareText(firmware::kResourcePassword)) !=
            bsl430::TiTxtReader::Status::Ok ||
        reader.segments().empty()) {
        Fail("built-in password unreadable");
    }
    const std::vector<uint8_t> password = reader.segments()[0].bytes;

    auto& bus = emulator::VirtualBus::Instance();
    auto keypad = std::make_shared<emulator::SimulatedKeypad>();
    keypad->bootLoaderDelayMs = 20;
    emulator::SimulatedBootLoader::Options options;
    options.reenumerateMs = 20;
    options.restartMs = 20;
    auto loader = emulator::SimulatedBootLoader::Attach(*keypad, password, options);
    bus.Plug(keypad);
    if (!device::RescanForKeypad().found) {
        Fail("simulated keypad not found");
    }
    uint8_t reply[kReportSize];
    uint32_t length = 0;
    if (USBEncoderSendAndReceive_a(hid_handle, CmdEnterBsl, nullptr, 0, reply, kReportSize, &length,
                                   kCommandTimeoutMs) != kExchangeOk) {
        Fail("CmdEnterBsl refused");
    }
    while (!bus.IsPlugged(loader.get())) {
        SleepMs(1);
    }

    const auto path = std::filesystem::temp_directory_path() / "echovane-bench-32k.txt";
    std::ofstream(path, std::ios::binary) << ImageText(password);
    const std::string file = path.string();

    firmware::UpgradeSequence sequence([](int, const std::string&) {}, [](uint32_t) {});
    bool massErase = false;
    uint64_t start = platform::NowUs();
    if (!sequence.DownloadStartUp(massErase)) {
        Fail("start-up failed");
    }
    const double startUp = SecondsSince(start);

    start = platform::NowUs();
    sequence.EraseDataSegment_File(file);
    const double erase = SecondsSince(start);

    loader->ClearReceived();
    start = platform::NowUs();
    if (BSL_RX_TXT_File(file.c_str(), 1) != 0) {
        Fail("write failed");
    }
    const double write = SecondsSince(start);
    const size_t writeReports = loader->received().size();

    loader->ClearReceived();
    start = platform::NowUs();
    if (sequence.CRC_Check_File(file) != 0) {
        Fail("verification failed");
    }
    const double verify = SecondsSince(start);
    const size_t verifyReports = loader->received().size();

    // The same image once more with acknowledged blocks, for comparison.
    sequence.EraseDataSegment_File(file);
    start = platform::NowUs();
    if (BSL_RX_TXT_File(file.c_str(), 0) != 0) {
        Fail("acknowledged write failed");
    }
    const double acknowledged = SecondsSince(start);
    BSL_close_BSL();

    std::printf("upgrade: 32 KB image at 0x8000, simulated loader, USB full-speed frame model\n");
    std::printf("  start-up without fixed waits: %.3f s\n", startUp);
    std::printf("  erase pass (64 segments):     %.3f s\n", erase);
    std::printf("  BSL_RX_TXT_File, fast:        %.3f s, %.1f kB/s, %zu reports\n", write,
                kImageBytes / 1000.0 / write, writeReports);
    std::printf("  BSL_RX_TXT_File, acknowledged: %.3f s, %.1f kB/s\n", acknowledged,
                kImageBytes / 1000.0 / acknowledged);
    std::printf("  verify pass (5000-byte CRCs): %.3f s, %zu requests\n", verify, verifyReports);
    std::printf("  download (erase, write, verify): %.3f s\n", erase + write + verify);
    std::filesystem::remove(path);
    return 0;
}
