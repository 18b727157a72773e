#include "HoldingClock.h"

#include "BoundedThread.h"

namespace testsupport {

HoldingClock::HoldingClock(platform::VirtualClock& time, std::optional<uint64_t> waitUs)
    : time_(time), waitUs_(waitUs), armed_(waitUs.has_value()) {
    platform::InstallClock(this);
}

HoldingClock::~HoldingClock() {
    Release();
    platform::InstallClock(&time_);
}

void HoldingClock::SleepUs(uint64_t us) {
    if (!waitUs_ || us == *waitUs_) {
        Hold();
    }
    time_.SleepUs(us);
}

void HoldingClock::SleepUntilUs(uint64_t deadlineUs) {
    if (!waitUs_) {
        Hold();
    }
    time_.SleepUntilUs(deadlineUs);
}

void HoldingClock::Arm() {
    std::lock_guard lock(mutex_);
    armed_ = true;
}

bool HoldingClock::held() {
    std::lock_guard lock(mutex_);
    return held_;
}

void HoldingClock::Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
}

void HoldingClock::Hold() {
    if (std::this_thread::get_id() == maker_) {
        return;
    }
    std::unique_lock lock(mutex_);
    if (!armed_ || released_ || held_) {
        return;
    }
    held_ = true;
    changed_.notify_all();
    changed_.wait_for(lock, kStuckAfter, [this] { return released_; });
}

} // namespace testsupport
