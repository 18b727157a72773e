// The configuration file when the program dies in the middle of Save Changes: a child process
// saves over and over and is killed with SIGKILL at seeded points, both at every step of the
// file replacement and at arbitrary moments. Each time the file must load whole and hold the
// old values or the new ones, never a mix and never a truncated file.

#ifdef _WIN32

#include <gtest/gtest.h>

// Windows has neither fork() nor SIGKILL; the fault hook's simulated crashes (atomic_file_test)
// stand in for the kill there.
TEST(ConfigKill, AtEveryReplacementStepTheFileIsTheOldOrTheNew) {
    GTEST_SKIP() << "needs fork() and SIGKILL";
}
TEST(ConfigKill, AtArbitraryMomentsTheFileAlwaysLoadsWhole) {
    GTEST_SKIP() << "needs fork() and SIGKILL";
}

#else

#include "config/config_file.h"
#include "platform/AtomicFile.h"
#include "platform/Utf8Path.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

config::KeypadState StateNumbered(int n) {
    config::KeypadState state;
    state.keypadLayout = n % keypad::kTableKindCount;
    state.ledBrightness = n % keypad::kLedBrightnessLevels;
    for (int i = 0; i < keypad::kKeyCodeBlockSize; ++i) {
        state.codeTable[i] = static_cast<uint8_t>(n * 7 + i);
    }
    for (int i = 0; i < keypad::kExtraCodeBlockSize; ++i) {
        state.multipleCodeTable[i] = static_cast<uint8_t>(n * 3 + i);
    }
    state.firmwareVersion = "V1.0." + std::to_string(900 + n);
    state.serialNumber = "SN" + std::to_string(10000 + n);
    return state;
}

// Which numbered state the file holds, all seven values agreeing; -1 otherwise.
int StateInFile(const std::string& path) {
    const config::SettingsRead read = config::ReadSettings(path);
    if (read.state != config::SettingsRead::State::Read) {
        return -1;
    }
    const std::string serial = read.Value(config::kSerialNumberKey);
    if (serial.size() < 7 || serial.size() > 9 || serial.rfind("SN", 0) != 0 ||
        serial.find_first_not_of("0123456789", 2) != std::string::npos) {
        return -1;
    }
    const int n = std::stoi(serial.substr(2)) - 10000;
    const config::KeypadState want = StateNumbered(n);
    const bool whole =
        read.Value(config::kFirstUpKey) == config::kFirstUpDone &&
        read.Value(config::kKeypadLayoutKey) == std::to_string(want.keypadLayout) &&
        read.Value(config::kLedBrightnessKey) == std::to_string(want.ledBrightness) &&
        read.Value(config::kCodeTableValuesKey) ==
            config::TableText(want.codeTable.data(), keypad::kKeyCodeBlockSize) &&
        read.Value(config::kMultipleCodeTableValuesKey) ==
            config::TableText(want.multipleCodeTable.data(), keypad::kExtraCodeBlockSize) &&
        read.Value(config::kFirmwareVersionKey) == want.firmwareVersion;
    return whole ? n : -1;
}

class ConfigKill : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config::PrepareConfigFile(platform::Utf8FromPath(folder_.path())));
        ASSERT_FALSE(config::SaveToConfigFile(StateNumbered(0)).failed());
        ASSERT_EQ(StateInFile(FileName), 0);
    }
    void TearDown() override { FileName.clear(); }

    // Runs body in a child that ends with _exit(0); returns how the child ended.
    template <typename Body, typename Parent> int InChild(Body body, Parent parent) {
        int ready[2];
        if (pipe(ready) != 0) {
            ADD_FAILURE() << "pipe failed";
            return -1;
        }
        const pid_t child = fork();
        if (child == 0) {
            close(ready[0]);
            body(ready[1]);
            _exit(0);
        }
        close(ready[1]);
        parent(child, ready[0]);
        close(ready[0]);
        int status = 0;
        waitpid(child, &status, 0);
        return status;
    }

    testsupport::TempFolder folder_;
};

// A kill at each step of the replacement, for a run of saves.
TEST_F(ConfigKill, AtEveryReplacementStepTheFileIsTheOldOrTheNew) {
    const platform::ReplaceStep steps[] = {
        platform::ReplaceStep::CreateTemporary, platform::ReplaceStep::WriteTemporary,
        platform::ReplaceStep::FlushTemporary, platform::ReplaceStep::Rename};
    int current = 0;
    for (int round = 1; round <= 12; ++round) {
        for (const auto step : steps) {
            const int before = StateInFile(FileName);
            ASSERT_GE(before, 0);
            const int status = InChild(
                [&](int) {
                    platform::SetReplaceFaultHook(
                        [step](platform::ReplaceStep at, const std::string&) {
                            if (at == step) {
                                ::kill(::getpid(), SIGKILL);
                            }
                            return platform::ReplaceFault::None;
                        });
                    (void)config::SaveToConfigFile(StateNumbered(round));
                },
                [](pid_t, int) {});
            ASSERT_TRUE(WIFSIGNALED(status)) << "the child was not killed";
            const int after = StateInFile(FileName);
            EXPECT_TRUE(after == before || after == round)
                << "round " << round << ": the file holds " << after;
            current = after;
        }
        // A clean save in between: the next round starts from new values.
        ASSERT_FALSE(config::SaveToConfigFile(StateNumbered(round)).failed());
        current = round;
    }
    EXPECT_EQ(StateInFile(FileName), current);
}

// A child saving in a loop, killed after a seeded number of its own spins: any moment of any
// save. The child reports each finished save through the pipe.
TEST_F(ConfigKill, AtArbitraryMomentsTheFileAlwaysLoadsWhole) {
    const char* env = std::getenv("ECHOVANE_KILL_ROUNDS");
    const int rounds = env != nullptr ? std::max(1, std::atoi(env)) : 150;
    std::mt19937 random(20240917u);
    int lastWhole = 0;
    int killedMidSave = 0;
    for (int round = 0; round < rounds; ++round) {
        const int first = 1 + round * 1000;
        const uint32_t spins = std::uniform_int_distribution<uint32_t>(0, 6000000)(random);
        int finished = 0;
        const int status = InChild(
            [&](int ready) {
                const char started = 'S';
                (void)!write(ready, &started, 1);
                for (int n = first;; ++n) {
                    (void)config::SaveToConfigFile(StateNumbered(n));
                    const char done = 'D';
                    (void)!write(ready, &done, 1);
                }
            },
            [&](pid_t child, int ready) {
                char byte = 0;
                (void)!read(ready, &byte, 1);
                for (volatile uint32_t i = 0; i < spins;) {
                    i = i + 1;
                }
                ::kill(child, SIGKILL);
                while (read(ready, &byte, 1) == 1) {
                    ++finished;
                }
            });
        ASSERT_TRUE(WIFSIGNALED(status));
        const int after = StateInFile(FileName);
        ASSERT_GE(after, 0) << "round " << round << ": the file does not load whole";
        // The file holds the last state the child finished or the one it was writing.
        const int lastDone = finished > 0 ? first + finished - 1 : lastWhole;
        const int writing = first + finished;
        EXPECT_TRUE(after == lastDone || after == writing)
            << "round " << round << ": " << after << " after " << finished << " saves";
        killedMidSave += after == lastDone ? 1 : 0;
        lastWhole = after;
    }
    // A killed save may leave its temporary file behind, never anything in place of the file.
    EXPECT_EQ(StateInFile(FileName), lastWhole);
    std::printf("kill: %d rounds, %d killed before the new file was in place\n", rounds,
                killedMidSave);
}

} // namespace

#endif
