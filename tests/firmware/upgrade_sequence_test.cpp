// The download as the upgrade window's worker runs it, end to end against the simulated loader:
// the status lines and percentages, the password paths, the image refused before anything is
// sent, waiting for the loader as long as it takes, verification and unplugging.

#include "UpgradeFixture.h"

#include "device/discovery.h"
#include "device/link_lock.h"
#include "firmware/bsl430/bsl430.h"
#include "firmware/device_count.h"
#include "firmware/image_check.h"
#include "tests/support/TempFolder.h"
#include "tests/support/test_environment.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using emulator::BootLoaderFaultKind;
using testsupport::Line;
using namespace firmware;

class Upgrade : public testsupport::UpgradeTest {
protected:
    // The payload of every RX password the loader received.
    std::vector<std::vector<uint8_t>> Passwords() const {
        std::vector<std::vector<uint8_t>> passwords;
        for (const auto& entry : loader->received()) {
            if (entry.command == 0x11) {
                passwords.push_back(entry.payload);
            }
        }
        return passwords;
    }
    bool Has(const std::string& text) const {
        const auto texts = Texts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
};

TEST_F(Upgrade, SuccessfulRunReportsEveryLineAndPercentInOrder) {
    EnterBootLoader();
    const std::string file = Image("new.txt", "VX0950");
    ASSERT_TRUE(Run(file));
    const std::vector<Line> expected = {
        {5, ""},
        {10, "Password Sent Successfully\r\n"},
        {20, "Sending RAM BSL v00.06.05.34\r\n"},
        {30, "Done RAM BSL v00.06.05.34\r\n"},
        {35, ""},
        {40, ""},
        {45, ""},
        {60, "Erasing memory segments \r\n"},
        {70, "Sending " + file + "\r\n"},
        {75, "Firmware Sent\r\n"},
        {80, "Verifying memory\r\n"},
        {85, "Memory successfully verified\r\n"},
        {90, "Total programming time is 0s \r\n"},
        {90, "Resetting Device...\r\nStarting application\r\n"},
        {100, "Done!"},
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(loader->massErases(), 0);
    // The connection is closed: the restore's rescan may run.
    EXPECT_FALSE(device::BootLoaderInUse());

    Pass(loader->options.restartMs + 10);
    ASSERT_TRUE(bus().IsPlugged(keypad.get()));
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0950");
}

TEST_F(Upgrade, GeneratedSamplesProgramAndVerify) {
    for (const char* sample : {"Echovane_1.0.900.txt", "Echovane_1.0.901_product.txt"}) {
        SCOPED_TRACE(sample);
        lines.clear();
        EnterBootLoader();
        ASSERT_TRUE(Run(std::string(FIRMWARE_SAMPLES_DIR) + "/" + sample));
        Pass(loader->options.restartMs + emulator::SimulatedDevice::kAccessAfterPlugMs + 10);
        ASSERT_TRUE(bus().IsPlugged(keypad.get()));
        EXPECT_EQ(keypad->model.firmwareVersion, std::string(sample).substr(9, 7));
    }
}

// A file whose name the Windows ANSI code pages cannot spell is checked, sent and verified.
TEST_F(Upgrade, AFileNamedInAnyScriptIsDownloaded) {
    EnterBootLoader();
    const std::string file = Image(std::string(testsupport::kNameInManyScripts) + ".txt", "VX0952");
    EXPECT_TRUE(CheckFirmwareFile(file).ok);
    ASSERT_TRUE(Run(file));
    EXPECT_TRUE(Has("Sending " + file + "\r\n"));
    EXPECT_TRUE(Has("Memory successfully verified\r\n"));
    Pass(loader->options.restartMs + 10);
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0952");
}

TEST_F(Upgrade, RefusedBuiltInPasswordMassErasesSkipsTheErasePassAndUsesTheDefault) {
    EnterBootLoader();
    loader->InjectFault({BootLoaderFaultKind::RefusePassword});
    ASSERT_TRUE(Run(Image("new.txt", "VX0951")));
    const auto texts = Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Mass erase occured!\r\n");
    EXPECT_EQ(texts[1], "Password Sent Successfully\r\n");
    EXPECT_FALSE(Has("Erasing memory segments \r\n"));
    const std::vector<uint8_t> defaultPassword(32, 0xFF);
    const auto passwords = Passwords();
    ASSERT_EQ(passwords.size(), 3u);
    EXPECT_EQ(passwords[0], testsupport::BuiltInPassword());
    EXPECT_EQ(passwords[1], defaultPassword);
    EXPECT_EQ(passwords[2], defaultPassword) << "the second connection";
    // The report with the mass erase line sits at 5 %.
    EXPECT_NE(std::find(lines.begin(), lines.end(), Line{5, "Mass erase occured!\r\n"}),
              lines.end());
}

TEST_F(Upgrade, BothPasswordsRefusedFails) {
    EnterBootLoader();
    loader->InjectFault({BootLoaderFaultKind::RefusePassword, emulator::kAnyCommand, 0, 4});
    EXPECT_FALSE(Run(Image("new.txt", "VX0951")));
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"Mass erase occured!\r\n", "Password FAILED!\r\n",
                                        "Unsuccessful in starting the BSL. Restarting. \r\n",
                                        "Mass erase occured!\r\n", "Password FAILED!\r\n"}));
}

