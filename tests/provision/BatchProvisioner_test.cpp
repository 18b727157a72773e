// A batch of simulated keypads plugged in on a timeline, provisioned one after another: each
// gets the saved settings and is checked, a failing one does not stop the others, none is done
// twice, and the firmware goes only to keypads that run another version, each restore reaching
// the keypad that was upgraded.

#include "config/CIniFile.h"
#include "device/commands.h"
#include "device/discovery.h"
#include "emulator/SimulatedBootLoader.h"
#include "firmware/image_check.h"
#include "provision/BatchProvisioner.h"
#include "tests/firmware/BootLoaderFixture.h"
#include "tests/support/EmulatorFixture.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using emulator::Fault;
using emulator::FaultKind;
using emulator::SimulatedKeypad;

constexpr uint8_t kSavedLayout = 2;
constexpr uint8_t kSavedBrightness = 7;
constexpr uint8_t kSavedKeyCode = 0x2C;

std::string SavedConfiguration() {
    std::string table;
    for (int i = 0; i < 20; ++i) {
        table += std::to_string(i % 2 == 0 ? 0 : kSavedKeyCode) + ",";
    }
    return "[appSettings]\r\n FirstUp=Yes\r\n KeypadLayout=" + std::to_string(kSavedLayout) +
           "\r\n LedBrightness=" + std::to_string(kSavedBrightness) +
           "\r\n CodeTableValues=" + table + "\r\n";
}

class Provisioning : public testsupport::EmulatorTest {
protected:
    Provisioning() {
        testsupport::WriteBytes(folder.File("batch.ini"), SavedConfiguration());
        const config::ReplayRead read = config::ReadReplayPlan(folder.File("batch.ini"));
        EXPECT_TRUE(read.plan.has_value());
        options.plan = read.plan.value_or(config::ReplayPlan{});
    }

    std::shared_ptr<SimulatedKeypad> Keypad(const std::string& serial,
                                            const std::string& firmware = "VX0810") {
        SimulatedKeypad::Model model;
        model.serialNumber = serial;
        model.firmwareVersion = firmware;
        auto keypad = std::make_shared<SimulatedKeypad>(model);
        keypad->rebootMs = 300;
        return keypad;
    }
    std::shared_ptr<SimulatedKeypad> Plug(const std::string& serial,
                                          const std::string& firmware = "VX0810") {
        auto keypad = Keypad(serial, firmware);
        bus().PlugBeforeStart(keypad);
        return keypad;
    }
    void PlugAt(uint32_t ms, const std::shared_ptr<SimulatedKeypad>& keypad) {
        bus().Schedule(platform::NowUs() + uint64_t{ms} * 1000,
                       [this, keypad] { bus().Plug(keypad); });
    }
    void UnplugAt(uint32_t ms, const std::shared_ptr<SimulatedKeypad>& keypad) {
        bus().Schedule(platform::NowUs() + uint64_t{ms} * 1000,
                       [this, keypad] { bus().Unplug(keypad.get()); });
    }

    provision::Summary Run(std::function<bool()> stop = {}) {
        provision::BatchProvisioner provisioner(
            options,
            [this](const provision::KeypadOutcome& outcome) { outcomes.push_back(outcome); },
            [this, stop] {
                // A run that waits for ever would hang the test: a virtual hour is plenty.
                return (stop && stop()) || platform::NowUs() > startUs + 3'600'000'000ULL;
            });
        const provision::Summary summary = provisioner.Run();
        learnt = provisioner.firmwareVersion();
        return summary;
    }

    // Now and once unplugged: a keypad keeps only what it was told to keep as its defaults.
    static bool HoldsTheSavedSettings(const SimulatedKeypad& keypad) {
        for (const emulator::KeypadSettings* held : {&keypad.settings, &keypad.storedDefaults}) {
            if (held->tableKind != kSavedLayout || held->ledBrightness != kSavedBrightness ||
                held->customTable[1] != kSavedKeyCode || held->customTable[19] != kSavedKeyCode) {
                return false;
            }
        }
        return true;
    }
    std::vector<std::string> Serials() const {
        std::vector<std::string> serials;
        for (const auto& outcome : outcomes) {
            serials.push_back(outcome.serialNumber);
        }
        return serials;
    }

