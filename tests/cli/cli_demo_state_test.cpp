// echovane-cli-demo's keypad between runs: an upgrade that failed after the erase leaves the
// keypad in its boot loader for the next run too, as a real one would stay, until a good
// upgrade brings it back.

#include "CliFixture.h"

#include "cli/DemoKeypad.h"
#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "firmware/UpgradeSequence.h"
#include "firmware/bsl430/bsl430.h"
#include "platform/AtomicFile.h"
#include "tests/firmware/BootLoaderFixture.h"
#include "tests/support/TempFolder.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class CliDemoState : public testsupport::CliRunner<testsupport::EmulatorTest> {
public:
    using CliRunner::err;
    using CliRunner::out;
    CliDemoState() { setenv("ECHOVANE_DEMO_STATE", StatePath().c_str(), 1); }
    ~CliDemoState() override {
        unsetenv("ECHOVANE_DEMO_STATE");
        unsetenv("ECHOVANE_DEMO_KEYPADS");
        unsetenv("ECHOVANE_DEMO_REPLUG");
        platform::SetReplaceFaultHook({});
    }
    std::string StatePath() const { return folder_.File("demo.state"); }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = folder_.File(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // One run of echovane-cli-demo: its keypad as the last run left it, saved at the end.
    int RunDemo(QStringList args) {
        bus().Reset();
        demoSaid.str({});
        cli::DemoKeypad demo(demoSaid);
        return Run(std::move(args));
    }
    // The keypad's LED brightness as status reports it, or -1.
    int Brightness(const char* serial) {
        EXPECT_EQ(RunDemo({"--serial", serial, "status"}), cli::kExitOk) << err.str();
        const size_t at = out.str().find("LED brightness    ");
        return at == std::string::npos ? -1 : out.str()[at + 18] - '0';
    }
    // What the demo itself said about its keypads in the last run.
    std::ostringstream demoSaid;
    testsupport::TempFolder& folder() { return folder_; }

protected:
    testsupport::TempFolder folder_;
};

TEST_F(CliDemoState, AFailedUpgradeLeavesTheKeypadInItsLoaderUntilAGoodOne) {
    ASSERT_EQ(RunDemo({"status"}), cli::kExitOk) << err.str();
    EXPECT_NE(out.str().find("1.0.810"), std::string::npos) << out.str();

    // An image the checks would refuse, forced past them: its second section writes over the
    // first, so the verify fails after the erase.
    auto image = testsupport::KeypadImage("1.0.950");
    image.push_back({0x8000, std::vector<uint8_t>(64, 0xFF)});
    const std::string bad = Write("overlapping.txt", testsupport::TiTxt(image));
    {
        bus().Reset();
        cli::DemoKeypad demo;
        ASSERT_TRUE(device::RescanForKeypad().found);
        uint8_t reply[kReportSize];
        uint32_t length = 0;
        USBEncoderSendAndReceive_a(hid_handle, CmdEnterBsl, nullptr, 0, reply, kReportSize, &length,
                                   kCommandTimeoutMs);
        const firmware::BootLoaderIds ids = firmware::InitializeVidPidFirmware();
        ASSERT_TRUE(firmware::WaitForBootLoader(ids, 10000, 100));
        std::string last;
        firmware::UpgradeSequence sequence(
            testsupport::SimulatedFiles(),
            [&last](int, const std::string& text) { last = text.empty() ? last : text; });
        EXPECT_FALSE(sequence.CustomSelectedFirmware(bad));
        EXPECT_EQ(last, firmware::kVerifyErrorText);
        BSL_close_BSL();
    }

    EXPECT_EQ(RunDemo({"status"}), cli::kExitFailed) << "the next run finds no keypad";
    EXPECT_EQ(err.str().rfind("Vexor Echovane not connected..\nThe keypad is on the bus as its "
                              "boot loader",
                              0),
              0u)
        << err.str();
    ASSERT_EQ(RunDemo({"devices"}), cli::kExitOk);
    EXPECT_EQ(out.str().rfind("boot loader ", 0), 0u) << out.str();

    const std::string good = std::string(FIRMWARE_SAMPLES_DIR) + "/Echovane_1.0.900.txt";
    ASSERT_EQ(RunDemo({"upgrade", QString::fromStdString(good), "--yes"}), cli::kExitOk)
        << err.str();
    ASSERT_EQ(RunDemo({"status"}), cli::kExitOk) << err.str();
    EXPECT_NE(out.str().find("1.0.900"), std::string::npos) << out.str();
}