TEST_F(Upgrade, RetryAfterAMassEraseKeepsTheFlag) {
    EnterBootLoader();
    // The first start-up erases, then fails on the version; the retry must not erase again
    // segment by segment and must speak the default password.
    loader->InjectFault({BootLoaderFaultKind::RefusePassword});
    loader->InjectFault(
        {BootLoaderFaultKind::WrongVersion, emulator::kAnyCommand, 0, 1, 0x00060533});
    ASSERT_TRUE(Run(Image("new.txt", "VX0952")));
    EXPECT_TRUE(Has("Unsuccessful in starting the BSL. Restarting. \r\n"));
    EXPECT_FALSE(Has("Erasing memory segments \r\n"));
    EXPECT_EQ(Passwords().back(), std::vector<uint8_t>(32, 0xFF));
}

TEST_F(Upgrade, StartUpWithTheFlagSetSendsTheDefaultPasswordAtTheSecondConnection) {
    EnterBootLoader();
    UpgradeSequence sequence(testsupport::SimulatedFiles(), [](int, const std::string&) {});
    bool massErase = true;
    sequence.DownloadStartUp(massErase);
    EXPECT_TRUE(massErase);
    const auto passwords = Passwords();
    ASSERT_EQ(passwords.size(), 2u);
    EXPECT_EQ(passwords[0], testsupport::BuiltInPassword());
    EXPECT_EQ(passwords[1], std::vector<uint8_t>(32, 0xFF));
}

TEST_F(Upgrade, WrongRamLoaderVersionFailsEvenWithTheRightPassword) {
    EnterBootLoader();
    loader->InjectFault({BootLoaderFaultKind::WrongVersion, emulator::kAnyCommand, 0,
                         emulator::kForever, 0x00060533});
    EXPECT_FALSE(Run(Image("new.txt", "VX0953")));
    const auto texts = Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Failed to read data from RAM BSL\r\n"), 2);
    EXPECT_EQ(texts.back(), "Failed to read data from RAM BSL\r\n");
    EXPECT_FALSE(loader->locked()) << "the password was accepted";
    EXPECT_FALSE(device::BootLoaderInUse());
}

TEST_F(Upgrade, RefusedPasswordAfterTheRamLoaderFails) {
    // The RAM loader refuses every password: its version can still be read, so the password
    // line is the one shown.
    EnterBootLoader();
    loader->InjectFault({BootLoaderFaultKind::RefusePassword, 0x11, 1, emulator::kForever});
    EXPECT_FALSE(Run(Image("new.txt", "VX0953")));
    const auto texts = Texts();
    const auto at =
        std::find(texts.begin(), texts.end(), "Password FAILED after sending RAM BSL!\r\n");
    ASSERT_NE(at, texts.end());
    ASSERT_NE(at + 1, texts.end());
    EXPECT_EQ(*(at + 1), "Unsuccessful in starting the BSL. Restarting. \r\n");
}

