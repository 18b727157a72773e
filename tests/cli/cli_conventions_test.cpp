// What every echovane-cli command shares: usage mistakes in two lines with exit 2, help and
// --version, one line on success (none with --quiet), the factory reset's confirmation, the
// power level read and given the same way, JSON a script can take as it is, and output lost
// being a failure.

#include "CliFixture.h"
#include "cli/Usage.h"

#include "device/commands.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <functional>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

using emulator::FaultKind;

class CliConventions : public testsupport::CliRunner<testsupport::EmulatorTest> {
protected:
    CliConventions() { keypad = PlugKeypad(); }

    QJsonObject Json() const {
        QJsonParseError error;
        const auto document = QJsonDocument::fromJson(QByteArray::fromStdString(out.str()), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << out.str();
        return document.object();
    }
    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            lines.push_back(text.substr(start, end - start));
        }
        EXPECT_EQ(start, text.size()) << "last line without a line break: " << text;
        return lines;
    }

    std::shared_ptr<emulator::SimulatedKeypad> keypad;
};

struct UsageCase {
    const char* what;
    QStringList args;
    // The first line exactly, or empty to check only the shape.
    std::string problem;
    // Where the second line sends the user ("" = the program's own help).
    std::string helpOf;
    // Words the first line must hold.
    std::vector<std::string> mentions = {};
};

void PrintTo(const UsageCase& c, std::ostream* os) {
    *os << c.what;
}

