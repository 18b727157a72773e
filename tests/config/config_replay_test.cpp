// "Reset From Configuration File" against the simulated keypad.

#include "config/config_file.h"
#include "config/config_replay.h"
#include "device/commands.h"
#include "keypad/KeypadCommands.h"
#include "platform/Utf8Path.h"
#include "tests/support/EmulatorFixture.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>

namespace {

using emulator::FaultKind;
using Bytes = std::vector<uint8_t>;

Bytes Counting(size_t count, uint8_t first) {
    Bytes bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

const Bytes kCodes = Counting(20, 0x04);
const Bytes kMoreCodes = Counting(50, 0x1E);

// One sent command: its code and its data.
using Sent = std::pair<uint8_t, Bytes>;

class ReplayTest : public testsupport::EmulatorTest {
protected:
    ReplayTest() {
        EXPECT_TRUE(config::PrepareConfigFile(platform::Utf8FromPath(folder.path())));
        keypad = ConnectKeypad();
    }
    ~ReplayTest() override { FileName.clear(); }

    void SaveLayout(int layout, int brightness = 4) {
        config::KeypadState state;
        state.keypadLayout = layout;
        state.ledBrightness = brightness;
        std::copy(kCodes.begin(), kCodes.end(), state.codeTable.begin());
        std::copy(kMoreCodes.begin(), kMoreCodes.end(), state.multipleCodeTable.begin());
        ASSERT_FALSE(config::SaveToConfigFile(state).failed());
    }

    std::vector<Sent> Replayed(config::Outcome* outcome = nullptr) {
        keypad->ClearReceived();
        const config::Outcome result = config::ResetFromConfigurationFile();
        if (outcome != nullptr) {
            *outcome = result;
        }
        std::vector<Sent> sent;
        for (const auto& command : keypad->received()) {
            sent.emplace_back(command.command, command.data);
        }
        return sent;
    }

    testsupport::TempFolder folder;
    std::shared_ptr<emulator::SimulatedKeypad> keypad;
};

TEST_F(ReplayTest, AFreshFileSendsAndShowsNothing) {
    config::Outcome outcome;
    EXPECT_TRUE(Replayed(&outcome).empty());
    EXPECT_FALSE(outcome.failed());
    EXPECT_FALSE(outcome.refreshStatus);
    ASSERT_FALSE(config::SetSettings("FirstUp", "yes").failed());
    EXPECT_TRUE(Replayed().empty());
}

struct LayoutCase {
    int layout;
    // The command codes the replay sends, in order.
    Bytes commands;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << "layout " << c.layout;
}

class ReplayLayout : public ReplayTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(ReplayLayout, SendsLayoutTablesThenBrightnessAndAsksForARefresh) {
    const int layout = GetParam().layout;
    SaveLayout(layout, 8);
    // What each command carries: the layout, the two stored tables, the brightness.
    const std::map<uint8_t, Bytes> data = {
        {0x07, {static_cast<uint8_t>(layout)}}, {0x05, kCodes}, {0x11, kMoreCodes}, {0x02, {8}}};
    std::vector<Sent> expected;
    for (uint8_t command : GetParam().commands) {
        expected.emplace_back(command, data.at(command));
    }

    config::Outcome outcome;
    EXPECT_EQ(Replayed(&outcome), expected);
    EXPECT_FALSE(outcome.failed());
    EXPECT_TRUE(outcome.refreshStatus);
    EXPECT_EQ(keypad->settings.tableKind, layout);
    EXPECT_EQ(keypad->settings.ledBrightness, 8);
}

// Set keypad type (07), write code table (05), write multi-code table (11), set LED
// brightness (02): only the two customise tables carry tables.
INSTANTIATE_TEST_SUITE_P(Layouts, ReplayLayout,
                         ::testing::Values(LayoutCase{0, {0x07, 0x02}}, LayoutCase{1, {0x07, 0x02}},
                                           LayoutCase{2, {0x07, 0x05, 0x02}},
                                           LayoutCase{3, {0x07, 0x02}}, LayoutCase{4, {0x07, 0x02}},
                                           LayoutCase{5, {0x07, 0x05, 0x11, 0x02}},
                                           LayoutCase{6, {0x07, 0x02}}),
                         [](const auto& info) {
                             return "Layout" + std::to_string(info.param.layout);
                         });

struct Refusal {
    const char* name;
    int layout;
    uint8_t refused;
    const char* message;
    std::vector<uint8_t> sent;
    bool restoreLayout;
};

class ReplayRefused : public ReplayTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(ReplayRefused, StopsAtTheFirstRefusalWithItsMessage) {
    const Refusal& r = GetParam();
    SaveLayout(r.layout);
    keypad->InjectFault({.kind = FaultKind::Refuse, .command = r.refused});
    config::Outcome outcome;
    std::vector<uint8_t> codes;
    for (const auto& [code, data] : Replayed(&outcome)) {
        codes.push_back(code);
    }
    EXPECT_EQ(codes, r.sent);
    EXPECT_EQ(outcome.message, config::Warning(r.message));
    EXPECT_EQ(outcome.restoreLayoutSelector, r.restoreLayout);
    EXPECT_FALSE(outcome.refreshStatus);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ReplayRefused,
    ::testing::Values(
        Refusal{"Layout", 5, CmdSetKeypadType, "Unable to set Keypad Type..", {7}, true},
        Refusal{"CodeTable", 2, CmdWriteCodeTable, "Unable to Load Table..", {7, 5}, false},
        Refusal{
            "CodeTableOfMulticode", 5, CmdWriteCodeTable, "Unable to Load Table..", {7, 5}, false},
        Refusal{"MulticodeTable",
                5,
                CmdWriteMulticodeTable,
                "Unable to Load multi-code Table..",
                {7, 5, 17},
                false},
        Refusal{"Brightness",
                5,
                CmdSetLedBrightness,
                "Unable to set LED Brightness..",
                {7, 5, 17, 2},
                false},
        Refusal{"BrightnessOnly",
                0,
                CmdSetLedBrightness,
                "Unable to set LED Brightness..",
                {7, 2},
                false}),
    [](const auto& info) { return info.param.name; });

TEST_F(ReplayTest, ARefusedMulticodeTableLeavesTheCodeTableWrittenAndBrightnessUnsent) {
    SaveLayout(5, 9);
    keypad->settings.ledBrightness = 1;
    keypad->InjectFault({.kind = FaultKind::Refuse, .command = CmdWriteMulticodeTable});
    Replayed();
    EXPECT_EQ(keypad->settings.tableKind, 5);
    EXPECT_EQ(Bytes(keypad->settings.multicodeTable.begin(), keypad->settings.multicodeTable.end()),
              kCodes);
    EXPECT_EQ(keypad->settings.ledBrightness, 1);
}

TEST_F(ReplayTest, AKeypadThatIsGoneOrSilentFailsAtTheLayout) {
    SaveLayout(2);
    keypad->InjectFault({.kind = FaultKind::Silent});
    config::Outcome outcome;
    EXPECT_EQ(Replayed(&outcome).size(), 1u);
    EXPECT_EQ(outcome.message, config::Warning("Unable to set Keypad Type.."));

    bus().Unplug(keypad.get());
    outcome = config::ResetFromConfigurationFile();
    EXPECT_EQ(outcome.message, config::Warning("Unable to set Keypad Type.."));
    EXPECT_TRUE(outcome.restoreLayoutSelector);
}

struct BadValue {
    const char* name;
    const char* key;
    const char* value;
    int layout;
    const char* message;
    // The second line: which value, and why it is refused.
    const char* reason;
};

class ReplayBadValue : public ReplayTest, public ::testing::WithParamInterface<BadValue> {};

TEST_P(ReplayBadValue, IsReportedAndNothingIsSent) {
    const BadValue& b = GetParam();
    SaveLayout(b.layout);
    ASSERT_FALSE(config::SetSettings(b.key, b.value).failed());
    config::Outcome outcome;
    EXPECT_TRUE(Replayed(&outcome).empty());
    EXPECT_EQ(outcome.message, config::Warning(std::string(b.message) + "\n" + b.reason));
    EXPECT_FALSE(outcome.refreshStatus);
}

TEST_F(ReplayTest, AMissingKeyIsNamed) {
    SaveLayout(2);
    ASSERT_TRUE(CIniFile::DeleteRecord("LedBrightness", "appSettings", FileName));
    config::Outcome outcome;
    EXPECT_TRUE(Replayed(&outcome).empty());
    EXPECT_EQ(outcome.message,
              config::Warning("Invalid LedBrightness in USBEchovaneUtilityCfg.ini file..\n"
                              "there is no LedBrightness key in [appSettings]."));
    // Written by hand with blanks around the "=", it is another key: said as config check says.
    testsupport::WriteBytes(FileName, testsupport::ReadBytes(FileName) + "LedBrightness = 7\n");
    EXPECT_TRUE(Replayed(&outcome).empty());
    EXPECT_EQ(outcome.message,
              config::Warning("Invalid LedBrightness in USBEchovaneUtilityCfg.ini file..\n"
                              "there is no LedBrightness key in [appSettings] (\"LedBrightness \" "
                              "is another key: write LedBrightness=VALUE without blanks around "
                              "the \"=\")."));
}

constexpr char kBadLayout[] = "Invalid KeypadLayout in USBEchovaneUtilityCfg.ini file..";
constexpr char kBadBrightness[] = "Invalid LedBrightness in USBEchovaneUtilityCfg.ini file..";
constexpr char kBadTable[] = "Invalid CodeTableValues in USBEchovaneUtilityCfg.ini file..";
constexpr char kBadMultiTable[] =
    "Invalid MultipleCodeTableValues in USBEchovaneUtilityCfg.ini file..";

INSTANTIATE_TEST_SUITE_P(
    Values, ReplayBadValue,
    ::testing::Values(
        BadValue{"EmptyLayout", "KeypadLayout", "", 0, kBadLayout,
                 "KeypadLayout is empty, not a number from 0 to 6."},
        BadValue{"TextLayout", "KeypadLayout", "two", 0, kBadLayout,
                 "KeypadLayout is \"two\", not a number from 0 to 6."},
        BadValue{"NegativeLayout", "KeypadLayout", "-1", 0, kBadLayout,
                 "KeypadLayout is \"-1\", not a number from 0 to 6."},
        BadValue{"LayoutPastTheKinds", "KeypadLayout", "7", 0, kBadLayout,
                 "KeypadLayout is \"7\", not a number from 0 to 6."},
        BadValue{"LayoutThatWouldWrapToZero", "KeypadLayout", "256", 0, kBadLayout,
                 "KeypadLayout is \"256\", not a number from 0 to 6."},
        BadValue{"HugeLayout", "KeypadLayout", "99999999999999999999", 0, kBadLayout,
                 "KeypadLayout is \"99999999999999999999\", not a number from 0 to 6."},
        BadValue{"EmptyBrightness", "LedBrightness", "", 5, kBadBrightness,
                 "LedBrightness is empty, not a number from 0 to 9."},
        BadValue{"BrightnessPastNine", "LedBrightness", "10", 0, kBadBrightness,
                 "LedBrightness is \"10\", not a number from 0 to 9."},
        BadValue{"BrightnessWithText", "LedBrightness", "5x", 0, kBadBrightness,
                 "LedBrightness is \"5x\", not a number from 0 to 9."},
        BadValue{"ATablePastedIntoTheBrightness", "LedBrightness",
                 "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,", 0, kBadBrightness,
                 "LedBrightness is \"0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16...\","
                 " not a number from 0 to 9."},
        BadValue{"TooFewCodes", "CodeTableValues", "1,2,3,", 2, kBadTable,
                 "CodeTableValues has 3 numbers, not 20."},
        BadValue{"TooFewCodesWithoutTheLastComma", "CodeTableValues", "1,2,3", 2, kBadTable,
                 "CodeTableValues has 3 numbers, not 20."},
        BadValue{"EmptyCodeTable", "CodeTableValues", "", 5, kBadTable,
                 "CodeTableValues has 0 numbers, not 20."},
        BadValue{"CodeOutsideAByte", "CodeTableValues",
                 "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,256,", 2, kBadTable,
                 "CodeTableValues field 20 is \"256\", not a number from 0 to 255."},
        BadValue{"EmptyFieldInTheTable", "CodeTableValues",
                 "0,1,2,3,4,5,6,7,8,9,,11,12,13,14,15,16,17,18,19,20,", 2, kBadTable,
                 "CodeTableValues field 11 is \"\", not a number from 0 to 255."},
        BadValue{"TooFewMoreCodes", "MultipleCodeTableValues", "0,0,0,", 5, kBadMultiTable,
                 "MultipleCodeTableValues has 3 numbers, not 50."}),
    [](const auto& info) { return info.param.name; });

TEST_F(ReplayTest, ValuesTheLayoutDoesNotNeedAreNotLookedAt) {
    SaveLayout(2, 6);
    ASSERT_FALSE(config::SetSettings("MultipleCodeTableValues", "junk").failed());
    // Blanks around numbers and fields after the twentieth are allowed.
    ASSERT_FALSE(config::SetSettings("CodeTableValues",
                                     " 4,5 ,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,99,x")
                     .failed());
    ASSERT_FALSE(config::SetSettings("KeypadLayout", " 2").failed());
    config::Outcome outcome;
    const std::vector<Sent> sent = Replayed(&outcome);
    EXPECT_FALSE(outcome.failed()) << outcome.message->text;
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1], (Sent{CmdWriteCodeTable, kCodes}));
}

