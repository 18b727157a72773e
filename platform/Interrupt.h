#pragma once

// Ctrl+C as a request to stop after the work at hand, for a command that goes on until it is
// told to stop. While a catcher lives, the first Ctrl+C only sets its flag; a second one ends
// the program as usual, so a stuck run can still be left. Ctrl+C ignored when the program
// started (a background job of a script) stays ignored. On Windows the console does the same.

namespace platform {

class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

    bool Interrupted() const;
    // What a Ctrl+C does, for tests.
    static void Raise();
};

} // namespace platform
