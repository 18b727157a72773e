// An upgrade cut short by a power cut at every phase, from CmdEnterBsl to the restore, then
// brought back as a user would: from the main window and its upgrade window, or with
// echovane-cli upgrade. Every case ends with the new firmware running and no setting of the
// keypad overwritten by one that was not its own. A seeded soak cuts upgrades at random.

#include "app/Form1.h"
#include "config/config_file.h"
#include "device/commands.h"
#include "device/discovery.h"
#include "emulator/SimulatedRamBsl.h"
#include "firmware/bsl430/bsl430.h"
#include "firmware/firmware_upgrade.h"
#include "keypad/KeypadSelection.h"
#include "platform/Utf8Path.h"
#include "tests/cli/CliFixture.h"
#include "tests/firmware/BootLoaderFixture.h"
#include "tests/support/BoundedThread.h"
#include "ui/BackgroundWorker.h"
#include "ui/Dialogs.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace {

using emulator::BootLoaderFaultKind;
using emulator::FaultKind;
using emulator::SimulatedKeypad;
using praxil_usb_encoder::firmware_upgrade;

constexpr int kSafetyTimeoutMs = testsupport::kStuckAfterMs;
constexpr char kSerial[] = "55501234";
constexpr char kNewVersion[] = "VX0990";
// Power comes back this long after the cut.
constexpr int kPowerBackMs = 500;
constexpr uint8_t kRxPassword = 0x11;
constexpr uint8_t kEraseSegment = 0x12;
constexpr uint8_t kCrcCheck = 0x16;
constexpr uint8_t kLoadPc = 0x17;
constexpr uint8_t kTxVersion = 0x19;
constexpr uint8_t kRxFast = 0x1B;
constexpr uint32_t kDataPerReport = 58;

// Reports that carry a list of sections, 58 data bytes at most each.
int Reports(const std::vector<testsupport::Section>& sections) {
    int reports = 0;
    for (const auto& section : sections) {
        reports += static_cast<int>((section.bytes.size() + kDataPerReport - 1) / kDataPerReport);
    }
    return reports;
}

int RamBslReports() {
    std::vector<testsupport::Section> sections;
    for (const auto& section : emulator::SimulatedRamBslSections()) {
        sections.push_back({section.address, section.bytes});
    }
    return Reports(sections);
}

int ImageReports() {
    return Reports(testsupport::KeypadImage(kNewVersion));
}

// Where the power goes: at the skip+1-th report with that command, to the keypad's
// application or to its boot loader.
struct Cut {
    const char* name;
    bool atLoader;
    uint8_t command;
    std::function<int()> skip;
    // The keypad comes back as the application it ran: its settings can be read again.
    bool applicationUntouched;
};

void PrintTo(const Cut& cut, std::ostream* os) {
    *os << cut.name;
}

std::vector<Cut> Cuts() {
    const auto at = [](int n) { return [n] { return n; }; };
    return {
        {"EnterBsl", false, CmdEnterBsl, at(0), true},
        {"Password", true, kRxPassword, at(0), true},
        {"RamBslTransfer", true, kRxFast, [] { return RamBslReports() / 2; }, true},
        {"LoadPc", true, kLoadPc, at(0), true},
        {"AfterReenumeration", true, kRxPassword, at(1), true},
        {"VersionRead", true, kTxVersion, at(0), true},
        {"ResetVectorErase", true, kEraseSegment, at(0), false},
        {"ErasePass", true, kEraseSegment, at(2), false},
        {"FirstBlock", true, kRxFast, [] { return RamBslReports(); }, false},
        {"MiddleBlock", true, kRxFast, [] { return RamBslReports() + ImageReports() / 2; }, false},
        {"LastBlock", true, kRxFast, [] { return RamBslReports() + ImageReports() - 1; }, false},
        {"FirstCrc", true, kCrcCheck, at(0), false},
        {"LastCrc", true, kCrcCheck, at(2), false},
        {"Reset", true, kRxFast, [] { return RamBslReports() + ImageReports(); }, false},
        {"SecondReset", true, kRxFast, [] { return RamBslReports() + ImageReports() + 1; }, false},
        {"RestoreSerial", false, CmdSetSerialNumber, at(0), false},
        {"RestoreTable", false, CmdWriteCodeTable, at(0), false},
        {"RestoreWriteDefault", false, CmdWriteDefault, at(0), false},
    };
}

