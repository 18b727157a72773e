#pragma once

// The clock seam. Everything that waits or measures time in the cores goes through these, so
// tests can install a VirtualClock and run a 5000 ms time-out or a 9 s LED sequence instantly.

#include <atomic>
#include <cstdint>

// Sleeps the calling thread for ms milliseconds (virtual time when a VirtualClock is installed).
void SleepMs(uint32_t ms);
// Milliseconds since an arbitrary start; wraps like the Windows tick count.
uint32_t TickCountMs();

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Microseconds since the clock's start; monotonic.
    virtual uint64_t NowUs() = 0;
    virtual void SleepUs(uint64_t us) = 0;
    // Blocks until NowUs() >= deadlineUs.
    virtual void SleepUntilUs(uint64_t deadlineUs);
};

// Steady wall clock; the default.
class RealClock final : public Clock {
public:
    uint64_t NowUs() override;
    void SleepUs(uint64_t us) override;
};

// Time that moves only when someone sleeps or advances it. Sleeping returns at once after
// moving the time on, so code under test never really waits.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(uint64_t startUs = 0) : nowUs_(startUs) {}
    uint64_t NowUs() override { return nowUs_.load(std::memory_order_acquire); }
    void SleepUs(uint64_t us) override;
    void SleepUntilUs(uint64_t deadlineUs) override;
    void AdvanceUs(uint64_t us) { nowUs_.fetch_add(us, std::memory_order_acq_rel); }
    void AdvanceMs(uint64_t ms) { AdvanceUs(ms * 1000); }

private:
    std::atomic<uint64_t> nowUs_;
};

// The clock in use; never null.
Clock& CurrentClock();
// Installs clock (nullptr puts the real clock back). The caller keeps ownership.
void InstallClock(Clock* clock);

// Installs a VirtualClock for the lifetime of a scope; tests use it.
class ScopedVirtualClock {
public:
    explicit ScopedVirtualClock(uint64_t startUs = 0) : clock_(startUs) { InstallClock(&clock_); }
    ~ScopedVirtualClock() { InstallClock(nullptr); }
    ScopedVirtualClock(const ScopedVirtualClock&) = delete;
    ScopedVirtualClock& operator=(const ScopedVirtualClock&) = delete;
    VirtualClock& clock() { return clock_; }

private:
    VirtualClock clock_;
};

inline uint64_t NowUs() {
    return CurrentClock().NowUs();
}

} // namespace platform
