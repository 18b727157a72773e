// Ctrl+C while a batch runs: the first one is a request to stop, kept until the catcher ends.

#include "platform/Interrupt.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(InterruptCatcher, TheFirstCtrlCIsARequestAndEndsWithTheCatcher) {
    {
        const platform::InterruptCatcher catcher;
        EXPECT_FALSE(catcher.Interrupted());
        platform::InterruptCatcher::Raise();
        EXPECT_TRUE(catcher.Interrupted());
        // A second catcher in the same run sees the same request.
        const platform::InterruptCatcher nested;
        EXPECT_TRUE(nested.Interrupted());
    }
    const platform::InterruptCatcher next;
    EXPECT_FALSE(next.Interrupted());
}

#ifndef _WIN32
// A background job of a script starts with Ctrl+C ignored: the Ctrl+C is for the script.
TEST(InterruptCatcher, CtrlCIgnoredAtTheStartStaysIgnored) {
    const auto before = std::signal(SIGINT, SIG_IGN);
    {
        const platform::InterruptCatcher catcher;
        platform::InterruptCatcher::Raise();
        EXPECT_FALSE(catcher.Interrupted());
    }
    EXPECT_EQ(std::signal(SIGINT, before), SIG_IGN);
}
#endif

} // namespace