struct FileCase {
    const char* name;
    std::string text; // empty: no file at all
    const char* reason;
};

void PrintTo(const FileCase& c, std::ostream* os) {
    *os << c.name;
}

class UpgradeBadFile : public Upgrade, public ::testing::WithParamInterface<FileCase> {};

TEST_P(UpgradeBadFile, IsRefusedWithItsReasonBeforeTheLoaderHearsAnything) {
    EnterBootLoader();
    const auto flash = loader->memory().Read(0x8000, 0x8000);
    const std::string path = GetParam().text.empty() ? (scratch / "missing.txt").string()
                                                     : WriteFile("bad.txt", GetParam().text);
    EXPECT_FALSE(Run(path));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].first, 0);
    const std::string& text = lines[0].second;
    EXPECT_EQ(text.rfind("Unable to use the firmware file..\r\n" + path + ": ", 0), 0u) << text;
    EXPECT_NE(text.find(GetParam().reason), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_TRUE(loader->received().empty());
    EXPECT_EQ(loader->memory().Read(0x8000, 0x8000), flash) << "nothing erased";
    EXPECT_FALSE(device::BootLoaderInUse());
}

INSTANTIATE_TEST_SUITE_P(
    Files, UpgradeBadFile,
    ::testing::Values(FileCase{"CannotBeOpened", "", "it cannot be read"},
                      FileCase{"SectionsWritingTheSameBytes",
                               testsupport::TiTxt({{0x8000, std::vector<uint8_t>(64, 1)},
                                                   {0x8020, std::vector<uint8_t>(16, 2)},
                                                   {0xFFFE, {0x00, 0x80}}}),
                               "writes 0x8020..0x802F twice"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Upgrade, ImageChangedAfterTheCheckIsNotWhatGetsWritten) {
    EnterBootLoader();
    const std::string file = Image("new.txt", "VX0958");
    // The worker reports the loader's first line after the check: replace the file then.
    bool replaced = false;
    firmware::UpgradeSequence sequence(testsupport::SimulatedFiles(),
                                       [&](int percent, const std::string&) {
                                           if (percent == 10 && !replaced) {
                                               WriteFile("new.txt", "not firmware at all\n");
                                               replaced = true;
                                           }
                                       });
    ASSERT_TRUE(sequence.Run(file));
    EXPECT_TRUE(replaced);
    Pass(loader->options.restartMs + 10);
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0958");
}

// With no temporary folder to keep a copy in, the file itself is downloaded, and only while it
// still holds what was checked.
TEST_F(Upgrade, WithoutAWorkingCopyOnlyTheFileAsCheckedIsDownloaded) {
    // Each system's name for the temporary folder, pointed at a folder that is not there.
    const std::string gone = (scratch / "gone").string();
    const testsupport::ScopedEnvironment noTemporaries("TMPDIR", gone);
    const testsupport::ScopedEnvironment noWindowsTemporaries("TMP", gone);
    const testsupport::ScopedEnvironment noWindowsTemporariesEither("TEMP", gone);
    EnterBootLoader();
    const std::string file = Image("new.txt", "VX0957");
    const ImageCheck checked = CheckFirmwareFile(file);
    ASSERT_TRUE(checked.ok);
    Image("new.txt", "VX0956");
    EXPECT_FALSE(Run(file, &checked));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Unable to use the firmware file..\r\n" + file +
                                                 ": it changed after it was checked: choose it "
                                                 "again\r\n"}));
    EXPECT_TRUE(loader->received().empty());

    ASSERT_TRUE(Run(file, nullptr));
    Pass(loader->options.restartMs + 10);
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0956");
}

