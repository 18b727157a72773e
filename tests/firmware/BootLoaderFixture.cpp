#include "BootLoaderFixture.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "emulator/SimulatedRamBsl.h"
#include "firmware/bsl430/bsl430.h"
#include "platform/Utf8Path.h"

#include <cstdio>
#include <fstream>
#include <random>

#include <unistd.h>

namespace testsupport {

std::vector<uint8_t> BuiltInPassword() {
    return emulator::SimulatedPassword();
}

firmware::BootLoaderFiles SimulatedFiles() {
    const auto lookup = firmware::FindBootLoaderFiles({{}, {}, firmware::EmbeddedBootLoader()});
    EXPECT_TRUE(lookup.files.has_value()) << lookup.message;
    return lookup.files.value_or(firmware::BootLoaderFiles{});
}

std::string TiTxt(const std::vector<Section>& sections) {
    std::string text;
    char piece[16];
    for (const auto& section : sections) {
        std::snprintf(piece, sizeof piece, "@%04X\r\n", section.address);
        text += piece;
        for (size_t i = 0; i < section.bytes.size(); ++i) {
            std::snprintf(piece, sizeof piece, "%02X ", section.bytes[i]);
            text += piece;
            if (i % 16 == 15 || i + 1 == section.bytes.size()) {
                text += "\r\n";
            }
        }
    }
    return text + "q\r\n";
}

std::vector<Section> KeypadImage(const std::string& version, uint32_t codeBytes) {
    std::vector<Section> image;
    std::mt19937 random(codeBytes);
    Section code{0x8000, {}};
    for (uint32_t i = 0; i < codeBytes; ++i) {
        code.bytes.push_back(static_cast<uint8_t>(random()));
    }
    image.push_back(code);
    Section text{emulator::kAppVersionAddress, std::vector<uint8_t>(16, 0)};
    std::copy(version.begin(), version.end(), text.bytes.begin());
    image.push_back(text);
    image.push_back({emulator::kPasswordStart, BuiltInPassword()});
    return image;
}

BootLoaderTest::BootLoaderTest() {
    bsl430::SetDeviceNotificationInterval(0);
    keypad = PlugKeypad();
    loader = emulator::SimulatedBootLoader::Attach(*keypad, BuiltInPassword());
    // Unique per process and test: ctest runs test processes side by side.
    static int count = 0;
    scratch = std::filesystem::temp_directory_path() /
              ("echovane-firmware-" + std::to_string(getpid()) + "-" + std::to_string(++count));
    std::filesystem::create_directories(scratch);
}

BootLoaderTest::~BootLoaderTest() {
    BSL_closeTI_Text();
    BSL_close_BSL();
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}

void BootLoaderTest::Pass(uint32_t ms) {
    clock().AdvanceMs(ms);
    bus().RunDue();
}

void BootLoaderTest::EnterBootLoader() {
    ASSERT_TRUE(device::RescanForKeypad().found);
    uint8_t reply[kReportSize];
    uint32_t length = 0;
    ASSERT_EQ(USBEncoderSendAndReceive_a(hid_handle, CmdEnterBsl, nullptr, 0, reply, kReportSize,
                                         &length, kCommandTimeoutMs),
              kExchangeOk);
    Pass(keypad->bootLoaderDelayMs + emulator::SimulatedDevice::kAccessAfterPlugMs + 100);
    ASSERT_TRUE(bus().IsPlugged(loader.get()));
    ASSERT_FALSE(bus().IsPlugged(keypad.get()));
}

std::string BootLoaderTest::WriteFile(const std::string& name, const std::string& text) {
    const auto path = scratch / platform::PathFromUtf8(name);
    std::ofstream out(path, std::ios::binary);
    out << text;
    return platform::Utf8FromPath(path);
}

} // namespace testsupport
