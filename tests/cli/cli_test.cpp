// echovane-cli end to end against the simulated keypad: output, exit status, messages.

#include "cli/Cli.h"
#include "device/commands.h"
#include "tests/support/EmulatorFixture.h"

#include <sstream>

namespace {

using emulator::Fault;
using emulator::FaultKind;

class Cli : public testsupport::EmulatorTest {
protected:
    int Run(QStringList args) {
        out.str({});
        err.str({});
        args.prepend(QStringLiteral("echovane-cli"));
        return cli::Run(args, out, err);
    }
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(Cli, DevicesListsBothInterfacesAndSaysWhichCannotBeOpened) {
    auto keypad = PlugKeypad();
    keypad->openDenied = true;
    EXPECT_EQ(Run({"devices"}), cli::kExitOk);
    const std::string text = out.str();
    EXPECT_NE(text.find("interface 1 (protocol)  cannot be opened: permission denied"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("70-echovane.rules"), std::string::npos);
}

struct CommandCase {
    const char* name;
    QStringList args;
    uint8_t command;
    int refusedExit;
    const char* refusedMessage;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class CliCommand : public Cli, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CliCommand, SendsItsCommandAndReportsARefusalWithExitOne) {
    auto keypad = PlugKeypad();
    EXPECT_EQ(Run(GetParam().args), cli::kExitOk) << err.str();
    ASSERT_FALSE(keypad->received().empty());
    EXPECT_EQ(keypad->received().back().command, GetParam().command);

    // A factory reset's keypad is back from its reboot.
    SleepMs(keypad->rebootMs + emulator::SimulatedDevice::kAccessAfterPlugMs + 100);
    keypad->InjectFault({FaultKind::Refuse, GetParam().command});
    EXPECT_EQ(Run(GetParam().args), cli::kExitFailed);
    EXPECT_EQ(err.str(), std::string(GetParam().refusedMessage) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Commands, CliCommand,
                         ::testing::Values(CommandCase{"SetBrightness",
                                                       {"set-brightness", "7"},
                                                       CmdSetLedBrightness,
                                                       1,
                                                       "Unable to set the LED Brightness.."},
                                           CommandCase{"SetLayoutByName",
                                                       {"set-layout", "customise  multicode TABLE"},
                                                       CmdSetKeypadType,
                                                       1,
                                                       "Unable to set Keypad Type.."},
                                           CommandCase{"SaveDefaults",
                                                       {"save-defaults"},
                                                       CmdWriteDefault,
                                                       1,
                                                       "Unable to Write Default.."},
                                           CommandCase{"FactoryReset",
                                                       {"factory-reset", "--yes"},
                                                       CmdResetToDefault,
                                                       1,
                                                       "Unable to Reset to Default.."}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Cli, LayoutNameAndNumberAreTheSameKind) {
    auto keypad = PlugKeypad();
    ASSERT_EQ(Run({"set-layout", "Customise Multicode Table"}), cli::kExitOk);
    EXPECT_EQ(keypad->settings.tableKind, 5);
    ASSERT_EQ(Run({"set-layout", "1"}), cli::kExitOk);
    EXPECT_EQ(keypad->settings.tableKind, 1);
}

TEST_F(Cli, BadUsageExitsTwoWithoutTouchingTheKeypad) {
    auto keypad = PlugKeypad();
    for (const QStringList& args :
         {QStringList{}, QStringList{"frobnicate"}, QStringList{"set-brightness"},
          QStringList{"set-brightness", "10"}, QStringList{"set-brightness", "x"},
          QStringList{"set-layout", "Nope"}, QStringList{"save-defaults", "extra"},
          QStringList{"devices", "--no-such-option"}}) {
        EXPECT_EQ(Run(args), cli::kExitUsage) << args.join(' ').toStdString();
    }
    EXPECT_TRUE(keypad->received().empty());
}

TEST_F(Cli, NoKeypadGivesTheNotConnectedMessageAndExitOne) {
    EXPECT_EQ(Run({"set-brightness", "3"}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "Vexor Echovane not connected..\n");
}

TEST_F(Cli, HelpForEachCommandExitsZero) {
    EXPECT_EQ(Run({"--help"}), cli::kExitOk);
    EXPECT_NE(out.str().find("set-brightness"), std::string::npos);
    EXPECT_EQ(Run({"set-layout", "--help"}), cli::kExitOk);
    EXPECT_NE(out.str().find("KIND"), std::string::npos);
}

} // namespace