TEST_F(Upgrade, CrcMismatchOnOneBlockFailsVerification) {
    EnterBootLoader();
    // 12000 code bytes: three verify blocks, then the version and vector sections.
    const std::string file = Image("new.txt", "VX0954", 12000);
    loader->InjectFault({BootLoaderFaultKind::CrcMismatch, emulator::kAnyCommand, 1});
    EXPECT_FALSE(Run(file));
    EXPECT_EQ(Texts().back(), "Memory verification error\r\n");
    int crcRequests = 0;
    for (const auto& entry : loader->received()) {
        crcRequests += entry.command == 0x16 ? 1 : 0;
    }
    EXPECT_EQ(crcRequests, 2) << "verification stops at the block that differs";
}

TEST_F(Upgrade, BlocksEndingInANewSegmentGetThatSegmentErased) {
    EnterBootLoader();
    // 300 bytes from 0x8150 end inside 0x8200..0x83FF, where the old application has code.
    auto image = testsupport::KeypadImage("VX0955", 16);
    testsupport::Section straddling{0x8150, std::vector<uint8_t>(300, 0x3C)};
    image.push_back(straddling);
    ASSERT_TRUE(Run(WriteFile("straddle.txt", testsupport::TiTxt(image))));
    EXPECT_EQ(loader->memory().Read(0x8150, 300), straddling.bytes);
}

TEST_F(Upgrade, EmptyOrTooLongFileNamesNeverReachTheLoader) {
    EnterBootLoader();
    // Whether the sequence reads the file or its caller did.
    const ImageCheck checked = CheckFirmwareFile(Image("new.txt", "VX0959"));
    ASSERT_TRUE(checked.ok);
    for (const ImageCheck* image : {static_cast<const ImageCheck*>(nullptr), &checked}) {
        lines.clear();
        EXPECT_FALSE(Run("", image));
        EXPECT_EQ(lines, (std::vector<Line>{{0, "No file specified\r\n"}}));
        lines.clear();
        EXPECT_FALSE(Run("/" + std::string(199, 'f'), image));
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].second, std::string(kPathTooLongText) + "\r\n");
    }
    EXPECT_TRUE(loader->received().empty());
    EXPECT_FALSE(FirmwarePathProblem(std::string(199, 'f')).has_value());
    // Counted in characters, as the message says, not in the bytes of their UTF-8.
    std::string japanese;
    for (int i = 0; i < 199; ++i) {
        japanese += "\xE6\x97\xA5";
    }
    EXPECT_FALSE(FirmwarePathProblem(japanese).has_value());
    EXPECT_TRUE(FirmwarePathProblem(japanese + "\xE6\x97\xA5").has_value());
}

struct UnplugCase {
    const char* name;
    int command;
    int skip;
    const char* lastLine;
};

void PrintTo(const UnplugCase& c, std::ostream* os) {
    *os << c.name;
}

class UpgradeUnplugged : public Upgrade, public ::testing::WithParamInterface<UnplugCase> {};

TEST_P(UpgradeUnplugged, EndsWithItsStatusLineAndNoLoaderLeft) {
    EnterBootLoader();
    loader->InjectFault({BootLoaderFaultKind::Unplug, GetParam().command, GetParam().skip});
    EXPECT_FALSE(Run(Image("new.txt", "VX0956", 6000)));
    EXPECT_EQ(Texts().back(), GetParam().lastLine);
    EXPECT_FALSE(device::BootLoaderInUse()) << "rescans are allowed again";
    EXPECT_EQ(CountBootLoaders(InitializeVidPidFirmware()), 0u);
    EXPECT_EQ(DeviceCountDisplay(0).label, "No device connected");
}