TEST_F(ReplayTest, ADamagedFileIsReportedAndNothingIsSent) {
    testsupport::WriteBytes(FileName, " [appSettings\r\n FirstUp=Yes\r\n KeypadLayout=0\r\n");
    config::Outcome outcome;
    EXPECT_TRUE(Replayed(&outcome).empty());
    EXPECT_EQ(outcome.message,
              config::Warning("USBEchovaneUtilityCfg.ini file is incorrect format.\n" + FileName +
                              " has a section line without \"]\" (line 1)."));
}

TEST_F(ReplayTest, WithoutAConfigurationFileNothingHappens) {
    FileName.clear();
    config::Outcome outcome;
    EXPECT_TRUE(Replayed(&outcome).empty());
    EXPECT_FALSE(outcome.failed());
}

// A file that is there but cannot be read is said, not taken for one without saved settings.
TEST_F(ReplayTest, AFileThatCannotBeReadIsSaid) {
    const std::string folderNamedAsTheFile = folder.File("USBEchovaneUtilityCfg.ini.d");
    std::filesystem::create_directories(platform::PathFromUtf8(folderNamedAsTheFile));
    const config::ReplayRead read = config::ReadReplayPlan(folderNamedAsTheFile);
    EXPECT_EQ(read.message, std::string_view(config::kConfigUnreadableText));
    EXPECT_FALSE(read.plan);
}

