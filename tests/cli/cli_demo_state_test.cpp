// echovane-cli-demo's keypad between runs: an upgrade that failed after the erase leaves the
// keypad in its boot loader for the next run too, as a real one would stay, until a good
// upgrade brings it back.

#include "CliFixture.h"

#include "cli/DemoKeypad.h"
#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "firmware/UpgradeSequence.h"
#include "firmware/bsl430/bsl430.h"
#include "tests/firmware/BootLoaderFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

class CliDemoState : public testsupport::CliRunner<testsupport::EmulatorTest> {
protected:
    CliDemoState() {
        folder_ = std::filesystem::temp_directory_path() /
                  ("echovane-demo-state-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(folder_);
        setenv("ECHOVANE_DEMO_STATE", (folder_ / "demo.state").c_str(), 1);
    }
    ~CliDemoState() override {
        unsetenv("ECHOVANE_DEMO_STATE");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::string Write(const std::string& name, const std::string& text) {
        const auto path = folder_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
    // One run of echovane-cli-demo: its keypad as the last run left it, saved at the end.
    int RunDemo(QStringList args) {
        bus().Reset();
        cli::DemoKeypad demo;
        return Run(std::move(args));
    }

private:
    std::filesystem::path folder_;
};

TEST_F(CliDemoState, AFailedUpgradeLeavesTheKeypadInItsLoaderUntilAGoodOne) {
    ASSERT_EQ(RunDemo({"status"}), cli::kExitOk) << err.str();
    EXPECT_NE(out.str().find("1.0.810"), std::string::npos) << out.str();

    // An image the checks would refuse, forced past them: its second section writes over the
    // first, so the verify fails after the erase.
    auto image = testsupport::KeypadImage("1.0.950");
    image.push_back({0x8000, std::vector<uint8_t>(64, 0xFF)});
    const std::string bad = Write("overlapping.txt", testsupport::TiTxt(image));
    {
        bus().Reset();
        cli::DemoKeypad demo;
        ASSERT_TRUE(device::RescanForKeypad().found);
        uint8_t reply[kReportSize];
        uint32_t length = 0;
        USBEncoderSendAndReceive_a(hid_handle, CmdEnterBsl, nullptr, 0, reply, kReportSize, &length,
                                   kCommandTimeoutMs);
        const firmware::BootLoaderIds ids = firmware::InitializeVidPidFirmware();
        ASSERT_TRUE(firmware::WaitForBootLoader(ids, 10000, 100));
        std::string last;
        firmware::UpgradeSequence sequence(
            testsupport::SimulatedFiles(),
            [&last](int, const std::string& text) { last = text.empty() ? last : text; });
        EXPECT_FALSE(sequence.CustomSelectedFirmware(bad));
        EXPECT_EQ(last, firmware::kVerifyErrorText);
        BSL_close_BSL();
    }

    EXPECT_EQ(RunDemo({"status"}), cli::kExitFailed) << "the next run finds no keypad";
    EXPECT_EQ(err.str(), "Vexor Echovane not connected..\n");
    ASSERT_EQ(RunDemo({"devices"}), cli::kExitOk);
    EXPECT_EQ(out.str().rfind("boot loader ", 0), 0u) << out.str();

    const std::string good = std::string(FIRMWARE_SAMPLES_DIR) + "/Echovane_1.0.900.txt";
    ASSERT_EQ(RunDemo({"upgrade", QString::fromStdString(good), "--yes"}), cli::kExitOk)
        << err.str();
    ASSERT_EQ(RunDemo({"status"}), cli::kExitOk) << err.str();
    EXPECT_NE(out.str().find("1.0.900"), std::string::npos) << out.str();
}

} // namespace