// RX data block fast reports: 50 carry the RAM loader, the firmware follows.
INSTANTIATE_TEST_SUITE_P(
    Steps, UpgradeUnplugged,
    ::testing::Values(UnplugCase{"FirstPassword", 0x11, 0, "USB device was unplugged!\r\n"},
                      UnplugCase{"RamLoader", 0x1B, 10, "USB device was unplugged!\r\n"},
                      UnplugCase{"LoadPc", 0x17, 0, "USB device was unplugged!\r\n"},
                      UnplugCase{"SecondPassword", 0x11, 1, "USB device was unplugged!\r\n"},
                      UnplugCase{"Version", 0x19, 0, "USB device was unplugged!\r\n"},
                      UnplugCase{"ResetVectorErase", 0x12, 0, "Memory verification error\r\n"},
                      UnplugCase{"ErasePass", 0x12, 5, "Memory verification error\r\n"},
                      UnplugCase{"FirmwareWrite", 0x1B, 70, "Memory verification error\r\n"},
                      UnplugCase{"Verify", 0x16, 1, "Memory verification error\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReturnCase {
    const char* name;
    uint32_t reenumerateMs;
    bool done;
};

void PrintTo(const ReturnCase& c, std::ostream* os) {
    *os << c.name;
}

class UpgradeReenumeration : public Upgrade, public ::testing::WithParamInterface<ReturnCase> {};

TEST_P(UpgradeReenumeration, WaitsForTheRamLoaderAsLongAsItTakesUpToItsBound) {
    loader->options.reenumerateMs = GetParam().reenumerateMs;
    EnterBootLoader();
    const uint64_t start = clock().NowUs();
    EXPECT_EQ(Run(Image("new.txt", "VX0959")), GetParam().done);
    const auto texts = Texts();
    const bool restarted = std::find(texts.begin(), texts.end(), kRestartingText) != texts.end();
    if (GetParam().done) {
        EXPECT_FALSE(restarted) << "the first start-up waited long enough";
        // Looked for every 100 ms: no more than that after the loader came back.
        EXPECT_LE(clock().NowUs() - start, (GetParam().reenumerateMs + 2000) * 1000ull);
        Pass(loader->options.restartMs + 10);
        EXPECT_EQ(keypad->model.firmwareVersion, "VX0959");
        return;
    }
    ASSERT_TRUE(restarted);
    EXPECT_EQ(texts.back(), kUnpluggedText);
    // The retry waited too: it found the RAM loader and started it once more.
    const auto commands = loader->ReceivedCommands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), 0x17), 2);
}

INSTANTIATE_TEST_SUITE_P(Delays, UpgradeReenumeration,
                         ::testing::Values(ReturnCase{"HalfASecond", 500, true},
                                           ReturnCase{"FourSeconds", 4000, true},
                                           ReturnCase{"TwelveSeconds", 12000, true},
                                           ReturnCase{"TwentySeconds", 20000, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Upgrade, LoadPcAnsweredInsteadOfRunIsAFailedStart) {
    EnterBootLoader();
    loader->InjectFault({BootLoaderFaultKind::Refuse, 0x17, 0, 1, 0x04});
    ASSERT_TRUE(Run(Image("new.txt", "VX0961")));
    const std::vector<std::string> texts = Texts();
    ASSERT_GE(texts.size(), 5u);
    EXPECT_EQ(texts[2], kRamBslStartFailedText);
    EXPECT_EQ(texts[3], kRestartingText);
    const auto failed = std::find(lines.begin(), lines.end(), Line{30, kRamBslStartFailedText});
    ASSERT_NE(failed, lines.end()) << "at 30 %";
    EXPECT_EQ(*(failed + 1), (Line{50, kRestartingText}));
}

TEST_F(Upgrade, UnpluggedFromTheStartReportsTheUnplugTwice) {
    EXPECT_FALSE(Run(Image("new.txt", "VX0957")));
    EXPECT_EQ(lines, (std::vector<Line>{{0, "USB device was unplugged!\r\n"},
                                        {50, "Unsuccessful in starting the BSL. Restarting. \r\n"},
                                        {0, "USB device was unplugged!\r\n"}}));
}

} // namespace
