#include "firmware/ble/BleApply.h"
#include "firmware/ble/BleParameters.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "tests/support/EmulatorFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ble::BleHandOver;
using ble::BleSelection;
using ble::kNoSelection;

std::string Text(const device::Payload& payload) {
    return std::string(payload.bytes.begin(), payload.bytes.begin() + payload.length);
}

BleSelection Loaded(const std::string& manufacturer, const std::string& power = "8", int enable = 1,
                    const std::string& name = "VEXOR") {
    return ble::LoadSelection(BleHandOver{name, manufacturer, power, enable});
}

TEST(BleItems, HoldTheKeypadsTextsExactly) {
    const auto& products = ble::ProductTypeItems();
    ASSERT_EQ(products.size(), 14u);
    EXPECT_EQ(products[0], "Echovane     - Portraite");
    EXPECT_EQ(products[4], "Vecta  \t    - Portraite");
    EXPECT_EQ(products[5], "Vecta\t    - Landscape");
    EXPECT_EQ(products[8], "VectabarLT ");
    EXPECT_EQ(products[9], "Vectabar ");
    EXPECT_EQ(products[13], "EchovaneQT - Landscape (Upside Down)");

    const auto& power = ble::PowerLevelItems();
    ASSERT_EQ(power.size(), 12u);
    EXPECT_EQ(power[5], " -3dbm");
    EXPECT_EQ(power[7], " -1dbm");
    EXPECT_EQ(power[11], "2.5dbm");

    EXPECT_EQ(ble::RssiItems().size(), 61u);
    EXPECT_EQ(ble::RssiItems().front(), "50");
    EXPECT_EQ(ble::RssiItems().back(), "110");
    EXPECT_EQ(ble::MarginItems().front(), "5");
    EXPECT_EQ(ble::MarginItems().back(), "20");
    EXPECT_EQ(ble::TimeoutItems().size(), 16u);
    EXPECT_EQ(ble::TimeoutItems()[5], "75");
    EXPECT_EQ(ble::TimeoutItems().back(), "225");
}

TEST(BleLoad, UnpacksTheManufacturerDataInEitherCase) {
    for (const char* digits : {"5F6E8D", "5f6e8d"}) {
        const BleSelection s = Loaded(digits, "8", 1);
        EXPECT_EQ(ble::TimeoutItems()[s.timeout.index], "75") << digits;
        EXPECT_EQ(ble::MarginItems()[s.margin.index], "20") << digits;
        EXPECT_EQ(ble::RssiItems()[s.rssiRange.index], "110") << digits;
        EXPECT_EQ(s.productType.index, 13) << digits;
        EXPECT_EQ(s.trackpad.index, 1) << digits;
        EXPECT_EQ(s.powerLevel.index, 7) << digits;
        EXPECT_EQ(s.enable.index, 1) << digits;
    }
}

// Values the lists do not hold are left unselected, showing what the keypad reported.
struct OutOfList {
    const char* manufacturer;
    const char* power;
    int enable;
    ble::BlePick BleSelection::*field;
    const char* shown;
};

void PrintTo(const OutOfList& c, std::ostream* out) {
    *out << c.manufacturer << " power \"" << c.power << "\" enable " << c.enable;
}

class BleLoadOutOfList : public ::testing::TestWithParam<OutOfList> {};

