// The upgrade window end to end against the simulated loader: device counts, Browse and its
// warnings, the status box of each run, the restore after success, unplugging, and the main
// window's opening and rescan while the download runs.

#include "firmware/firmware_upgrade.h"

#include "BootLoaderFixture.h"
#include "app/Form1.h"
#include "config/config_file.h"
#include "device/commands.h"
#include "device/discovery.h"
#include "device/link_lock.h"
#include "firmware/UpgradeSequence.h"
#include "firmware/bsl430/bsl430.h"
#include "firmware/product_marker.h"
#include "firmware/settings_restore.h"
#include "keypad/KeypadCommands.h"
#include "platform/Utf8Path.h"
#include "tests/support/BoundedThread.h"
#include "tests/support/HoldingClock.h"
#include "ui/BackgroundWorker.h"
#include "ui/Dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace {

using emulator::BootLoaderFaultKind;
using praxil_usb_encoder::firmware_upgrade;

// The download runs on virtual time: a wait that reaches this bound has found a hang.
constexpr int kSafetyTimeoutMs = testsupport::kStuckAfterMs;
const std::vector<uint8_t> kDefaultPassword(32, 0xFF);

// The download's wait after the loader's mass erase: holding it keeps the boot loader open.
constexpr uint64_t kMassEraseWaitUs = 2'000'000;

class UpgradeWindow : public testsupport::BootLoaderTest {
protected:
    UpgradeWindow() {
        previousFileName_ = FileName;
        config::PrepareConfigFile(platform::Utf8FromPath(scratch));
        firmware_upgrade::sharedStateKnown = true;
        firmware_upgrade::keypadInLoader = false;
        firmware_upgrade::serialNumber = "00054321";
        firmware_upgrade::keypadType = 5;
        firmware_upgrade::ledBrightness = 7;
        for (int i = 0; i < firmware::kKeyCodesSize; ++i) {
            firmware_upgrade::key_codes[static_cast<size_t>(i)] = static_cast<uint8_t>(0x20 + i);
        }
    }
    ~UpgradeWindow() override {
        delete window.data();
        firmware_upgrade::KeepSharedState(firmware::UpgradeState{});
        firmware_upgrade::keypadInLoader = false;
        FileName = previousFileName_;
        if (installedRamBsl_) {
            std::filesystem::remove(InstalledRamBslPath());
        }
    }

    // The loader is on the bus already: the window's first count finds it.
    void OpenOnLoader() {
        EnterBootLoader();
        window = new firmware_upgrade();
        window->show();
        ASSERT_TRUE(WaitForCount());
    }
    bool WaitForCount() {
        return QTest::qWaitFor([&] { return !window->backgroundWorkerCheckDevice->IsBusy(); },
                               kSafetyTimeoutMs);
    }
    // Picks path in the file dialog and answers the warning.
    void Browse(const std::string& path, ui::Answer answer = ui::Answer::Yes) {
        dialogs.paths.push_back(QString::fromStdString(path));
        dialogs.answers.push_back(answer);
        QTest::mouseClick(window->btnBrowse, Qt::LeftButton);
    }
    // Upgrade Firmware, then waits for the run and what follows it.
    void Upgrade() {
        ASSERT_TRUE(window->btnUpgrade->isEnabled());
        QTest::mouseClick(window->btnUpgrade, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->backgroundWorker1->IsBusy(); },
                                    kSafetyTimeoutMs));
        ASSERT_TRUE(WaitForCount());
    }
    std::string Status() const { return window->statusBox->toPlainText().toStdString(); }
    // The last status line of a run whose settings went back.
    static QString WrittenBack() {
        return QString::fromLatin1(firmware::kSettingsWrittenBackText).trimmed();
    }
    QStringList StatusLines() const {
        return window->statusBox->toPlainText().split(u'\n', Qt::SkipEmptyParts);
    }
    std::vector<std::vector<uint8_t>> Passwords() const {
        std::vector<std::vector<uint8_t>> passwords;
        for (const auto& entry : loader->received()) {
            if (entry.command == 0x11) {
                passwords.push_back(entry.payload);
            }
        }
        return passwords;
    }
    std::string Image(const std::string& name, const std::string& version,
                      uint32_t codeBytes = 2048) {
        return WriteFile(name, testsupport::TiTxt(testsupport::KeypadImage(version, codeBytes)));
    }
    void UpgradeWith(const std::string& file) {
        Browse(file);
        Upgrade();
    }

    // A RAM boot loader as a user would install one: in the data folder (the test's scratch
    // XDG_DATA_HOME), removed again at the end.
    static std::string InstalledRamBslPath() {
        return (std::filesystem::path(std::getenv("XDG_DATA_HOME")) / "echovane" / "RAM_BSL.txt")
            .string();
    }
    void InstallRamBsl(const std::string& text) {
        std::filesystem::create_directories(
            std::filesystem::path(InstalledRamBslPath()).parent_path());
        std::ofstream(InstalledRamBslPath(), std::ios::binary) << text;
        installedRamBsl_ = true;
    }

    ui::DialogRecorder dialogs;
    QPointer<firmware_upgrade> window;

