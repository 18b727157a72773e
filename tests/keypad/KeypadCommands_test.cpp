// The settings commands both front ends send, and the one exchange they go through, against the
// simulated keypad.

#include "device/discovery.h"
#include "keypad/Exchange.h"
#include "keypad/KeypadCommands.h"
#include "platform/clock.h"
#include "tests/support/EmulatorFixture.h"

#include <gmock/gmock.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using emulator::Fault;
using emulator::FaultKind;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Bytes = std::vector<uint8_t>;

// Codes, data and texts as the keypad's catalogue and the main window's boxes give them.
struct CommandCase {
    const char* name;
    std::function<keypad::CommandResult()> send;
    uint8_t command;
    Bytes data;
    std::string failure;
    std::string success; // the box after a command that went through, if any
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

const CommandCase kCommands[] = {
    {"LedBrightness",
     [] { return keypad::SetLedBrightness(7); },
     0x02,
     {0x07},
     "Unable to set the LED Brightness..\n",
     ""},
    {"LedBrightnessLowByte",
     [] { return keypad::SetLedBrightness(0x109); },
     0x02,
     {0x09},
     "Unable to set the LED Brightness..\n",
     ""},
    {"KeypadType",
     [] { return keypad::SetKeypadType(5); },
     0x07,
     {0x05},
     "Unable to set Keypad Type..\n",
     ""},
    {"WriteDefault",
     [] { return keypad::WriteDefault(); },
     0x09,
     {},
     "Unable to Write Default..\n",
     ""},
    {"ResetToDefault",
     [] { return keypad::ResetToDefault(); },
     0x0A,
     {},
     "Unable to Reset to Default..\n",
     "Please click on Scan For to re-connect after device reboot.\n"},
};

class KeypadCommandTest : public testsupport::EmulatorTest,
                          public ::testing::WithParamInterface<CommandCase> {
protected:
    void SetUp() override {
        keypad = ConnectKeypad();
        keypad->ClearReceived();
    }
    std::shared_ptr<emulator::SimulatedKeypad> keypad;
};

TEST_P(KeypadCommandTest, SendsOneCommandWithItsByteAndSaysNothingButTheReconnectNotice) {
    const keypad::CommandResult result = GetParam().send();
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.message, GetParam().success);
    const auto received = keypad->received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].command, GetParam().command);
    EXPECT_EQ(received[0].data, GetParam().data);
}

TEST_P(KeypadCommandTest, AFailedExchangeGivesTheWindowsFailureText) {
    for (const FaultKind kind : {FaultKind::Refuse, FaultKind::Silent, FaultKind::BadChecksum,
                                 FaultKind::Abort, FaultKind::OversizeByteCount}) {
        // A factory reset taken despite its damaged reply reboots the keypad: each fault meets
        // a keypad that is there.
        SleepMs(keypad->rebootMs + emulator::SimulatedDevice::kAccessAfterPlugMs + 100);
        ASSERT_TRUE(device::RescanForKeypad().found);
        keypad->InjectFault(Fault{.kind = kind, .command = GetParam().command});
        const keypad::CommandResult result = GetParam().send();
        EXPECT_FALSE(result.ok()) << static_cast<int>(kind);
        EXPECT_EQ(result.message, GetParam().failure) << static_cast<int>(kind);
    }
}

TEST_P(KeypadCommandTest, WithoutAKeypadItFailsAtOnceAndTouchesNothing) {
    CloseOpenKeypad();
    const keypad::CommandResult result = GetParam().send();
    EXPECT_EQ(result.exchange, kExchangeIoError);
    EXPECT_EQ(result.message, GetParam().failure);
    EXPECT_THAT(keypad->received(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Commands, KeypadCommandTest, ::testing::ValuesIn(kCommands),
                         [](const auto& info) { return std::string(info.param.name); });

class KeypadSendTest : public testsupport::EmulatorTest {
protected:
    void SetUp() override {
        keypad = ConnectKeypad();
        keypad->ClearReceived();
    }
    std::shared_ptr<emulator::SimulatedKeypad> keypad;
};

TEST_F(KeypadSendTest, TheReplyHoldsExactlyTheDataTheKeypadSent) {
    keypad::Reply reply;
    reply.data.fill(0xEE);
    ASSERT_EQ(keypad::Send(0x17, {}, &reply), kExchangeOk);
    EXPECT_THAT(reply.bytes(), ElementsAre(keypad->model.productType));
    // Bytes beyond the reply are left as they were.
    EXPECT_EQ(reply.data[1], 0xEE);
}

TEST_F(KeypadSendTest, AGivenHandleIsUsedInsteadOfTheOpenKeypad) {
    keypad::Reply reply;
    EXPECT_EQ(keypad::Send(0x17, {}, &reply, nullptr), kExchangeIoError);
    EXPECT_THAT(keypad->received(), IsEmpty());
    EXPECT_EQ(reply.length, 0u);
    EXPECT_EQ(keypad::Send(0x17, {}, &reply, hid_handle.load()), kExchangeOk);
    EXPECT_EQ(reply.length, 1u);
}

// A busy host wakes late from every wait.
class LateClock final : public platform::Clock {
public:
    LateClock(platform::VirtualClock& time, uint64_t lateUs) : time_(time), lateUs_(lateUs) {}
    uint64_t NowUs() override { return time_.NowUs(); }
    void SleepUs(uint64_t us) override { time_.SleepUs(us + lateUs_); }
    void SleepUntilUs(uint64_t deadlineUs) override { time_.SleepUntilUs(deadlineUs + lateUs_); }

private:
    platform::VirtualClock& time_;
    uint64_t lateUs_;
};

// The keypad reboots a millisecond after its reply to a factory reset: a host that reads later
// finds it gone, as hidapi's poll reports the hang-up before the buffered reply. The reset was
// taken all the same; any other request that loses its reply so fails.
TEST_F(KeypadSendTest, AFactoryResetWhoseReplyALateHostMissedWasTaken) {
    LateClock late(clock(), 3000);
    platform::InstallClock(&late);
    const keypad::CommandResult reset = keypad::ResetToDefault();
    platform::InstallClock(&clock());
    EXPECT_EQ(reset.exchange, kExchangeOk);
    EXPECT_EQ(reset.message, "Please click on Scan For to re-connect after device reboot.\n");
    ASSERT_THAT(keypad->ReceivedCodes(), ElementsAre(0x0A));

    SleepMs(keypad->rebootMs + emulator::SimulatedDevice::kAccessAfterPlugMs + 100);
    ASSERT_TRUE(device::RescanForKeypad().found);
    keypad->InjectFault(Fault{.kind = FaultKind::Unplug, .command = 0x09});
    const keypad::CommandResult kept = keypad::WriteDefault();
    EXPECT_EQ(kept.exchange, kExchangeGoneAfterRequest);
    EXPECT_EQ(kept.message, "Unable to Write Default..\n");
}

TEST_F(KeypadSendTest, MoreDataThanARequestCarriesIsRefusedBeforeTheBus) {
    const Bytes fits(55, 0x11);
    const Bytes tooLong(56, 0x11);
    const Bytes far(300, 0x11);
    // The keypad refuses 55 bytes for a code table, but they reach it.
    EXPECT_EQ(keypad::Send(0x05, fits), kExchangeRefused);
    EXPECT_EQ(keypad::Send(0x05, tooLong), kExchangeIoError);
    EXPECT_EQ(keypad::Send(0x05, far), kExchangeIoError);
    const auto received = keypad->received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].data, fits);
}

} // namespace
