// Which keypad a selector opens with several on the bus: the one it names and no other, a
// refusal to guess when several fit, and the keypads described one by one.

#include "device/commands.h"
#include "device/discovery.h"
#include "keypad/Exchange.h"
#include "keypad/KeypadSelection.h"
#include "tests/support/EmulatorFixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Outcome = keypad::KeypadChoice::Outcome;

struct SelectionCase {
    const char* name;
    // Serial numbers of the keypads plugged in, in order; "-" is a keypad that never answers.
    std::vector<std::string> serials;
    std::optional<std::string> serial;
    // Index of the keypad whose path is given.
    std::optional<int> pathOf;
    Outcome outcome;
    // The keypad the exchange must reach when opened.
    int opened = -1;
    // A part of the message.
    const char* says = "";
};

void PrintTo(const SelectionCase& c, std::ostream* os) {
    *os << c.name;
}

class KeypadSelection : public testsupport::EmulatorTest,
                        public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(KeypadSelection, OpensTheNamedKeypadOrSaysWhyNot) {
    const SelectionCase& c = GetParam();
    std::vector<std::shared_ptr<emulator::SimulatedKeypad>> keypads;
    for (const std::string& serial : c.serials) {
        emulator::SimulatedKeypad::Model model;
        model.serialNumber = serial;
        auto keypad = PlugKeypad(model);
        if (serial == "-") {
            keypad->InjectFault(
                {emulator::FaultKind::Silent, emulator::kAnyCommand, 0, emulator::kForever});
        }
        keypads.push_back(keypad);
    }
    keypad::KeypadSelector selector;
    selector.serialNumber = c.serial;
    if (c.pathOf) {
        selector.path = device::KeypadPaths().at(static_cast<size_t>(*c.pathOf));
    }

    const keypad::KeypadChoice choice = keypad::OpenSelectedKeypad(selector);
    EXPECT_EQ(choice.outcome, c.outcome) << choice.message;
    EXPECT_NE(choice.message.find(c.says), std::string::npos) << choice.message;
    if (c.outcome != Outcome::Opened) {
        EXPECT_EQ(hid_handle.load(), nullptr);
        return;
    }
    for (auto& keypad : keypads) {
        keypad->ClearReceived();
    }
    ASSERT_EQ(keypad::Send(CmdWriteDefault), kExchangeOk);
    for (size_t i = 0; i < keypads.size(); ++i) {
        EXPECT_EQ(keypads[i]->received().size(), static_cast<int>(i) == c.opened ? 1u : 0u)
            << "keypad " << i;
    }
    EXPECT_EQ(choice.path, device::KeypadPaths().at(static_cast<size_t>(c.opened)));
}

INSTANTIATE_TEST_SUITE_P(
    Selectors, KeypadSelection,
    ::testing::Values(
        SelectionCase{"OneKeypadNoSelector", {"00000001"}, {}, {}, Outcome::Opened, 0},
        SelectionCase{"NoKeypadNoSelector",
                      {},
                      {},
                      {},
                      Outcome::NotFound,
                      -1,
                      "Vexor Echovane not connected.."},
        SelectionCase{"SeveralNoSelector",
                      {"00000001", "00000002", "-"},
                      {},
                      {},
                      Outcome::Ambiguous,
                      -1,
                      "3 keypads are connected:\n  00000001 (emulator/usb-1:1.1)\n"
                      "  00000002 (emulator/usb-2:1.1)\n  emulator/usb-3:1.1 (does not answer)\n"},
        SelectionCase{
            "BySerial", {"00000001", "00000002", "00000003"}, "00000002", {}, Outcome::Opened, 1},
        SelectionCase{
            "BySerialWithBlanks", {"00000001", "00000002"}, " 00000002 ", {}, Outcome::Opened, 1},
        SelectionCase{"BySerialPastOneThatDoesNotAnswer",
                      {"-", "00000002"},
                      "00000002",
                      {},
                      Outcome::Opened,
                      1},
        SelectionCase{"UnknownSerial",
                      {"00000001", "00000002"},
                      "00000009",
                      {},
                      Outcome::NotFound,
                      -1,
                      "No connected keypad reports the serial number 00000009."},
        SelectionCase{"SerialTwice",
                      {"00000001", "00000001"},
                      "00000001",
                      {},
                      Outcome::Ambiguous,
                      -1,
                      "2 keypads report the serial number 00000001"},
        SelectionCase{"ByPath", {"00000001", "00000002"}, {}, 1, Outcome::Opened, 1},
        SelectionCase{
            "ByPathAndItsSerial", {"00000001", "00000002"}, "00000002", 1, Outcome::Opened, 1},
        SelectionCase{"ByPathAndAnotherSerial",
                      {"00000001", "00000002"},
                      "00000001",
                      1,
                      Outcome::NotFound,
                      -1,
                      "reports the serial number 00000002, not 00000001"},
        SelectionCase{"ByPathOfOneWithoutASerial",
                      {"00000001", ""},
                      "00000001",
                      1,
                      Outcome::NotFound,
                      -1,
                      "The keypad at emulator/usb-2:1.1 reports no serial number, not 00000001."}),
    [](const auto& info) { return std::string(info.param.name); });

class KeypadSelectionPaths : public testsupport::EmulatorTest {};

TEST_F(KeypadSelectionPaths, APathWithoutAKeypadIsNotFound) {
    PlugKeypad();
    keypad::KeypadSelector selector;
    selector.path = "emulator/usb-7:1.1";
    const keypad::KeypadChoice choice = keypad::OpenSelectedKeypad(selector);
    EXPECT_EQ(choice.outcome, Outcome::NotFound);
    EXPECT_EQ(choice.message, "No keypad is connected at emulator/usb-7:1.1.\n");
}

TEST_F(KeypadSelectionPaths, DescribeReadsEachKeypadAndLeavesNoneOpen) {
    emulator::SimulatedKeypad::Model model;
    model.serialNumber = "00000042";
    model.firmwareVersion = "VX0901";
    model.productType = 3;
    auto answering = PlugKeypad(model);
    answering->settings.tableKind = 4;
    auto denied = PlugKeypad();
    denied->openDenied = true;

    const std::vector<keypad::KeypadListing> keypads = keypad::DescribeKeypads();
    ASSERT_EQ(keypads.size(), 2u);
    EXPECT_TRUE(keypads[0].answered);
    EXPECT_EQ(keypads[0].SerialNumber(), "00000042");
    EXPECT_EQ(keypads[0].status->firmwareVersion, "VX0901");
    EXPECT_EQ(keypads[0].status->tableKind, 4);
    EXPECT_EQ(keypads[0].productType, 3);
    EXPECT_FALSE(keypads[1].openable);
    EXPECT_NE(keypads[1].whyNot.find("access is denied"), std::string::npos) << keypads[1].whyNot;
    EXPECT_EQ(hid_handle.load(), nullptr);
}

TEST(SerialNumbers, OnlyAKeypadsOwnNumberTellsItApart) {
    EXPECT_TRUE(keypad::IsOwnSerialNumber("00012345"));
    EXPECT_TRUE(keypad::IsOwnSerialNumber(" 0001 "));
    EXPECT_FALSE(keypad::IsOwnSerialNumber(""));
    EXPECT_FALSE(keypad::IsOwnSerialNumber("   "));
    EXPECT_FALSE(keypad::IsOwnSerialNumber("00000000"));
}

} // namespace