private:
    std::string previousFileName_;
    bool installedRamBsl_ = false;
};

TEST_F(UpgradeWindow, OpensWithItsControlsAndTheBootLoaderIds) {
    OpenOnLoader();
    EXPECT_EQ(window->windowTitle(), "Vexor Echovane Firmware Upgrade");
    EXPECT_EQ(window->size(), QSize(516, 358));
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(window->vidLbl->text(), "0x2047");
    EXPECT_EQ(window->pidLbl->text(), "0x0200");
    EXPECT_EQ(window->btnBrowse->text(), "&Browse");
    EXPECT_EQ(window->btnClose->text(), "&Close");
    EXPECT_TRUE(window->filenameTextBox->isReadOnly());
    EXPECT_TRUE(window->statusBox->isReadOnly());
    EXPECT_EQ(window->progressBar->maximum(), 100);
    EXPECT_TRUE(window->registered());
}

struct CountCase {
    const char* name;
    int loaders;
    const char* label;
    bool browse;
};

void PrintTo(const CountCase& c, std::ostream* os) {
    *os << c.name;
}

class UpgradeWindowCount : public UpgradeWindow, public ::testing::WithParamInterface<CountCase> {};

TEST_P(UpgradeWindowCount, ShowsTheCountAndEnablesBrowseOnly) {
    std::vector<std::shared_ptr<emulator::SimulatedBootLoader>> loaders;
    for (int i = 0; i < GetParam().loaders; ++i) {
        loaders.push_back(std::make_shared<emulator::SimulatedBootLoader>(
            testsupport::BuiltInPassword(), emulator::SimulatedBootLoader::Options{}));
        bus().Plug(loaders.back());
    }
    window = new firmware_upgrade();
    ASSERT_TRUE(WaitForCount());
    EXPECT_EQ(window->labelNumOfDevices->text(), GetParam().label);
    EXPECT_EQ(window->numberOfUSBDevicesConnected, static_cast<uint32_t>(GetParam().loaders));
    EXPECT_EQ(window->btnBrowse->isEnabled(), GetParam().browse);
    EXPECT_FALSE(window->btnUpgrade->isEnabled());
    // Off buttons say, to a screen reader, what is attached and what has to come first.
    EXPECT_EQ(window->btnBrowse->accessibleDescription(), GetParam().label);
    EXPECT_EQ(window->btnUpgrade->accessibleDescription(),
              GetParam().browse ? "Off until a firmware file is chosen with Browse and its "
                                  "warning answered Yes"
                                : GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(Loaders, UpgradeWindowCount,
                         ::testing::Values(CountCase{"None", 0, "No device connected", false},
                                           CountCase{"One", 1, "Found 1 device", true},
                                           CountCase{"Two", 2, "Found 2 devices", true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BrowseCase {
    const char* name;
    std::string text;
    std::string warning;
};

void PrintTo(const BrowseCase& c, std::ostream* os) {
    *os << c.name;
}

class UpgradeWindowBrowse : public UpgradeWindow,
                            public ::testing::WithParamInterface<BrowseCase> {};

TEST_P(UpgradeWindowBrowse, AsksTheWarningAndStoresTheFileName) {
    OpenOnLoader();
    const std::string path = WriteFile("Pick Me.txt", GetParam().text);
    for (const ui::Answer answer : {ui::Answer::No, ui::Answer::Yes}) {
        dialogs.messages.clear();
        Browse(path, answer);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        const ui::MessageRequest& asked = dialogs.messages[0];
        EXPECT_EQ(asked.text.toStdString(), GetParam().warning);
        EXPECT_EQ(asked.caption, "Firmware Upgrade");
        EXPECT_EQ(asked.buttons, ui::Buttons::YesNo);
        EXPECT_EQ(asked.icon, ui::Icon::Question);
        EXPECT_EQ(window->btnUpgrade->isEnabled(), answer == ui::Answer::Yes);
        EXPECT_EQ(window->btnUpgrade->accessibleDescription().isEmpty(), answer == ui::Answer::Yes);
    }
    EXPECT_EQ(window->filenameTextBox->text().toStdString(), path);
    EXPECT_EQ(config::GetSettings(config::kFirmwareFileKey), "Pick Me.txt");
}

INSTANTIATE_TEST_SUITE_P(
    Markers, UpgradeWindowBrowse,
    ::testing::Values(
        BrowseCase{"VectaPad", "@8000\r\n00 01\r\n@7000\r\n03\r\n@FFFE\r\n00 80\r\nq\r\n",
                   "Warning!, you are upgrading with product file VectaPad, please make sure you "
                   "have correct hardware connected. do you want to continue?"},
        BrowseCase{"NoMarker", "@8000\r\n00 01\r\n@FFFE\r\n00 80\r\nq\r\n",
                   firmware::kGeneralWarningText}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpgradeWindow, BrowseShowsWhyAFileIsRefusedAndKeepsUpgradeOff) {
    OpenOnLoader();
    const std::string path = WriteFile("refused.txt", "@8000\r\n00 0G\r\n@FFFE\r\n00 80\r\nq\r\n");
    Browse(path);
    ASSERT_EQ(dialogs.messages.size(), 1u) << "no product warning after the refusal";
    const ui::MessageRequest& shown = dialogs.messages[0];
    EXPECT_EQ(shown.text.toStdString(), "Unable to use the firmware file..\n" + path +
                                            ": line 2: \"0G\" is not a hex byte\n");
    EXPECT_EQ(shown.caption, "Vexor Echovane");
    EXPECT_EQ(shown.icon, ui::Icon::Warning);
    EXPECT_FALSE(window->btnUpgrade->isEnabled());
    EXPECT_TRUE(window->filenameTextBox->text().isEmpty());
    EXPECT_NE(config::GetSettings(config::kFirmwareFileKey), "refused.txt");
    EXPECT_TRUE(loader->received().empty());
}

struct ChangedCase {
    const char* name;
    // What the file holds by the time Upgrade is clicked.
    const char* text;
    const char* reason;
};

void PrintTo(const ChangedCase& c, std::ostream* os) {
    *os << c.name;
}

class UpgradeWindowChanged : public UpgradeWindow,
                             public ::testing::WithParamInterface<ChangedCase> {};

// What was confirmed at Browse is what may be downloaded: a file spoilt or replaced by another
// good image (perhaps for another product) meanwhile is refused and nothing is sent.
TEST_P(UpgradeWindowChanged, AfterBrowseTheFileIsRefusedAtTheClickAndNothingIsSent) {
    OpenOnLoader();
    const std::string file = Image("new.txt", "VX0979");
    Browse(file);
    ASSERT_TRUE(window->btnUpgrade->isEnabled());
    WriteFile("new.txt", GetParam().text);
    dialogs.messages.clear();
    QTest::mouseClick(window->btnUpgrade, Qt::LeftButton);
    EXPECT_FALSE(window->backgroundWorker1->IsBusy());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.toStdString(),
              "Unable to use the firmware file..\n" + file + ": " + GetParam().reason + "\n");
    EXPECT_FALSE(window->btnUpgrade->isEnabled());
    EXPECT_TRUE(loader->received().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, UpgradeWindowChanged,
    ::testing::Values(ChangedCase{"Spoilt", "@8000\r\n00 01\r\n",
                                  "line 2: the end marker \"q\" is missing"},
                      ChangedCase{"ReplacedByAnotherProductsImage",
                                  "@8000\r\n00 01\r\n@7000\r\n03\r\n@FFFE\r\n00 80\r\nq\r\n",
                                  "it changed after it was checked: choose it again"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpgradeWindow, AnUnusableRamBootLoaderInstalledMeanwhileIsRefusedAtTheClick) {
    OpenOnLoader();
    Browse(Image("new.txt", "VX0978"));
    InstallRamBsl("@2400\r\n00 06 05 34 31 40\r\nq\r\n");
    dialogs.messages.clear();
    QTest::mouseClick(window->btnUpgrade, Qt::LeftButton);
    EXPECT_FALSE(window->backgroundWorker1->IsBusy());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.toStdString().rfind(
                  "Unable to use the RAM boot loader..\n" + InstalledRamBslPath() +
                      ": it must start with a section at 0x2500",
                  0),
              0u)
        << dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(loader->received().empty());
}

TEST_F(UpgradeWindow, BrowseRefusesAPathTooLongForTheLoader) {
    OpenOnLoader();
    Browse("/" + std::string(210, 'f') + ".txt");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.toStdString(),
              std::string(firmware::kPathTooLongText) + "\n");
    EXPECT_FALSE(window->btnUpgrade->isEnabled());
    EXPECT_TRUE(window->filenameTextBox->text().isEmpty());
}

TEST_F(UpgradeWindow, SuccessfulRunFillsTheStatusBoxInOrderAndRestoresTheSettings) {
    OpenOnLoader();
    const std::string file = Image("new.txt", "VX0970");
    keypad->ClearReceived();
    UpgradeWith(file);
    EXPECT_EQ(Status(), "Starting\n"
                        "Password Sent Successfully\n"
                        "Sending RAM BSL v00.06.05.34\n"
                        "Done RAM BSL v00.06.05.34\n"
                        "Erasing memory segments \n"
                        "Sending " +
                            file +
                            "\n"
                            "Firmware Sent\n"
                            "Verifying memory\n"
                            "Memory successfully verified\n"
                            "Total programming time is 0s \n"
                            "Resetting Device...\n"
                            "Starting application\n"
                            "Done!\n"
                            "Waiting for the keypad to start the new firmware...\n"
                            "The keypad's serial number, code table and LED brightness are "
                            "written back.\n");
    EXPECT_EQ(window->progressBar->value(), 100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->focusWidget() == window->statusBox; }));
    EXPECT_EQ(window->statusBox->textCursor().block().text(),
              "The keypad's serial number, code table and LED brightness are written back.");
    EXPECT_TRUE(dialogs.messages.size() == 1u) << "only the warning of Browse";
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0970");
    EXPECT_EQ(keypad->model.serialNumber, "00054321");
    EXPECT_EQ(keypad->storedDefaults.tableKind, 5);
    EXPECT_EQ(keypad->storedDefaults.ledBrightness, 7);
    // The loader has gone: the new count says so.
    EXPECT_EQ(window->labelNumOfDevices->text(), "No device connected");
    EXPECT_FALSE(device::BootLoaderInUse());
}

struct RestoreCase {
    const char* name;
    std::optional<std::string> serial;
    std::vector<uint8_t> serialPayload;
};

void PrintTo(const RestoreCase& c, std::ostream* os) {
    *os << c.name;
}

class UpgradeWindowRestore : public UpgradeWindow,
                             public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(UpgradeWindowRestore, SendsTheSixCommandsWithTheirPayloads) {
    firmware_upgrade::serialNumber = GetParam().serial;
    OpenOnLoader();
    UpgradeWith(Image("new.txt", "VX0971"));
    std::vector<uint8_t> table;
    for (int i = 0; i < firmware::kRestoredKeyCodes; ++i) {
        table.push_back(static_cast<uint8_t>(0x20 + i));
    }
    const std::vector<std::pair<uint8_t, std::vector<uint8_t>>> expected = {
        {CmdSetSerialNumber, GetParam().serialPayload},
        {CmdCheckMulticode, {0x01, 0x00}},
        {CmdSetKeypadType, {0x05}},
        {CmdWriteCodeTable, table},
        {CmdSetLedBrightness, {0x07}},
        {CmdWriteDefault, {}}};
    std::vector<std::pair<uint8_t, std::vector<uint8_t>>> sent;
    for (const auto& entry : keypad->received()) {
        if (entry.command != CmdEnterBsl) {
            sent.emplace_back(entry.command, entry.data);
        }
    }
    EXPECT_EQ(sent, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Serials, UpgradeWindowRestore,
    ::testing::Values(
        RestoreCase{"Given", "00054321", {'0', '0', '0', '5', '4', '3', '2', '1', 0, 0, 0, 0}},
        RestoreCase{"Null", std::nullopt, {'0', '0', '0', '0', '0', '0', '0', '0', 0, 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpgradeWindow, RefusedPasswordThenDefaultMassErasesAndSkipsTheErasePass) {
    OpenOnLoader();
    loader->InjectFault({BootLoaderFaultKind::RefusePassword});
    UpgradeWith(Image("new.txt", "VX0972"));
    const QStringList lines = StatusLines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], "Starting");
    EXPECT_EQ(lines[1], "Mass erase occured!");
    EXPECT_EQ(lines[2], "Password Sent Successfully");
    EXPECT_FALSE(lines.contains("Erasing memory segments "));
    EXPECT_EQ(lines.last(), WrittenBack());
    const auto passwords = Passwords();
    ASSERT_EQ(passwords.size(), 3u);
    EXPECT_EQ(passwords[0], testsupport::BuiltInPassword());
    EXPECT_EQ(passwords[1], kDefaultPassword);
    EXPECT_EQ(passwords[2], kDefaultPassword) << "the second connection";
}

TEST_F(UpgradeWindow, RetryAfterAMassEraseKeepsTheFlag) {
    OpenOnLoader();
    loader->InjectFault({BootLoaderFaultKind::RefusePassword});
    loader->InjectFault(
        {BootLoaderFaultKind::WrongVersion, emulator::kAnyCommand, 0, 1, 0x00060533});
    UpgradeWith(Image("new.txt", "VX0973"));
    const QStringList lines = StatusLines();
    EXPECT_TRUE(lines.contains("Unsuccessful in starting the BSL. Restarting. "));
    EXPECT_FALSE(lines.contains("Erasing memory segments "));
    EXPECT_EQ(Passwords().back(), kDefaultPassword);
    EXPECT_EQ(lines.last(), WrittenBack());
}

struct FailureCase {
    const char* name;
    // Set up the fault; the file name, when the case wants its own.
    std::function<void(UpgradeWindow&, emulator::SimulatedBootLoader&, std::string&)> arrange;
    const char* lastLine;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class UpgradeWindowFailure : public UpgradeWindow,
                             public ::testing::WithParamInterface<FailureCase> {};

TEST_P(UpgradeWindowFailure, EndsWithItsStatusLineAndCountsAgain) {
    OpenOnLoader();
    std::string file = Image("new.txt", "VX0974", 12000);
    Browse(file);
    ASSERT_TRUE(window->btnUpgrade->isEnabled());
    GetParam().arrange(*this, *loader, file);
    QTest::mouseClick(window->btnUpgrade, Qt::LeftButton);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !window->backgroundWorker1->IsBusy(); }, kSafetyTimeoutMs));
    ASSERT_TRUE(WaitForCount());
    EXPECT_EQ(StatusLines().last(), GetParam().lastLine);
    // Where a screen reader reads it: the focus on the line that says how it ended.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->focusWidget() == window->statusBox; }));
    EXPECT_EQ(window->statusBox->textCursor().block().text(), GetParam().lastLine);
    EXPECT_NE(window->progressBar->value(), 100);
    EXPECT_FALSE(device::BootLoaderInUse());
    // The count ran again after the failure and found what is left on the bus.
    const uint32_t left = bus().IsPlugged(loader.get()) ? 1u : 0u;
    EXPECT_EQ(window->numberOfUSBDevicesConnected, left);
    EXPECT_FALSE(window->btnUpgrade->isEnabled());
    EXPECT_EQ(dialogs.messages.size(), 1u) << "failures go to the status box";
}

void Unplug(emulator::SimulatedBootLoader& loader, int command, int skip) {
    loader.InjectFault({BootLoaderFaultKind::Unplug, command, skip});
}

INSTANTIATE_TEST_SUITE_P(
    Runs, UpgradeWindowFailure,
    ::testing::Values(
        FailureCase{"WrongRamLoaderVersion",
                    [](UpgradeWindow&, emulator::SimulatedBootLoader& l, std::string&) {
                        l.InjectFault({BootLoaderFaultKind::WrongVersion, emulator::kAnyCommand, 0,
                                       emulator::kForever, 0x00060533});
                    },
                    "Failed to read data from RAM BSL"},
        FailureCase{"CrcMismatchOnOneBlock",
                    [](UpgradeWindow&, emulator::SimulatedBootLoader& l, std::string&) {
                        l.InjectFault({BootLoaderFaultKind::CrcMismatch, emulator::kAnyCommand, 1});
                    },
                    "Memory verification error"},
        FailureCase{"UnplugAtFirstPassword",
                    [](UpgradeWindow&, emulator::SimulatedBootLoader& l, std::string&) {
                        Unplug(l, 0x11, 0);
                    },
                    "USB device was unplugged!"},
        FailureCase{"UnplugInRamLoader",
                    [](UpgradeWindow&, emulator::SimulatedBootLoader& l, std::string&) {
                        Unplug(l, 0x1B, 10);
                    },
                    "USB device was unplugged!"},
        FailureCase{"UnplugAtVersion",
                    [](UpgradeWindow&, emulator::SimulatedBootLoader& l, std::string&) {
                        Unplug(l, 0x19, 0);
                    },
                    "USB device was unplugged!"},
        FailureCase{"UnplugInErasePass",
                    [](UpgradeWindow&, emulator::SimulatedBootLoader& l, std::string&) {
                        Unplug(l, 0x12, 5);
                    },
                    "Memory verification error"},
        FailureCase{"UnplugInFirmwareWrite",
                    [](UpgradeWindow&, emulator::SimulatedBootLoader& l, std::string&) {
                        Unplug(l, 0x1B, 70);
                    },
                    "Memory verification error"},
        FailureCase{"UnplugInVerify",
                    [](UpgradeWindow&, emulator::SimulatedBootLoader& l, std::string&) {
                        Unplug(l, 0x16, 1);
                    },
                    "Memory verification error"}),
    [](const auto& info) { return std::string(info.param.name); });

struct StopCase {
    const char* name;
    emulator::FaultKind kind;
    uint8_t command;
    const char* message;
};

void PrintTo(const StopCase& c, std::ostream* os) {
    *os << c.name;
}

class UpgradeWindowRestoreStops : public UpgradeWindow,
                                  public ::testing::WithParamInterface<StopCase> {};

TEST_P(UpgradeWindowRestoreStops, AtTheFirstFailureWithItsMessage) {
    OpenOnLoader();
    keypad->InjectFault({GetParam().kind, GetParam().command});
    keypad->ClearReceived();
    UpgradeWith(Image("new.txt", "VX0975"));
    // What is not back is said, the serial number named, and how to get it back.
    const std::string notAllBack =
        "The keypad's serial number 00054321, code table and LED brightness "
        "from before the upgrade are not all back on it.";
    EXPECT_EQ(StatusLines().last().toStdString(), notAllBack);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    const ui::MessageRequest& shown = dialogs.messages[1];
    EXPECT_EQ(shown.text.toStdString(),
              std::string(GetParam().message) + "\n" + notAllBack +
                  " With the keypad plugged in, click on Scan For Device and run the upgrade "
                  "again before closing this program: that writes them back.\n");
    EXPECT_EQ(shown.caption, "Vexor Echovane");
    EXPECT_EQ(shown.icon, ui::Icon::Warning);
    // Nothing after the failed command.
    const auto received = keypad->received();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back().command, GetParam().command);
    EXPECT_EQ(window->labelNumOfDevices->text(), "No device connected");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, UpgradeWindowRestoreStops,
    ::testing::Values(StopCase{"RefusedSerial", emulator::FaultKind::Refuse, CmdSetSerialNumber,
                               firmware::kSetSerialNumberFailedText},
                      StopCase{"RefusedTable", emulator::FaultKind::Refuse, CmdWriteCodeTable,
                               keypad::kLoadTableFailedText},
                      StopCase{"UnpluggedAtType", emulator::FaultKind::Unplug, CmdSetKeypadType,
                               keypad::kSetKeypadTypeFailedText},
                      StopCase{"UnpluggedAtBrightness", emulator::FaultKind::Unplug,
                               CmdSetLedBrightness, keypad::kWriteBackLedBrightnessFailedText}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpgradeWindow, CloseSaysScanForAndClosesTheWindow) {
    OpenOnLoader();
    QTest::mouseClick(window->btnClose, Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Please Click on Scan for.\n");
    EXPECT_EQ(dialogs.messages[0].caption, "Vexor Kivoo");
    EXPECT_EQ(dialogs.messages[0].icon, ui::Icon::Warning);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, kSafetyTimeoutMs));
}

// Escape is Close, with its refusal while the download runs.
TEST_F(UpgradeWindow, EscapeDuringTheDownloadIsRefusedAsCloseIs) {
    OpenOnLoader();
    Browse(Image("new.txt", "VX0976"));
    testsupport::HoldingClock gate(clock(), kMassEraseWaitUs);
    // The refused password holds the worker in its mass-erase wait.
    loader->InjectFault({BootLoaderFaultKind::RefusePassword});
    QTest::mouseClick(window->btnUpgrade, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.held(); }, kSafetyTimeoutMs));
    dialogs.messages.clear();
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_EQ(dialogs.texts(),
              QStringList{QString::fromLatin1(firmware::kUpgradeRunningText) + "\n"});
    EXPECT_TRUE(window->isVisible());
    gate.Release();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !window->backgroundWorker1->IsBusy(); }, kSafetyTimeoutMs));
    EXPECT_EQ(StatusLines().last(), WrittenBack());
}