class Recovery : public testsupport::CliRunner<testsupport::BootLoaderTest> {
protected:
    Recovery() {
        previousFileName_ = FileName;
        config::PrepareConfigFile(platform::Utf8FromPath(scratch));
        keypad->model.serialNumber = kSerial;
        keypad->settings.tableKind = 2;
        keypad->settings.ledBrightness = 7;
        for (size_t i = 0; i < keypad->settings.customTable.size(); ++i) {
            keypad->settings.customTable[i] = static_cast<uint8_t>(i % 2 == 0 ? 0 : 0x30 + i);
        }
        keypad->storedDefaults = keypad->settings;
        own = keypad->settings;
        image = WriteFile("new.txt", testsupport::TiTxt(testsupport::KeypadImage(kNewVersion)));
        firmware_upgrade::KeepSharedState(firmware::UpgradeState{});
        firmware_upgrade::keypadInLoader = false;
    }
    ~Recovery() override {
        delete window.data();
        firmware_upgrade::KeepSharedState(firmware::UpgradeState{});
        firmware_upgrade::keypadInLoader = false;
        FileName = previousFileName_;
    }

    // One cut a case: whatever the first attempt did not reach does not hit the recovery.
    void PowerBack() {
        Pass(kPowerBackMs + 2000);
        loader->ClearFaults();
        keypad->ClearFaults();
    }
    void CutPower(const Cut& cut) {
        if (cut.atLoader) {
            loader->InjectFault({BootLoaderFaultKind::Unplug, cut.command, cut.skip(), 1,
                                 static_cast<uint32_t>(kPowerBackMs)});
        } else {
            keypad->InjectFault({FaultKind::Unplug, cut.command, cut.skip(), 1, kPowerBackMs});
        }
    }

    int CliUpgrade() { return Run({"upgrade", QString::fromStdString(image), "--yes"}); }

    // "Update Echovane Firmware", Yes, the loader found, Browse, "Upgrade Firmware"; the
    // window is closed again at the end.
    // The upgrade window asks to "Scan for" when it is closed: each attempt starts with it.
    // False when the window found no boot loader to program.
    bool WindowUpgrade(praxil_usb_encoder::Form1& form) {
        form.button11_Click();
        form.btnLoadFirmware_MouseClick();
        window = qobject_cast<firmware_upgrade*>(form.firmwareUpgradeFrm.data());
        if (!window) {
            ADD_FAILURE() << "no upgrade window";
            return false;
        }
        Pass(keypad->bootLoaderDelayMs + kPowerBackMs + 100);
        bsl430::PollDeviceNotification();
        const auto counted = [&] { return !window->backgroundWorkerCheckDevice->IsBusy(); };
        if (!QTest::qWaitFor(counted, kSafetyTimeoutMs) || !window->btnBrowse->isEnabled()) {
            delete window.data();
            return false;
        }
        dialogs.paths.push_back(QString::fromStdString(image));
        QTest::mouseClick(window->btnBrowse, Qt::LeftButton);
        EXPECT_TRUE(window->btnUpgrade->isEnabled());
        QTest::mouseClick(window->btnUpgrade, Qt::LeftButton);
        const bool ended = QTest::qWaitFor(
            [&] {
                return !window->backgroundWorker1->IsBusy() &&
                       !window->backgroundWorkerCheckDevice->IsBusy();
            },
            kSafetyTimeoutMs);
        EXPECT_TRUE(ended) << "the download did not end";
        const bool done = window->statusBox->toPlainText().contains(QStringLiteral("Done!"));
        delete window.data();
        return done;
    }

    // New firmware, and every setting either the keypad's own or what the new firmware starts
    // with: none blank, stale or another keypad's.
    void ExpectRecovered(bool settingsKept) {
        Pass(5000);
        EXPECT_TRUE(bus().IsPlugged(keypad.get()));
        EXPECT_EQ(keypad->model.firmwareVersion, kNewVersion);
        const auto factory = SimulatedKeypad::FactorySettings();
        // The customisable table counts where it is the one in use: the restore writes the
        // active table's codes into it, as it always has.
        const auto same = [](const emulator::KeypadSettings& a, const emulator::KeypadSettings& b) {
            return a.tableKind == b.tableKind && a.ledBrightness == b.ledBrightness &&
                   (a.tableKind != 2 || a.customTable == b.customTable);
        };
        if (settingsKept) {
            EXPECT_EQ(keypad->model.serialNumber, kSerial);
            EXPECT_TRUE(same(keypad->storedDefaults, own));
        } else {
            EXPECT_TRUE(keypad->model.serialNumber == kSerial || keypad->model.serialNumber.empty())
                << keypad->model.serialNumber;
            EXPECT_TRUE(same(keypad->storedDefaults, own) || same(keypad->storedDefaults, factory));
        }
        EXPECT_TRUE(same(keypad->settings, keypad->storedDefaults));
    }