// Saving from one keypad state and replaying later puts the keypad back where it was.
TEST_F(ReplayTest, SaveChangeReplayRestoresTheKeypad) {
    keypad->settings.tableKind = 5;
    keypad->settings.ledBrightness = 2;
    std::copy(kCodes.begin(), kCodes.end(), keypad->settings.multicodeTable.begin());
    std::copy(kMoreCodes.begin(), kMoreCodes.end(), keypad->settings.multicodeExtra.begin());
    const emulator::KeypadSettings saved = keypad->settings;

    ASSERT_TRUE(keypad::WriteDefault().ok());
    config::KeypadState state;
    state.keypadLayout = saved.tableKind;
    state.ledBrightness = saved.ledBrightness;
    std::copy(saved.multicodeTable.begin(), saved.multicodeTable.end(), state.codeTable.begin());
    std::copy(saved.multicodeExtra.begin(), saved.multicodeExtra.end(),
              state.multipleCodeTable.begin());
    ASSERT_FALSE(config::SaveToConfigFile(state).failed());

    keypad->settings = emulator::SimulatedKeypad::FactorySettings();
    ASSERT_TRUE(config::ResetFromConfigurationFile().refreshStatus);
    EXPECT_EQ(keypad->settings.tableKind, saved.tableKind);
    EXPECT_EQ(keypad->settings.ledBrightness, saved.ledBrightness);
    EXPECT_EQ(keypad->settings.multicodeTable, saved.multicodeTable);
    EXPECT_EQ(keypad->settings.multicodeExtra, saved.multicodeExtra);
}

} // namespace