// The main window's "Update Echovane Firmware" hands over its settings, sends the keypad into
// its boot loader, and the window finds it by the device notification. A rescan from the main
// window while the download holds the loader is refused.
TEST_F(UpgradeWindow, OpenedFromTheMainWindowWatchesTheLoaderAndRefusesARescanMeanwhile) {
    keypad->settings.tableKind = 1;
    keypad->settings.ledBrightness = 3;
    keypad->model.serialNumber = "00077777";
    ASSERT_TRUE(device::RescanForKeypad().found);
    praxil_usb_encoder::Form1 form;
    dialogs.answers.push_back(ui::Answer::Yes);
    form.btnLoadFirmware_MouseClick();
    window = qobject_cast<firmware_upgrade*>(form.firmwareUpgradeFrm.data());
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(firmware_upgrade::serialNumber, "00077777");
    EXPECT_EQ(firmware_upgrade::keypadType, 1);
    EXPECT_EQ(firmware_upgrade::ledBrightness, 3);
    ASSERT_TRUE(WaitForCount());
    EXPECT_EQ(window->labelNumOfDevices->text(), "No device connected");

    Pass(keypad->bootLoaderDelayMs + 100);
    bsl430::PollDeviceNotification();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->labelNumOfDevices->text() == "Found 1 device"; }, kSafetyTimeoutMs));

    Browse(Image("new.txt", "VX0976"));
    testsupport::HoldingClock gate(clock(), kMassEraseWaitUs);
    loader->InjectFault({BootLoaderFaultKind::RefusePassword});
    dialogs.messages.clear();
    QTest::mouseClick(window->btnUpgrade, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.held(); }, kSafetyTimeoutMs));
    EXPECT_TRUE(device::BootLoaderInUse());
    form.button11_Click();
    gate.Release();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !window->backgroundWorker1->IsBusy(); }, kSafetyTimeoutMs));
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages[0].text.toStdString(),
              std::string(device::kRescanRefusedText) + "\n");
    EXPECT_EQ(StatusLines().last(), WrittenBack());
    EXPECT_EQ(bus().usage().useAfterExit, 0);
    EXPECT_EQ(keypad->model.serialNumber, "00077777");
}

