// Ctrl+C while a batch runs: the first one is a request to stop, kept until the catcher ends;
// a closed pipe does not stop it either.

#include "platform/Interrupt.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <cerrno>

#include <unistd.h>
#endif

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

} // namespace

#ifndef _WIN32
// A reader gone away while the work goes on: the write fails, the program lives.
TEST(InterruptCatcher, AClosedPipeFailsTheWriteInsteadOfEndingTheProgram) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    {
        const platform::InterruptCatcher catcher;
        errno = 0;
        EXPECT_EQ(write(ends[1], "x", 1), -1);
        EXPECT_EQ(errno, EPIPE);
    }
    close(ends[1]);
}
#endif
