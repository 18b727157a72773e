// Answers of the wrong kind from the boot loader: a data response where a message is due, a
// message other than the password error, no answer at all, a loader that leaves the bus. Only
// the password error means the loader erased its flash.

#include "UpgradeFixture.h"

#include "emulator/ScriptedDevice.h"
#include "firmware/bsl430/bsl430.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using emulator::BootLoaderFaultKind;
using testsupport::Line;

constexpr char kConnection[] = "PID=0x0200,VID=0x2047,DEVICEINDEX=0";
// Report layout of a loader command: id, length, command byte, payload.
constexpr size_t kCommandByte = 2;
constexpr size_t kPayloadStart = 3;
constexpr uint8_t kRxPassword = 0x11;
constexpr size_t kPasswordBytes = 32;

emulator::Report Answer(std::vector<uint8_t> head) {
    head.resize(64, 0);
    return head;
}

// A boot loader that answers only what the test queues.
class ScriptedLoader : public testsupport::UpgradeTest {
protected:
    ScriptedLoader() {
        scripted = std::make_shared<emulator::ScriptedDevice>(
            0x2047, 0x0200, std::vector<emulator::InterfaceInfo>{{0, 0xFF00, 1}});
        bus().Plug(scripted);
    }
    // The payloads of the RX password reports the loader was sent.
    std::vector<std::vector<uint8_t>> PasswordsSent() const {
        std::vector<std::vector<uint8_t>> passwords;
        for (const auto& report : scripted->written()) {
            if (report.size() >= kPayloadStart + kPasswordBytes &&
                report[kCommandByte] == kRxPassword) {
                passwords.emplace_back(report.begin() + kPayloadStart,
                                       report.begin() + kPayloadStart + kPasswordBytes);
            }
        }
        return passwords;
    }

    std::shared_ptr<emulator::ScriptedDevice> scripted;
};

struct MessageAnswerCase {
    const char* name;
    std::vector<uint8_t> answer;
    int expected;
};

void PrintTo(const MessageAnswerCase& c, std::ostream* os) {
    *os << c.name;
}

struct Operation {
    const char* name;
    std::function<int()> run;
};

void PrintTo(const Operation& o, std::ostream* os) {
    *os << o.name;
}

class CommandAnsweredByAMessage
    : public ScriptedLoader,
      public ::testing::WithParamInterface<std::tuple<MessageAnswerCase, Operation>> {};

// A data response carries no message: its first data byte 00 is not "done".
TEST_P(CommandAnsweredByAMessage, TakesOnlyAMessageResponse) {
    const auto& [answer, operation] = GetParam();
    BSL_setFamily(3);
    BSL_setCom(2);
    ASSERT_EQ(BSL_initialize_BSL(kConnection), 0);
    scripted->QueueAnswer({Answer(answer.answer)});
    EXPECT_EQ(operation.run(), answer.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CommandAnsweredByAMessage,
    ::testing::Combine(
        ::testing::Values(
            MessageAnswerCase{"MessageDone", {0x3F, 0x02, 0x3B, 0x00}, bsl430::kBslOk},
            MessageAnswerCase{"MessageLocked", {0x3F, 0x02, 0x3B, 0x04}, 0x04},
            MessageAnswerCase{"DataResponse", {0x3F, 0x02, 0x3A, 0x00}, bsl430::kBslBadReply},
            MessageAnswerCase{
                "DataResponseOfTwo", {0x3F, 0x03, 0x3A, 0x00, 0x00}, bsl430::kBslBadReply},
            MessageAnswerCase{"MessageWithoutCode", {0x3F, 0x01, 0x3B}, bsl430::kBslBadReply}),
        ::testing::Values(Operation{"Password",
                                    [] { return BSL_RX_Password(BSL_getDefaultPass()); }},
                          Operation{"EraseSegment", [] { return BSL_eraseSegment(0xFFFF); }})),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "To" + std::get<1>(info.param).name;
    });

struct RefusalCase {
    const char* name;
    // The answer to the first password; none for a loader that stays silent.
    std::vector<emulator::Report> answer;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class FirstPasswordNotTaken : public ScriptedLoader,
                              public ::testing::WithParamInterface<RefusalCase> {};

// Nothing was erased: no mass erase is told, the default password is never tried, and the
// retry starts over with the built-in password.
TEST_P(FirstPasswordNotTaken, ForAnotherReasonIsNoMassErase) {
    scripted->QueueAnswer(GetParam().answer);
    EXPECT_FALSE(Run(Image("new.txt", "VX0960")));
    EXPECT_EQ(lines, (std::vector<Line>{{5, ""},
                                        {10, "Password FAILED!\r\n"},
                                        {50, "Unsuccessful in starting the BSL. Restarting. \r\n"},
                                        {5, ""},
                                        {10, "Password FAILED!\r\n"}}));
    EXPECT_EQ(PasswordsSent(), (std::vector<std::vector<uint8_t>>{testsupport::BuiltInPassword(),
                                                                  testsupport::BuiltInPassword()}));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FirstPasswordNotTaken,
    ::testing::Values(RefusalCase{"NoAnswer", {}},
                      RefusalCase{"Locked", {Answer({0x3F, 0x02, 0x3B, 0x04})}},
                      RefusalCase{"UnknownCommand", {Answer({0x3F, 0x02, 0x3B, 0x07})}},
                      RefusalCase{"DataResponse", {Answer({0x3F, 0x02, 0x3A, 0x00})}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptedLoader, PasswordErrorIsAMassEraseAndTheDefaultPasswordFollows) {
    scripted->QueueAnswer({Answer({0x3F, 0x02, 0x3B, 0x05})});
    scripted->QueueAnswer({Answer({0x3F, 0x02, 0x3B, 0x05})});
    EXPECT_FALSE(Run(Image("new.txt", "VX0961")));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], (Line{5, "Mass erase occured!\r\n"}));
    EXPECT_EQ(lines[2], (Line{10, "Password FAILED!\r\n"}));
    const auto passwords = PasswordsSent();
    ASSERT_GE(passwords.size(), 2u);
    EXPECT_EQ(passwords[0], testsupport::BuiltInPassword());
    EXPECT_EQ(passwords[1], std::vector<uint8_t>(kPasswordBytes, 0xFF)) << "the erased vectors";
}

// The loader leaving the bus at the first password erased nothing either.
TEST_F(ScriptedLoader, LoaderGoneAtTheFirstPasswordIsNoMassErase) {
    bus().Unplug(scripted.get());
    EnterBootLoader();
    loader->InjectFault({BootLoaderFaultKind::Unplug, kRxPassword, 0});
    EXPECT_FALSE(Run(Image("new.txt", "VX0962")));
    EXPECT_EQ(lines, (std::vector<Line>{{5, ""},
                                        {10, "Password FAILED!\r\n"},
                                        {50, "Unsuccessful in starting the BSL. Restarting. \r\n"},
                                        {0, "USB device was unplugged!\r\n"}}));
}

} // namespace