    ui::DialogRecorder dialogs;
    QPointer<firmware_upgrade> window;
    emulator::KeypadSettings own;
    std::string image;

private:
    std::string previousFileName_;
};

class RecoveryAfterACut : public Recovery, public ::testing::WithParamInterface<Cut> {};

TEST_P(RecoveryAfterACut, ByTheCommandLine) {
    CutPower(GetParam());
    CliUpgrade();
    PowerBack();
    ASSERT_EQ(CliUpgrade(), cli::kExitOk) << err.str();
    // A new process knows the settings only when the keypad can tell them.
    ExpectRecovered(GetParam().applicationUntouched);
}

TEST_P(RecoveryAfterACut, ByTheWindows) {
    praxil_usb_encoder::Form1 form;
    ASSERT_TRUE(device::RescanForKeypad().found);
    CutPower(GetParam());
    WindowUpgrade(form);
    PowerBack();
    ASSERT_TRUE(WindowUpgrade(form)) << dialogs.texts().join(u'|').toStdString();
    // The program that cut the upgrade short still knows what it read from the keypad.
    ExpectRecovered(true);
}

INSTANTIATE_TEST_SUITE_P(Phases, RecoveryAfterACut, ::testing::ValuesIn(Cuts()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Recovery, SeveralBootLoadersAreRefusedByTheCommandLine) {
    EnterBootLoader();
    auto other = std::make_shared<emulator::SimulatedBootLoader>(
        testsupport::BuiltInPassword(), emulator::SimulatedBootLoader::Options{});
    bus().Plug(other);
    EXPECT_EQ(CliUpgrade(), cli::kExitFailed);
    EXPECT_EQ(err.str(), "2 boot loaders are on the bus and cannot be told apart: unplug all but "
                         "the keypad to upgrade.\n");
    EXPECT_TRUE(loader->received().empty());
    EXPECT_TRUE(other->received().empty());
}

TEST_F(Recovery, AConfigurationFileGivesAKeypadInItsLoaderItsSettings) {
    EnterBootLoader();
    const std::string file = WriteFile("keypad.ini", "[appSettings]\r\n FirstUp=Yes\r\n "
                                                     "SerialNumber=55501234\r\n KeypadLayout=1\r\n "
                                                     "LedBrightness=4\r\n");
    ASSERT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes", "--config",
                   QString::fromStdString(file)}),
              cli::kExitOk)
        << err.str();
    EXPECT_EQ(keypad->model.firmwareVersion, kNewVersion);
    EXPECT_EQ(keypad->model.serialNumber, kSerial);
    EXPECT_EQ(keypad->storedDefaults.tableKind, 1);
    EXPECT_EQ(keypad->storedDefaults.ledBrightness, 4);

    // Without one, nothing is written and the user is told.
    loader->PowerCycle();
    Pass(2000);
    EnterBootLoader();
    ASSERT_EQ(CliUpgrade(), cli::kExitOk) << err.str();
    EXPECT_NE(err.str().find("none will be written back"), std::string::npos) << err.str();
    EXPECT_EQ(keypad->model.serialNumber, "");
}

