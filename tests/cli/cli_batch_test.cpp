// Several keypads on the bus: devices reads each, a selector reaches one and no other, a command
// that changes a keypad refuses to guess, status describes them all, and provision sets up the
// batch with one line per keypad.

#include "CliFixture.h"

#include "device/commands.h"
#include "platform/Interrupt.h"
#include "platform/clock.h"
#include "tests/support/TempFolder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using emulator::FaultKind;
using emulator::SimulatedKeypad;

class CliBatch : public testsupport::CliRunner<testsupport::EmulatorTest> {
protected:
    CliBatch() {
        for (const char* serial : {"00012345", "00012346", "00012347"}) {
            SimulatedKeypad::Model model;
            model.serialNumber = serial;
            keypads.push_back(PlugKeypad(model));
        }
    }
    QJsonObject Json() const {
        return QJsonDocument::fromJson(QByteArray::fromStdString(out.str())).object();
    }
    std::string SavedFile() {
        const std::string path = folder.File("batch.ini");
        testsupport::WriteBytes(path, "[appSettings]\r\n FirstUp=Yes\r\n KeypadLayout=1\r\n "
                                      "LedBrightness=6\r\n");
        return path;
    }

    std::vector<std::shared_ptr<SimulatedKeypad>> keypads;
    testsupport::TempFolder folder;
};