class CliUsageMistake : public CliConventions, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsageMistake, SaysWhatIsWrongAndWhereTheHelpIsInTwoLines) {
    const UsageCase& c = GetParam();
    // The demo takes its keypads (and replugs them) there: a mistake must not get that far.
    int keypadsTaken = 0;
    console.beforeKeypads = [&keypadsTaken] { return ++keypadsTaken > 0; };
    EXPECT_EQ(Run(c.args), cli::kExitUsage);
    EXPECT_EQ(keypadsTaken, 0);
    EXPECT_EQ(out.str(), "");
    const std::vector<std::string> lines = Lines(err.str());
    ASSERT_EQ(lines.size(), 2u) << err.str();
    EXPECT_EQ(lines[0].rfind("echovane-cli: ", 0), 0u) << lines[0];
    if (!c.problem.empty()) {
        EXPECT_EQ(lines[0], "echovane-cli: " + c.problem);
    }
    for (const std::string& word : c.mentions) {
        EXPECT_NE(lines[0].find(word), std::string::npos) << word << " in " << lines[0];
    }
    EXPECT_EQ(lines[1],
              "Try 'echovane-cli " + (c.helpOf.empty() ? "" : c.helpOf + " ") + "--help'.");
    EXPECT_TRUE(keypad->received().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, CliUsageMistake,
    ::testing::Values(
        UsageCase{"NoCommand", {}, "no command given", ""},
        UsageCase{"UnknownOption", {"--bogus"}, "unknown option '--bogus'", ""},
        UsageCase{"UnknownOptionOfACommand",
                  {"set-brightness", "--bogus", "3"},
                  "unknown option '--bogus'",
                  "set-brightness"},
        UsageCase{"UnknownShortOption", {"status", "-x"}, "unknown option '-x'", "status"},
        UsageCase{"UnknownCommand", {"frobnicate"}, "'frobnicate' is not a command", ""},
        UsageCase{
            "HelpOfAnUnknownCommand", {"help", "frobnicate"}, "'frobnicate' is not a command", ""},
        UsageCase{"MissingValue", {"ble", "set", "--name"}, "missing value after '--name'", "ble"},
        UsageCase{
            "BrightnessOutOfRange", {"set-brightness", "10"}, "", "set-brightness", {"0 to 9"}},
        UsageCase{"UnknownLayoutListsTheNames",
                  {"set-layout", "nonsense"},
                  "",
                  "set-layout",
                  {"'nonsense'", "Default Table", "Customise Multicode Table", "Mouse Table"}},
        UsageCase{"RssiGivesItsRange",
                  {"ble", "set", "--rssi", "20"},
                  "--rssi takes 50 to 110, not '20'",
                  "ble"},
        UsageCase{"MarginGivesItsRange", {"ble", "set", "--margin", "4"}, "", "ble", {"5 to 20"}},
        UsageCase{"PowerListsItsTexts",
                  {"ble", "set", "--power", "13"},
                  "",
                  "ble",
                  {"1 to 12", "-19.5dbm", "-1dbm", "2.5dbm", "'13'"}},
        // "0" could mean a level or 0 dBm: a power that is no level needs its unit.
        UsageCase{"PowerWithoutItsUnit", {"ble", "set", "--power", "0"}, "", "ble", {"'0'"}},
        UsageCase{
            "NegativePowerWithoutItsUnit", {"ble", "set", "--power", "-5"}, "", "ble", {"'-5'"}},
        UsageCase{"NameTooLong", {"ble", "set", "--name", "LongBleName123"}, "", "ble", {"10"}},
        UsageCase{
            "FactoryResetWithoutTerminalOrYes", {"factory-reset"}, "", "factory-reset", {"--yes"}},
        UsageCase{"ExtraArgument", {"save-defaults", "now"}, "", "save-defaults"},
        UsageCase{"ASelectorGivenTwice",
                  {"--serial", "00012345", "--serial", "00012346", "set-brightness", "3"},
                  "--serial is given more than once",
                  "set-brightness"},
        UsageCase{"AnEmptyFileName", {"config", "save", ""}, "an argument is empty ('')", "config"},
        UsageCase{"ASelectorForACheck",
                  {"--serial", "00012345", "config", "check", "a.ini"},
                  "config check reads no keypad; it takes no --serial or --device",
                  "config"},
        UsageCase{"ASetValueToShow",
                  {"ble", "show", "--power", "3"},
                  "ble show takes no --power; 'ble set' changes it",
                  "ble"},
        // A script asking for JSON gets it or a usage error, never a line of text.
        UsageCase{"JsonOfAChange", {"ble", "set", "--power", "3", "--json"}, "", "ble", {"JSON"}},
        UsageCase{
            "JsonOfATableWrite", {"table", "write", "t.ini", "--json"}, "", "table", {"JSON"}},
        UsageCase{"JsonIntoAFile", {"table", "show", "--json", "t.ini"}, "", "table", {"no FILE"}},
        UsageCase{"AValueGivenTwice",
                  {"ble", "set", "--power", "3", "--power", "4"},
                  "--power is given more than once",
                  "ble"}),
    [](const auto& info) { return std::string(info.param.what); });

// A name in another encoding is refused rather than turned into another name.
TEST(CliArguments, ThatAreNotUtf8AreRefusedByName) {
    const char* utf8[] = {"echovane-cli", "config", "save", "Zo\xC3\xAB.ini"};
    EXPECT_EQ(cli::NotUtf8ArgumentProblem(4, utf8), "");
    for (const char* latin1 : {"caf\xE9.ini", "\xC3",
                               "a\xC3\x28"
                               "b"}) {
        const char* argv[] = {"echovane-cli", "config", "save", latin1};
        const std::string problem = cli::NotUtf8ArgumentProblem(4, argv);
        EXPECT_NE(problem.find("is not UTF-8 text"), std::string::npos) << latin1;
    }
}

TEST_F(CliConventions, VersionAndHelpGoToStandardOutputWithExitZero) {
    ASSERT_EQ(Run({"--version"}), cli::kExitOk);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^echovane-cli \\d+\\.\\d+(\\.\\d+)?\\n$"))
                    .match(QString::fromStdString(out.str()))
                    .hasMatch())
        << out.str();

    ASSERT_EQ(Run({"--help"}), cli::kExitOk);
    const std::string overview = out.str();
    ASSERT_EQ(Run({"help"}), cli::kExitOk);
    EXPECT_EQ(out.str(), overview);
    ASSERT_EQ(Run({"help", "help"}), cli::kExitOk);
    EXPECT_EQ(out.str(), overview);
    EXPECT_EQ(err.str(), "");
}

