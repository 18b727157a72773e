#include "selftest/SelfTestKeypad.h"
#include "selftest/SelfTestLayout.h"
#include "selftest/SelfTestSequence.h"

#include "emulator/SimulatedKeypad.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "tests/support/EmulatorFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using selftest::SequenceEnd;

// ---- status block -------------------------------------------------------------------------

std::vector<uint8_t> StatusReply(uint8_t brightness, uint8_t kind, int tableSize,
                                 const std::string& tail) {
    std::vector<uint8_t> reply = {brightness, kind, 1, 0};
    reply.resize(4 + static_cast<size_t>(tableSize), 0x3A);
    reply.insert(reply.end(), tail.begin(), tail.end());
    return reply;
}

struct TableRule {
    uint8_t kind;
    int tableSize;
};

void PrintTo(const TableRule& c, std::ostream* out) {
    *out << "kind " << int(c.kind);
}

class SelfTestStatusLayout : public ::testing::TestWithParam<TableRule> {};

TEST_P(SelfTestStatusLayout, TakesTheSixCharactersAfterTheKeyTableOfThatKind) {
    const auto [kind, size] = GetParam();
    EXPECT_EQ(selftest::StatusKeyTableSize(kind), size);
    const auto status = selftest::ParseSelfTestStatus(StatusReply(7, kind, size,
                                                                  std::string("VX0810\0"
                                                                              "1234",
                                                                              11)));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->ledBrightness_index, 7);
    EXPECT_EQ(status->keypadType_index, kind);
    EXPECT_EQ(status->firmwareVersion, "VX0810");
}

INSTANTIATE_TEST_SUITE_P(Kinds, SelfTestStatusLayout,
                         ::testing::Values(TableRule{0, 20}, TableRule{2, 20}, TableRule{3, 24},
                                           TableRule{5, 24}, TableRule{6, 32}, TableRule{200, 32}),
                         [](const auto& info) { return "Kind" + std::to_string(info.param.kind); });

TEST(SelfTestStatus, ShortRepliesGiveAShortVersionOrNone) {
    EXPECT_EQ(selftest::ParseSelfTestStatus(StatusReply(1, 0, 20, "V7"))->firmwareVersion, "V7");
    EXPECT_EQ(selftest::ParseSelfTestStatus(StatusReply(1, 0, 20, std::string("V7\0X", 4)))
                  ->firmwareVersion,
              "V7");
    EXPECT_EQ(selftest::ParseSelfTestStatus(StatusReply(1, 0, 20, "VX077812"))->firmwareVersion,
              "VX0778");
    EXPECT_EQ(selftest::ParseSelfTestStatus(StatusReply(1, 0, 20, ""))->firmwareVersion, "");
    EXPECT_FALSE(selftest::ParseSelfTestStatus(StatusReply(1, 6, 20, "VX0810")));
    EXPECT_FALSE(selftest::ParseSelfTestStatus({1, 0, 0}));
}

// ---- key map and layout --------------------------------------------------------------------

struct LayoutCase {
    const char* firmware;
    int modeBefore;
    int volume;
    int select;
    int mode;
    const char* picture;
};

void PrintTo(const LayoutCase& c, std::ostream* out) {
    *out << '"' << c.firmware << "\" after mode " << c.modeBefore;
}