TEST_F(CliBatch, DevicesReadsEveryKeypad) {
    keypads[2]->InjectFault({FaultKind::Silent, emulator::kAnyCommand, 0, emulator::kForever});
    // A kind no firmware has is named as unknown, not as the last kind there is.
    keypads[0]->settings.tableKind = 9;
    keypads[1]->settings.tableKind = 3;
    ASSERT_EQ(Run({"devices", "--json"}), cli::kExitOk) << err.str();
    std::vector<QJsonObject> read;
    for (const auto& device : Json()["devices"].toArray()) {
        if (device.toObject().contains("keypad")) {
            read.push_back(device.toObject()["keypad"].toObject());
        }
    }
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0]["serialNumber"].toString(), "00012345");
    EXPECT_EQ(read[1]["serialNumber"].toString(), "00012346");
    EXPECT_EQ(read[1]["firmwareVersion"].toString(), "VX0810");
    EXPECT_EQ(read[1]["productName"].toString(), "Echovane(169)");
    EXPECT_EQ(read[1]["tableKind"].toInt(), 3);
    EXPECT_FALSE(read[2]["answered"].toBool());
    EXPECT_FALSE(read[2].contains("serialNumber"));

    ASSERT_EQ(Run({"devices"}), cli::kExitOk);
    // Named on one line as set-layout takes it, without the keypad's run of spaces.
    EXPECT_NE(out.str().find("serial number 00012346, firmware VX0810, Echovane(169), code table "
                             "3 (Default Multicode Table)"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("code table 9 (Unknown Table (9))"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("does not answer"), std::string::npos);
}

TEST_F(CliBatch, ASelectorReachesThatKeypadOnly) {
    for (const QStringList& selector :
         {QStringList{"--serial", "00012346"}, QStringList{"--device", "emulator/usb-2:1.1"}}) {
        for (auto& keypad : keypads) {
            keypad->ClearReceived();
        }
        ASSERT_EQ(Run(selector + QStringList{"set-brightness", "3"}), cli::kExitOk) << err.str();
        EXPECT_EQ(keypads[1]->settings.ledBrightness, 3);
        for (const size_t other : {size_t{0}, size_t{2}}) {
            const auto codes = keypads[other]->ReceivedCodes();
            EXPECT_EQ(std::count(codes.begin(), codes.end(), CmdSetLedBrightness), 0) << other;
        }
    }
    // After the command's name as well.
    ASSERT_EQ(Run({"set-brightness", "2", "--serial", "00012347"}), cli::kExitOk) << err.str();
    EXPECT_EQ(keypads[2]->settings.ledBrightness, 2);
}

TEST_F(CliBatch, ACommandWithoutSelectorRefusesToGuess) {
    const int status = Run({"set-brightness", "4"});
    EXPECT_EQ(status, cli::kExitUsage);
    EXPECT_EQ(err.str(), "echovane-cli: 3 keypads are connected:\n"
                         "  00012345 (emulator/usb-1:1.1)\n"
                         "  00012346 (emulator/usb-2:1.1)\n"
                         "  00012347 (emulator/usb-3:1.1)\n"
                         "Name one with --serial SERIAL or --device PATH.\n"
                         "Try 'echovane-cli set-brightness --help'.\n");
    for (const auto& keypad : keypads) {
        const auto codes = keypad->ReceivedCodes();
        EXPECT_EQ(std::count(codes.begin(), codes.end(), CmdSetLedBrightness), 0);
    }
}

// The keypad's other interface, which devices lists too, is no way to reach it: the message
// points to the one that is.
TEST_F(CliBatch, TheOtherInterfacesPathPointsToTheProtocolOne) {
    EXPECT_EQ(Run({"--device", "emulator/usb-2:1.0", "set-brightness", "3"}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "emulator/usb-2:1.0 is interface 0 of a keypad, which is reached "
                         "through its protocol interface: give the path 'devices' marks "
                         "(protocol).\n");
    EXPECT_EQ(Run({"--device", "emulator/usb-9:1.1", "status"}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "No keypad is connected at emulator/usb-9:1.1.\n");
    for (const auto& keypad : keypads) {
        const auto codes = keypad->ReceivedCodes();
        EXPECT_EQ(std::count(codes.begin(), codes.end(), CmdSetLedBrightness), 0);
    }
}

TEST_F(CliBatch, AnUnknownSerialNumberIsAFailureThatListsTheKeypads) {
    EXPECT_EQ(Run({"--serial", "99999999", "status"}), cli::kExitFailed);
    EXPECT_NE(err.str().find("No connected keypad reports the serial number 99999999.\n"
                             "Connected:\n  00012345"),
              std::string::npos)
        << err.str();
}

TEST_F(CliBatch, StatusDescribesEveryKeypad) {
    keypads[1]->settings.ledBrightness = 8;
    ASSERT_EQ(Run({"status", "--json"}), cli::kExitOk) << err.str();
    const QJsonArray described = Json()["keypads"].toArray();
    ASSERT_EQ(described.size(), 3);
    EXPECT_EQ(described[1].toObject()["path"].toString(), "emulator/usb-2:1.1");
    EXPECT_EQ(described[1].toObject()["status"].toObject()["serialNumber"].toString(), "00012346");
    EXPECT_EQ(described[1].toObject()["status"].toObject()["ledBrightness"].toInt(), 8);

    keypads[0]->InjectFault({FaultKind::Silent, emulator::kAnyCommand, 0, emulator::kForever});
    EXPECT_EQ(Run({"status"}), cli::kExitFailed);
    EXPECT_NE(out.str().find("Keypad at emulator/usb-3:1.1\n"), std::string::npos) << out.str();
    EXPECT_EQ(err.str(), "emulator/usb-1:1.1: Unable to get device status information\n");
}

// A keypad's texts are Latin-1 and may hold any byte: on a terminal they come out as UTF-8,
// and no control character of theirs reaches it to move the cursor or clear the screen.
TEST_F(CliBatch, KeypadTextsReachTheTerminalAsPrintableUtf8) {
    SimulatedKeypad::Model model;
    model.serialNumber = "0001\x1B[2J9";
    model.firmwareVersion = "VX\x9B"
                            "0810";
    keypads.push_back(PlugKeypad(model));
    keypads.back()->settings.ble.name = "Caf\xE9\x1B]0;x\x07";
    const std::string serial = "0001\\x1B[2J9";
    const struct {
        QStringList args;
        std::vector<std::string> shows;
    } cases[] = {
        {{"devices"}, {"serial number " + serial + ", firmware VX\\x9B0810,"}},
        {{"status"},
         {"Serial number     " + serial + "\n", "BLE name          Caf\xC3\xA9\\x1B]0;x\\x07\n"}},
        {{"--device", "emulator/usb-4:1.1", "ble", "show"}, {"Caf\xC3\xA9\\x1B]0;x\\x07\n"}},
        {{"set-brightness", "4"}, {"  " + serial + " (emulator/usb-4:1.1)\n"}},
        {{"--device", "emulator/usb-4:1.1", "--serial", "1", "status"},
         {"reports the serial number " + serial + ", not 1."}},
    };
    for (const auto& c : cases) {
        Run(c.args);
        const std::string text = out.str() + err.str();
        for (const std::string& shown : c.shows) {
            EXPECT_NE(text.find(shown), std::string::npos) << c.args.join(' ').toStdString();
        }
        EXPECT_TRUE(
            std::none_of(text.begin(), text.end(),
                         [](char b) { return b != '\n' && static_cast<unsigned char>(b) < 0x20; }))
            << c.args.join(' ').toStdString() << ":\n"
            << text;
        EXPECT_TRUE(QString::fromUtf8(text).toUtf8().toStdString() == text)
            << c.args.join(' ').toStdString() << " is not UTF-8";
    }
}

// Ctrl+C before the keypads asked for were done is no success for a script.
TEST_F(CliBatch, ProvisionStoppedShortOfItsCountFails) {
    const QString file = QString::fromStdString(SavedFile());
    // Long after the three connected ones, while the run waits for two more.
    bus().Schedule(platform::NowUs() + 20'000'000, [] { platform::InterruptCatcher::Raise(); });
    EXPECT_EQ(Run({"provision", "--config", file, "--count", "5"}), cli::kExitFailed);
    EXPECT_NE(out.str().find("3 keypads provisioned, 0 failed.\n"), std::string::npos) << out.str();
    EXPECT_EQ(err.str(), "Ctrl+C: stopping after the keypad at hand.\nStopped by Ctrl+C after 3 "
                         "of 5 keypads.\n");
}

// Ctrl+C with keypads still connected and not done: the batch is not through.
TEST_F(CliBatch, ProvisionStoppedBeforeTheConnectedKeypadsNamesThemAndFails) {
    const QString file = QString::fromStdString(SavedFile());
    keypads[0]->onCommand = [](const emulator::ReceivedCommand& command) {
        if (command.command == CmdWriteDefault) {
            platform::InterruptCatcher::Raise();
        }
    };
    EXPECT_EQ(Run({"provision", "--config", file}), cli::kExitFailed);
    EXPECT_NE(out.str().find("1 keypad provisioned, 0 failed, 2 not done.\n"), std::string::npos)
        << out.str();
    EXPECT_EQ(err.str(), "Ctrl+C: stopping after the keypad at hand.\nStopped by Ctrl+C before "
                         "the keypads still connected were done: 00012346, 00012347.\n");
    EXPECT_EQ(keypads[2]->settings.ledBrightness, 5) << "not begun";
}

// Lines nobody reads any more: keypads set up without a record would be lost to the batch.
TEST_F(CliBatch, ProvisionWhoseOutputIsLostEndsAfterTheKeypadAtHand) {
    // A reader that goes away after the first line, as `| head -1` does.
    struct ClosesAfterOneLine : std::streambuf {
        int overflow(int c) override {
            if (closed) {
                return traits_type::eof();
            }
            closed = c == '\n';
            return c;
        }
        bool closed = false;
    } pipe;
    std::ostream lost(&pipe);
    const QString file = QString::fromStdString(SavedFile());
    EXPECT_EQ(cli::Run({"echovane-cli", "provision", "--config", file, "--count", "3", "--json"},
                       lost, err, console),
              cli::kExitFailed);
    EXPECT_EQ(keypads[0]->settings.ledBrightness, 6);
    EXPECT_EQ(keypads[1]->settings.ledBrightness + keypads[2]->settings.ledBrightness, 6 + 5)
        << "the keypad at hand when the line was lost is finished, the next one not begun";
    // Its record is not lost with the line: it goes to the error output.
    const std::string said = err.str();
    EXPECT_EQ(said.rfind("The output cannot be written; the lines it lost:\n{", 0), 0u) << said;
    const std::string done = keypads[1]->settings.ledBrightness == 6 ? "00012346" : "00012347";
    EXPECT_NE(said.find("\"" + done + "\""), std::string::npos) << said;
    // and the keypad not begun is named as not done.
    const std::string notDone = done == "00012346" ? "00012347" : "00012346";
    EXPECT_NE(said.find("Not done, as the output cannot be written: " + notDone + ".\n"),
              std::string::npos)
        << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 3) << said;
}

TEST_F(CliBatch, ProvisionDoesEachKeypadOnceWithALineEach) {
    const QString file = QString::fromStdString(SavedFile());
    ASSERT_EQ(Run({"provision", "--config", file, "--count", "3"}), cli::kExitOk) << err.str();
    const std::string text = out.str();
    for (const char* serial : {"00012345", "00012346", "00012347"}) {
        EXPECT_NE(text.find(std::string(serial) + "  configured, checked  ok  "), std::string::npos)
            << text;
    }
    EXPECT_NE(text.find("\n3 keypads provisioned, 0 failed.\n"), std::string::npos) << text;
    for (const auto& keypad : keypads) {
        EXPECT_EQ(keypad->settings.ledBrightness, 6);
        EXPECT_EQ(keypad->settings.tableKind, 1);
    }

    keypads[1]->InjectFault({FaultKind::Refuse, CmdSetKeypadType, 0, emulator::kForever});
    ASSERT_EQ(Run({"provision", "--config", file, "--count", "3", "--json"}), cli::kExitFailed);
    std::vector<QJsonObject> lines;
    for (const QByteArray& line : QByteArray::fromStdString(out.str()).split('\n')) {
        if (!line.isEmpty()) {
            lines.push_back(QJsonDocument::fromJson(line).object());
        }
    }
    ASSERT_EQ(lines.size(), 3u) << out.str();
    EXPECT_EQ(lines[1]["serialNumber"].toString(), "00012346");
    EXPECT_FALSE(lines[1]["ok"].toBool());
    EXPECT_EQ(lines[1]["error"].toString(), "Unable to set Keypad Type..");
    EXPECT_TRUE(lines[2]["ok"].toBool());
    EXPECT_EQ(lines[2]["version"].toInt(), 1);
}

struct ProvisionUsage {
    const char* name;
    QStringList args;
    int status;
    const char* says;
};

void PrintTo(const ProvisionUsage& c, std::ostream* os) {
    *os << c.name;
}

class CliProvisionRefusals : public CliBatch,
                             public ::testing::WithParamInterface<ProvisionUsage> {};

TEST_P(CliProvisionRefusals, BeforeAnyKeypadIsTouched) {
    const QString saved = QString::fromStdString(SavedFile());
    const QString empty = QString::fromStdString(folder.File("empty.ini"));
    testsupport::WriteBytes(empty.toStdString(), "[appSettings]\r\n FirstUp=No\r\n");
    QStringList args{"provision"};
    for (const QString& arg : GetParam().args) {
        args << (arg == "SAVED" ? saved : arg == "EMPTY" ? empty : arg);
    }
    EXPECT_EQ(Run(args), GetParam().status);
    EXPECT_NE(err.str().find(GetParam().says), std::string::npos) << err.str();
    for (const auto& keypad : keypads) {
        EXPECT_TRUE(keypad->received().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, CliProvisionRefusals,
    ::testing::Values(
        ProvisionUsage{"NoConfig", {}, cli::kExitUsage, "provision needs --config FILE"},
        ProvisionUsage{"CountZero",
                       {"--config", "SAVED", "--count", "0"},
                       cli::kExitUsage,
                       "--count takes a number of keypads, 1 or more, not '0'"},
        ProvisionUsage{"Selector",
                       {"--config", "SAVED", "--serial", "00012345"},
                       cli::kExitUsage,
                       "--serial and --device do not apply"},
        ProvisionUsage{"VersionWithoutFirmware",
                       {"--config", "SAVED", "--firmware-version", "1"},
                       cli::kExitUsage,
                       "--firmware-version goes with --firmware"},
        ProvisionUsage{"RamBslWithoutFirmware",
                       {"--config", "SAVED", "--ram-bsl", "RAM_BSL.txt"},
                       cli::kExitUsage,
                       "--ram-bsl goes with --firmware"},
        ProvisionUsage{"YesWithoutFirmware",
                       {"--config", "SAVED", "--yes"},
                       cli::kExitUsage,
                       "--yes goes with --firmware"},
        ProvisionUsage{
            "EmptyVersion",
            {"--config", "SAVED", "--firmware", "/nonexistent/new.txt", "--firmware-version", " "},
            cli::kExitUsage,
            "--firmware-version takes the version keypads report"},
        ProvisionUsage{"MissingFile",
                       {"--config", "/nonexistent/batch.ini"},
                       cli::kExitFailed,
                       "There is no configuration file /nonexistent/batch.ini."},
        ProvisionUsage{
            "NothingSaved", {"--config", "EMPTY"}, cli::kExitFailed, "holds no saved settings"},
        ProvisionUsage{"FirmwareUnconfirmed",
                       {"--config", "SAVED", "--firmware", "/nonexistent/new.txt"},
                       cli::kExitFailed,
                       "new.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
