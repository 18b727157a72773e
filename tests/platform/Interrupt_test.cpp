// Ctrl+C (and on POSIX systems SIGTERM, SIGHUP) while a batch runs: the first one is a request to
// stop, kept until the catcher ends; a second one ends the program.

#include "platform/Interrupt.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <thread>

#ifndef _WIN32
#include <poll.h>
#include <unistd.h>
#endif

namespace {

TEST(InterruptCatcher, TheFirstCtrlCIsARequestAndEndsWithTheCatcher) {
    {
        const platform::InterruptCatcher catcher;
        EXPECT_FALSE(catcher.Interrupted());
        platform::InterruptCatcher::Raise();
        EXPECT_TRUE(catcher.Interrupted());
        EXPECT_EQ(catcher.What(), "Ctrl+C");
        // A second catcher in the same run sees the same request.
        const platform::InterruptCatcher nested;
        EXPECT_TRUE(nested.Interrupted());
    }
    const platform::InterruptCatcher next;
    EXPECT_FALSE(next.Interrupted());
}

#ifdef _WIN32
// The console's other stop key is named as the user pressed it.
TEST(InterruptCatcher, CtrlBreakIsNamedAsSuch) {
    const platform::InterruptCatcher catcher;
    platform::InterruptCatcher::Raise(SIGBREAK);
    EXPECT_TRUE(catcher.Interrupted());
    EXPECT_EQ(catcher.What(), "Ctrl+Break");
}
#endif

#ifndef _WIN32
struct StopSignal {
    int number;
    const char* name; // as messages say it
    const char* label;
};

void PrintTo(const StopSignal& s, std::ostream* os) {
    *os << s.label;
}

class InterruptBy : public ::testing::TestWithParam<StopSignal> {};

TEST_P(InterruptBy, TheFirstIsARequestNamedAndTheSecondEndsTheProgram) {
    const StopSignal s = GetParam();
    {
        const platform::InterruptCatcher catcher;
        platform::InterruptCatcher::Raise(s.number);
        EXPECT_TRUE(catcher.Interrupted());
        EXPECT_EQ(catcher.What(), s.name);
    }
    {
        const platform::LastWordsScope words("cut short");
        EXPECT_EQ(platform::InterruptCatcher::LastWords(), "cut short");
    }
    EXPECT_EQ(platform::InterruptCatcher::LastWords(), "");
    // Ended at once, the program still says what it leaves cut short.
    EXPECT_EXIT(
        {
            const platform::InterruptCatcher catcher;
            const platform::LastWordsScope words("the keypad at hand is cut short\n");
            platform::InterruptCatcher::Raise(s.number);
            platform::InterruptCatcher::Raise(s.number);
            // Taken on the catcher's thread, the second one ends the program from there.
            std::this_thread::sleep_for(std::chrono::seconds(10));
            std::exit(0);
        },
        ::testing::KilledBySignal(s.number), "the keypad at hand is cut short");
}

// A background job of a script starts with Ctrl+C ignored, a run under nohup with SIGHUP: the
// signal is for the script.
TEST_P(InterruptBy, ASignalIgnoredAtTheStartStaysIgnored) {
    const StopSignal s = GetParam();
    const auto before = std::signal(s.number, SIG_IGN);
    {
        const platform::InterruptCatcher catcher;
        platform::InterruptCatcher::Raise(s.number);
        EXPECT_FALSE(catcher.Interrupted());
    }
    EXPECT_EQ(std::signal(s.number, before), SIG_IGN);
}

// The thread that talks to the keypad waits in poll() (hidapi's reads do), which a signal
// handled there would cut short with EINTR, failing the exchange the request lets finish.
TEST_P(InterruptBy, LeavesTheWaitOfTheThreadAtWorkUncut) {
    const StopSignal s = GetParam();
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    {
        const platform::InterruptCatcher catcher;
        std::thread sender([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            kill(getpid(), s.number);
        });
        pollfd nothingComes{pipeEnds[0], POLLIN, 0};
        const int polled = poll(&nothingComes, 1, 500);
        const int pollError = errno;
        sender.join();
        EXPECT_EQ(polled, 0) << std::strerror(pollError);
        for (int waited = 0; waited < 5000 && !catcher.Interrupted(); ++waited) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_TRUE(catcher.Interrupted());
    }
    close(pipeEnds[0]);
    close(pipeEnds[1]);
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptBy,
                         ::testing::Values(StopSignal{SIGINT, "Ctrl+C", "SIGINT"},
                                           StopSignal{SIGTERM, "SIGTERM", "SIGTERM"},
                                           StopSignal{SIGHUP, "SIGHUP", "SIGHUP"}),
                         [](const auto& info) { return std::string(info.param.label); });
#endif

} // namespace
