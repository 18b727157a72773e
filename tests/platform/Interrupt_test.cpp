// Ctrl+C (and on POSIX systems SIGTERM, SIGHUP) while a batch runs: the first one is a request to
// stop, kept until the catcher ends; a second one ends the program.

#include "platform/Interrupt.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <ostream>

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
        std::raise(s.number);
        EXPECT_TRUE(catcher.Interrupted());
        EXPECT_EQ(catcher.What(), s.name);
    }
    EXPECT_EXIT(
        {
            const platform::InterruptCatcher catcher;
            std::raise(s.number);
            std::raise(s.number);
            std::exit(0);
        },
        ::testing::KilledBySignal(s.number), "");
}

// A background job of a script starts with Ctrl+C ignored, a run under nohup with SIGHUP: the
// signal is for the script.
TEST_P(InterruptBy, ASignalIgnoredAtTheStartStaysIgnored) {
    const StopSignal s = GetParam();
    const auto before = std::signal(s.number, SIG_IGN);
    {
        const platform::InterruptCatcher catcher;
        std::raise(s.number);
        EXPECT_FALSE(catcher.Interrupted());
    }
    EXPECT_EQ(std::signal(s.number, before), SIG_IGN);
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptBy,
                         ::testing::Values(StopSignal{SIGINT, "Ctrl+C", "SIGINT"},
                                           StopSignal{SIGTERM, "SIGTERM", "SIGTERM"},
                                           StopSignal{SIGHUP, "SIGHUP", "SIGHUP"}),
                         [](const auto& info) { return std::string(info.param.label); });
#endif

} // namespace
