#pragma once

// Virtual time that holds a worker thread in one of its waits until the test lets it go on:
// a download then keeps the boot loader for as long as the test needs. It is the clock while it
// lives; at its end the held thread goes on and the plain virtual clock is back, whatever the
// test did. A hold lasts at most kStuckAfter, so a test that never releases fails instead of
// hanging.

#include "platform/clock.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

namespace testsupport {

class HoldingClock final : public platform::Clock {
public:
    // With waitUs, the first sleep of exactly that length is held; without, the first wait of
    // any kind once Arm() is called. Waits of the thread that made the clock are never held.
    explicit HoldingClock(platform::VirtualClock& time,
                          std::optional<uint64_t> waitUs = std::nullopt);
    ~HoldingClock() override;
    HoldingClock(const HoldingClock&) = delete;
    HoldingClock& operator=(const HoldingClock&) = delete;

    uint64_t NowUs() override { return time_.NowUs(); }
    void SleepUs(uint64_t us) override;
    void SleepUntilUs(uint64_t deadlineUs) override;

    void Arm();
    bool held();
    void Release();

private:
    void Hold();

    platform::VirtualClock& time_;
    const std::optional<uint64_t> waitUs_;
    const std::thread::id maker_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable changed_;
    bool armed_ = false;
    bool held_ = false;
    bool released_ = false;
};

} // namespace testsupport