    testsupport::TempFolder folder;
    provision::Options options;
    std::vector<provision::KeypadOutcome> outcomes;
    std::optional<std::string> learnt;
    uint64_t startUs = platform::NowUs();
};

TEST_F(Provisioning, KeypadsPresentAndPluggedLaterEachGetTheSettings) {
    auto first = Plug("00000001");
    auto second = Plug("00000002");
    auto later = Keypad("00000003");
    PlugAt(30'000, later);
    options.count = 3;

    const provision::Summary summary = Run();
    EXPECT_EQ(summary.done, 3);
    EXPECT_EQ(summary.failed, 0);
    EXPECT_EQ(Serials(), (std::vector<std::string>{"00000001", "00000002", "00000003"}));
    for (const auto& keypad : {first, second, later}) {
        EXPECT_TRUE(HoldsTheSavedSettings(*keypad)) << keypad->model.serialNumber;
    }
    for (const auto& outcome : outcomes) {
        EXPECT_TRUE(outcome.ok && outcome.configured && outcome.checked && !outcome.upgraded)
            << outcome.serialNumber << ": " << outcome.error;
    }
    // The one plugged in later is taken as soon as it is there, not a poll interval after.
    EXPECT_LT(platform::NowUs() - startUs, uint64_t{30'000 + provision::kWaitSliceMs + 500} * 1000);
}

// Without device events (no udev daemon, another system) a keypad plugged in is found by the
// enumeration alone, and keypads already done are not opened again while the batch waits.
TEST_F(Provisioning, WithoutDeviceEventsNewKeypadsAreFoundAndIdleOnesLeftAlone) {
    bus().SetHotplugEvents(false);
    Plug("00000001");
    auto later = Keypad("00000002");
    PlugAt(30'000, later);
    options.count = 2;
    int opensBeforeWaiting = -1;
    int opensAfterWaiting = -1;
    bus().Schedule(startUs + 10'000'000, [&] { opensBeforeWaiting = bus().usage().openCount; });
    bus().Schedule(startUs + 29'900'000, [&] { opensAfterWaiting = bus().usage().openCount; });

    const provision::Summary summary = Run();
    EXPECT_EQ(summary.done, 2);
    EXPECT_TRUE(HoldsTheSavedSettings(*later));
    EXPECT_GT(opensBeforeWaiting, 0);
    EXPECT_EQ(opensAfterWaiting, opensBeforeWaiting) << "twenty idle seconds opened a keypad";
    EXPECT_LT(platform::NowUs() - startUs,
              uint64_t{30'000 + provision::kFallbackLookMs + provision::kWaitSliceMs + 500} * 1000);
}

TEST_F(Provisioning, AFailingKeypadDoesNotStopTheOthers) {
    Plug("00000001");
    auto refusing = Plug("00000002");
    refusing->InjectFault({FaultKind::Refuse, CmdSetLedBrightness, 0, emulator::kForever});
    auto third = Plug("00000003");
    options.count = 3;

    const provision::Summary summary = Run();
    EXPECT_EQ(summary.done, 2);
    EXPECT_EQ(summary.failed, 1);
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_FALSE(outcomes[1].ok);
    EXPECT_FALSE(outcomes[1].configured);
    EXPECT_EQ(outcomes[1].error, "Unable to set LED Brightness..");
    EXPECT_TRUE(outcomes[2].ok);
    EXPECT_TRUE(HoldsTheSavedSettings(*third));
}

TEST_F(Provisioning, AKeypadThatReappearsIsNotDoneTwice) {
    auto first = Plug("00000001");
    UnplugAt(2'000, first);
    PlugAt(4'000, first);
    PlugAt(8'000, Keypad("00000002"));
    options.count = 2;

    Run();
    EXPECT_EQ(Serials(), (std::vector<std::string>{"00000001", "00000002"}));
}

// Two keypads that report one serial number side by side are two keypads: the second is said,
// not passed over in silence.
TEST_F(Provisioning, ASecondKeypadWithTheSameSerialNumberIsReported) {
    auto first = Plug("00000001");
    auto twin = Keypad("00000001");
    PlugAt(2'000, twin);
    options.count = 2;

    const provision::Summary summary = Run();
    EXPECT_EQ(summary.done, 1);
    EXPECT_EQ(summary.failed, 1);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_NE(outcomes[1].error.find("reports the serial number of the one done at"),
              std::string::npos)
        << outcomes[1].error;
    EXPECT_NE(outcomes[1].path, outcomes[0].path);
    // It answered: the record says what it runs, as for any keypad left as it is.
    EXPECT_EQ(outcomes[1].firmwareBefore, twin->model.firmwareVersion);
    EXPECT_EQ(outcomes[1].firmwareAfter, twin->model.firmwareVersion);
    EXPECT_FALSE(HoldsTheSavedSettings(*twin));
}

TEST_F(Provisioning, AFailedKeypadIsTriedAgainOnlyWhenPluggedInAgain) {
    auto flaky = Plug("00000001");
    flaky->InjectFault({FaultKind::Refuse, CmdWriteCodeTable});
    UnplugAt(20'000, flaky);
    PlugAt(25'000, flaky);
    options.count = 2;

    Run();
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_FALSE(outcomes[0].ok);
    EXPECT_TRUE(outcomes[1].ok) << outcomes[1].error;
    // Not a second time while it stayed plugged in: only after it came back.
    EXPECT_GE(platform::NowUs() - startUs, 25'000'000u);
    EXPECT_TRUE(HoldsTheSavedSettings(*flaky));
}

TEST_F(Provisioning, KeypadsWithoutSerialNumbersAreToldApartByWhereTheyAre) {
    Plug("00000000");
    Plug("");
    Plug("");
    Plug("00000000");
    options.count = 4;

    const provision::Summary summary = Run();
    EXPECT_EQ(summary.done, 4);
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_NE(outcomes[0].path, outcomes[1].path);
}

// The system gives a keypad plugged in the lowest path free: swapped while another keypad is
// being set up, with no look at the bus between, a new keypad can take the path of one done
// (without a serial number of its own) or failed. It is not taken for that one.
struct SwapCase {
    const char* name;
    const char* leaving;
    bool leavingFails;
    const char* arriving;
};

void PrintTo(const SwapCase& c, std::ostream* os) {
    *os << c.name;
}

class ProvisioningSwap : public Provisioning, public ::testing::WithParamInterface<SwapCase> {};

TEST_P(ProvisioningSwap, AKeypadPluggedInWhereAnotherWasIsDone) {
    auto leaving = Plug(GetParam().leaving);
    if (GetParam().leavingFails) {
        leaving->InjectFault({FaultKind::Refuse, CmdWriteCodeTable});
    }
    auto slow = Plug("00000002");
    // About a second an exchange: the swap happens while it is being set up.
    slow->processingUs = 1'000'000;
    auto arriving = Keypad(GetParam().arriving);
    UnplugAt(3'000, leaving);
    PlugAt(4'000, arriving);
    options.count = 3;

    Run();
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[2].path, outcomes[0].path) << "the path was taken again";
    EXPECT_TRUE(outcomes[2].ok) << outcomes[2].error;
    EXPECT_TRUE(HoldsTheSavedSettings(*arriving));
}

INSTANTIATE_TEST_SUITE_P(Leaving, ProvisioningSwap,
                         ::testing::Values(SwapCase{"DoneWithoutASerialNumber", "", false, ""},
                                           SwapCase{"Failed", "00000001", true, "00000003"},
                                           SwapCase{"FailedWithoutASerialNumber", "", true, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Provisioning, AKeypadThatDoesNotAnswerIsReportedOnceItHadTimeToSettle) {
    auto silent = Plug("00000001");
    silent->InjectFault({FaultKind::Silent, emulator::kAnyCommand, 0, emulator::kForever});
    Plug("00000002");
    options.count = 2;

    const provision::Summary summary = Run();
    EXPECT_EQ(summary.done, 1);
    EXPECT_EQ(summary.failed, 1);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[1].error, "The keypad does not answer.");
    EXPECT_EQ(outcomes[1].serialNumber, "");
}

TEST_F(Provisioning, AStopEndsTheRunAfterTheKeypadAtHandNamingTheOnesLeft) {
    Plug("00000001");
    Plug("00000002");
    Plug("");
    const provision::Summary summary = Run([this] { return !outcomes.empty(); });
    EXPECT_EQ(summary.done, 1);
    EXPECT_EQ(outcomes.size(), 1u);
    ASSERT_EQ(summary.leftUndone.size(), 2u);
    EXPECT_EQ(summary.leftUndone[0].serialNumber, "00000002");
    EXPECT_EQ(summary.leftUndone[1].path, device::KeypadPaths().back());
    for (const provision::KeypadOutcome& left : summary.leftUndone) {
        EXPECT_FALSE(left.ok);
        EXPECT_EQ(left.error, provision::kNotDoneText);
    }
}

class ProvisioningFirmware : public Provisioning {
protected:
    ProvisioningFirmware() {
        options.firmwarePath = folder.File("new.txt");
        testsupport::WriteBytes(*options.firmwarePath,
                                testsupport::TiTxt(testsupport::KeypadImage("VX0970")));
        options.firmwareImage = firmware::CheckFirmwareFile(*options.firmwarePath);
        options.bootLoaderFiles = testsupport::SimulatedFiles();
    }
    std::shared_ptr<SimulatedKeypad> PlugWithLoader(const std::string& serial,
                                                    const std::string& firmware = "VX0810") {
        auto keypad = Keypad(serial, firmware);
        loaders.push_back(
            emulator::SimulatedBootLoader::Attach(*keypad, testsupport::BuiltInPassword()));
        bus().PlugBeforeStart(keypad);
        return keypad;
    }
    static bool EnteredBsl(const SimulatedKeypad& keypad) {
        const auto codes = keypad.ReceivedCodes();
        return std::find(codes.begin(), codes.end(), CmdEnterBsl) != codes.end();
    }

    std::vector<std::shared_ptr<emulator::SimulatedBootLoader>> loaders;
};

// A keypad without a serial number of its own that takes the path of one done counts as done
// only when it holds the run's firmware too, not its settings alone.
TEST_F(ProvisioningFirmware, AKeypadWithTheSettingsButOldFirmwareWhereOneWasDoneIsUpgraded) {
    options.firmwareVersion = "VX0970";
    auto leaving = PlugWithLoader("", "VX0970");
    auto slow = PlugWithLoader("00000002", "VX0970");
    slow->processingUs = 1'000'000;
    auto arriving = Keypad("", "VX0810");
    arriving->settings.tableKind = kSavedLayout;
    arriving->settings.ledBrightness = kSavedBrightness;
    for (size_t i = 0; i < arriving->settings.customTable.size(); ++i) {
        arriving->settings.customTable[i] = i % 2 == 0 ? 0 : kSavedKeyCode;
    }
    arriving->storedDefaults = arriving->settings;
    loaders.push_back(
        emulator::SimulatedBootLoader::Attach(*arriving, testsupport::BuiltInPassword()));
    UnplugAt(3'000, leaving);
    PlugAt(4'000, arriving);
    options.count = 3;

    Run();
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_TRUE(outcomes[2].upgraded) << outcomes[2].error;
    EXPECT_EQ(arriving->model.firmwareVersion, "VX0970");
}

TEST_F(ProvisioningFirmware, OnlyKeypadsOnAnotherVersionAreUpgradedEachRestoredItself) {
    auto old = PlugWithLoader("00000001");
    old->settings.ledBrightness = 3;
    auto current = PlugWithLoader("00000002", "VX0970");
    current->settings.ledBrightness = 4;
    options.firmwareVersion = "VX0970";
    options.count = 2;

    const provision::Summary summary = Run();
    ASSERT_EQ(summary.done, 2) << (outcomes.empty() ? "" : outcomes.front().error);
    EXPECT_TRUE(outcomes[0].upgraded);
    EXPECT_EQ(outcomes[0].firmwareBefore, "VX0810");
    EXPECT_EQ(outcomes[0].firmwareAfter, "VX0970");
    EXPECT_FALSE(outcomes[1].upgraded);
    EXPECT_FALSE(EnteredBsl(*current));
    // The restore went to the upgraded keypad: its serial number is back, the other's kept.
    EXPECT_EQ(old->model.serialNumber, "00000001");
    EXPECT_EQ(current->model.serialNumber, "00000002");
    EXPECT_TRUE(HoldsTheSavedSettings(*old));
    EXPECT_TRUE(HoldsTheSavedSettings(*current));
}

// What was checked and confirmed is what every keypad gets: a file cut short or swapped after
// the check reaches none, and an image that failed its check never sends a keypad to its loader.
TEST_F(ProvisioningFirmware, OnlyTheCheckedImageIsDownloaded) {
    PlugWithLoader("00000001");
    testsupport::WriteBytes(*options.firmwarePath, "@4400\nFF");
    options.count = 1;
    ASSERT_EQ(Run().done, 1) << (outcomes.empty() ? "" : outcomes.front().error);
    EXPECT_EQ(outcomes[0].firmwareAfter, "VX0970");
}

TEST_F(ProvisioningFirmware, AnImageThatFailedItsCheckSendsNoKeypadToItsLoader) {
    auto keypad = PlugWithLoader("00000001");
    testsupport::WriteBytes(*options.firmwarePath, "@4400\nFF");
    options.firmwareImage = firmware::CheckFirmwareFile(*options.firmwarePath);
    ASSERT_FALSE(options.firmwareImage.ok);
    options.count = 1;
    EXPECT_EQ(Run().failed, 1);
    EXPECT_FALSE(EnteredBsl(*keypad));
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0810");
}

TEST_F(ProvisioningFirmware, TheVersionIsLearntFromTheFirstUpgrade) {
    PlugWithLoader("00000001");
    auto current = Keypad("00000002", "VX0970");
    loaders.push_back(
        emulator::SimulatedBootLoader::Attach(*current, testsupport::BuiltInPassword()));
    PlugAt(60'000, current);
    options.count = 2;

    const provision::Summary summary = Run();
    ASSERT_EQ(summary.done, 2);
    EXPECT_EQ(learnt, "VX0970");
    EXPECT_TRUE(outcomes[0].upgraded);
    EXPECT_FALSE(outcomes[1].upgraded);
    EXPECT_FALSE(EnteredBsl(*current));
}

// A version given that the file does not install: the first keypad upgraded shows it, is still
// set up, and no other keypad is upgraded for nothing.
TEST_F(ProvisioningFirmware, AWrongVersionStopsTheRunAfterTheFirstUpgrade) {
    auto first = PlugWithLoader("00000001");
    auto second = PlugWithLoader("00000002");
    options.firmwareVersion = "1.0.9";
    options.count = 2;

    const provision::Summary summary = Run();
    EXPECT_EQ(summary.failed, 1);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].upgraded && outcomes[0].configured && outcomes[0].checked);
    EXPECT_EQ(outcomes[0].error, "After the upgrade the keypad runs firmware VX0970, not 1.0.9.");
    EXPECT_NE(summary.stoppedBecause.find("Give --firmware-version VX0970"), std::string::npos)
        << summary.stoppedBecause;
    EXPECT_TRUE(HoldsTheSavedSettings(*first));
    EXPECT_FALSE(EnteredBsl(*second));
}

// A download that fails before any went through may be the firmware's or the RAM loader's fault
// (a RAM loader that is not the MCU's takes it off the bus): no other keypad is put at risk.
// Once one went through, a failure is that keypad's own and the run goes on.
class ProvisioningFailedDownload : public ProvisioningFirmware,
                                   public ::testing::WithParamInterface<size_t> {};

TEST_P(ProvisioningFailedDownload, StopsTheRunOnlyBeforeAnyWentThrough) {
    const size_t failing = GetParam();
    std::vector<std::shared_ptr<SimulatedKeypad>> keypads;
    for (const char* serial : {"00000001", "00000002", "00000003"}) {
        keypads.push_back(PlugWithLoader(serial));
    }
    // Off the bus for good in the middle of the download, as a crashed MCU is.
    loaders[failing]->InjectFault(
        {emulator::BootLoaderFaultKind::Unplug, emulator::kAnyCommand, 8});
    options.count = 3;

    const provision::Summary summary = Run();
    ASSERT_GT(outcomes.size(), failing);
    EXPECT_TRUE(outcomes[failing].upgradeFailed);
    EXPECT_FALSE(outcomes[failing].upgraded);
    const bool stops = failing == 0;
    EXPECT_EQ(summary.stoppedBecause.empty(), !stops) << summary.stoppedBecause;
    EXPECT_EQ(outcomes.size(), stops ? 1u : 3u);
    EXPECT_EQ(EnteredBsl(*keypads[2]), !stops);
    // The keypads the stop left are named as not done.
    EXPECT_EQ(summary.leftUndone.size(), stops ? 2u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Keypads, ProvisioningFailedDownload, ::testing::Values(0u, 1u));

TEST_F(ProvisioningFirmware, ALoaderAlreadyOnTheBusStopsEveryUpgrade) {
    // A keypad left in its loader by something else: loaders all look alike.
    bus().Plug(std::make_shared<emulator::SilentBootLoader>());
    const std::string loaderPath = device::BootLoaderPaths().at(0);
    auto keypad = PlugWithLoader("00000001");
    options.count = 2;

    const provision::Summary summary = Run();
    EXPECT_EQ(summary.failed, 2);
    ASSERT_EQ(outcomes.size(), 2u);
    // The loader is said first and once, then the keypad that cannot be upgraded beside it.
    EXPECT_EQ(outcomes[0].error, provision::BootLoaderOnTheBusText(loaderPath, true));
    EXPECT_EQ(outcomes[1].serialNumber, "00000001");
    EXPECT_NE(outcomes[1].error.find("cannot be told apart"), std::string::npos)
        << outcomes[1].error;
    // The way past it for keypads that need no upgrade.
    EXPECT_NE(outcomes[1].error.find("when --firmware-version names it."), std::string::npos)
        << outcomes[1].error;
    EXPECT_FALSE(EnteredBsl(*keypad));
}

// Without firmware to give, a keypad in its loader is still no keypad to wait for in silence;
// the others are set up. Each loader counts once while it stays. With device events and
// without them.
class ProvisioningBesideALoader : public Provisioning,
                                  public ::testing::WithParamInterface<bool> {};

TEST_P(ProvisioningBesideALoader, EachLoaderIsReportedOnceWhileItStaysAndTheOthersAreDone) {
    bus().SetHotplugEvents(GetParam());
    auto loader = std::make_shared<emulator::SilentBootLoader>();
    bus().PlugBeforeStart(loader);
    bus().PlugBeforeStart(std::make_shared<emulator::SilentBootLoader>());
    const std::vector<std::string> loaderPaths = device::BootLoaderPaths();
    ASSERT_EQ(loaderPaths.size(), 2u);
    auto keypad = Plug("00000001");
    options.count = 4;
    // Unplugged and plugged in again later: reported again, as a keypad plugged in would be.
    bus().Schedule(startUs + 10'000'000, [&] { bus().Unplug(loader.get()); });
    bus().Schedule(startUs + 20'000'000, [&] { bus().Plug(loader); });

    const provision::Summary summary = Run();
    EXPECT_EQ(summary.done, 1);
    EXPECT_EQ(summary.failed, 3);
    ASSERT_EQ(outcomes.size(), 4u);
    for (const int i : {0, 1}) {
        EXPECT_EQ(outcomes[i].error, provision::BootLoaderOnTheBusText(loaderPaths[i], false, 2));
    }
    EXPECT_NE(outcomes[0].error.find("unplug all but this one"), std::string::npos);
    EXPECT_TRUE(outcomes[2].ok) << outcomes[2].error;
    EXPECT_EQ(outcomes[3].error, provision::BootLoaderOnTheBusText(loaderPaths[0], false, 2));
    EXPECT_TRUE(HoldsTheSavedSettings(*keypad));
}

INSTANTIATE_TEST_SUITE_P(DeviceEvents, ProvisioningBesideALoader, ::testing::Bool(),
                         [](const auto& info) {
                             return std::string(info.param ? "Given" : "Missing");
                         });

} // namespace
