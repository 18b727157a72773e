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
    // What a Ctrl+C (or on POSIX systems the signal given, on Windows Ctrl+Break for SIGBREAK)
    // does, for tests: sent to the program, and taken before it returns.
    static void Raise(int signal = SIGINT);
    // Said on stderr, with its line break, when a second request ends the program at once:
    // what was cut short and how to mend it. Empty for nothing; kept until changed. Longer
    // texts are cut at 1000 bytes.
    static void SetLastWords(const std::string& text);
    // The text a second request would say now, for tests.
    static std::string LastWords();
};

// Sets the last words for as long as it lives.
class LastWordsScope {
public:
    explicit LastWordsScope(const std::string& text) { InterruptCatcher::SetLastWords(text); }
    ~LastWordsScope() { InterruptCatcher::SetLastWords({}); }
    LastWordsScope(const LastWordsScope&) = delete;
    LastWordsScope& operator=(const LastWordsScope&) = delete;
};

} // namespace platform
