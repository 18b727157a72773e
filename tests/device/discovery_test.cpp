// Finding the keypad's vendor interface, the identification texts and the rescan sequence.

#include "device/discovery.h"
#include "device/frame.h"
#include "emulator/ScriptedDevice.h"
#include "tests/support/EmulatorFixture.h"

#include <hidapi/hidapi.h>

#include <cstring>

namespace {

using emulator::InterfaceInfo;
using emulator::ScriptedDevice;

class Discovery : public testsupport::EmulatorTest {
protected:
    hid_device* Scan() {
        std::memset(manufacturer, 'x', sizeof manufacturer);
        std::memset(product, 'x', sizeof product);
        return ScanForUSBDevice_a(EncoderVid, EncoderPid, manufacturer, product);
    }
    void TearDown() override {
        for (hid_device* handle : opened) {
            hid_exit_safely(handle);
        }
    }
    char manufacturer[kIdentificationTextSize];
    char product[kIdentificationTextSize];
    std::vector<hid_device*> opened;
};

TEST_F(Discovery, OpensInterfaceOneAndCopiesItsTexts) {
    PlugKeypad();
    hid_device* handle = Scan();
    ASSERT_NE(handle, nullptr);
    opened.push_back(handle);
    EXPECT_STREQ(manufacturer, "Vexor");
    EXPECT_STREQ(product, "Echovane");
}

struct AbsentCase {
    const char* name;
    std::vector<InterfaceInfo> interfaces;
    uint16_t pid;
};

void PrintTo(const AbsentCase& c, std::ostream* os) {
    *os << c.name;
}

class NothingToOpen : public Discovery, public ::testing::WithParamInterface<AbsentCase> {};

TEST_P(NothingToOpen, GivesNullAndNoneInBothTexts) {
    if (!GetParam().interfaces.empty()) {
        bus().PlugBeforeStart(
            std::make_shared<ScriptedDevice>(EncoderVid, GetParam().pid, GetParam().interfaces));
    }
    EXPECT_EQ(Scan(), nullptr);
    EXPECT_STREQ(manufacturer, "None");
    EXPECT_STREQ(product, "None");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NothingToOpen,
    ::testing::Values(AbsentCase{"NoDeviceAtAll", {}, 0},
                      AbsentCase{"OnlyTheKeyboardInterface", {{0, 1, 6}}, EncoderPid},
                      AbsentCase{"NotComposite", {{-1, 0xFF00, 1}}, EncoderPid},
                      AbsentCase{"OtherProduct", {{1, 0xFF00, 1}}, 0x0200}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Discovery, TwoKeypadsOpenTheFirstInEnumerationOrder) {
    auto first = PlugKeypad();
    auto second = PlugKeypad();
    hid_device* handle = Scan();
    ASSERT_NE(handle, nullptr);
    opened.push_back(handle);
    ASSERT_TRUE(device::RescanForKeypad().found);
    const auto before = first->received().size();
    uint8_t reply[64];
    uint32_t length = 0;
    ASSERT_EQ(USBEncoderSendAndReceive_a(hid_handle, 0x01, nullptr, 0, reply, 64, &length, 5000),
              0);
    EXPECT_EQ(first->received().size(), before + 1);
    EXPECT_TRUE(second->received().empty());
}

// A keypad given its port (as the demo's are) and one plugged after it never share a path.
TEST_F(Discovery, AKeypadPluggedAfterOneGivenItsPortGetsAnotherPath) {
    auto given = std::make_shared<emulator::SimulatedKeypad>(emulator::SimulatedKeypad::Model{});
    given->port = 1;
    bus().Plug(given);
    PlugKeypad();
    const std::vector<std::string> paths = device::KeypadPaths();
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_NE(paths[0], paths[1]);
}

TEST_F(Discovery, FailedStringReadsStillOpenWithUnableToFind) {
    auto keypad = PlugKeypad();
    keypad->stringsFail = true;
    hid_device* handle = Scan();
    ASSERT_NE(handle, nullptr);
    opened.push_back(handle);
    EXPECT_STREQ(manufacturer, "Unable To Find");
    EXPECT_STREQ(product, "Unable To Find");
}

TEST_F(Discovery, LongTextsStopAfterFortySevenCharacters) {
    struct Named : emulator::SimulatedKeypad {
        std::wstring Manufacturer() const override { return std::wstring(200, L'M'); }
        std::wstring Product() const override { return L"\u0141\u00e9"; }
    };
    bus().PlugBeforeStart(std::make_shared<Named>());
    hid_device* handle = Scan();
    ASSERT_NE(handle, nullptr);
    opened.push_back(handle);
    EXPECT_EQ(std::string(manufacturer), std::string(47, 'M'));
    // Only the low 8 bits of each UTF-16 unit are kept.
    EXPECT_EQ(static_cast<unsigned char>(product[0]), 0x41);
    EXPECT_EQ(static_cast<unsigned char>(product[1]), 0xE9);
    EXPECT_EQ(product[2], '\0');
}

TEST_F(Discovery, ScansLeaveTheHandleNonBlocking) {
    auto keypad = PlugKeypad();
    keypad->InjectFault({emulator::FaultKind::Silent});
    ASSERT_TRUE(device::RescanForKeypad().found);
    uint8_t reply[64];
    uint32_t length = 0;
    // A blocking handle would wait for ever; a non-blocking one times out.
    EXPECT_EQ(USBEncoderSendAndReceive_a(hid_handle, 0x01, nullptr, 0, reply, 64, &length, 5000),
              -6);
}

TEST_F(Discovery, RescanClosesTheOldHandleAndReloadsTheLibrary) {
    PlugKeypad();
    ASSERT_TRUE(device::RescanForKeypad().found);
    hid_device* first = hid_handle;
    const auto before = bus().usage();
    ASSERT_TRUE(device::RescanForKeypad().found);
    const auto after = bus().usage();
    EXPECT_EQ(after.closeCount, before.closeCount + 1);
    EXPECT_EQ(after.exitCount, before.exitCount + 1);
    EXPECT_EQ(after.initCount, before.initCount + 1) << "hidapi is brought up again";
    EXPECT_EQ(after.openCount, before.openCount + 1);
    EXPECT_NE(hid_handle.load(), nullptr);
    (void)first;
}

TEST_F(Discovery, FailedRescanLeavesNullAndTheNotConnectedText) {
    ConnectKeypad();
    bus().Reset();
    const auto result = device::RescanForKeypad();
    EXPECT_FALSE(result.found);
    EXPECT_EQ(hid_handle.load(), nullptr);
    EXPECT_EQ(device::NotConnectedMessage(result), "Vexor Echovane not connected..\n");
}

TEST_F(Discovery, PlugedInButDeniedSaysSoWithThePathAndTheFix) {
    auto keypad = PlugKeypad();
    keypad->openDenied = true;
    const auto result = device::RescanForKeypad();
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.scan.outcome, device::ScanOutcome::FoundButDenied);
    EXPECT_EQ(result.scan.devicePath, "emulator/usb-1:1.1");
    const std::string text = device::NotConnectedMessage(result);
    EXPECT_EQ(text.rfind("Vexor Echovane not connected..\n", 0), 0u);
    EXPECT_NE(text.find("emulator/usb-1:1.1"), std::string::npos);
    EXPECT_NE(text.find("70-echovane.rules"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
}

TEST_F(Discovery, PluggedInButBusyNamesTheCause) {
    auto keypad = PlugKeypad();
    keypad->openFails = true;
    const auto result = device::RescanForKeypad();
    EXPECT_EQ(result.scan.outcome, device::ScanOutcome::FoundButUnopenable);
    EXPECT_NE(device::NotConnectedMessage(result).find("busy"), std::string::npos);
}

// A keypad that sits in its boot loader is no keypad to talk to, but the user is told where it
// is and what brings it back.
TEST_F(Discovery, OnlyABootLoaderOnTheBusSaysHowToBringTheKeypadBack) {
    bus().Plug(std::make_shared<emulator::SilentBootLoader>());
    const auto result = device::RescanForKeypad();
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.scan.outcome, device::ScanOutcome::BootLoaderOnly);
    const std::string text = device::NotConnectedMessage(result);
    EXPECT_EQ(text.rfind("Vexor Echovane not connected..\n", 0), 0u);
    EXPECT_NE(text.find("as its boot loader"), std::string::npos) << text;
    EXPECT_NE(text.find("Update Echovane Firmware"), std::string::npos) << text;
}

TEST_F(Discovery, ExitSafelyWithoutAHandleStillShutsTheLibraryDown) {
    const int exits = bus().usage().exitCount;
    hid_exit_safely(nullptr);
    EXPECT_EQ(bus().usage().exitCount, exits + 1);
    EXPECT_EQ(bus().usage().closeCount, 0);
}

TEST_F(Discovery, KeypadRebootingAfterFactoryResetComesBack) {
    auto keypad = ConnectKeypad();
    uint8_t reply[64];
    uint32_t length = 0;
    ASSERT_EQ(USBEncoderSendAndReceive_a(hid_handle, 0x0A, nullptr, 0, reply, 64, &length, 5000),
              0);
    SleepMs(100);
    EXPECT_FALSE(bus().IsPlugged(keypad.get()));
    EXPECT_EQ(USBEncoderSendAndReceive_a(hid_handle, 0x01, nullptr, 0, reply, 64, &length, 5000),
              -1)
        << "the old handle is stale";
    EXPECT_FALSE(device::RescanForKeypad().found);
    SleepMs(keypad->rebootMs + emulator::SimulatedDevice::kAccessAfterPlugMs);
    EXPECT_TRUE(device::RescanForKeypad().found);
}

TEST_F(Discovery, EnterBslBringsTheBootLoaderOnTheBus) {
    ConnectKeypad();
    uint8_t reply[64];
    uint32_t length = 0;
    ASSERT_EQ(USBEncoderSendAndReceive_a(hid_handle, 0x0C, nullptr, 0, reply, 64, &length, 5000),
              0);
    SleepMs(2000);
    hid_device_info* loaders = hid_enumerate(0x2047, 0x0200);
    ASSERT_NE(loaders, nullptr);
    hid_free_enumeration(loaders);
    EXPECT_FALSE(device::RescanForKeypad().found);
}

} // namespace
