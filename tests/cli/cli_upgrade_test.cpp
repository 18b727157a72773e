// upgrade end to end against the simulated boot loader on virtual time: CmdEnterBsl, the
// download, the restore, the progress lines and the confirmations.

#include "CliFixture.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "firmware/boot_loader_files.h"
#include "platform/Interrupt.h"
#include "platform/Utf8Path.h"
#include "platform/clock.h"
#include "tests/firmware/UpgradeFixture.h"
#include "tests/support/TempFolder.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>

namespace {

using emulator::BootLoaderFaultKind;
using emulator::FaultKind;

class CliUpgrade : public testsupport::CliRunner<testsupport::UpgradeTest> {
public:
    using UpgradeTest::scratch;
    using UpgradeTest::WriteFile;
    CliUpgrade() {
        keypad->settings.tableKind = 2;
        keypad->settings.ledBrightness = 7;
        keypad->settings.customTable.fill(0x21);
        keypad->model.serialNumber = "55501234";
        image = Image("new.txt", "VX0970");
    }
    bool SentEnterBsl() const {
        const auto received = keypad->received();
        return std::any_of(received.begin(), received.end(),
                           [](const auto& r) { return r.command == CmdEnterBsl; });
    }
    // A saved configuration holding serial, table kind 1 and brightness 4.
    std::string SavedConfig(const std::string& name, const std::string& serial) {
        return WriteFile(name, "[appSettings]\r\n FirstUp=Yes\r\n SerialNumber=" + serial +
                                   "\r\n KeypadLayout=1\r\n LedBrightness=4\r\n");
    }
    std::string image;
};

TEST_F(CliUpgrade, YesRunsTheWholeUpgradeAndRestoresTheSettings) {
    ASSERT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes"}), cli::kExitOk) << err.str();
    EXPECT_TRUE(SentEnterBsl());
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0970");
    EXPECT_EQ(keypad->model.serialNumber, "55501234");
    EXPECT_EQ(keypad->storedDefaults.tableKind, 2);
    EXPECT_EQ(keypad->storedDefaults.ledBrightness, 7);
    EXPECT_EQ(keypad->storedDefaults.customTable[19], 0x21);
    // Plain progress lines, one per report, when standard output is no terminal.
    const std::string text = out.str();
    for (const char* line :
         {"[  0%] Starting\n", "[ 10%] Password Sent Successfully\n",
          "[ 85%] Memory successfully verified\n",
          "[ 90%] Resetting Device...\n[ 90%] Starting application\n", "[100%] Done!\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    }
    // Every line says something besides its percentage.
    EXPECT_EQ(text.find("%]\n"), std::string::npos) << text;
    EXPECT_EQ(text.find('\033'), std::string::npos);
}

// Quiet, a whole upgrade prints nothing, bar or not; a failure still says where it stopped.
// Without a selector the keypad to upgrade may be any of them, the one in its loader too: all
// are listed and counted.
TEST_F(CliUpgrade, SeveralCandidatesAreListedWithTheKeypadInItsLoader) {
    EnterBootLoader();
    for (const char* serialNumber : {"55501235", "55501236"}) {
        emulator::SimulatedKeypad::Model model;
        model.serialNumber = serialNumber;
        PlugKeypad(model);
    }
    EXPECT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes"}), cli::kExitUsage);
    const std::string said = err.str();
    EXPECT_EQ(said.rfind("echovane-cli: 2 keypads and 1 boot loader are connected:\n", 0), 0u)
        << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 6) << said;
    EXPECT_NE(said.find("(a keypad in its boot loader)\n"), std::string::npos) << said;

    // Looked for by its serial number or where it ran, it is not found, and where it sits is
    // said with how to bring it back.
    const std::string loaderPath = device::BootLoaderPaths().at(0);
    for (const auto& [selector, listed] :
         {std::pair{QStringList{"--serial", "55501234"}, true},
          std::pair{QStringList{"--device", "emulator/usb-99:1.1"}, false}}) {
        EXPECT_EQ(Run(selector + QStringList{"upgrade", QString::fromStdString(image), "--yes"}),
                  cli::kExitFailed);
        EXPECT_NE(err.str().find("A keypad sits in its boot loader at " + loaderPath),
                  std::string::npos)
            << err.str();
        EXPECT_EQ(err.str().find("  " + loaderPath + " (a keypad in its boot loader)\n") !=
                      std::string::npos,
                  listed)
            << err.str();
    }
    EXPECT_TRUE(loader->received().empty());
}

TEST_F(CliUpgrade, QuietPrintsNothingButAFailure) {
    for (const bool terminal : {false, true}) {
        console.progressBar = terminal;
        ASSERT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes", "--quiet"}), cli::kExitOk)
            << err.str();
        EXPECT_EQ(out.str(), "") << terminal;
        EXPECT_EQ(err.str(), "") << terminal;
    }
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0970");

    emulator::BootLoaderFault refuse;
    refuse.kind = BootLoaderFaultKind::RefusePassword;
    refuse.times = 4;
    loader->InjectFault(refuse);
    ASSERT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes", "--quiet"}),
              cli::kExitFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "The firmware upgrade failed: Password FAILED!\n");
}

TEST_F(CliUpgrade, ProgressBarOnATerminal) {
    console.progressBar = true;
    ASSERT_EQ(Run({"upgrade", QString::fromStdString(image), "-y"}), cli::kExitOk) << err.str();
    const std::string text = out.str();
    EXPECT_NE(text.find("\r[" + std::string(40, '#') + "] 100%"), std::string::npos);
    EXPECT_NE(text.find("\r\033[KMemory successfully verified\n"), std::string::npos);
}

TEST_F(CliUpgrade, ConfirmationIsAskedOnATerminalAndRefusedWithoutOne) {
    EXPECT_EQ(Run({"upgrade", QString::fromStdString(image)}), cli::kExitUsage);
    EXPECT_NE(err.str().find("run it on a terminal, or give --yes"), std::string::npos);
    EXPECT_FALSE(SentEnterBsl());

    std::vector<std::string> questions;
    console.interactive = true;
    console.ask = [&](const std::string& question) {
        questions.push_back(question);
        return questions.size() < 2; // Yes to the hardware warning, No to the confirmation
    };
    EXPECT_EQ(Run({"upgrade", QString::fromStdString(image)}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "The firmware upgrade was not started.\n");
    EXPECT_EQ(questions, (std::vector<std::string>{
                             "Warning!, please make sure you have correct hardware connected. do "
                             "you want to continue?",
                             "Are you sure you want to upgrade the firmware?"}));
    EXPECT_FALSE(SentEnterBsl());
}

TEST_F(CliUpgrade, FailuresExitOneWithTheSystemsMessage) {
    emulator::BootLoaderFault refuse;
    refuse.kind = BootLoaderFaultKind::RefusePassword;
    refuse.times = 4;
    loader->InjectFault(refuse);
    EXPECT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes"}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "The firmware upgrade failed: Password FAILED!\n");
}

struct RefusalCase {
    const char* name;
    // Arranges the refusal and returns the extra arguments; fills in the expected stderr.
    std::function<QStringList(CliUpgrade&, std::string& expected)> arrange;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class CliUpgradeRefusal : public CliUpgrade, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(CliUpgradeRefusal, ExitsOneWithTheReasonBeforeTheKeypadIsLookedFor) {
    std::string expected;
    QStringList args = GetParam().arrange(*this, expected);
    const int enumerations = bus().usage().enumerateCount;
    args.prepend("upgrade");
    args.append("--yes");
    EXPECT_EQ(Run(args), cli::kExitFailed);
    EXPECT_EQ(err.str(), expected);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(bus().usage().enumerateCount, enumerations) << "no keypad looked for";
    EXPECT_TRUE(keypad->received().empty());
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0810");
}

INSTANTIATE_TEST_SUITE_P(
    Files, CliUpgradeRefusal,
    ::testing::Values(
        RefusalCase{"AnyTextFile",
                    [](CliUpgrade& t, std::string& expected) {
                        const std::string file = t.WriteFile("hostname", "keypad-lab\n");
                        expected = "Unable to use the firmware file..\n" + file +
                                   ": line 1: \"keypad-lab\" comes before the first \"@\" "
                                   "section address\n";
                        return QStringList{QString::fromStdString(file)};
                    }},
        RefusalCase{"OneBadHexByte",
                    [](CliUpgrade& t, std::string& expected) {
                        std::string text = testsupport::TiTxt(testsupport::KeypadImage("VX1"));
                        text.replace(text.find("\r\n") + 2, 2, "G0");
                        const std::string file = t.WriteFile("bad.txt", text);
                        expected = "Unable to use the firmware file..\n" + file +
                                   ": line 2: \"G0\" is not a hex byte\n";
                        return QStringList{QString::fromStdString(file)};
                    }},
        RefusalCase{"RamBootLoaderNamedButMissing",
                    [](CliUpgrade& t, std::string& expected) {
                        const std::string none = t.scratch.string() + "/RAM_BSL.txt";
                        expected = "Unable to use the RAM boot loader..\n" + none +
                                   ": it cannot be read: No such file or directory\n";
                        return QStringList{QString::fromStdString(t.image), "--ram-bsl",
                                           QString::fromStdString(none)};
                    }},
        // Read only as far as the loader's buffer: its length is not known.
        RefusalCase{"RamBootLoaderTooBig",
                    [](CliUpgrade& t, std::string& expected) {
                        const std::string big = t.WriteFile("big.txt", std::string(64'000, ' '));
                        expected = "Unable to use the RAM boot loader..\n" + big +
                                   ": it is too large: the boot loader takes 19999 bytes of "
                                   "text at most (a RAM boot loader's text is a few "
                                   "kilobytes: is this a firmware image?)\n";
                        return QStringList{QString::fromStdString(t.image), "--ram-bsl",
                                           QString::fromStdString(big)};
                    }},
        // The keypad would get it cut short.
        RefusalCase{"ASerialNumberNoKeypadHolds",
                    [](CliUpgrade& t, std::string& expected) {
                        const std::string saved =
                            t.WriteFile("long.ini", "[appSettings]\r\n FirstUp=Yes\r\n "
                                                    "SerialNumber=ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n"
                                                    " KeypadLayout=1\r\n LedBrightness=4\r\n");
                        expected = saved + ": the serial number \"ABCDEFGHIJKLMNOPQRSTUVWXYZ\""
                                           " cannot be written to a keypad: it has 26 "
                                           "characters, a keypad holds 11 at most.\n";
                        return QStringList{QString::fromStdString(t.image), "--config",
                                           QString::fromStdString(saved)};
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

// A RAM boot loader that passes every check but is not the simulated MCU's own: the MCU runs
// into it and crashes, as a real one would with anything but its vendor's image. The file is
// named, whether given with --ram-bsl or installed in the user's data folder.
class CliForeignRamBsl : public CliUpgrade, public ::testing::WithParamInterface<bool> {};

TEST_P(CliForeignRamBsl, LeavesTheMcuCrashedAndIsNamed) {
    const bool installed = GetParam();
    const std::string text = testsupport::TiTxt({{0x2500, {0x00, 0x06, 0x05, 0x34, 0x31, 0x40}}});
    std::string file;
    QStringList args{"upgrade", QString::fromStdString(image), "--yes"};
    if (installed) {
        const std::string folder = firmware::BootLoaderFolders().front();
        std::filesystem::create_directories(platform::PathFromUtf8(folder));
        file = folder + "/RAM_BSL.txt";
        testsupport::WriteBytes(file, text);
    } else {
        file = WriteFile("other.txt", text);
        args << "--ram-bsl" << QString::fromStdString(file);
    }
    EXPECT_EQ(Run(args), cli::kExitFailed);
    EXPECT_EQ(err.str(), "The firmware upgrade failed: USB device was unplugged!\nIf the keypad "
                         "was not unplugged, the RAM boot loader in " +
                             file +
                             " is probably not the MCU vendor's: unplug the keypad, plug it in "
                             "again and upgrade with the vendor's.\n");
    EXPECT_EQ(loader->mode(), emulator::SimulatedBootLoader::Mode::Crashed);
    EXPECT_TRUE(bus().Devices().empty());
}

INSTANTIATE_TEST_SUITE_P(GivenOrInstalled, CliForeignRamBsl, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Installed" : "Given"; });

// Stopped halfway the keypad would sit in its loader: the first Ctrl+C, or the SIGTERM of a
// script's `timeout`, waits for the end.
TEST_F(CliUpgrade, AStopRequestDuringTheDownloadWaitsForTheEnd) {
#ifdef _WIN32
    const std::string said = "Ctrl+C: the upgrade goes on to its end";
#else
    const std::string said = "SIGTERM: the upgrade goes on to its end";
#endif
    const auto ask = [] { platform::InterruptCatcher::Raise(SIGTERM); };
    // Half a second in, the keypad is on its way to its boot loader.
    bus().Schedule(platform::NowUs() + 500'000, ask);
    ASSERT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes"}), cli::kExitOk) << err.str();
    EXPECT_NE(err.str().find(said), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find("\n\n"), std::string::npos) << "a blank line with no progress bar";
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0970");
    EXPECT_EQ(keypad->storedDefaults.ledBrightness, 7);
}

// What a second Ctrl+C would leave behind it is ready to be said, naming the keypad.
TEST_F(CliUpgrade, TheLastWordsDuringTheDownloadNameTheKeypadAndTheWayBack) {
    std::string words;
    bus().Schedule(platform::NowUs() + 500'000,
                   [&] { words = platform::InterruptCatcher::LastWords(); });
    // Once the download is through, the keypad is in no boot loader any more.
    std::string restoring;
    keypad->onCommand = [&](const emulator::ReceivedCommand& command) {
        if (command.command == CmdSetSerialNumber) {
            restoring = platform::InterruptCatcher::LastWords();
        }
    };
    ASSERT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes"}), cli::kExitOk) << err.str();
    keypad->onCommand = nullptr;
    EXPECT_NE(restoring.find("stopped while keypad 55501234 took its settings back after the "
                             "upgrade: it runs the new firmware"),
              std::string::npos)
        << restoring;
    EXPECT_NE(words.find("stopped in the firmware upgrade of keypad 55501234, which may sit in its "
                         "boot loader now: '"),
              std::string::npos)
        << words;
    EXPECT_NE(words.find(" upgrade FILE --yes' brings it back (with --device PATH beside other "
                         "keypads); add --config SAVED.ini"),
              std::string::npos)
        << words;
    EXPECT_EQ(platform::InterruptCatcher::LastWords(), "") << "none once the upgrade is over";
}

// A keypad whose own settings were read gets those back: a file given as well is said unused.
TEST_F(CliUpgrade, AConfigurationNotNeededIsSaidUnused) {
    const std::string saved = SavedConfig("other.ini", "00099999");
    ASSERT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes", "--config",
                   QString::fromStdString(saved)}),
              cli::kExitOk)
        << err.str();
    EXPECT_NE(err.str().find(saved + " is not used: the keypad's own serial number"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(keypad->model.serialNumber, "55501234");
}

// A keypad that lost its serial number gets the saved configuration's back, and says so when
// there is none to give.
TEST_F(CliUpgrade, AKeypadWithoutItsSerialNumberGetsTheOneOfConfig) {
    const QString saved = QString::fromStdString(platform::Utf8FromPath(scratch / "saved.ini"));
    ASSERT_EQ(Run({"config", "save", saved}), cli::kExitOk) << err.str();
    keypad->model.serialNumber = "00000000";
    ASSERT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes"}), cli::kExitOk) << err.str();
    EXPECT_NE(out.str().find("restored, but it has no serial number of its own"), std::string::npos)
        << out.str();

    // A file that has none to give either says so.
    const std::string none = SavedConfig("none.ini", "00000000");
    ASSERT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes", "--config",
                   QString::fromStdString(none)}),
              cli::kExitOk)
        << err.str();
    EXPECT_NE(out.str().find("no serial number of its own, and " + none + " holds none either."),
              std::string::npos)
        << out.str();

    // A Ctrl+C while the file's serial number goes in does not stop the program there.
    keypad->onCommand = [](const emulator::ReceivedCommand& command) {
        if (command.command == CmdSetSerialNumber &&
            std::string(command.data.begin(), command.data.end()).find("55501234") !=
                std::string::npos) {
            platform::InterruptCatcher::Raise();
        }
    };
    ASSERT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes", "--config", saved}),
              cli::kExitOk)
        << err.str();
    keypad->onCommand = nullptr;
    EXPECT_NE(err.str().find("Ctrl+C: the upgrade goes on to its end"), std::string::npos)
        << err.str();
    EXPECT_EQ(keypad->model.serialNumber, "55501234");
    // and the keypad kept it.
    EXPECT_EQ(keypad->ReceivedCodes().back(), CmdWriteDefault);
    EXPECT_NE(out.str().find("restored and the serial number of " + saved.toStdString() + "."),
              std::string::npos)
        << out.str();
}

TEST_F(CliUpgrade, RestoreRefusalStopsWithItsMessage) {
    keypad->InjectFault({FaultKind::Refuse, CmdSetSerialNumber});
    EXPECT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes"}), cli::kExitFailed);
    // The serial number it had is named, since this run is the last to know it.
    EXPECT_EQ(err.str(),
              "Unable to set SerialNumber..\nThe keypad's serial number 55501234, code table and "
              "LED brightness from before the upgrade are not all back on it. Set "
              "them again, or write back those of a configuration saved from it with "
              "`config apply SAVED` and its serial number with `upgrade FIRMWARE --yes "
              "--config SAVED`.\n");
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0970");
}

} // namespace