// A second run while one holds the demo keypads would overwrite that run's changes with its
// own copy when it ends: it is refused, and the first one's state stands.
TEST_F(CliDemoState, ASecondRunWhileOneHoldsTheKeypadsIsRefused) {
    std::optional<cli::DemoKeypad> first;
    first.emplace(demoSaid);
    ASSERT_FALSE(first->refused()) << demoSaid.str();
    std::ostringstream secondSaid;
    {
        const cli::DemoKeypad second(secondSaid);
        EXPECT_TRUE(second.refused());
    }
    EXPECT_EQ(secondSaid.str(),
              "echovane-cli-demo: the demo keypads of " + StatePath() +
                  " are in use by another run (process " + std::to_string(getpid()) +
                  "): wait for it to end, or give this one a state file of its own with "
                  "ECHOVANE_DEMO_STATE (if no such run is going, remove " +
                  StatePath() + ".lock).\n");
    ASSERT_EQ(Run({"set-brightness", "2"}), cli::kExitOk) << err.str();
    first.reset();
    EXPECT_EQ(Brightness("00012345"), 2) << "the refused run saved nothing over it";
}

TEST_F(CliDemoState, SeveralDemoKeypadsKeepTheirOwnStateAndAreProvisionedTogether) {
    setenv("ECHOVANE_DEMO_KEYPADS", "3", 1);
    ASSERT_EQ(RunDemo({"--serial", "00012346", "set-brightness", "3"}), cli::kExitOk) << err.str();
    EXPECT_EQ(RunDemo({"set-brightness", "4"}), cli::kExitUsage);
    const auto brightness = [this](const char* serial) { return Brightness(serial); };
    EXPECT_EQ(brightness("00012345"), 5);
    EXPECT_EQ(brightness("00012346"), 3);
    EXPECT_EQ(brightness("00012347"), 5);

    const std::string file = Write("cfg.ini", "");
    std::filesystem::remove(file);
    ASSERT_EQ(RunDemo({"--serial", "00012346", "config", "save", QString::fromStdString(file)}),
              cli::kExitOk)
        << err.str();
    ASSERT_EQ(RunDemo({"provision", "--config", QString::fromStdString(file), "--count", "3"}),
              cli::kExitOk)
        << err.str();
    const std::string lines = out.str();
    for (const char* serial : {"00012345", "00012346", "00012347"}) {
        EXPECT_NE(lines.find(std::string(serial) + "  configured, checked  ok"), std::string::npos)
            << lines;
        EXPECT_EQ(brightness(serial), 3) << serial;
    }
    unsetenv("ECHOVANE_DEMO_KEYPADS");
}

TEST_F(CliDemoState, AKeypadCountOutOfRangeMeansOne) {
    for (const char* count : {"0", "33", "three"}) {
        setenv("ECHOVANE_DEMO_KEYPADS", count, 1);
        EXPECT_EQ(cli::DemoKeypad::KeypadCount(), std::nullopt) << count;
    }
    setenv("ECHOVANE_DEMO_KEYPADS", "32", 1);
    EXPECT_EQ(cli::DemoKeypad::KeypadCount(), 32);
    unsetenv("ECHOVANE_DEMO_KEYPADS");
    EXPECT_EQ(cli::DemoKeypad::KeypadCount(), 1);
}