class SelfTestLayoutChoice : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(SelfTestLayoutChoice, FollowsTheFirmwareVersion) {
    const LayoutCase& c = GetParam();
    const selftest::SelfTestLayout layout = selftest::ChooseLayout(c.firmware, c.modeBefore);
    EXPECT_EQ(layout.actualKeyCode[0], c.volume);
    EXPECT_EQ(layout.actualKeyCode[5], c.select);
    EXPECT_EQ(layout.installMode, c.mode);
    EXPECT_STREQ(layout.picture, c.picture);
    const std::vector<int> rest(layout.actualKeyCode.begin() + 1, layout.actualKeyCode.begin() + 5);
    EXPECT_EQ(rest, (std::vector<int>{0x25, 0x27, 0x28, 0x26}));
    const std::vector<int> last(layout.actualKeyCode.begin() + 6,
                                layout.actualKeyCode.begin() + 10);
    EXPECT_EQ(last, (std::vector<int>{0x81, 0x82, 0x7E, 0x7F}));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, SelfTestLayoutChoice,
    ::testing::Values(LayoutCase{"VX0778", 0, 0x80, 0x0D, 0, "echovelte_3.jpg"},
                      LayoutCase{"VX0778", 1, 0x80, 0x0D, 1, "echovelte_2.jpg"},
                      LayoutCase{"VX0778", 2, 0x80, 0x0D, 1, "echovelte_2.jpg"},
                      LayoutCase{"778810", 0, 0x80, 0x0D, 0, "echovelte_3.jpg"},
                      LayoutCase{"VX0810", 0, 0x80, 0x20, 1, "echovelte_2.jpg"},
                      LayoutCase{"VX0828", 0, 0x7B, 0x0D, 2, "echovelte_4.jpg"},
                      LayoutCase{"810828", 2, 0x80, 0x20, 1, "echovelte_2.jpg"},
                      LayoutCase{"VX0900", 0, 0x80, 0x0D, 1, "echovelte_2.jpg"},
                      LayoutCase{"", 2, 0x80, 0x0D, 1, "echovelte_2.jpg"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

// The marker positions of the keypad pictures, button1 to button10 in each mode.
constexpr int kPictureMarkers[3][10][2] = {
    {{245, 599},
     {211, 398},
     {383, 398},
     {296, 474},
     {296, 326},
     {296, 398},
     {459, 463},
     {459, 499},
     {343, 576},
     {343, 622}},
    {{178, 382},
     {299, 423},
     {471, 423},
     {384, 499},
     {384, 351},
     {384, 423},
     {299, 578},
     {299, 614},
     {178, 453},
     {178, 499}},
    {{459, 482},
     {180, 423},
     {356, 423},
     {264, 498},
     {264, 349},
     {267, 423},
     {354, 263},
     {354, 299},
     {459, 349},
     {459, 395}},
};

TEST(SelfTestLayout, MarkerPositionsPerMode) {
    ASSERT_EQ(selftest::kInstallModeCount, 3);
    for (int mode = 0; mode < 3; ++mode) {
        for (int i = 0; i < 10; ++i) {
            const auto at = selftest::MarkerPosition(mode, i);
            EXPECT_EQ(at.x, kPictureMarkers[mode][i][0]) << "mode " << mode << ", button" << i + 1;
            EXPECT_EQ(at.y, kPictureMarkers[mode][i][1]) << "mode " << mode << ", button" << i + 1;
        }
    }
    // Every marker lies inside the picture box.
    for (int mode = 0; mode < selftest::kInstallModeCount; ++mode) {
        for (int i = 0; i < selftest::kInputCount; ++i) {
            const auto at = selftest::MarkerPosition(mode, i);
            EXPECT_GE(at.x, selftest::kPictureX);
            EXPECT_GE(at.y, selftest::kPictureY);
            EXPECT_LE(at.x + selftest::kMarkerWidth, selftest::kPictureX + selftest::kPictureWidth);
            EXPECT_LE(at.y + selftest::kMarkerHeight,
                      selftest::kPictureY + selftest::kPictureHeight);
        }
    }
}

TEST(SelfTestKeys, MatchOnlyUnseenInputsWithoutModifiers) {
    const auto codes = selftest::ChooseLayout("VX0810", 0).actualKeyCode;
    std::array<bool, selftest::kInputCount> seen{};
    EXPECT_EQ(selftest::MatchKeyDown(codes, seen, 0x20, false), 5);
    EXPECT_EQ(selftest::MatchKeyDown(codes, seen, 0x0D, false), -1);
    EXPECT_EQ(selftest::MatchKeyDown(codes, seen, 0x20, true), -1);
    EXPECT_EQ(selftest::MatchKeyDown(codes, seen, 0, false), -1);
    seen[5] = true;
    EXPECT_EQ(selftest::MatchKeyDown(codes, seen, 0x20, false), -1);
}

// ---- the sequence on the keypad ------------------------------------------------------------

class RecordingObserver final : public selftest::SelfTestObserver {
public:
    void BlinkStarted() override { events.push_back("blink"); }
    void BlinkPassed() override { events.push_back("blink passed"); }
    void SweepLevel(int level) override { events.push_back("level " + std::to_string(level)); }
    void SweepPassed() override { events.push_back("sweep passed"); }
    void PromptForKeys() override {
        events.push_back("prompt");
        if (onPrompt) {
            onPrompt();
        }
    }
    std::vector<std::string> events;
    std::function<void()> onPrompt;
};

using Sent = std::pair<uint8_t, int>; // command, its one data byte

std::vector<Sent> SentBytes(const emulator::SimulatedKeypad& keypad) {
    std::vector<Sent> sent;
    for (const auto& entry : keypad.received()) {
        sent.emplace_back(entry.command, entry.data.empty() ? -1 : entry.data[0]);
    }
    return sent;
}

std::vector<Sent> FullSequence(int brightness, int table) {
    std::vector<Sent> sent;
    for (int round = 0; round < 4; ++round) {
        sent.push_back({CmdSetLedBrightness, 0});
        sent.push_back({CmdSetLedBrightness, 8});
    }
    sent.push_back({CmdSetLedBrightness, 0});
    for (int level = 0; level < 10; ++level) {
        sent.push_back({CmdSetLedBrightness, level});
    }
    sent.push_back({CmdSetLedBrightness, 0});
    sent.push_back({CmdSetLedBrightness, brightness});
    sent.push_back({CmdSetKeypadType, 0});
    sent.push_back({CmdSetKeypadType, table});
    sent.push_back({CmdSetLedBrightness, brightness});
    return sent;
}

class SelfTestSequenceOnKeypad : public testsupport::EmulatorTest {
protected:
    void SetUp() override {
        keypad_ = ConnectKeypad();
        keypad_->settings.ledBrightness = 3;
        keypad_->settings.tableKind = 4;
        keypad_->ClearReceived();
    }

    // Close as soon as the key phase has switched to table 0.
    void CloseInKeyPhase() {
        keypad_->onCommand = [this](const emulator::ReceivedCommand& command) {
            if (command.command == CmdSetKeypadType && command.data == std::vector<uint8_t>{0}) {
                closeForm_ = 1;
            }
        };
    }

    SequenceEnd RunAndRestore() {
        const SequenceEnd end = selftest::RunSelfTestSequence(3, observer_, closeForm_);
        selftest::RestoreKeypad(4, 3);
        return end;
    }

    std::shared_ptr<emulator::SimulatedKeypad> keypad_;
    RecordingObserver observer_;
    std::atomic<int> closeForm_{0};
};

TEST_F(SelfTestSequenceOnKeypad, BlinksSweepsSwitchesToTableZeroAndRestores) {
    CloseInKeyPhase();
    EXPECT_EQ(RunAndRestore(), SequenceEnd::Closed);
    EXPECT_EQ(SentBytes(*keypad_), FullSequence(3, 4));
    EXPECT_EQ(keypad_->settings.tableKind, 4);
    EXPECT_EQ(keypad_->settings.ledBrightness, 3);
    std::vector<std::string> expected = {"blink", "blink passed"};
    for (int level = 0; level < 10; ++level) {
        expected.push_back("level " + std::to_string(level));
    }
    expected.insert(expected.end(), {"sweep passed", "prompt"});
    EXPECT_EQ(observer_.events, expected);
}

TEST_F(SelfTestSequenceOnKeypad, WaitsHalfASecondPerBlinkStepAndSweepLevel) {
    CloseInKeyPhase();
    RunAndRestore();
    const auto received = keypad_->received();
    // Between the first blink command and the table switch: 8 blink steps, 10 levels.
    const uint64_t spanUs = received[19].atUs - received[0].atUs;
    EXPECT_GE(spanUs, (8 + 10) * 500'000u);
    EXPECT_LT(spanUs, (8 + 10) * 500'000u + 200'000u);
}

TEST_F(SelfTestSequenceOnKeypad, CloseDuringTheBlinkEndsAfterThatRound) {
    int brightEights = 0;
    keypad_->onCommand = [&](const emulator::ReceivedCommand& command) {
        if (command.command == CmdSetLedBrightness && command.data[0] == 8 && ++brightEights == 2) {
            closeForm_ = 1;
        }
    };
    EXPECT_EQ(RunAndRestore(), SequenceEnd::Closed);
    EXPECT_EQ(SentBytes(*keypad_), (std::vector<Sent>{{CmdSetLedBrightness, 0},
                                                      {CmdSetLedBrightness, 8},
                                                      {CmdSetLedBrightness, 0},
                                                      {CmdSetLedBrightness, 8},
                                                      {CmdSetKeypadType, 4},
                                                      {CmdSetLedBrightness, 3}}));
}

TEST_F(SelfTestSequenceOnKeypad, CloseWhileThePromptIsUpSkipsTheTableSwitch) {
    observer_.onPrompt = [this] { closeForm_ = 1; };
    EXPECT_EQ(RunAndRestore(), SequenceEnd::Closed);
    const auto sent = SentBytes(*keypad_);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), Sent{CmdSetKeypadType, 0}), 0);
}

struct FailingCommand {
    const char* name;
    int skip; // matching requests let through first
    int data; // the data byte the failing request carried
    size_t sentBeforeRestore;
};

void PrintTo(const FailingCommand& c, std::ostream* out) {
    *out << c.name;
}

class SelfTestSequenceFailure : public SelfTestSequenceOnKeypad,
                                public ::testing::WithParamInterface<FailingCommand> {};

TEST_P(SelfTestSequenceFailure, EndsSilentlyAtTheFailingCommand) {
    const FailingCommand& c = GetParam();
    const int command = c.data == -7 ? CmdSetKeypadType : CmdSetLedBrightness;
    keypad_->InjectFault({.kind = emulator::FaultKind::Refuse, .command = command, .skip = c.skip});
    EXPECT_EQ(RunAndRestore(), SequenceEnd::CommandFailed);
    const auto sent = SentBytes(*keypad_);
    ASSERT_EQ(sent.size(), c.sentBeforeRestore + 2);
    EXPECT_EQ(sent[sent.size() - 2], (Sent{CmdSetKeypadType, 4}));
    EXPECT_EQ(sent.back(), (Sent{CmdSetLedBrightness, 3}));
}

INSTANTIATE_TEST_SUITE_P(Commands, SelfTestSequenceFailure,
                         ::testing::Values(FailingCommand{"FirstBlinkOff", 0, 0,
                                                          2}, // the round still ends
                                           FailingCommand{"SecondBlinkOn", 3, 8, 4},
                                           FailingCommand{"SweepLevel4", 13, 4, 14},
                                           FailingCommand{"TableZero", 0, -7, 22}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SelfTestSequenceOnKeypad, AnUnpluggedKeypadEndsTheSequence) {
    keypad_->InjectFault({.kind = emulator::FaultKind::Unplug, .skip = 5});
    EXPECT_EQ(RunAndRestore(), SequenceEnd::CommandFailed);
    EXPECT_EQ(keypad_->received().size(), 6u);
}

// A rescan from the window thread waits for the worker's exchange and the worker carries on
// on the handle the rescan opened.
TEST_F(SelfTestSequenceOnKeypad, ARescanWaitsForTheRunningExchangeAndTheWorkerMovesOn) {
    std::atomic<bool> rescanDone{false};
    std::atomic<bool> rescanWaited{false};
    std::thread rescan;
    int count = 0;
    keypad_->onCommand = [&](const emulator::ReceivedCommand& command) {
        if (++count == 3) {
            rescan = std::thread([&] {
                device::RescanForKeypad();
                rescanDone = true;
            });
            // The exchange is in flight: the rescan cannot close the handle yet.
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            rescanWaited = !rescanDone;
        }
        if (command.command == CmdSetKeypadType && command.data == std::vector<uint8_t>{0}) {
            closeForm_ = 1;
        }
    };
    const int opened = bus().usage().openCount;
    EXPECT_EQ(RunAndRestore(), SequenceEnd::Closed);
    rescan.join();
    EXPECT_TRUE(rescanWaited);
    EXPECT_EQ(bus().usage().openCount, opened + 1);
    EXPECT_NE(hid_handle.load(), nullptr);
    EXPECT_EQ(SentBytes(*keypad_), FullSequence(3, 4));
    EXPECT_EQ(bus().usage().useAfterExit, 0);
}

// ---- the simulated keypad's default table -------------------------------------------------

struct DefaultTableCase {
    const char* firmware;
    uint8_t volume; // HID usage codes
    uint8_t enter;
};

void PrintTo(const DefaultTableCase& c, std::ostream* out) {
    *out << c.firmware;
}

class KeypadDefaultTable : public ::testing::TestWithParam<DefaultTableCase> {};

// Volume, Left, Right, Down, Up, Enter, Horizontal, Vertical, Jack IN, Jack OUT: F17 (or F12),
// the arrows, Enter (or Space), F18, F19, F15, F16 without modifiers.
TEST_P(KeypadDefaultTable, SendsWhatTheSelfTestExpectsOfThatBuild) {
    const DefaultTableCase& c = GetParam();
    emulator::SimulatedKeypad::Model model;
    model.firmwareVersion = c.firmware;
    emulator::SimulatedKeypad keypad(model);
    const std::vector<uint8_t> expected = {0, c.volume, 0, 0x50, 0, 0x4F, 0, 0x51, 0, 0x52,
                                           0, c.enter,  0, 0x6D, 0, 0x6E, 0, 0x6A, 0, 0x6B};
    for (const uint8_t kind : {0, 3}) {
        keypad.settings.tableKind = kind;
        const std::vector<uint8_t> status = keypad.StatusBlock();
        ASSERT_GE(status.size(), 24u);
        EXPECT_EQ(std::vector<uint8_t>(status.begin() + 4, status.begin() + 24), expected)
            << "kind " << int(kind);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Builds, KeypadDefaultTable,
    ::testing::Values(DefaultTableCase{"VX0810", 0x6C, 0x2C},
                      DefaultTableCase{"VX0828", 0x45, 0x28},
                      DefaultTableCase{"VX0901", 0x6C, 0x28},
                      DefaultTableCase{"778810", 0x6C, 0x28},
                      // The demo's version: its first six characters hold no build number.
                      DefaultTableCase{"1.0.810", 0x6C, 0x28}),
    [](const auto& info) {
        std::string name = info.param.firmware;
        std::replace(name.begin(), name.end(), '.', '_');
        return "Firmware" + name;
    });

} // namespace
