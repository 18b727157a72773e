#include "clock.h"

#include <chrono>
#include <thread>

namespace platform {

void Clock::SleepUntilUs(uint64_t deadlineUs) {
    const uint64_t now = NowUs();
    if (deadlineUs > now) {
        SleepUs(deadlineUs - now);
    }
}

uint64_t RealClock::NowUs() {
    static const auto start = std::chrono::steady_clock::now();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now() - start)
                                     .count());
}

void RealClock::SleepUs(uint64_t us) {
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

void VirtualClock::SleepUs(uint64_t us) {
    AdvanceUs(us);
    // Let other threads that wait on virtual time see it move.
    std::this_thread::yield();
}

void VirtualClock::SleepUntilUs(uint64_t deadlineUs) {
    uint64_t now = nowUs_.load(std::memory_order_acquire);
    while (now < deadlineUs &&
           !nowUs_.compare_exchange_weak(now, deadlineUs, std::memory_order_acq_rel)) {
    }
    std::this_thread::yield();
}

namespace {
RealClock& TheRealClock() {
    static RealClock clock;
    return clock;
}
std::atomic<Clock*> installed{nullptr};
} // namespace

Clock& CurrentClock() {
    Clock* clock = installed.load(std::memory_order_acquire);
    return clock != nullptr ? *clock : TheRealClock();
}

void InstallClock(Clock* clock) {
    installed.store(clock, std::memory_order_release);
}

} // namespace platform

void SleepMs(uint32_t ms) {
    platform::CurrentClock().SleepUs(static_cast<uint64_t>(ms) * 1000);
}

uint32_t TickCountMs() {
    return static_cast<uint32_t>(platform::CurrentClock().NowUs() / 1000);
}
