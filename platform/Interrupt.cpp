#include "Interrupt.h"

#include <atomic>
#include <csignal>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {
namespace {

std::atomic<bool> interrupted{false};
// The signal that asked first; what the request is called.
std::atomic<int> askedBy{0};
std::atomic<int> catchers{0};

#ifdef _WIN32
BOOL WINAPI OnConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    // The second press goes to the default handler, which ends the program.
    return interrupted.exchange(true) ? FALSE : TRUE;
}
#else
// Ctrl+C, and what a script, `timeout`, a service manager or a closed terminal sends to stop a
// program: a run stopped halfway would leave a keypad half set up as surely.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kStopSignalCount = sizeof(kStopSignals) / sizeof(kStopSignals[0]);
struct sigaction previous[kStopSignalCount] {};
// Started with a signal ignored (Ctrl+C in `cmd &` of a script, a hang-up under nohup), the
// program leaves it ignored: it is meant for the script, not for this run.
bool leftIgnored[kStopSignalCount]{};

int IndexOf(int signal) {
    for (int i = 0; i < kStopSignalCount; ++i) {
        if (kStopSignals[i] == signal) {
            return i;
        }
    }
    return 0;
}

void OnInterrupt(int signal) {
    // Named before the flag is up, so a reader who sees the request sees its name.
    int none = 0;
    if (!askedBy.compare_exchange_strong(none, signal)) {
        sigaction(signal, &previous[IndexOf(signal)], nullptr);
        std::raise(signal);
        return;
    }
    interrupted = true;
}
#endif

} // namespace

InterruptCatcher::InterruptCatcher() {
    if (catchers.fetch_add(1) != 0) {
        return;
    }
    interrupted = false;
    askedBy = 0;
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kStopSignalCount; ++i) {
        sigaction(kStopSignals[i], nullptr, &previous[i]);
        leftIgnored[i] = previous[i].sa_handler == SIG_IGN;
        if (!leftIgnored[i]) {
            sigaction(kStopSignals[i], &action, nullptr);
        }
    }
#endif
}

InterruptCatcher::~InterruptCatcher() {
    if (catchers.fetch_sub(1) != 1) {
        return;
    }
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
#else
    for (int i = 0; i < kStopSignalCount; ++i) {
        if (!leftIgnored[i]) {
            sigaction(kStopSignals[i], &previous[i], nullptr);
        }
    }
#endif
    interrupted = false;
}

bool InterruptCatcher::Interrupted() const {
    return interrupted.load();
}

std::string InterruptCatcher::What() const {
#ifndef _WIN32
    switch (askedBy.load()) {
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        break;
    }
#endif
    return "Ctrl+C";
}

void InterruptCatcher::Raise() {
#ifdef _WIN32
    OnConsoleControl(CTRL_C_EVENT);
#else
    std::raise(SIGINT);
#endif
}

} // namespace platform