TEST_F(UpgradeWindow, AKeypadTakingSixSecondsAfterTheResetStillGetsItsSettingsBack) {
    loader->options.restartMs = 6000;
    OpenOnLoader();
    UpgradeWith(Image("new.txt", "VX0980"));
    EXPECT_EQ(StatusLines().last(), WrittenBack());
    EXPECT_EQ(dialogs.messages.size(), 1u) << "no restore failure";
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0980");
    EXPECT_EQ(keypad->model.serialNumber, "00054321");
}

TEST_F(UpgradeWindow, MainWindowRefusesTheUpgradeWithoutAUsableRamBootLoader) {
    InstallRamBsl("RAM loader\n");
    ASSERT_TRUE(device::RescanForKeypad().found);
    praxil_usb_encoder::Form1 form;
    keypad->ClearReceived();
    form.btnLoadFirmware_MouseClick();
    ASSERT_EQ(dialogs.messages.size(), 1u) << "no question asked";
    EXPECT_EQ(dialogs.messages[0].text.toStdString(),
              "Unable to use the RAM boot loader..\n" + InstalledRamBslPath() +
                  ": line 1: \"RAM loader\" comes before the first \"@\" section address\n");
    EXPECT_EQ(dialogs.messages[0].icon, ui::Icon::Warning);
    EXPECT_TRUE(keypad->received().empty()) << "not even a status read";
    EXPECT_TRUE(form.firmwareUpgradeFrm.isNull());
}

