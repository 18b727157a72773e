#pragma once

// A test thread that may not hang the suite. Tests run on virtual time, so whatever they wait
// for is done within milliseconds of wall time; a thread still running after the bound is
// stuck (a broken lock, a time-out that never comes). The process then stops at once and says
// what was stuck, instead of waiting for CTest's time-out.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace testsupport {

// Wall time a test thread or a wait on one may take before it counts as stuck.
inline constexpr std::chrono::milliseconds kStuckAfter{10'000};
// The same, for the Qt waits that take milliseconds as an int.
inline constexpr int kStuckAfterMs = static_cast<int>(kStuckAfter.count());

// Ends the test process with what was stuck; for waits that cannot be abandoned.
[[noreturn]] inline void StopStuckTest(const std::string& what) {
    std::fprintf(stderr, "\nSTUCK: %s did not finish within %lld ms of wall time\n", what.c_str(),
                 static_cast<long long>(kStuckAfter.count()));
    std::fflush(stderr);
    std::fflush(stdout);
    std::_Exit(1);
}

class BoundedThread {
public:
    BoundedThread(std::string what, std::function<void()> body) : what_(std::move(what)) {
        thread_ = std::thread([this, body = std::move(body)] {
            body();
            std::lock_guard lock(mutex_);
            done_ = true;
            finished_.notify_all();
        });
    }
    ~BoundedThread() { Join(); }
    BoundedThread(const BoundedThread&) = delete;
    BoundedThread& operator=(const BoundedThread&) = delete;

    bool Done() const {
        std::lock_guard lock(mutex_);
        return done_;
    }
    // Waits for the body to return; a body still running after the bound stops the process.
    void Join() {
        if (!thread_.joinable()) {
            return;
        }
        {
            std::unique_lock lock(mutex_);
            if (!finished_.wait_for(lock, kStuckAfter, [this] { return done_; })) {
                StopStuckTest(what_);
            }
        }
        thread_.join();
    }

private:
    std::string what_;
    mutable std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread thread_;
};

// Runs body on a bounded thread and waits for it.
inline void RunBounded(const std::string& what, std::function<void()> body) {
    BoundedThread thread(what, std::move(body));
    thread.Join();
}

} // namespace testsupport
