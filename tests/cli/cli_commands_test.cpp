// status, table, config and ble end to end against the simulated keypad: output parsed back,
// what the keypad received, and the refusals with their exact messages.

#include "CliFixture.h"

#include "config/config_file.h"
#include "device/commands.h"
#include "keypad/StatusLines.h"
#include "platform/AtomicFile.h"
#include "platform/Utf8Path.h"
#include "tests/support/TempFolder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <filesystem>
#include <functional>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using emulator::Fault;
using emulator::FaultKind;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

class CliCommands : public testsupport::CliRunner<testsupport::EmulatorTest> {
protected:
    CliCommands() {
        const char* previous = std::getenv("XDG_DATA_HOME");
        previousDataHome_ =
            previous != nullptr ? std::optional<std::string>(previous) : std::nullopt;
        setenv("XDG_DATA_HOME", folder.path().c_str(), 1);
        keypad = PlugKeypad();
    }
    ~CliCommands() override {
        if (previousDataHome_) {
            setenv("XDG_DATA_HOME", previousDataHome_->c_str(), 1);
        } else {
            unsetenv("XDG_DATA_HOME");
        }
    }
    QJsonObject Json() const {
        QJsonParseError error;
        const auto document = QJsonDocument::fromJson(QByteArray::fromStdString(out.str()), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << out.str();
        return document.object();
    }
    QString File(const char* name) const { return QString::fromStdString(folder.File(name)); }
    std::vector<uint8_t> Commands() const {
        std::vector<uint8_t> commands;
        for (const auto& received : keypad->received()) {
            commands.push_back(received.command);
        }
        return commands;
    }

    testsupport::TempFolder folder;
    std::shared_ptr<emulator::SimulatedKeypad> keypad;

private:
    std::optional<std::string> previousDataHome_;
};

TEST_F(CliCommands, StatusJsonHoldsTheBlocksAndTheWindowsStatusLines) {
    keypad->settings.tableKind = 5;
    keypad->settings.multicodeExtra[49] = 0x2A;
    ASSERT_EQ(Run({"status", "--json"}), cli::kExitOk) << err.str();
    const QJsonObject json = Json();
    const QJsonObject status = json["status"].toObject();
    EXPECT_EQ(status["tableKind"].toInt(), 5);
    EXPECT_EQ(status["firmwareVersion"].toString(), "VX0810");
    EXPECT_EQ(status["keyCodeBlock"].toArray().size(), 20);
    EXPECT_EQ(status["multipleCodeTable"].toArray().at(49).toInt(), 0x2A);
    EXPECT_EQ(json["product"].toObject()["name"].toString(), "Echovane(169)");
    EXPECT_EQ(json["ble"].toObject()["name"].toString().toStdString(), keypad->settings.ble.name);

    const keypad::StatusLines lines =
        keypad::ConnectedStatusLines({"VX0810", "Customise Multicode Table", "Echovane(169)",
                                      "12345678", status["jackStatus"].toString().toStdString(),
                                      status["hvStatus"].toString().toStdString()});
    const QJsonArray jsonLines = json["statusLines"].toArray();
    ASSERT_EQ(jsonLines.size(), 3);
    for (int i = 0; i < 3; ++i) {
        // JSON drops the blanks the window pads its lines with.
        EXPECT_EQ(jsonLines[i].toString(),
                  QString::fromStdString(lines[static_cast<size_t>(i)]).trimmed());
    }
    // The text form starts with the same three lines, as the window pads them.
    ASSERT_EQ(Run({"status"}), cli::kExitOk);
    const QStringList text = QString::fromStdString(out.str()).split('\n');
    ASSERT_GE(text.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(text[i].trimmed(), jsonLines[i].toString());
    }
    // Below them, the fields as read, without the keypad's padding.
    EXPECT_TRUE(text.contains("Orientation       " + status["hvStatus"].toString())) << out.str();
    for (qsizetype i = 3; i < text.size(); ++i) {
        EXPECT_FALSE(text[i].endsWith(' ')) << text[i].toStdString();
    }
}

// What was done is not lost with an output nobody reads (`| head -0`, a full disk): a script
// that took the failure for the work's would do it again.
TEST_F(CliCommands, TheLineOfWorkDoneIsNotLostWithTheOutput) {
    std::ostream lost(nullptr);
    EXPECT_EQ(cli::Run({"echovane-cli", "set-brightness", "3"}, lost, err, console),
              cli::kExitFailed);
    EXPECT_EQ(keypad->settings.ledBrightness, 3);
    EXPECT_EQ(err.str(),
              "The output cannot be written; the line it lost:\nLED brightness set to 3.\n");
}

TEST_F(CliCommands, StatusWithoutBleOrProductStillShowsTheStatusBlock) {
    keypad->InjectFault({FaultKind::Refuse, CmdGetProductType});
    keypad->InjectFault({FaultKind::Refuse, CmdGetBleParams});
    ASSERT_EQ(Run({"status", "--json"}), cli::kExitOk) << err.str();
    const QJsonObject json = Json();
    EXPECT_TRUE(json["ble"].isNull());
    EXPECT_EQ(json["product"].toObject()["type"].toInt(), 0);

    keypad->InjectFault({FaultKind::Refuse, CmdGetStatus});
    EXPECT_EQ(Run({"status"}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "Unable to get device status information\n");
}

TEST_F(CliCommands, TableShowThenWriteCarriesBothCustomiseTables) {
    for (const int kind : {2, 5}) {
        SCOPED_TRACE(kind);
        keypad->settings.tableKind = static_cast<uint8_t>(kind);
        keypad->settings.customTable.fill(7);
        keypad->settings.multicodeTable.fill(7);
        keypad->settings.multicodeExtra.fill(9);
        const QString file = File("table.ini");
        ASSERT_EQ(Run({"table", "show", file}), cli::kExitOk) << err.str();
        std::string text = ReadBytes(file.toStdString());
        EXPECT_EQ(text.find("MultipleCodeTableValues=") != std::string::npos, kind == 5) << text;

        keypad->settings.customTable.fill(0);
        keypad->settings.multicodeTable.fill(0);
        keypad->settings.multicodeExtra.fill(0);
        ASSERT_EQ(Run({"table", "write", file}), cli::kExitOk) << err.str();
        EXPECT_EQ(
            kind == 2 ? keypad->settings.customTable[19] : keypad->settings.multicodeTable[19], 7);
        EXPECT_EQ(keypad->settings.multicodeExtra[49], kind == 5 ? 9 : 0);
    }
}

// A saved configuration works as a table file: the table goes in, its other values stay; a file
// of another kind, or one that cannot be read as settings, is left as it is.
TEST_F(CliCommands, TableShowIntoAnExistingFileKeepsWhatIsNotTheTable) {
    keypad->settings.tableKind = 2;
    const QString saved = File("saved.ini");
    ASSERT_EQ(Run({"config", "save", saved}), cli::kExitOk) << err.str();
    const config::SettingsRead before = config::ReadSettings(saved.toStdString());
    keypad->settings.customTable.fill(7);
    ASSERT_EQ(Run({"table", "show", saved}), cli::kExitOk) << err.str();
    const config::SettingsRead after = config::ReadSettings(saved.toStdString());
    EXPECT_EQ(after.Value("CodeTableValues"),
              config::TableText(keypad->settings.customTable.data(), keypad::kKeyCodeBlockSize));
    for (const char* key : {"FirstUp", "LedBrightness", "SerialNumber", "FirmwareVersion"}) {
        EXPECT_EQ(after.Value(key), before.Value(key)) << key;
    }

    for (const std::string bytes : {"@4400\n31 40\nq\n", "[appSettings\nFirstUp=Yes\n"}) {
        const std::string other = folder.File("other.txt");
        WriteBytes(other, bytes);
        EXPECT_EQ(Run({"table", "show", QString::fromStdString(other)}), cli::kExitFailed);
        EXPECT_EQ(ReadBytes(other), bytes);
    }
}

struct TableRefusal {
    const char* name;
    int activeKind;
    const char* fileText; // nullptr: the file shown from the keypad
    const char* message;
};

void PrintTo(const TableRefusal& c, std::ostream* os) {
    *os << c.name;
}

class CliTableRefusal : public CliCommands, public ::testing::WithParamInterface<TableRefusal> {};

TEST_P(CliTableRefusal, ExitsOneWithItsMessageAndWritesNothing) {
    keypad->settings.tableKind = static_cast<uint8_t>(GetParam().activeKind);
    const QString file = File("t.ini");
    WriteBytes(file.toStdString(), GetParam().fileText);
    keypad->ClearReceived();
    EXPECT_EQ(Run({"table", "write", file}), cli::kExitFailed);
    // "FILE" stands for the file's path.
    std::string message = GetParam().message;
    if (const auto at = message.find("FILE"); at != std::string::npos) {
        message.replace(at, 4, file.toStdString());
    }
    EXPECT_EQ(err.str(), message + "\n");
    for (uint8_t command : Commands()) {
        EXPECT_NE(command, CmdWriteCodeTable);
        EXPECT_NE(command, CmdWriteMulticodeTable);
    }
}

constexpr char kGoodSingle[] = "[appSettings]\nKeypadLayout=2\nCodeTableValues=1,2,3,4,5,6,7,8,9,"
                               "10,11,12,13,14,15,16,17,18,19,20,\n";

INSTANTIATE_TEST_SUITE_P(
    Refusals, CliTableRefusal,
    ::testing::Values(
        TableRefusal{"ActiveKindNotCustomisable", 0, kGoodSingle,
                     "Please select a customise table..\n'set-layout 2' or 'set-layout 5' makes "
                     "a customise table active."},
        TableRefusal{"KindOfFileDiffers", 5, kGoodSingle,
                     "The table in t.ini is for the Customise Table, but the keypad has the "
                     "Customise Multicode Table active.."},
        TableRefusal{"ShortTable", 2, "[appSettings]\nKeypadLayout=2\nCodeTableValues=1,2,3,\n",
                     "Invalid CodeTableValues in t.ini file..\n"
                     "CodeTableValues has 3 numbers, not 20."},
        TableRefusal{"MultiTableMissing", 5,
                     "[appSettings]\nKeypadLayout=5\nCodeTableValues=1,2,3,4,5,6,7,8,9,10,11,12,13,"
                     "14,15,16,17,18,19,20,\n",
                     "Invalid MultipleCodeTableValues in t.ini file..\n"
                     "there is no MultipleCodeTableValues key in [appSettings]."},
        TableRefusal{"NotACustomiseKind", 2, "[appSettings]\nKeypadLayout=1\n",
                     "t.ini holds no customise table (KeypadLayout 1).."},
        TableRefusal{"Damaged", 2, "KeypadLayout=2\n[appSettings\n",
                     "t.ini file is incorrect format.\nFILE has a section line without \"]\" "
                     "(line 2)."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliCommands, TableWriteRefusedByTheKeypadGivesTheEditorsMessage) {
    keypad->settings.tableKind = 2;
    const QString file = File("t.ini");
    WriteBytes(file.toStdString(), kGoodSingle);
    keypad->InjectFault({FaultKind::Refuse, CmdWriteCodeTable});
    EXPECT_EQ(Run({"table", "write", file}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "Unable to Load Table..\n");
}

TEST_F(CliCommands, ConfigSaveThenApplyPutsTheKeypadBack) {
    for (const bool standardFile : {false, true}) {
        SCOPED_TRACE(standardFile);
        keypad->settings.tableKind = 2;
        keypad->settings.ledBrightness = 3;
        keypad->settings.customTable.fill(4);
        QStringList save = {"config", "save"};
        QStringList apply = {"config", "apply"};
        if (!standardFile) {
            save << File("saved.ini");
            apply << File("saved.ini");
        }
        ASSERT_EQ(Run(save), cli::kExitOk) << err.str();
        EXPECT_EQ(keypad->received().front().command, CmdWriteDefault);
        const std::string expectedFile =
            standardFile ? folder.File("VexorInterface/USBEchovaneUtilityCfg.ini")
                         : folder.File("saved.ini");
        EXPECT_EQ(out.str(), "Saved to " + expectedFile + ".\n");
        EXPECT_NE(ReadBytes(expectedFile).find("LedBrightness=3"), std::string::npos);

        keypad->settings.tableKind = 0;
        keypad->settings.ledBrightness = 8;
        keypad->settings.customTable.fill(0);
        ASSERT_EQ(Run(apply), cli::kExitOk) << err.str();
        EXPECT_EQ(keypad->settings.tableKind, 2);
        EXPECT_EQ(keypad->settings.ledBrightness, 3);
        EXPECT_EQ(keypad->settings.customTable[19], 4);
        EXPECT_EQ(out.str(), "The keypad's settings are reset from " + expectedFile + ".\n");
    }
    // The run's file does not outlive the run.
    EXPECT_TRUE(FileName.empty() || FileName.find("saved.ini") == std::string::npos);
}

TEST_F(CliCommands, ConfigRefusalsExitOneWithTheirMessages) {
    const QString saved = File("saved.ini");
    ASSERT_EQ(Run({"config", "save", saved}), cli::kExitOk) << err.str();

    keypad->InjectFault({FaultKind::Refuse, CmdSetKeypadType});
    EXPECT_EQ(Run({"config", "apply", saved}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "Unable to set Keypad Type..\n");

    keypad->InjectFault({FaultKind::Refuse, CmdWriteDefault});
    EXPECT_EQ(Run({"config", "save", saved}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "Unable to Write Default..\n");

    // A fresh standard file holds no saved settings: nothing is sent, and that is no success.
    keypad->ClearReceived();
    EXPECT_EQ(Run({"config", "apply"}), cli::kExitFailed);
    EXPECT_NE(err.str().find("holds no saved settings"), std::string::npos) << err.str();
    EXPECT_TRUE(keypad->received().empty());

    EXPECT_EQ(Run({"config", "apply", File("missing.ini")}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "There is no configuration file " + folder.File("missing.ini") + ".\n");

    // A file of another kind is not rewritten as a settings file, and the keypad is not asked;
    // a section commented out is a note, not a section.
    for (const auto& [name, text] : {std::pair{"firmware.txt", "@4400\n31 40 00 44\nq\n"},
                                     std::pair{"notes.ini", ";[appSettings]\n;SerialNumber=1\n"}}) {
        const std::string other = folder.File(name);
        WriteBytes(other, text);
        keypad->ClearReceived();
        EXPECT_EQ(Run({"config", "save", QString::fromStdString(other)}), cli::kExitFailed);
        EXPECT_EQ(err.str(), other +
                                 " is not a configuration file (it has no [appSettings] section): "
                                 "name a new file or a configuration file.\n");
        EXPECT_EQ(ReadBytes(other), text);
        EXPECT_TRUE(keypad->received().empty());
    }

    // Nor is a folder, for a settings file or a table.
    const std::string sub = folder.File("sub");
    std::filesystem::create_directories(platform::PathFromUtf8(sub));
    for (const QStringList& args : {QStringList{"config", "save", QString::fromStdString(sub)},
                                    QStringList{"table", "show", QString::fromStdString(sub)}}) {
        EXPECT_EQ(Run(args), cli::kExitFailed);
        EXPECT_EQ(err.str(), sub + " is not a file but a folder: name a new file or a "
                                   "configuration file.\n");
        EXPECT_TRUE(std::filesystem::is_directory(platform::PathFromUtf8(sub)));
    }
    EXPECT_TRUE(keypad->received().empty());
}

// A place that takes no new file is found out before the keypad is touched, with the system's
// reason for the file that could not be made, and nothing is left behind.
TEST_F(CliCommands, ConfigSaveToAPlaceThatTakesNoFileTouchesNoKeypad) {
    platform::SetReplaceFaultHook([](platform::ReplaceStep step, const std::string&) {
        return step == platform::ReplaceStep::CreateTemporary ? platform::ReplaceFault::Fail
                                                              : platform::ReplaceFault::None;
    });
    const std::string made = folder.File("new.ini");
    keypad->ClearReceived();
    const int exit = Run({"config", "save", QString::fromStdString(made)});
    platform::SetReplaceFaultHook({});
    EXPECT_EQ(exit, cli::kExitFailed);
    EXPECT_EQ(err.str(), "Failed to update new.ini file.\n" + made + ": Input/output error\n");
    EXPECT_TRUE(keypad->received().empty());
    EXPECT_FALSE(std::filesystem::exists(made));

    // The standard file's folder could not be made: that is why, not the file that is missing.
    WriteBytes(folder.File("data"), "");
    setenv("XDG_DATA_HOME", folder.File("data").c_str(), 1);
    EXPECT_EQ(Run({"config", "save"}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "Failed to update USBEchovaneUtilityCfg.ini file.\n" +
                             folder.File("data/VexorInterface/USBEchovaneUtilityCfg.ini") +
                             ": its folder cannot be made (Not a directory)\n");
    EXPECT_TRUE(keypad->received().empty());
}

// A run killed while the keypad answers, or one that finds no keypad, leaves no half-made new
// file behind, nor the file a link leads to; the link stays.
TEST_F(CliCommands, ConfigSaveMakesANewFileOnlyOnceTheKeypadHasAnswered) {
    std::vector<std::pair<std::string, std::string>> givenAndMade = {{"new.ini", "new.ini"}};
#ifdef __linux__
    std::filesystem::create_directory(folder.File("dotfiles"));
    std::filesystem::create_symlink("dotfiles/keypad.ini", folder.File("link.ini"));
    givenAndMade.emplace_back("link.ini", "dotfiles/keypad.ini");
#endif
    for (const auto& [name, madeName] : givenAndMade) {
        SCOPED_TRACE(name);
        const QString given = QString::fromStdString(folder.File(name));
        const std::string made = folder.File(madeName);
        EXPECT_EQ(Run({"--serial", "NOPE", "config", "save", given}), cli::kExitFailed);
        EXPECT_FALSE(std::filesystem::exists(made));

        bool madeMeanwhile = false;
        keypad->onCommand = [&](const emulator::ReceivedCommand&) {
            madeMeanwhile = madeMeanwhile || std::filesystem::exists(made);
        };
        const int exit = Run({"config", "save", given});
        keypad->onCommand = nullptr;
        ASSERT_EQ(exit, cli::kExitOk) << err.str();
        EXPECT_FALSE(madeMeanwhile);
        EXPECT_NE(ReadBytes(made).find("FirstUp=Yes"), std::string::npos);
    }
#ifdef __linux__
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("link.ini")));
#endif
}

#ifdef __linux__
// A file that is there but cannot be read says why, whichever command reads it (this one
// fails its first read even for root).
TEST_F(CliCommands, AConfigurationFileThatCannotBeReadSaysWhyInEveryCommand) {
    for (const QStringList& args :
         {QStringList{"config", "apply", "/proc/self/mem"},
          QStringList{"provision", "--config", "/proc/self/mem", "--count", "1"}}) {
        keypad->ClearReceived();
        EXPECT_EQ(Run(args), cli::kExitFailed) << args.join(' ').toStdString();
        EXPECT_EQ(
            err.str(),
            "Unable to read mem file..\n/proc/self/mem cannot be read: Input/output error.\n");
        EXPECT_TRUE(keypad->received().empty());
    }
}
#endif

TEST_F(CliCommands, ConfigCheckRunsTheImportChecksAndChangesNothing) {
    // A customise table: its values are the replay's to read.
    keypad->settings.tableKind = 2;
    const QString good = File("USBEchovaneUtilityCfg.ini");
    ASSERT_EQ(Run({"config", "save", good}), cli::kExitOk) << err.str();
    const std::string before = FileName;
    EXPECT_EQ(Run({"config", "check", good}), cli::kExitOk) << err.str();
    EXPECT_EQ(FileName, before);

    // One that imports but holds a value the replay refuses: a check that passes is one apply
    // takes.
    std::string text = ReadBytes(good.toStdString());
    const std::string key = " CodeTableValues=";
    const size_t values = text.find(key) + key.size();
    const std::string bad = folder.File("bad/USBEchovaneUtilityCfg.ini");
    std::filesystem::create_directories(folder.File("bad"));
    WriteBytes(bad, text.substr(0, values) + "zz," + text.substr(values));
    EXPECT_EQ(Run({"config", "check", QString::fromStdString(bad)}), cli::kExitFailed);
    EXPECT_EQ(err.str(), bad + " can be imported, but Reset From Configuration File would refuse "
                               "it: Invalid CodeTableValues in USBEchovaneUtilityCfg.ini file..\n"
                               "CodeTableValues field 1 is \"zz\", not a number from 0 to 255.\n");

    // A key given twice passes, with a warning that names the value read.
    const std::string twice = folder.File("twice/USBEchovaneUtilityCfg.ini");
    std::filesystem::create_directories(folder.File("twice"));
    WriteBytes(twice, ReadBytes(good.toStdString()) + "[appSettings]\r\n LedBrightness=9\r\n");
    EXPECT_EQ(Run({"config", "check", QString::fromStdString(twice)}), cli::kExitOk) << err.str();
    EXPECT_EQ(err.str(), "warning: " + twice + ": LedBrightness is given 2 times; the first, \"" +
                             std::to_string(keypad->settings.ledBrightness) +
                             "\", is the one read.\n");

    WriteBytes(folder.File("other.ini"), ReadBytes(good.toStdString()));
    EXPECT_EQ(Run({"config", "check", File("other.ini")}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "Incorrect Filename. Import takes only a file named "
                         "USBEchovaneUtilityCfg.ini; 'config apply FILE' and 'provision --config "
                         "FILE' take any name.\n");

    const QString sub = QString::fromStdString(folder.File("sub"));
    std::filesystem::create_directories(sub.toStdString());
    WriteBytes(sub.toStdString() + "/USBEchovaneUtilityCfg.ini", "[appSettings]\nFirstUp=Yes\n");
    EXPECT_EQ(Run({"config", "check", sub + "/USBEchovaneUtilityCfg.ini"}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "File is incorrect format. " + sub.toStdString() +
                             "/USBEchovaneUtilityCfg.ini has no KeypadLayout key in "
                             "[appSettings].\n");
    // Nothing is copied by a check: a file that does not parse is of the wrong format.
    WriteBytes(sub.toStdString() + "/USBEchovaneUtilityCfg.ini", "[appSettings\nFirstUp=Yes\n");
    EXPECT_EQ(Run({"config", "check", sub + "/USBEchovaneUtilityCfg.ini"}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "File is incorrect format. " + sub.toStdString() +
                             "/USBEchovaneUtilityCfg.ini has a section line without \"]\" (line "
                             "1).\n");
    // No file there is said so; a folder of that name is said to be one.
    const std::string absent = folder.File("gone/USBEchovaneUtilityCfg.ini");
    EXPECT_EQ(Run({"config", "check", QString::fromStdString(absent)}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "There is no configuration file " + absent + ".\n");
    EXPECT_EQ(Run({"config", "check", sub}), cli::kExitFailed);
    EXPECT_EQ(err.str(), sub.toStdString() + " is not a file but a folder.\n");
    EXPECT_EQ(Run({"config", "check"}), cli::kExitUsage);
}

// A file given on the command line is the one its messages name, not the utility's own.
TEST_F(CliCommands, MessagesAboutAGivenFileNameIt) {
    const std::string batch = folder.File("batch.ini");
    WriteBytes(batch, "[appSettings]\r\n FirstUp=Yes\r\n KeypadLayout=9\r\n LedBrightness=3\r\n");
    keypad->ClearReceived();
    for (const QStringList& args :
         {QStringList{"config", "apply", QString::fromStdString(batch)},
          QStringList{"provision", "--config", QString::fromStdString(batch)}}) {
        EXPECT_EQ(Run(args), cli::kExitFailed) << args.join(' ').toStdString();
        EXPECT_EQ(err.str(), "Invalid KeypadLayout in batch.ini file..\n"
                             "KeypadLayout is \"9\", not a number from 0 to 6.\n");
    }
    EXPECT_TRUE(keypad->received().empty());
}

// Notepad's "Unicode" is refused by every command with its reason, and never written into.
TEST_F(CliCommands, AUtf16FileIsRefusedAndLeftAsItIs) {
    const std::string text = "[appSettings]\r\nFirstUp=Yes\r\nKeypadLayout=2\r\n";
    std::string bytes = "\xFF\xFE";
    for (const char c : text) {
        bytes += std::string{c, '\0'};
    }
    const std::string file = folder.File("USBEchovaneUtilityCfg.ini");
    WriteBytes(file, bytes);
    const std::string why = " is UTF-16 text (Notepad's \"Unicode\"), not UTF-8 or ANSI: save it "
                            "as UTF-8";
    keypad->ClearReceived();
    const QString given = QString::fromStdString(file);
    const std::vector<std::pair<QStringList, std::string>> runs = {
        {{"config", "save", given}, file + why + "; nothing is written to it.\n"},
        {{"table", "show", given}, file + why + "; nothing is written to it.\n"},
        {{"table", "write", given}, file + why + ".\n"},
        {{"config", "apply", given},
         "USBEchovaneUtilityCfg.ini file is not UTF-8 or ANSI text; save it as UTF-8..\n" + file +
             why + ".\n"},
        {{"config", "check", given}, "File is incorrect format. " + file + why + ".\n"},
    };
    for (const auto& [args, message] : runs) {
        EXPECT_EQ(Run(args), cli::kExitFailed) << args.join(' ').toStdString();
        EXPECT_EQ(err.str(), message);
    }
    EXPECT_EQ(ReadBytes(file), bytes);
    EXPECT_TRUE(keypad->received().empty());
}

// A commented-out key is a note: the table and the replay never take it.
TEST_F(CliCommands, CommentedOutKeysAreNotRead) {
    const std::string table = folder.File("table.ini");
    WriteBytes(table, "[appSettings]\r\n;KeypadLayout=2\r\nCodeTableValues=1,2,3,4,5,6,7,8,9,10,"
                      "11,12,13,14,15,16,17,18,19,20,\r\n");
    keypad->ClearReceived();
    EXPECT_EQ(Run({"table", "write", QString::fromStdString(table)}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "Invalid KeypadLayout in table.ini file..\n"
                         "there is no KeypadLayout key in [appSettings].\n");

    const std::string saved = folder.File("saved.ini");
    WriteBytes(saved, "[appSettings]\r\nFirstUp=Yes\r\n;KeypadLayout=6\r\nKeypadLayout=1\r\n"
                      ";LedBrightness=9\r\n");
    EXPECT_EQ(Run({"config", "apply", QString::fromStdString(saved)}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "Invalid LedBrightness in saved.ini file..\n"
                         "there is no LedBrightness key in [appSettings].\n");
    EXPECT_TRUE(keypad->received().empty());
}

TEST_F(CliCommands, BleShowJsonAndSetWithTheWindowsLists) {
    ASSERT_EQ(Run({"ble", "show", "--json"}), cli::kExitOk) << err.str();
    QJsonObject json = Json();
    EXPECT_EQ(json["name"].toString().toStdString(), keypad->settings.ble.name);
    EXPECT_TRUE(json["values"].toObject().contains("power"));

    ASSERT_EQ(Run({"ble", "set", "--name", "Desk 4", "--power", "-7dBm", "--enable", "no",
                   "--product", "Vectapad-8way", "--rssi", "060", "--timeout", "030"}),
              cli::kExitOk)
        << err.str();
    EXPECT_EQ(keypad->settings.ble.name, "Desk 4");
    ASSERT_EQ(Run({"ble", "show", "--json"}), cli::kExitOk);
    const QJsonObject values = Json()["values"].toObject();
    EXPECT_EQ(values["power"].toObject()["text"].toString(), "-7dbm");
    EXPECT_EQ(values["enable"].toObject()["text"].toString(), "No");
    EXPECT_EQ(values["product"].toObject()["index"].toInt(), 6);
    EXPECT_EQ(values["rssi"].toObject()["text"].toString(), "60");
    EXPECT_EQ(values["timeout"].toObject()["text"].toString(), "30");
}

TEST_F(CliCommands, BleSetRefusalsStopAtTheFirstFailingCommand) {
    keypad->InjectFault({FaultKind::Refuse, CmdSetBlePowerLevel});
    EXPECT_EQ(Run({"ble", "set", "--name", "ABC", "--power", "1"}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "Unable to load ble power level..\n");
    EXPECT_EQ(keypad->settings.ble.name, "ABC");
    EXPECT_EQ(Commands().back(), CmdSetBlePowerLevel);

    // A name that breaks the rule is a usage mistake, found before the keypad is asked.
    keypad->ClearReceived();
    EXPECT_EQ(Run({"ble", "set", "--name", "Far too long"}), cli::kExitUsage);
    EXPECT_EQ(err.str(), "echovane-cli: --name: The Bluetooth Device Name holds at most 10 "
                         "characters\nTry 'echovane-cli ble --help'.\n");
    EXPECT_EQ(Run({"ble", "set", "--name", QString::fromUtf8("Caf\u00e9")}), cli::kExitUsage);
    EXPECT_EQ(err.str(),
              "echovane-cli: --name: The Bluetooth Device Name may only hold letters, digits, "
              "spaces and the signs of plain ASCII\nTry 'echovane-cli ble --help'.\n");
    EXPECT_TRUE(Commands().empty());

    for (const QStringList& args :
         {QStringList{"ble", "set"}, QStringList{"ble", "set", "--power", "3dbm"},
          QStringList{"ble", "set", "--enable", "maybe"}, QStringList{"ble", "frob"}}) {
        EXPECT_EQ(Run(args), cli::kExitUsage) << args.join(' ').toStdString();
    }
}

#ifndef _WIN32
// What is no file, named where a file is wanted: refused with what it is (a pipe would hang the
// read, /dev/zero fill the memory), or, for a link whose target is yet to be made, written
// through the link.
struct NonFileCase {
    const char* name;
    std::function<std::string(const testsupport::TempFolder&)> make;
    // The refusals, "{}" standing for the name; an empty configSave is a save that goes through.
    const char* tableWrite;
    const char* configApply;
    const char* configSave;
};

std::string Named(std::string text, const std::string& path) {
    return text.replace(text.find("{}"), 2, path) + "\n";
}

void PrintTo(const NonFileCase& c, std::ostream* os) {
    *os << c.name;
}

class CliNonFile : public CliCommands, public ::testing::WithParamInterface<NonFileCase> {};

TEST_P(CliNonFile, IsSaidWhatItIsOrWrittenThroughItsLink) {
    const NonFileCase& c = GetParam();
    const std::string path = c.make(folder);
    const QString given = QString::fromStdString(path);
    const auto kind = std::filesystem::symlink_status(path).type();

    EXPECT_EQ(Run({"table", "write", given}), cli::kExitFailed);
    EXPECT_EQ(err.str(), Named(c.tableWrite, path));
    EXPECT_EQ(Run({"config", "apply", given}), cli::kExitFailed);
    EXPECT_EQ(err.str(), Named(c.configApply, path));
    EXPECT_TRUE(keypad->received().empty());

    if (*c.configSave != '\0') {
        EXPECT_EQ(Run({"config", "save", given}), cli::kExitFailed);
        EXPECT_EQ(err.str(), Named(c.configSave, path));
        EXPECT_TRUE(keypad->received().empty());
    } else {
        ASSERT_EQ(Run({"config", "save", given}), cli::kExitOk) << err.str();
        EXPECT_EQ(CIniFile::GetValue("FirstUp", "appSettings", path), "Yes");
    }
    EXPECT_EQ(std::filesystem::symlink_status(path).type(), kind);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CliNonFile,
    ::testing::Values(
        NonFileCase{"Pipe",
                    [](const testsupport::TempFolder& folder) {
                        EXPECT_EQ(mkfifo(folder.File("fifo").c_str(), 0600), 0);
                        return folder.File("fifo");
                    },
                    "{} is not a file but a pipe.", "{} is not a file but a pipe.",
                    "{} is not a file but a pipe: name a new file or a configuration file."},
        NonFileCase{"EndlessDevice",
                    [](const testsupport::TempFolder&) { return std::string("/dev/zero"); },
                    "{} is not a file but a device.", "{} is not a file but a device.",
                    "{} is not a file but a device: name a new file or a configuration file."},
        NonFileCase{"Folder",
                    [](const testsupport::TempFolder& folder) {
                        std::filesystem::create_directory(folder.File("sub"));
                        return folder.File("sub");
                    },
                    "{} is not a file but a folder.", "{} is not a file but a folder.",
                    "{} is not a file but a folder: name a new file or a configuration file."},
        NonFileCase{"LinkLeadingNowhereYet",
                    [](const testsupport::TempFolder& folder) {
                        std::filesystem::create_directory(folder.File("dotfiles"));
                        std::filesystem::create_symlink("dotfiles/keypad.ini",
                                                        folder.File("mycfg.ini"));
                        return folder.File("mycfg.ini");
                    },
                    "{} cannot be read: No such file or directory.",
                    "There is no configuration file {}.", ""},
        NonFileCase{"LinkLoop",
                    [](const testsupport::TempFolder& folder) {
                        std::filesystem::create_symlink("b", folder.File("a"));
                        std::filesystem::create_symlink("a", folder.File("b"));
                        return folder.File("a");
                    },
                    "{} cannot be read: Too many levels of symbolic links.",
                    "There is no configuration file {}: Too many levels of symbolic links.",
                    "Unable to write {}: Too many levels of symbolic links."}),
    [](const auto& info) { return std::string(info.param.name); });
#endif

} // namespace