// Each window watches the bus for itself; the one boot-loader connection allows one download.
TEST_F(UpgradeWindow, ASecondWindowCountsOnItsOwnAndWaitsForTheRunningDownload) {
    OpenOnLoader();
    QPointer<firmware_upgrade> second = new firmware_upgrade();
    struct Cleanup {
        QPointer<firmware_upgrade>& window;
        ~Cleanup() { delete window.data(); }
    } cleanup{second};
    ASSERT_TRUE(QTest::qWaitFor([&] { return !second->backgroundWorkerCheckDevice->IsBusy(); },
                                kSafetyTimeoutMs));
    EXPECT_TRUE(second->registered());
    EXPECT_EQ(second->labelNumOfDevices->text(), "Found 1 device");
    EXPECT_TRUE(second->btnBrowse->isEnabled());

    // Both hear the loader go; the second goes on hearing once the first is closed.
    bus().Unplug(loader.get());
    bsl430::PollDeviceNotification();
    for (firmware_upgrade* w : {window.data(), second.data()}) {
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return w->labelNumOfDevices->text() == "No device connected"; },
                            kSafetyTimeoutMs));
    }
    delete window.data();
    bus().Plug(loader);
    bsl430::PollDeviceNotification();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return second->labelNumOfDevices->text() == "Found 1 device"; }, kSafetyTimeoutMs));

    window = new firmware_upgrade();
    ASSERT_TRUE(WaitForCount());
    Browse(Image("new.txt", "VX0981"));
    dialogs.paths.push_back(QString::fromStdString(Image("other.txt", "VX0982")));
    dialogs.answers.push_back(ui::Answer::Yes);
    QTest::mouseClick(second->btnBrowse, Qt::LeftButton);
    ASSERT_TRUE(second->btnUpgrade->isEnabled());

    testsupport::HoldingClock gate(clock(), kMassEraseWaitUs);
    loader->InjectFault({BootLoaderFaultKind::RefusePassword});
    QTest::mouseClick(window->btnUpgrade, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.held(); }, kSafetyTimeoutMs));
    EXPECT_TRUE(firmware_upgrade::AnyDownloadRunning());
    dialogs.messages.clear();
    QTest::mouseClick(second->btnUpgrade, Qt::LeftButton);
    EXPECT_FALSE(second->backgroundWorker1->IsBusy());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.toStdString(),
              std::string(praxil_usb_encoder::kUpgradeRunningText) + "\n");
    gate.Release();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !window->backgroundWorker1->IsBusy(); }, kSafetyTimeoutMs));
    EXPECT_EQ(StatusLines().last(), WrittenBack());
    EXPECT_FALSE(firmware_upgrade::AnyDownloadRunning());
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0981");
}

} // namespace