TEST_P(BleLoadOutOfList, LeavesTheDropDownEmptyWithTheValueRead) {
    const auto& c = GetParam();
    const BleSelection s = Loaded(c.manufacturer, c.power, c.enable);
    EXPECT_EQ((s.*c.field).index, kNoSelection);
    EXPECT_EQ((s.*c.field).unlisted, c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Values, BleLoadOutOfList,
    ::testing::Values(
        OutOfList{"5F318D", "8", 1, &BleSelection::rssiRange, "49 (not in the list)"},
        OutOfList{"5F6F8D", "8", 1, &BleSelection::rssiRange, "111 (not in the list)"},
        OutOfList{"5F6E8E", "8", 1, &BleSelection::productType, "14 (not in the list)"},
        OutOfList{"5F6EFF", "8", 1, &BleSelection::productType, "127 (not in the list)"},
        OutOfList{"5F6E8D", "0", 1, &BleSelection::powerLevel, "0 (not in the list)"},
        OutOfList{"5F6E8D", "13", 1, &BleSelection::powerLevel, "13 (not in the list)"},
        OutOfList{"5F6E8D", "x7", 1, &BleSelection::powerLevel, "\"x7\" (not in the list)"},
        OutOfList{"5F6E8D", "", 1, &BleSelection::powerLevel, "\"\" (not in the list)"},
        OutOfList{"5F6E8D", "-1", 1, &BleSelection::powerLevel, "\"-1\" (not in the list)"},
        OutOfList{"5F6E8D", "8", 2, &BleSelection::enable, "2 (not in the list)"},
        OutOfList{"5F6E8D", "8", 255, &BleSelection::enable, "255 (not in the list)"}),
    [](const ::testing::TestParamInfo<OutOfList>& info) {
        return "Case" + std::to_string(info.index);
    });

TEST(BleItems, ShowEachTabAsSpacesToTheNextStopOfEight) {
    const auto& products = ble::ProductTypeItems();
    // Counted by hand: "Vecta  " is 7 wide, so its TAB takes 1 column; "Vecta" is 5, so 3.
    EXPECT_EQ(ble::ItemDisplayText(products[4]), "Vecta" + std::string(7, ' ') + "- Portraite");
    EXPECT_EQ(ble::ItemDisplayText(products[5]), "Vecta" + std::string(7, ' ') + "- Landscape");
    EXPECT_EQ(ble::ItemDisplayText("\tx"), std::string(8, ' ') + "x");
    EXPECT_EQ(ble::ItemDisplayText("12345678\t"), "12345678" + std::string(8, ' '));
    for (size_t row = 0; row < products.size(); ++row) {
        if (row != 4 && row != 5) {
            EXPECT_EQ(ble::ItemDisplayText(products[row]), products[row]) << row;
        }
    }
}

struct NameCase {
    const char* what;
    std::string name;
};

class BleNameAsRead : public ::testing::TestWithParam<NameCase> {};

// A name the keypad reported goes back exactly, whatever the rule for typed names says.
TEST_P(BleNameAsRead, IsSentBackByteForByte) {
    const BleSelection s = Loaded("5F6E8D", "8", 1, GetParam().name);
    EXPECT_EQ(s.name, GetParam().name);
    EXPECT_TRUE(s.nameAsRead);
    const ble::BleApplyPlan plan = ble::PlanApply(s);
    ASSERT_EQ(plan.error, "");
    EXPECT_EQ(Text(plan.name), GetParam().name + std::string("\0"
                                                             "5F6e8d\0",
                                                             8));
}

INSTANTIATE_TEST_SUITE_P(
    Names, BleNameAsRead,
    ::testing::Values(NameCase{"Long", "LongBleName123"}, NameCase{"Latin1", "Caf\xE9"},
                      NameCase{"Control", "a\x01z"}, NameCase{"Empty", ""},
                      NameCase{"Longest", std::string(kMaxBleNamePayloadName, 'n')}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(BleNameAsRead, TooLongForOneRequestIsRefusedNotCut) {
    const BleSelection s = Loaded("5F6E8D", "8", 1, std::string(kMaxBleNamePayloadName + 1, 'n'));
    EXPECT_EQ(ble::PlanApply(s).error, ble::kNameUnsendableText);
}

TEST(BleLoad, UnreadableManufacturerDataLeavesAllFivePackedValuesEmpty) {
    for (const char* digits : {"", "5F6E8", "5F6E8D0", "5F6G8D", " F6E8D"}) {
        const BleSelection s = Loaded(digits);
        for (const ble::BlePick* pick :
             {&s.timeout, &s.margin, &s.rssiRange, &s.productType, &s.trackpad}) {
            EXPECT_EQ(pick->index, kNoSelection) << '"' << digits << '"';
            EXPECT_EQ(pick->unlisted, "(unreadable)");
        }
        EXPECT_EQ(s.powerLevel.index, 7);
    }
}

TEST(BleApplyPlan, PacksTheNamePayloadWithUpperSingleAndLowerPairDigits) {
    const ble::BleApplyPlan plan = ble::PlanApply(Loaded("5F6E8D"));
    ASSERT_TRUE(plan.error.empty());
    EXPECT_EQ(plan.name.length, 13);
    EXPECT_EQ(Text(plan.name), std::string("VEXOR\0"
                                           "5F6e8d\0",
                                           13));
}

TEST(BleApplyPlan, WritesTwoDigitsForSmallValues) {
    // RSSI 50 is 0x32; product 0 without trackpad is 0x00.
    const ble::BleApplyPlan plan = ble::PlanApply(Loaded("003200"));
    EXPECT_EQ(Text(plan.name), std::string("VEXOR\0"
                                           "003200\0",
                                           13));
}

TEST(BleApplyPlan, SendsPowerLevelRowPlusOneAsTextAndEnableAsOneByte) {
    BleSelection s = Loaded("5F6E8D", "8", 0);
    ASSERT_EQ(ble::PowerLevelItems()[s.powerLevel.index], " -1dbm");
    const ble::BleApplyPlan plan = ble::PlanApply(s);
    EXPECT_EQ(Text(plan.powerLevel), std::string("8\0", 2));
    s.powerLevel.index = 11;
    EXPECT_EQ(Text(ble::PlanApply(s).powerLevel), std::string("12\0", 3));
    EXPECT_EQ(Text(plan.onOff), std::string(1, '\0'));
}

TEST(BleApplyPlan, EmptyNameGivesEightBytesStartingWithNul) {
    const ble::BleApplyPlan plan = ble::PlanApply(Loaded("5F6E8D", "8", 1, ""));
    EXPECT_EQ(plan.name.length, 8);
    EXPECT_EQ(Text(plan.name), std::string("\0"
                                           "5F6e8d\0",
                                           8));
}

TEST(BleApplyPlan, RefusesWhatCannotTravelOrWasNotChosen) {
    EXPECT_EQ(ble::PlanApply(Loaded("5F318D")).error,
              "Please select a value for RSSI level range (dbm)..");
    EXPECT_EQ(ble::PlanApply(Loaded("5F6E8D", "13")).error,
              "Please select a value for Power Level..");
    EXPECT_EQ(ble::PlanApply(Loaded("zz")).error, "Please select a value for Product Type..");
    BleSelection s = Loaded("5F6E8D");
    s.nameAsRead = false; // typed by the user
    for (const auto& [name, error] :
         {std::pair<std::string, const char*>{"ELEVENCHARS", ble::kNameTooLongText},
          {"", ble::kNameEmptyText},
          {"Caf\xE9", ble::kNameCharactersText},
          {"a\tb", ble::kNameCharactersText}}) {
        s.name = name;
        EXPECT_EQ(ble::PlanApply(s).error, error) << name;
    }
}

class BleApplyOnKeypad : public testsupport::EmulatorTest {};

TEST_F(BleApplyOnKeypad, SendsTheThreeCommandsInOrderAndTheKeypadTakesThem) {
    auto keypad = ConnectKeypad();
    keypad->ClearReceived();
    BleSelection s = Loaded("5F6E8D", "8", 1, "Desk 4");
    s.rssiRange.index = 0;
    s.powerLevel.index = 11;
    s.enable.index = 0;
    const ble::BleApplyResult result = ble::ApplyBleParameters(s);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.message, "");
    EXPECT_EQ(keypad->ReceivedCodes(),
              (std::vector<uint8_t>{CmdSetBleName, CmdSetBlePowerLevel, CmdSetBleOnOff}));
    EXPECT_EQ(keypad->settings.ble.name, "Desk 4");
    EXPECT_EQ(keypad->settings.ble.manufacturerData, "5F328d");
    EXPECT_EQ(keypad->settings.ble.powerLevel, "12");
    EXPECT_EQ(keypad->settings.ble.enabled, 0);
}

struct Refusal {
    uint8_t command;
    const char* message;
    int accepted;
};

void PrintTo(const Refusal& c, std::ostream* out) {
    *out << "command " << int(c.command);
}

class BleApplyRefused : public testsupport::EmulatorTest,
                        public ::testing::WithParamInterface<Refusal> {};

TEST_P(BleApplyRefused, StopsAtTheRefusedCommandWithItsMessage) {
    const Refusal& c = GetParam();
    auto keypad = ConnectKeypad();
    keypad->InjectFault({.kind = emulator::FaultKind::Refuse, .command = c.command});
    keypad->ClearReceived();
    BleSelection s = Loaded("5F6E8D", "3", 0, "Renamed");
    const ble::BleApplyResult result = ble::ApplyBleParameters(s);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failedCommand, c.command);
    EXPECT_EQ(result.message, std::string(c.message) + "\n");
    EXPECT_EQ(result.accepted, c.accepted);
    const std::vector<uint8_t> all = {CmdSetBleName, CmdSetBlePowerLevel, CmdSetBleOnOff};
    EXPECT_EQ(keypad->ReceivedCodes(),
              std::vector<uint8_t>(all.begin(), all.begin() + c.accepted + 1));
    // What went through before the refusal stays applied.
    EXPECT_EQ(keypad->settings.ble.name == "Renamed", c.accepted >= 1);
    EXPECT_EQ(keypad->settings.ble.powerLevel == "3", c.accepted >= 2);
}

INSTANTIATE_TEST_SUITE_P(
    EachCommand, BleApplyRefused,
    ::testing::Values(Refusal{CmdSetBleName, "Unable to load ble name..", 0},
                      Refusal{CmdSetBlePowerLevel, "Unable to load ble power level..", 1},
                      Refusal{CmdSetBleOnOff, "Unable to load ble_on_off..", 2}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        return "Command" + std::to_string(info.param.command);
    });

TEST_F(BleApplyOnKeypad, SendsNothingWhenAChoiceIsMissingOrNoKeypadIsOpen) {
    auto keypad = ConnectKeypad();
    keypad->ClearReceived();
    const ble::BleApplyResult missing = ble::ApplyBleParameters(Loaded("5F6E8D", "99"));
    EXPECT_EQ(missing.message, "Please select a value for Power Level..\n");
    EXPECT_TRUE(keypad->ReceivedCodes().empty());

    hid_exit_safely(hid_handle.exchange(nullptr));
    const ble::BleApplyResult closed = ble::ApplyBleParameters(Loaded("5F6E8D"));
    EXPECT_EQ(closed.message, "Unable to load ble name..\n");
    EXPECT_TRUE(keypad->ReceivedCodes().empty());
}

} // namespace