struct CommandHelp {
    const char* name;
    // Whether the command works on one keypad, so that --serial and --device belong to it.
    bool picksOneKeypad;
};

class CliCommandHelp : public CliConventions, public ::testing::WithParamInterface<CommandHelp> {};

TEST_P(CliCommandHelp, NamesTheCommandWholeAndReadsTheSameBothWays) {
    const QString name = QString::fromLatin1(GetParam().name);
    ASSERT_EQ(Run({name, "--help"}), cli::kExitOk);
    const std::string help = out.str();
    ASSERT_EQ(Run({"help", name}), cli::kExitOk);
    EXPECT_EQ(out.str(), help);
    EXPECT_EQ(help.rfind("Usage: echovane-cli " + std::string(GetParam().name), 0), 0u) << help;
    // It reads on an 80-column terminal.
    for (const QString& line : QString::fromStdString(help).split(u'\n')) {
        EXPECT_LE(line.size(), 79) << line.toStdString();
    }
    for (const char* selector : {"--serial", "--device"}) {
        EXPECT_EQ(help.find(selector) != std::string::npos, GetParam().picksOneKeypad)
            << selector << "\n"
            << help;
    }
    // The overview lists it too, whole.
    ASSERT_EQ(Run({"--help"}), cli::kExitOk);
    EXPECT_TRUE(
        QString::fromStdString(out.str()).contains(QRegularExpression("\n  " + name + "[ \n]")));
    EXPECT_TRUE(keypad->received().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliCommandHelp,
    ::testing::Values(CommandHelp{"devices", false}, CommandHelp{"set-brightness", true},
                      CommandHelp{"set-layout", true}, CommandHelp{"save-defaults", true},
                      CommandHelp{"factory-reset", true}, CommandHelp{"status", true},
                      CommandHelp{"table", true}, CommandHelp{"config", true},
                      CommandHelp{"ble", true}, CommandHelp{"upgrade", true},
                      CommandHelp{"provision", false}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

// The demo's keypads are taken where a command first looks for a keypad; when there are none to
// be had (another run holds them), the command fails there and nothing reaches a keypad.
class CliKeypadsRefused : public CliConventions,
                          public ::testing::WithParamInterface<QStringList> {};

TEST_P(CliKeypadsRefused, FailsBeforeAnythingIsSent) {
    int asked = 0;
    console.beforeKeypads = [&asked] {
        ++asked;
        return false;
    };
    EXPECT_EQ(Run(GetParam()), cli::kExitFailed) << err.str();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(keypad->received().empty());
}

INSTANTIATE_TEST_SUITE_P(Commands, CliKeypadsRefused,
                         ::testing::Values(QStringList{"devices"}, QStringList{"status"},
                                           QStringList{"set-brightness", "3"},
                                           QStringList{"ble", "show"}, QStringList{"table", "show"},
                                           QStringList{"upgrade",
                                                       FIRMWARE_SAMPLES_DIR "/Echovane_1.0.900.txt",
                                                       "--yes"}),
                         [](const auto& info) { return "Command" + std::to_string(info.index); });

TEST_F(CliConventions, HelpListsTheNamesAValueMayTake) {
    ASSERT_EQ(Run({"help", "set-layout"}), cli::kExitOk);
    for (const char* name :
         {"0  Default Table", "5  Customise Multicode Table", "6  Mouse Table"}) {
        EXPECT_NE(out.str().find(name), std::string::npos) << name;
    }
    ASSERT_EQ(Run({"help", "ble"}), cli::kExitOk);
    for (const char* name : {"-19.5dbm", "2.5dbm", "4  Vecta - Portraite", "5  Vecta - Landscape",
                             "13  EchovaneQT - Landscape (Upside Down)"}) {
        EXPECT_NE(out.str().find(name), std::string::npos) << name;
    }
}

struct DoneCase {
    const char* what;
    QStringList args;
    const char* says;
};

void PrintTo(const DoneCase& c, std::ostream* os) {
    *os << c.what;
}

class CliSuccess : public CliConventions, public ::testing::WithParamInterface<DoneCase> {};

TEST_P(CliSuccess, SaysWhatWasDoneInOneLineUnlessQuiet) {
    ASSERT_EQ(Run(GetParam().args), cli::kExitOk) << err.str();
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 1u) << out.str();
    EXPECT_NE(lines[0].find(GetParam().says), std::string::npos) << lines[0];
    EXPECT_EQ(err.str(), "");

    QStringList quiet = GetParam().args;
    quiet << "--quiet";
    ASSERT_EQ(Run(quiet), cli::kExitOk) << err.str();
    EXPECT_EQ(out.str(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliSuccess,
    ::testing::Values(DoneCase{"SetBrightness", {"set-brightness", "4"}, "4"},
                      DoneCase{"SetLayout", {"set-layout", "1"}, "Alternate Table"},
                      DoneCase{"SaveDefaults", {"save-defaults"}, "keeps"},
                      DoneCase{"BleSet", {"ble", "set", "--power", "3"}, "power -10dbm"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(CliConventions, FactoryResetAsksOnATerminalAndKeepsTheButtonsOutOfItsWords) {
    std::vector<std::string> asked;
    bool answer = false;
    console.interactive = true;
    console.ask = [&](const std::string& question) {
        asked.push_back(question);
        return answer;
    };
    EXPECT_EQ(Run({"factory-reset"}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "The keypad was not reset.\n");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("factory default"), std::string::npos);
    EXPECT_NE(asked[0].find("code tables"), std::string::npos);
    EXPECT_TRUE(keypad->received().empty());

    answer = true;
    ASSERT_EQ(Run({"factory-reset"}), cli::kExitOk) << err.str();
    ASSERT_FALSE(keypad->received().empty());
    EXPECT_EQ(keypad->received().back().command, CmdResetToDefault);
    // One line, in the command line's words: there is no button to click.
    EXPECT_EQ(Lines(out.str()).size(), 1u) << out.str();
    EXPECT_EQ(out.str().find("click"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("Scan For"), std::string::npos) << out.str();
}

struct PowerCase {
    std::string level; // as the keypad reports it
    std::string text;  // the window's item, without its blanks
};

class CliPowerLevel : public CliConventions, public ::testing::WithParamInterface<PowerCase> {};

TEST_P(CliPowerLevel, ReadsInStatusAsBleSetTakesIt) {
    keypad->settings.ble.powerLevel = GetParam().level;
    ASSERT_EQ(Run({"status"}), cli::kExitOk) << err.str();
    const std::string shown =
        "BLE power level   " + GetParam().level + " (" + GetParam().text + ")";
    EXPECT_NE(out.str().find(shown + "\n"), std::string::npos) << out.str();

    // Both forms status shows give the same level back.
    for (const std::string& given : {GetParam().level, GetParam().text}) {
        keypad->settings.ble.powerLevel = "5";
        ASSERT_EQ(Run({"ble", "set", "--power", QString::fromStdString(given)}), cli::kExitOk)
            << given << ": " << err.str();
        EXPECT_EQ(keypad->settings.ble.powerLevel, GetParam().level) << given;
    }
}

// From the BLE window's list: level i + 1 is item i.
INSTANTIATE_TEST_SUITE_P(Levels, CliPowerLevel,
                         ::testing::Values(PowerCase{"1", "-19.5dbm"}, PowerCase{"8", "-1dbm"},
                                           PowerCase{"9", "0dbm"}, PowerCase{"10", "1dbm"},
                                           PowerCase{"12", "2.5dbm"}),
                         [](const auto& info) { return "Level" + info.param.level; });

TEST_F(CliConventions, BleSetKeepsWhatItIsNotGivenByteForByte) {
    for (const std::string& name : {std::string("LongBleName123"), std::string("Caf\xE9\x01")}) {
        keypad->settings.ble.name = name;
        keypad->settings.ble.manufacturerData = "5F6E8D";
        keypad->settings.ble.powerLevel = "8";
        ASSERT_EQ(Run({"ble", "set", "--enable", "no"}), cli::kExitOk) << err.str();
        EXPECT_EQ(keypad->settings.ble.name, name);
        EXPECT_EQ(keypad->settings.ble.powerLevel, "8");
        EXPECT_EQ(keypad->settings.ble.enabled, 0);
        ASSERT_EQ(Run({"ble", "set", "--power", "3"}), cli::kExitOk) << err.str();
        EXPECT_EQ(keypad->settings.ble.name, name);
        // The packed values come back as the same three bytes.
        EXPECT_EQ(QString::fromStdString(keypad->settings.ble.manufacturerData).toUpper(),
                  "5F6E8D");
    }
}

// Every text in the tree has no blanks at either end, except where its bytes are the point.
void ExpectTrimmed(const QJsonValue& value, const QString& path) {
    if (value.isString()) {
        if (path != QStringLiteral(".ble.name")) {
            EXPECT_EQ(value.toString(), value.toString().trimmed()) << path.toStdString();
        }
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            ExpectTrimmed(it.value(), path + "." + it.key());
        }
    } else if (value.isArray()) {
        for (const QJsonValue& item : value.toArray()) {
            ExpectTrimmed(item, path + "[]");
        }
    }
}

TEST_F(CliConventions, StatusJsonHasNumbersFlagsAndTrimmedTexts) {
    keypad->settings.ble.powerLevel = "8";
    keypad->settings.ble.enabled = 1;
    ASSERT_EQ(Run({"status", "--json"}), cli::kExitOk) << err.str();
    const QJsonObject json = Json();
    EXPECT_EQ(json["version"], QJsonValue(1));
    ExpectTrimmed(json, QString());
    const QJsonObject status = json["status"].toObject();
    EXPECT_TRUE(status["temperature"].isDouble());
    EXPECT_EQ(status["temperature"].toInt(), std::stoi(keypad->model.temperature));
    EXPECT_TRUE(status["hvStatus"].toString() == "VERTICAL" ||
                status["hvStatus"].toString() == "HORIZONTAL")
        << status["hvStatus"].toString().toStdString();
    const QJsonObject ble = json["ble"].toObject();
    EXPECT_EQ(ble["powerLevel"], QJsonValue(8));
    EXPECT_EQ(ble["powerLevelText"], QJsonValue("-1dbm"));
    EXPECT_EQ(ble["enabled"], QJsonValue(true));
    EXPECT_TRUE(ble["moduleFitted"].isBool());

    // The text says what the number means, as it does for the power level.
    for (const auto& [enabled, line] : {std::pair{1, "BLE enabled       1 (yes)\n"},
                                        std::pair{0, "BLE enabled       0 (no)\n"}}) {
        keypad->settings.ble.enabled = enabled;
        ASSERT_EQ(Run({"status"}), cli::kExitOk) << err.str();
        EXPECT_NE(out.str().find(line), std::string::npos) << out.str();
    }
}

TEST_F(CliConventions, BleShowJsonGivesNullForAValueOutsideItsList) {
    // Product type 0x7F and 10 dBm are in no list, nor is power level 15.
    keypad->settings.ble.powerLevel = "15";
    keypad->settings.ble.manufacturerData = "FF0A7F";
    ASSERT_EQ(Run({"ble", "show", "--json"}), cli::kExitOk) << err.str();
    const QJsonObject json = Json();
    EXPECT_EQ(json["version"], QJsonValue(1));
    EXPECT_EQ(json["powerLevel"], QJsonValue(15));
    const QJsonObject values = json["values"].toObject();
    for (const auto& [name, reported] : {std::pair{"power", 15}, {"product", 127}, {"rssi", 10}}) {
        // 'ble set' takes no text for it back.
        EXPECT_EQ(values[name].toObject(), (QJsonObject{{"index", QJsonValue::Null},
                                                        {"text", QJsonValue::Null},
                                                        {"reported", reported}}))
            << name;
    }
    ExpectTrimmed(json, QString());
}

// Values outside the lists are named together with the options that replace them, and nothing
// is sent, where the window names one empty drop-down at a time.
TEST_F(CliConventions, BleSetNamesEveryValueOutsideItsListAtOnce) {
    keypad->settings.ble.powerLevel = "13";
    keypad->settings.ble.manufacturerData = "FF0A7F";
    keypad->ClearReceived();
    EXPECT_EQ(Run({"ble", "set", "--name", "Echo"}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "The keypad holds values outside the lists: give --product (the keypad "
                         "has 127), --rssi (the keypad has 10), --power (the keypad has 13); "
                         "nothing was sent.\n");
    EXPECT_EQ(keypad->ReceivedCodes(), std::vector<uint8_t>{CmdGetBleParams});
    // Manufacturer data that cannot be read leaves each of its values to be given.
    keypad->settings.ble.manufacturerData = "5F6E";
    EXPECT_EQ(Run({"ble", "set", "--name", "Echo", "--power", "3"}), cli::kExitFailed);
    EXPECT_NE(err.str().find("--product (the keypad's cannot be read)"), std::string::npos)
        << err.str();
}

TEST_F(CliConventions, DevicesJsonListsEachInterface) {
    keypad->openDenied = true;
    ASSERT_EQ(Run({"devices", "--json"}), cli::kExitOk) << err.str();
    const QJsonObject json = Json();
    EXPECT_EQ(json["version"], QJsonValue(1));
    const QJsonArray devices = json["devices"].toArray();
    ASSERT_EQ(devices.size(), 2);
    int protocol = 0;
    for (const QJsonValue& device : devices) {
        const QJsonObject d = device.toObject();
        EXPECT_EQ(d["kind"], QJsonValue("keypad"));
        EXPECT_TRUE(d["interface"].isDouble());
        EXPECT_EQ(d["openable"], QJsonValue(false));
        EXPECT_NE(d["whyNot"].toString().indexOf("permission denied"), -1);
        protocol += d["protocolInterface"].toBool() ? 1 : 0;
    }
    EXPECT_EQ(protocol, 1);

    bus().Unplug(keypad.get());
    ASSERT_EQ(Run({"devices", "--json"}), cli::kExitOk);
    EXPECT_TRUE(Json()["devices"].toArray().isEmpty());
}

TEST_F(CliConventions, TableShowJsonHoldsTheTableAsNumbers) {
    keypad->settings.tableKind = 2;
    for (size_t i = 0; i < keypad->settings.customTable.size(); ++i) {
        keypad->settings.customTable[i] = static_cast<uint8_t>(0x30 + i);
    }
    ASSERT_EQ(Run({"table", "show", "--json"}), cli::kExitOk) << err.str();
    const QJsonObject json = Json();
    EXPECT_EQ(json["version"], QJsonValue(1));
    EXPECT_EQ(json["tableKind"], QJsonValue(2));
    EXPECT_EQ(json["tableKindName"], QJsonValue("Customise Table"));
    const QJsonArray values = json["codeTableValues"].toArray();
    ASSERT_EQ(values.size(), 20);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(values[i], QJsonValue(0x30 + i)) << i;
    }
    EXPECT_FALSE(json.contains("multipleCodeTableValues"));
}

} // namespace

#ifndef _WIN32
// The program itself, writing into a pipe nobody reads any more: it says so and fails, rather
// than dying of the signal wherever it is (in an upgrade, halfway).
TEST(CliProgram, AClosedPipeIsAFailureItSays) {
    int out[2];
    int err[2];
    ASSERT_EQ(pipe(out), 0);
    ASSERT_EQ(pipe(err), 0);
    close(out[0]);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // As a shell starts it.
        std::signal(SIGPIPE, SIG_DFL);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        execl(ECHOVANE_CLI_PROGRAM, "echovane-cli", "--version", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    std::string said;
    char buffer[256];
    for (ssize_t got; (got = read(err[0], buffer, sizeof buffer)) > 0;) {
        said.append(buffer, static_cast<size_t>(got));
    }
    close(err[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), cli::kExitFailed);
    EXPECT_NE(said.find("unable to write the output"), std::string::npos) << said;
}
#endif