// A keypad left in its loader while others run: the running one is not mistaken for it, and
// --device with the loader's path upgrades it without touching the other.
TEST_F(Recovery, AKeypadInItsLoaderIsNamedByThePathOfTheLoader) {
    EnterBootLoader();
    auto other = std::make_shared<SimulatedKeypad>(keypad->model);
    other->model.serialNumber = "55509999";
    other->model.firmwareVersion = "VX0810";
    bus().PlugBeforeStart(other);
    std::string loaderPath;
    for (const device::DeviceListing& listing : device::ListDevices()) {
        if (listing.kind == device::DeviceListing::Kind::BootLoader) {
            loaderPath = listing.path;
        }
    }
    ASSERT_FALSE(loaderPath.empty());

    // status shows the running keypad and fails for the other one, saying where it is; named,
    // that one says what brings it back.
    EXPECT_EQ(Run({"status"}), cli::kExitFailed) << err.str();
    EXPECT_NE(out.str().find("Keypad at "), std::string::npos) << out.str();
    ASSERT_EQ(Run({"status", "--json"}), cli::kExitFailed) << err.str();
    const QJsonArray entries =
        QJsonDocument::fromJson(QByteArray::fromStdString(out.str())).object()["keypads"].toArray();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[1].toObject()["path"].toString().toStdString(), loaderPath);
    EXPECT_EQ(entries[1].toObject()["error"].toString().toStdString(),
              keypad::InBootLoaderText(loaderPath));
    EXPECT_EQ(Run({"status"}), cli::kExitFailed) << err.str();
    EXPECT_NE(err.str().find("A keypad sits in its boot loader at " + loaderPath),
              std::string::npos)
        << err.str();
    EXPECT_EQ(Run({"--device", QString::fromStdString(loaderPath), "set-brightness", "3"}),
              cli::kExitFailed);
    EXPECT_NE(err.str().find("--device " + loaderPath + " upgrade FILE"), std::string::npos)
        << err.str();
    EXPECT_EQ(CliUpgrade(), cli::kExitFailed);
    EXPECT_NE(err.str().find("upgrade the one in the boot loader first with --device " +
                             loaderPath + "."),
              std::string::npos)
        << err.str();
    EXPECT_TRUE(loader->received().empty());

    // A configuration saved from the running keypad would give this one its serial number.
    const std::string others =
        WriteFile("other.ini", "[appSettings]\r\n FirstUp=Yes\r\n "
                               "SerialNumber=55509999\r\n KeypadLayout=1\r\n "
                               "LedBrightness=4\r\n");
    EXPECT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes", "--device",
                   QString::fromStdString(loaderPath), "--config", QString::fromStdString(others)}),
              cli::kExitFailed);
    EXPECT_NE(err.str().find("holds the serial number 55509999 of the keypad at"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find("will be upgraded"), std::string::npos) << "not when refused";
    EXPECT_TRUE(loader->received().empty());

    ASSERT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes", "--device",
                   QString::fromStdString(loaderPath)}),
              cli::kExitOk)
        << err.str();
    EXPECT_NE(
        err.str().find("The keypad in the boot loader at " + loaderPath + " will be upgraded"),
        std::string::npos)
        << err.str();
    EXPECT_EQ(keypad->model.firmwareVersion, kNewVersion);
    EXPECT_EQ(other->model.firmwareVersion, "VX0810");
    EXPECT_EQ(other->model.serialNumber, "55509999");
}

// Seeded random cuts over many upgrades, each brought back by the command line.
TEST_F(Recovery, SoakOfRandomCuts) {
    int rounds = 40;
    if (const char* text = std::getenv("ECHOVANE_UPGRADE_SOAK_ROUNDS")) {
        rounds = std::max(1, std::atoi(text));
    }
    const std::vector<Cut> cuts = Cuts();
    std::mt19937 random(20261209);
    int interrupted = 0;
    int unrecoverable = 0;
    for (int round = 0; round < rounds; ++round) {
        bus().Reset();
        keypad = std::make_shared<SimulatedKeypad>(keypad->model);
        keypad->model.serialNumber = kSerial;
        keypad->model.firmwareVersion = "VX0810";
        keypad->settings = own;
        keypad->storedDefaults = own;
        loader = emulator::SimulatedBootLoader::Attach(*keypad, testsupport::BuiltInPassword());
        bus().Plug(keypad);
        const Cut& cut = cuts[random() % cuts.size()];
        const Cut shifted{
            cut.name, cut.atLoader, cut.command,
            [skip = cut.skip(), extra = static_cast<int>(random() % 3)] { return skip + extra; },
            cut.applicationUntouched};
        CutPower(shifted);
        if (CliUpgrade() != cli::kExitOk) {
            ++interrupted;
        }
        PowerBack();
        const bool back = CliUpgrade() == cli::kExitOk;
        Pass(5000);
        if (!back || keypad->model.firmwareVersion != kNewVersion ||
            !(keypad->model.serialNumber == kSerial || keypad->model.serialNumber.empty())) {
            ++unrecoverable;
            ADD_FAILURE() << "round " << round << ", cut at " << cut.name << ": "
                          << keypad->model.firmwareVersion << ", serial '"
                          << keypad->model.serialNumber << "'\n"
                          << err.str();
        }
    }
    std::printf("upgrade soak: %d rounds, %d interrupted, %d unrecoverable\n", rounds, interrupted,
                unrecoverable);
    EXPECT_EQ(unrecoverable, 0);
}

} // namespace