// The line of text that starts with key and "=", counted from 1; 0 when there is none.
size_t LineOf(const std::string& text, const std::string& key) {
    size_t line = 1;
    for (size_t at = 0; at < text.size(); ++line) {
        if (text.compare(at, key.size() + 1, key + "=") == 0) {
            return line;
        }
        const size_t end = text.find('\n', at);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return 0;
}

// Text with the line of key replaced by line (removed when line is empty).
std::string WithLine(std::string text, const std::string& key, const std::string& line) {
    const size_t number = LineOf(text, key);
    EXPECT_NE(number, 0u) << key;
    size_t at = 0;
    for (size_t i = 1; i < number; ++i) {
        at = text.find('\n', at) + 1;
    }
    const size_t end = text.find('\n', at);
    text.replace(at, end + 1 - at, line.empty() ? "" : line + "\n");
    return text;
}

struct DamageCase {
    const char* name;
    // Damages the file three keypads left at LED brightness 3, 4 and 6; returns what the demo
    // says after "FILE: ", or "" when the file can be read whole.
    std::function<std::string(std::string& text)> damage;
    // Each keypad's LED brightness in the next run: a damaged one starts anew with 5.
    std::array<int, 3> brightness;
};

void PrintTo(const DamageCase& c, std::ostream* os) {
    *os << c.name;
}

class CliDemoDamagedState : public CliDemoState,
                            public ::testing::WithParamInterface<DamageCase> {};

TEST_P(CliDemoDamagedState, KeepsWhatCanBeReadAndTheDamagedFile) {
    setenv("ECHOVANE_DEMO_KEYPADS", "3", 1);
    const std::array<const char*, 3> serials{"00012345", "00012346", "00012347"};
    for (size_t i = 0; i < serials.size(); ++i) {
        const QString level = QString::number(std::array{3, 4, 6}[i]);
        ASSERT_EQ(RunDemo({"--serial", serials[i], "set-brightness", level}), cli::kExitOk)
            << err.str();
    }
    std::string text = testsupport::ReadBytes(StatePath());
    const std::string problem = GetParam().damage(text);
    testsupport::WriteBytes(StatePath(), text);

    EXPECT_EQ(Brightness(serials[0]), GetParam().brightness[0]);
    const std::string said = demoSaid.str();
    if (problem.empty()) {
        EXPECT_EQ(said, "");
        EXPECT_FALSE(std::filesystem::exists(StatePath() + ".damaged"));
    } else {
        EXPECT_EQ(said.rfind("echovane-cli-demo: " + StatePath() + ": " + problem + "; ", 0), 0u)
            << said;
        EXPECT_NE(said.find(StatePath() + ".damaged"), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_EQ(testsupport::ReadBytes(StatePath() + ".damaged"), text);
    }
    EXPECT_EQ(Brightness(serials[1]), GetParam().brightness[1]);
    EXPECT_EQ(demoSaid.str(), "") << "the file the last run wrote reads whole";
    EXPECT_EQ(Brightness(serials[2]), GetParam().brightness[2]);
}

INSTANTIATE_TEST_SUITE_P(
    Damage, CliDemoDamagedState,
    ::testing::Values(
        DamageCase{"EditedOnWindows",
                   [](std::string& text) {
                       std::string crlf;
                       for (char c : text) {
                           crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
                       }
                       text = crlf;
                       return std::string();
                   },
                   {3, 4, 6}},
        DamageCase{"CrLineEndsAndAByteOrderMark",
                   [](std::string& text) {
                       std::replace(text.begin(), text.end(), '\n', '\r');
                       text = "\xEF\xBB\xBF" + text;
                       return std::string();
                   },
                   {3, 4, 6}},
        DamageCase{"NotANumber",
                   [](std::string& text) {
                       text = WithLine(text, "ledBrightness", "ledBrightness=abc");
                       return "line 1: ledBrightness is not a number from 0 to 9";
                   },
                   {5, 4, 6}},
        DamageCase{"NumberOutOfRange",
                   [](std::string& text) {
                       text = WithLine(text, "keypad3.ledBrightness", "keypad3.ledBrightness=12");
                       return "line " + std::to_string(LineOf(text, "keypad3.ledBrightness")) +
                              ": keypad3.ledBrightness is not a number from 0 to 9";
                   },
                   {3, 4, 5}},
        DamageCase{"UnknownMode",
                   [](std::string& text) {
                       text = WithLine(text, "keypad2.mcu.mode", "keypad2.mcu.mode=bogus");
                       return "line " + std::to_string(LineOf(text, "keypad2.mcu.mode")) +
                              ": keypad2.mcu.mode is none of application, flashBsl, ramBsl, "
                              "crashed";
                   },
                   {3, 5, 6}},
        DamageCase{"OddLengthMemory",
                   [](std::string& text) {
                       text += "keypad3.mcu.memory.08000=ABC\n";
                       return "line " + std::to_string(LineOf(text, "keypad3.mcu.memory.08000")) +
                              ": keypad3.mcu.memory.08000 is not pairs of hex digits within the "
                              "memory";
                   },
                   {3, 4, 5}},
        DamageCase{"ShortenedTable",
                   [](std::string& text) {
                       text = WithLine(text, "keypad2.customTable",
                                       "keypad2.customTable=0,30,0,31,0,32,");
                       return "line " + std::to_string(LineOf(text, "keypad2.customTable")) +
                              ": keypad2.customTable is not 20 numbers from 0 to 255";
                   },
                   {3, 5, 6}},
        DamageCase{"KeyLeftOut",
                   [](std::string& text) {
                       text = WithLine(text, "keypad3.tableKind", "");
                       return std::string("keypad3.tableKind is missing");
                   },
                   {3, 4, 5}},
        DamageCase{"LineWithoutAValue",
                   [](std::string& text) {
                       text += "half a line";
                       return "line " +
                              std::to_string(std::count(text.begin(), text.end(), '\n') + 1) +
                              ": no key=value";
                   },
                   {3, 4, 6}}),
    [](const auto& info) { return std::string(info.param.name); });

struct UnusableCase {
    const char* name;
    // Makes the state path unusable in folder; returns what the demo says after "PATH: ".
    std::function<std::string(CliDemoState& t, std::string& path)> make;
};

void PrintTo(const UnusableCase& c, std::ostream* os) {
    *os << c.name;
}

class CliDemoUnusableState : public CliDemoState,
                             public ::testing::WithParamInterface<UnusableCase> {};

// The command's own result stands (the demo keypad did take it), but a state that is not kept
// is said, once.
TEST_P(CliDemoUnusableState, IsSaidAndNeverHangsOrGrows) {
    std::string path = StatePath();
    const std::string reason = GetParam().make(*this, path);
    setenv("ECHOVANE_DEMO_STATE", path.c_str(), 1);
    ASSERT_EQ(RunDemo({"set-brightness", "7"}), cli::kExitOk) << err.str();
    EXPECT_EQ(out.str(), "LED brightness set to 7.\n");
    const std::string said = demoSaid.str();
    EXPECT_EQ(said.rfind("echovane-cli-demo: " + path + ": " + reason, 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, CliDemoUnusableState,
    ::testing::Values(UnusableCase{"AFolder",
                                   [](CliDemoState&, std::string& path) {
                                       std::filesystem::create_directory(path);
                                       return std::string("not a file but a folder");
                                   }},
                      UnusableCase{"InAMissingFolder",
                                   [](CliDemoState& t, std::string& path) {
                                       path = t.folder().File("gone/demo.state");
                                       return std::string(
                                           "cannot be written (No such file or directory)");
                                   }},
                      UnusableCase{"OnAFullDisk",
                                   [](CliDemoState&, std::string&) {
                                       platform::SetReplaceFaultHook(
                                           [](platform::ReplaceStep step, const std::string&) {
                                               if (step != platform::ReplaceStep::WriteTemporary) {
                                                   return platform::ReplaceFault::None;
                                               }
                                               errno = ENOSPC;
                                               return platform::ReplaceFault::Fail;
                                           });
                                       return std::string(
                                           "cannot be written (No space left on device)");
                                   }},
                      UnusableCase{"APipe",
                                   [](CliDemoState&, std::string& path) {
                                       EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
                                       return std::string("not a file but a pipe");
                                   }},
                      UnusableCase{"ADevice",
                                   [](CliDemoState&, std::string& path) {
                                       path = "/dev/zero";
                                       return std::string("not a file but a device");
                                   }},
                      UnusableCase{"TooLarge",
                                   [](CliDemoState&, std::string& path) {
                                       testsupport::WriteBytes(path, "ledBrightness=3\n");
                                       std::filesystem::resize_file(path, 33 * 1024 * 1024);
                                       return std::string("larger than 32 MiB");
                                   }}),
    [](const auto& info) { return std::string(info.param.name); });

struct CutCase {
    const char* name;
    QStringList args;
    std::function<void(CliDemoState& t)> check;
};

void PrintTo(const CutCase& c, std::ostream* os) {
    *os << c.name;
}

class CliDemoCutRun : public CliDemoState, public ::testing::WithParamInterface<CutCase> {};

// A second Ctrl+C ends the demo without its last save: the file already follows the keypad.
TEST_P(CliDemoCutRun, FindsTheKeypadAsTheCutLeftIt) {
    ASSERT_EQ(RunDemo({"set-brightness", "3"}), cli::kExitOk) << err.str();
    const std::string cut = folder().File("cut.state");
    {
        bus().Reset();
        cli::DemoKeypad demo(demoSaid);
        ASSERT_EQ(Run(GetParam().args), cli::kExitOk) << err.str();
        std::filesystem::copy_file(StatePath(), cut);
    }
    std::filesystem::rename(cut, StatePath());
    GetParam().check(*this);
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, CliDemoCutRun,
    ::testing::Values(CutCase{"AfterASetting",
                              {"set-brightness", "7"},
                              [](CliDemoState& t) { EXPECT_EQ(t.Brightness("00012345"), 7); }},
                      CutCase{"AfterTheUpgrade",
                              {"upgrade", FIRMWARE_SAMPLES_DIR "/Echovane_1.0.900.txt", "--yes"},
                              [](CliDemoState& t) {
                                  ASSERT_EQ(t.Brightness("00012345"), 3) << t.err.str();
                                  EXPECT_NE(t.out.str().find("1.0.900"), std::string::npos)
                                      << t.out.str();
                              }}),
    [](const auto& info) { return std::string(info.param.name); });

// Temporaries of a save cut short by a kill go at the next start; one of a run still saving
// stays.
// A state file kept elsewhere through a link (say in a dotfiles folder) is made by the first run
// and read by the next, the link left as it is.
TEST_F(CliDemoState, ALinkToAStateFileNotMadeYetIsMadeAndKept) {
    std::filesystem::create_directory(folder().File("dotfiles"));
    std::filesystem::create_symlink("dotfiles/demo.state", StatePath());
    ASSERT_EQ(RunDemo({"set-brightness", "7"}), cli::kExitOk) << err.str();
    EXPECT_EQ(demoSaid.str(), "");
    EXPECT_TRUE(std::filesystem::is_symlink(StatePath()));
    EXPECT_TRUE(std::filesystem::is_regular_file(folder().File("dotfiles/demo.state")));
    EXPECT_EQ(Brightness("00012345"), 7);
}

TEST_F(CliDemoState, ClearsTemporariesOfSavesCutShort) {
    const std::string folder = std::filesystem::path(StatePath()).parent_path().string() + "/";
    const std::string left = folder + platform::TemporaryName(2147483646, 0);
    const std::string saving = folder + platform::TemporaryName(getppid(), 3);
    const std::string other = StatePath() + ".old";
    for (const std::string& path : {left, saving, other}) {
        testsupport::WriteBytes(path, "ledBrightness=3\n");
    }
    ASSERT_EQ(RunDemo({"status"}), cli::kExitOk) << err.str();
    EXPECT_FALSE(std::filesystem::exists(left));
    EXPECT_TRUE(std::filesystem::exists(saving));
    EXPECT_TRUE(std::filesystem::exists(other));
}

// A RAM boot loader the MCU cannot run takes the keypad off the bus until it is plugged in
// again, which only ECHOVANE_DEMO_REPLUG does in the demo.
TEST_F(CliDemoState, ACrashedKeypadComesBackOnlyWhenPluggedInAgain) {
    const std::string other =
        Write("RAM_BSL.txt", testsupport::TiTxt({{0x2500, {0x00, 0x06, 0x05, 0x34, 0x31, 0x40}}}));
    const QString good = FIRMWARE_SAMPLES_DIR "/Echovane_1.0.900.txt";
    ASSERT_EQ(RunDemo({"upgrade", good, "--yes", "--ram-bsl", QString::fromStdString(other)}),
              cli::kExitFailed);
    const std::string hint = "echovane-cli-demo: keypad 00012345 is off the bus (its MCU "
                             "crashed); ECHOVANE_DEMO_REPLUG=1 unplugs it and plugs it in again "
                             "at the start of a run.\n";
    EXPECT_EQ(demoSaid.str(), hint);
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(RunDemo({"devices"}), cli::kExitOk);
        EXPECT_EQ(out.str(), "No keypad or boot loader found.\n")
            << "it does not recover by itself";
        EXPECT_EQ(demoSaid.str(), hint);
    }
    for (const char* wrong : {"2", "0", "yes"}) {
        setenv("ECHOVANE_DEMO_REPLUG", wrong, 1);
        EXPECT_EQ(RunDemo({"devices"}), cli::kExitOk);
        EXPECT_EQ(out.str(), "No keypad or boot loader found.\n") << wrong;
        EXPECT_EQ(demoSaid.str(), "ECHOVANE_DEMO_REPLUG takes a keypad number from 1 to 1 or all; "
                                  "no keypad is plugged in again.\n" +
                                      hint)
            << wrong;
    }
    // The loader crashed before anything was erased: the application comes up.
    setenv("ECHOVANE_DEMO_REPLUG", "1", 1);
    ASSERT_EQ(RunDemo({"status"}), cli::kExitOk) << err.str();
    EXPECT_NE(out.str().find("1.0.810"), std::string::npos) << out.str();
    EXPECT_EQ(demoSaid.str(), "");
    unsetenv("ECHOVANE_DEMO_REPLUG");
    ASSERT_EQ(RunDemo({"upgrade", good, "--yes"}), cli::kExitOk) << err.str();
    ASSERT_EQ(RunDemo({"status"}), cli::kExitOk) << err.str();
    EXPECT_NE(out.str().find("1.0.900"), std::string::npos) << out.str();
}

// A path taken from devices keeps naming the same keypad, whichever others are gone or come
// back: each demo keypad has a port of its own.
TEST_F(CliDemoState, AKeypadKeepsItsPathWhenAnotherLeavesTheBus) {
    setenv("ECHOVANE_DEMO_KEYPADS", "3", 1);
    const std::string other =
        Write("RAM_BSL.txt", testsupport::TiTxt({{0x2500, {0x00, 0x06, 0x05, 0x34, 0x31, 0x40}}}));
    ASSERT_EQ(
        RunDemo({"--serial", "00012346", "upgrade", FIRMWARE_SAMPLES_DIR "/Echovane_1.0.900.txt",
                 "--yes", "--ram-bsl", QString::fromStdString(other)}),
        cli::kExitFailed);
    for (const char* replug : {"", "2"}) {
        setenv("ECHOVANE_DEMO_REPLUG", replug, 1);
        ASSERT_EQ(RunDemo({"--device", "emulator/usb-3:1.1", "status"}), cli::kExitOk)
            << replug << err.str();
        EXPECT_NE(out.str().find("00012347"), std::string::npos) << replug << out.str();
    }
    ASSERT_EQ(RunDemo({"--device", "emulator/usb-2:1.1", "status"}), cli::kExitOk) << err.str();
    EXPECT_NE(out.str().find("00012346"), std::string::npos) << out.str();
}

// Plugging one of several keypads in again powers that one up alone: what it had not kept is
// gone, the others keep theirs.
TEST_F(CliDemoState, PluggingInAgainLosesWhatAKeypadHadNotKept) {
    setenv("ECHOVANE_DEMO_KEYPADS", "2", 1);
    for (const char* serial : {"00012345", "00012346"}) {
        ASSERT_EQ(RunDemo({"--serial", serial, "set-brightness", "2"}), cli::kExitOk) << err.str();
    }
    setenv("ECHOVANE_DEMO_REPLUG", "2", 1);
    EXPECT_EQ(Brightness("00012346"), 5);
    unsetenv("ECHOVANE_DEMO_REPLUG");
    EXPECT_EQ(Brightness("00012345"), 2);
    setenv("ECHOVANE_DEMO_REPLUG", "all", 1);
    EXPECT_EQ(Brightness("00012345"), 5);
}

} // namespace
