#include "Interrupt.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#include <memory>
#include <system_error>
#include <thread>

#include <poll.h>
#include <pthread.h>
#include <unistd.h>
#endif

namespace platform {
namespace {

std::atomic<bool> interrupted{false};
// The signal that asked first; what the request is called.
std::atomic<int> askedBy{0};
std::atomic<int> catchers{0};

// The last words, written where a signal handler may read them: two buffers, the one in use
// never written to, so the handler reads a whole text whenever it comes.
constexpr std::size_t kLastWordsMax = 1000;
char lastWords[2][kLastWordsMax + 1]{};
std::size_t lastWordsLength[2]{};
std::atomic<int> lastWordsInUse{-1};
// The buffer last written; only SetLastWords, on one thread, uses it. The next text goes to the
// other one, which no handler can be reading.
int lastWordsWritten = 1;

void SayLastWords() {
    const int inUse = lastWordsInUse.load();
    if (inUse < 0) {
        return;
    }
    // A handler must leave errno as it found it.
    const int savedErrno = errno;
#ifdef _WIN32
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), lastWords[inUse],
              static_cast<DWORD>(lastWordsLength[inUse]), &written, nullptr);
#else
    const char* text = lastWords[inUse];
    std::size_t left = lastWordsLength[inUse];
    while (left > 0) {
        const ssize_t written = write(STDERR_FILENO, text, left);
        if (written <= 0) {
            if (written < 0 && errno == EINTR) {
                continue;
            }
            break;
        }
        text += written;
        left -= static_cast<std::size_t>(written);
    }
#endif
    errno = savedErrno;
}

#ifdef _WIN32
// The console calls it on a thread of its own, so the keypad's exchanges go on undisturbed.
BOOL WINAPI OnConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    // Named before the flag is up, so a reader who sees the request sees its name.
    int none = 0;
    askedBy.compare_exchange_strong(none, static_cast<int>(type) + 1);
    // The second press goes to the default handler, which ends the program.
    if (interrupted.exchange(true)) {
        SayLastWords();
        return FALSE;
    }
    return TRUE;
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
        // Raised on this thread, which does not block it: the program ends as it would have.
        SayLastWords();
        sigaction(signal, &previous[IndexOf(signal)], nullptr);
        std::raise(signal);
        return;
    }
    interrupted = true;
}

// The signals are taken on a thread of their own. Handled on the thread that talks to the
// keypad, one would cut short the system call it waits in (hidapi's poll() is never restarted)
// and fail the very exchange the first request lets finish. The thread that makes the catcher,
// and every thread it starts meanwhile, blocks them; this one only waits.
class SignalThread {
public:
    SignalThread() {
        sigemptyset(&signals_);
        for (int i = 0; i < kStopSignalCount; ++i) {
            if (!leftIgnored[i]) {
                sigaddset(&signals_, kStopSignals[i]);
            }
        }
        if (pipe(wake_) != 0) {
            wake_[0] = wake_[1] = -1;
            return; // the handler then runs where the system puts it, as it did before
        }
        pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
        try {
            thread_ = std::thread([this] {
                pthread_sigmask(SIG_UNBLOCK, &signals_, nullptr);
                pollfd wake{wake_[0], POLLIN, 0};
                while (poll(&wake, 1, -1) < 0 && errno == EINTR) {
                }
            });
        } catch (const std::system_error&) {
            // No thread to spare: the handler runs where the system puts it, as it did before.
            pthread_sigmask(SIG_UNBLOCK, &signals_, nullptr);
        }
    }
    ~SignalThread() {
        if (thread_.joinable()) {
            const char byte = 0;
            while (write(wake_[1], &byte, 1) < 0 && errno == EINTR) {
            }
            thread_.join();
            // Only the stop signals: whatever else the thread blocks meanwhile stays its own.
            pthread_sigmask(SIG_UNBLOCK, &signals_, nullptr);
        }
        for (const int fd : wake_) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }
    SignalThread(const SignalThread&) = delete;
    SignalThread& operator=(const SignalThread&) = delete;

private:
    sigset_t signals_{};
    int wake_[2] = {-1, -1};
    std::thread thread_;
};

std::unique_ptr<SignalThread> signalThread;
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
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < kStopSignalCount; ++i) {
        sigaction(kStopSignals[i], nullptr, &previous[i]);
        leftIgnored[i] = previous[i].sa_handler == SIG_IGN;
        if (!leftIgnored[i]) {
            sigaction(kStopSignals[i], &action, nullptr);
        }
    }
    signalThread = std::make_unique<SignalThread>();
#endif
}

InterruptCatcher::~InterruptCatcher() {
    if (catchers.fetch_sub(1) != 1) {
        return;
    }
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
#else
    // Back to what they were first: one that comes while the thread ends acts as it always did.
    for (int i = 0; i < kStopSignalCount; ++i) {
        if (!leftIgnored[i]) {
            sigaction(kStopSignals[i], &previous[i], nullptr);
        }
    }
    signalThread.reset();
#endif
    interrupted = false;
}

bool InterruptCatcher::Interrupted() const {
    return interrupted.load();
}

std::string InterruptCatcher::What() const {
#ifdef _WIN32
    if (askedBy.load() == static_cast<int>(CTRL_BREAK_EVENT) + 1) {
        return "Ctrl+Break";
    }
#else
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

void InterruptCatcher::SetLastWords(const std::string& text) {
    if (text.empty()) {
        lastWordsInUse = -1;
        return;
    }
    const int next = 1 - lastWordsWritten;
    lastWordsWritten = next;
    // Not in use now; any handler reading the other one keeps its whole text.
    lastWordsInUse = -1;
    const std::size_t length = std::min(text.size(), kLastWordsMax);
    std::memcpy(lastWords[next], text.data(), length);
    lastWords[next][length] = '\0';
    lastWordsLength[next] = length;
    lastWordsInUse = next;
}

std::string InterruptCatcher::LastWords() {
    const int inUse = lastWordsInUse.load();
    return inUse < 0 ? std::string() : std::string(lastWords[inUse], lastWordsLength[inUse]);
}

void InterruptCatcher::Raise(int signal) {
#ifdef _WIN32
    OnConsoleControl(signal == SIGBREAK ? CTRL_BREAK_EVENT : CTRL_C_EVENT);
#else
    // Sent to the process, as a terminal or `kill` sends it, and waited for: it is taken on the
    // catcher's thread. One that is ignored, or with no catcher, is not waited for.
    const bool caught = catchers.load() > 0 && !leftIgnored[IndexOf(signal)];
    kill(getpid(), signal);
    constexpr auto kLongestWait = std::chrono::seconds(5);
    const auto until = std::chrono::steady_clock::now() + kLongestWait;
    while (caught && !interrupted.load() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
#endif
}

} // namespace platform
