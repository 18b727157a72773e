#include "Interrupt.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {
namespace {

std::atomic<bool> interrupted{false};
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
struct sigaction previous {};
// Started with Ctrl+C ignored (as `cmd &` in a script does), the program leaves it ignored: the
// Ctrl+C is meant for the script, not for this run.
bool leftIgnored = false;

void OnInterrupt(int) {
    if (interrupted.exchange(true)) {
        sigaction(SIGINT, &previous, nullptr);
        std::raise(SIGINT);
    }
}
#endif

} // namespace

InterruptCatcher::InterruptCatcher() {
    if (catchers.fetch_add(1) != 0) {
        return;
    }
    interrupted = false;
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
#else
    sigaction(SIGINT, nullptr, &previous);
    leftIgnored = previous.sa_handler == SIG_IGN;
    if (leftIgnored) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
#endif
}

InterruptCatcher::~InterruptCatcher() {
    if (catchers.fetch_sub(1) != 1) {
        return;
    }
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
#else
    if (!leftIgnored) {
        sigaction(SIGINT, &previous, nullptr);
    }
#endif
    interrupted = false;
}

bool InterruptCatcher::Interrupted() const {
    return interrupted.load();
}

void InterruptCatcher::Raise() {
#ifdef _WIN32
    OnConsoleControl(CTRL_C_EVENT);
#else
    std::raise(SIGINT);
#endif
}

} // namespace platform
