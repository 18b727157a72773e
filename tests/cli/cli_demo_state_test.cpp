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
#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

class CliDemoState : public testsupport::CliRunner<testsupport::EmulatorTest> {
protected:
    CliDemoState() { setenv("ECHOVANE_DEMO_STATE", folder_.File("demo.state").c_str(), 1); }
    ~CliDemoState() override { unsetenv("ECHOVANE_DEMO_STATE"); }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = folder_.File(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // One run of echovane-cli-demo: its keypad as the last run left it, saved at the end.
    int RunDemo(QStringList args) {
        bus().Reset();
        cli::DemoKeypad demo;
        return Run(std::move(args));
    }

private:
    testsupport::TempFolder folder_;
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
    EXPECT_EQ(err.str().rfind("Vexor Echovane not connected..\nThe keypad is on the bus as its "
                              "boot loader",
                              0),
              0u)
        << err.str();
    ASSERT_EQ(RunDemo({"devices"}), cli::kExitOk);
    EXPECT_EQ(out.str().rfind("boot loader ", 0), 0u) << out.str();

    const std::string good = std::string(FIRMWARE_SAMPLES_DIR) + "/Echovane_1.0.900.txt";
    ASSERT_EQ(RunDemo({"upgrade", QString::fromStdString(good), "--yes"}), cli::kExitOk)
        << err.str();
    ASSERT_EQ(RunDemo({"status"}), cli::kExitOk) << err.str();
    EXPECT_NE(out.str().find("1.0.900"), std::string::npos) << out.str();
}

TEST_F(CliDemoState, SeveralDemoKeypadsKeepTheirOwnStateAndAreProvisionedTogether) {
    setenv("ECHOVANE_DEMO_KEYPADS", "3", 1);
    ASSERT_EQ(RunDemo({"--serial", "00012346", "set-brightness", "3"}), cli::kExitOk) << err.str();
    EXPECT_EQ(RunDemo({"set-brightness", "4"}), cli::kExitUsage);
    const auto brightness = [this](const char* serial) {
        EXPECT_EQ(RunDemo({"--serial", serial, "status"}), cli::kExitOk) << err.str();
        const size_t at = out.str().find("LED brightness    ");
        return at == std::string::npos ? -1 : out.str()[at + 18] - '0';
    };
    EXPECT_EQ(brightness("00012345"), 5);
    EXPECT_EQ(brightness("00012346"), 3);
    EXPECT_EQ(brightness("00012347"), 5);

    const std::string file = Write("cfg.ini", "");
    std::filesystem::remove(file);
    ASSERT_EQ(RunDemo({"--serial", "00012346", "config", "save", QString::fromStdString(file)}),
              cli::kExitOk)
        << err.str();
    ASSERT_EQ(RunDemo({"provision", "--config", QString::fromStdString(file), "--count", "3"}),
              cli::kExitOk)
        << err.str();
    const std::string lines = out.str();
    for (const char* serial : {"00012345", "00012346", "00012347"}) {
        EXPECT_NE(lines.find(std::string(serial) + "  configured, checked  ok"), std::string::npos)
            << lines;
        EXPECT_EQ(brightness(serial), 3) << serial;
    }
    unsetenv("ECHOVANE_DEMO_KEYPADS");
}

TEST_F(CliDemoState, AKeypadCountOutOfRangeMeansOne) {
    for (const char* count : {"0", "33", "three"}) {
        setenv("ECHOVANE_DEMO_KEYPADS", count, 1);
        EXPECT_EQ(cli::DemoKeypad::KeypadCount(), std::nullopt) << count;
    }
    setenv("ECHOVANE_DEMO_KEYPADS", "32", 1);
    EXPECT_EQ(cli::DemoKeypad::KeypadCount(), 32);
    unsetenv("ECHOVANE_DEMO_KEYPADS");
    EXPECT_EQ(cli::DemoKeypad::KeypadCount(), 1);
}

} // namespace
