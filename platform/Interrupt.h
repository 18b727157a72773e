#pragma once

// Ctrl+C as a request to stop after the work at hand, for a command that goes on until it is
// told to stop; on POSIX systems SIGTERM and SIGHUP as well. While a catcher lives, the first
// one only sets its flag; a second one ends the program as usual, so a stuck run can still be
// left. A signal ignored when the program started (Ctrl+C in a background job of a script, a
// hang-up under nohup) stays ignored. On Windows the console does the same with Ctrl+C.

#include <csignal>
#include <string>

namespace platform {

class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

    bool Interrupted() const;
    // The request's name for messages: "Ctrl+C", "SIGTERM" or "SIGHUP".
    std::string What() const;
    // What a Ctrl+C (or on POSIX systems the signal given) does, for tests: sent to the program,
    // and taken before it returns.
    static void Raise(int signal = SIGINT);
};

} // namespace platform
