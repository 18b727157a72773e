// The restore after a successful download: reconnect, the six commands with their payloads,
// and the stop at the first refusal.

#include "UpgradeFixture.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "firmware/bsl430/bsl430.h"
#include "firmware/settings_restore.h"

#include <gtest/gtest.h>

namespace {

using emulator::FaultKind;
using namespace firmware;

class Restore : public testsupport::UpgradeTest {
protected:
    // A successful download, the keypad back on the bus with its new firmware.
    void Upgraded() {
        EnterBootLoader();
        ASSERT_TRUE(Run(Image("new.txt", "VX0960")));
        keypad->ClearReceived();
    }
    static UpgradeState State() {
        UpgradeState state;
        state.known = true;
        state.serialNumber = "87654321";
        state.keypadType = 0x105; // only the low byte travels
        state.ledBrightness = 7;
        for (int i = 0; i < kKeyCodesSize; ++i) {
            state.key_codes[static_cast<size_t>(i)] = static_cast<uint8_t>(0x10 + i);
        }
        return state;
    }
};

TEST_F(Restore, SendsTheSixCommandsWithTheirPayloads) {
    Upgraded();
    const RestoreResult result = RestoreSettings(State());
    EXPECT_TRUE(result.restored);
    EXPECT_EQ(result.message, "");
    const auto received = keypad->received();
    ASSERT_EQ(received.size(), 6u);
    const std::vector<uint8_t> serial = {'8', '7', '6', '5', '4', '3', '2', '1', 0, 0, 0, 0};
    std::vector<uint8_t> table;
    for (int i = 0; i < kRestoredKeyCodes; ++i) {
        table.push_back(static_cast<uint8_t>(0x10 + i));
    }
    const std::vector<std::pair<uint8_t, std::vector<uint8_t>>> expected = {
        {CmdSetSerialNumber, serial}, {CmdCheckMulticode, {0x01, 0x00}}, {CmdSetKeypadType, {0x05}},
        {CmdWriteCodeTable, table},   {CmdSetLedBrightness, {0x07}},     {CmdWriteDefault, {}}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(received[i].command, expected[i].first) << i;
        EXPECT_EQ(received[i].data, expected[i].second) << i;
    }
    // The keypad keeps them, with the firmware just programmed.
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0960");
    EXPECT_EQ(keypad->model.serialNumber, "87654321");
    EXPECT_EQ(keypad->storedDefaults.tableKind, 5);
    EXPECT_EQ(keypad->storedDefaults.ledBrightness, 7);
    EXPECT_EQ(std::vector<uint8_t>(keypad->storedDefaults.multicodeTable.begin(),
                                   keypad->storedDefaults.multicodeTable.end()),
              table);
}

TEST_F(Restore, NullSerialNumberIsWrittenAsEightZeros) {
    Upgraded();
    UpgradeState state = State();
    state.serialNumber.reset();
    ASSERT_TRUE(RestoreSettings(state).restored);
    EXPECT_EQ(keypad->model.serialNumber, "00000000");
}

TEST_F(Restore, SettingsNotReadFromTheKeypadAreNotWrittenOverItsOwn) {
    Upgraded();
    const RestoreResult result = RestoreSettings(UpgradeState{}); // what a failed read leaves
    EXPECT_TRUE(result.restored);
    EXPECT_EQ(result.message, "");
    EXPECT_EQ(result.notice, kSettingsUnknownText);
    EXPECT_TRUE(keypad->received().empty());
    EXPECT_EQ(keypad->model.serialNumber, "");
    EXPECT_EQ(keypad->storedDefaults.ledBrightness,
              emulator::SimulatedKeypad::FactorySettings().ledBrightness);
}

TEST_F(Restore, KeypadWithoutMultiCodeTablesGetsTypeZero) {
    keypad->model.hasMulticode = false;
    Upgraded();
    ASSERT_TRUE(RestoreSettings(State()).restored);
    EXPECT_EQ(keypad->received()[2].data, std::vector<uint8_t>{0x00});
}

struct ComebackCase {
    const char* name;
    uint32_t restartMs;
    bool restored;
};

void PrintTo(const ComebackCase& c, std::ostream* os) {
    *os << c.name;
}

class RestoreComeback : public Restore, public ::testing::WithParamInterface<ComebackCase> {};

TEST_P(RestoreComeback, LooksForTheKeypadEveryQuarterSecondFromTwoToFifteenSeconds) {
    loader->options.restartMs = GetParam().restartMs;
    EnterBootLoader();
    ASSERT_TRUE(Run(Image("new.txt", "VX0962")));
    const uint64_t reset = clock().NowUs();
    keypad->ClearReceived();
    const size_t scansBefore = static_cast<size_t>(bus().usage().enumerateCount);
    const RestoreResult result = RestoreSettings(State());
    EXPECT_EQ(result.restored, GetParam().restored) << result.message;
    if (!GetParam().restored) {
        EXPECT_EQ(result.message, "Vexor Echovane not connected..\n");
        EXPECT_LE(clock().NowUs() - reset, 16'000'000u) << "gives up after 15 s";
        return;
    }
    ASSERT_FALSE(keypad->received().empty());
    const uint64_t first = keypad->received().front().atUs - reset;
    // Never before the 2 s, and no later than one look after the system lets the keypad that
    // is back be opened.
    const uint64_t back = std::max<uint64_t>(GetParam().restartMs, 2000) * 1000;
    const uint64_t openable = back + emulator::SimulatedDevice::kAccessAfterPlugMs * 1000;
    EXPECT_GE(first, 2'000'000u);
    EXPECT_LE(first, openable + 500'000u);
    EXPECT_GT(static_cast<size_t>(bus().usage().enumerateCount), scansBefore);
    EXPECT_EQ(keypad->model.serialNumber, "87654321");
}

INSTANTIATE_TEST_SUITE_P(Delays, RestoreComeback,
                         ::testing::Values(ComebackCase{"HalfASecond", 500, true},
                                           ComebackCase{"SixSeconds", 6000, true},
                                           ComebackCase{"FourteenSeconds", 14000, true},
                                           ComebackCase{"SixteenSeconds", 16000, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Restore, NoKeypadAfterTheWaitIsNotConnected) {
    Upgraded();
    Pass(loader->options.restartMs + 10);
    bus().Unplug(keypad.get());
    const RestoreResult result = RestoreSettings(State());
    EXPECT_FALSE(result.restored);
    EXPECT_EQ(result.message, "Vexor Echovane not connected..\n");
}

struct Refusal {
    const char* name;
    uint8_t command;
    const char* message;
    size_t commandsSent;
};

void PrintTo(const Refusal& r, std::ostream* os) {
    *os << r.name;
}

class RestoreStops : public Restore, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RestoreStops, AtTheFirstRefusalWithItsMessage) {
    Upgraded();
    keypad->InjectFault({FaultKind::Refuse, GetParam().command});
    const RestoreResult result = RestoreSettings(State());
    EXPECT_FALSE(result.restored);
    EXPECT_EQ(result.message, std::string(GetParam().message) + "\n");
    EXPECT_EQ(keypad->received().size(), GetParam().commandsSent);
}

TEST_P(RestoreStops, WhenTheKeypadIsUnpluggedThereWithTheSameMessage) {
    Upgraded();
    keypad->InjectFault({FaultKind::Unplug, GetParam().command});
    const RestoreResult result = RestoreSettings(State());
    EXPECT_FALSE(result.restored);
    EXPECT_EQ(result.message, std::string(GetParam().message) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RestoreStops,
    ::testing::Values(
        Refusal{"SerialNumber", CmdSetSerialNumber, "Unable to set SerialNumber..", 1},
        Refusal{"KeypadType", CmdSetKeypadType, "Unable to set Keypad Type..", 3},
        Refusal{"CodeTable", CmdWriteCodeTable, "Unable to Load Table..", 4},
        Refusal{"Brightness", CmdSetLedBrightness, "Unable to set LED Brightness..", 5},
        Refusal{"WriteDefault", CmdWriteDefault, "Unable to Write Default..", 6}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Restore, RefusedMultiCodeProbeStillSetsTypeZero) {
    Upgraded();
    keypad->InjectFault({FaultKind::Refuse, CmdCheckMulticode});
    ASSERT_TRUE(RestoreSettings(State()).restored);
    EXPECT_EQ(keypad->received()[2].data, std::vector<uint8_t>{0x00});
}

TEST_F(Restore, RescanDuringARunningUpgradeIsRefusedSoTheRestoreWaits) {
    EnterBootLoader();
    BSL_setFamily(3);
    BSL_setCom(2);
    ASSERT_EQ(BSL_initialize_BSL("PID=0x0200,VID=0x2047,DEVICEINDEX=0"), 0);
    const RestoreResult result = RestoreSettings(State());
    EXPECT_FALSE(result.restored);
    device::RescanResult refused;
    refused.refused = true;
    EXPECT_EQ(result.message, device::NotConnectedMessage(refused));
    EXPECT_EQ(bus().usage().useAfterExit, 0);
}

} // namespace

namespace {

// Which settings an upgrade about to start writes back, by what the keypad reports now and what
// is kept from a keypad this program left in its loader (serial "87654321", brightness 7).
struct StateCase {
    const char* name;
    bool keptKeypadInLoader;
    bool keptKnown;
    std::optional<std::string> readSerial; // nothing: the read failed
    // 'k' the kept state, 'r' what was read (brightness 3), 'u' nothing known.
    char expected;
    // The firmware the keypad runs at the read; the kept state was read from "1.0.810".
    const char* readFirmware = "1.0.900";
};

TEST(StateForUpgrade, KeepsTheLoadersKeypadsSettingsOnlyForThatKeypad) {
    const StateCase cases[] = {
        {"ReadFromAnotherKeypad", false, true, "12345678", 'r'},
        {"SameKeypadBackWithoutItsNumber", true, true, "        ", 'k'},
        {"SameKeypadByItsNumber", true, true, "87654321", 'k'},
        // Back on the firmware it had before anything was erased, and changed since.
        {"SameKeypadOnTheFirmwareItHad", true, true, "87654321", 'r', "1.0.810  "},
        {"AnotherKeypadWhileOneSitsInItsLoader", true, true, "12345678", 'r'},
        {"NothingKeptFromTheLoadersKeypad", true, false, "        ", 'r'},
        {"FailedReadOfTheLoadersKeypad", true, true, std::nullopt, 'k'},
        {"FailedReadOtherwise", false, true, std::nullopt, 'u'},
    };
    for (const StateCase& c : cases) {
        UpgradeState kept;
        kept.known = c.keptKnown;
        kept.serialNumber = "87654321";
        kept.ledBrightness = 7;
        kept.firmwareVersion = "1.0.810";
        std::optional<keypad::KeypadStatus> read;
        if (c.readSerial) {
            read.emplace();
            read->serialNumber = *c.readSerial;
            read->firmwareVersion = c.readFirmware;
            read->ledBrightness = 3;
        }
        const UpgradeState state = StateForUpgrade(kept, c.keptKeypadInLoader, read);
        switch (c.expected) {
        case 'k':
            EXPECT_EQ(state.ledBrightness, 7) << c.name;
            EXPECT_EQ(state.known, c.keptKnown) << c.name;
            break;
        case 'r':
            EXPECT_EQ(state.ledBrightness, 3) << c.name;
            EXPECT_TRUE(state.known) << c.name;
            EXPECT_EQ(state.serialNumber, c.readSerial) << c.name;
            break;
        default:
            EXPECT_FALSE(state.known) << c.name;
            EXPECT_FALSE(state.serialNumber) << c.name;
        }
    }
}

} // namespace
