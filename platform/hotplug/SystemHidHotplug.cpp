// The system's word on HID devices coming and going: a udev monitor of the hidraw subsystem on
// Linux, where the event arrives once udev has set the node's permissions; elsewhere, or when
// udev cannot be reached (a container without udevd), an interval after which the caller
// enumerates again.

#include "platform/HidHotplug.h"

#include "platform/clock.h"

#include <algorithm>

#ifdef ECHOVANE_HAVE_UDEV
#include <libudev.h>
#include <poll.h>
#endif

namespace platform {
namespace {

// How often a caller without device events enumerates again.
constexpr uint32_t kPollIntervalMs = 500;

class IntervalHidHotplug final : public HidHotplug {
public:
    bool WaitForChange(uint32_t timeoutMs) override {
        const uint64_t due = lastChangeUs_ + uint64_t{kPollIntervalMs} * 1000;
        const uint64_t deadline = NowUs() + uint64_t{timeoutMs} * 1000;
        platform::CurrentClock().SleepUntilUs(std::min(due, deadline));
        // Once an interval has passed since the last word, anything may have changed, however
        // short the caller's waits are.
        if (NowUs() < due) {
            return false;
        }
        lastChangeUs_ = NowUs();
        return true;
    }

private:
    uint64_t lastChangeUs_ = NowUs();
};

#ifdef ECHOVANE_HAVE_UDEV
class UdevHidHotplug final : public HidHotplug {
public:
    UdevHidHotplug() {
        udev_ = udev_new();
        if (udev_ == nullptr) {
            return;
        }
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (monitor_ == nullptr ||
            udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor_) < 0) {
            Close();
        }
    }
    ~UdevHidHotplug() override { Close(); }
    UdevHidHotplug(const UdevHidHotplug&) = delete;
    UdevHidHotplug& operator=(const UdevHidHotplug&) = delete;

    bool ok() const { return monitor_ != nullptr; }

    bool WaitForChange(uint32_t timeoutMs) override {
        pollfd watched{udev_monitor_get_fd(monitor_), POLLIN, 0};
        if (poll(&watched, 1, static_cast<int>(timeoutMs)) <= 0) {
            return false;
        }
        // Several events may be queued (a keypad brings two interfaces): take them all as one
        // change.
        bool changed = false;
        for (;;) {
            pollfd more{udev_monitor_get_fd(monitor_), POLLIN, 0};
            if (poll(&more, 1, 0) <= 0) {
                break;
            }
            udev_device* device = udev_monitor_receive_device(monitor_);
            if (device == nullptr) {
                break;
            }
            udev_device_unref(device);
            changed = true;
        }
        return changed;
    }

private:
    void Close() {
        if (monitor_ != nullptr) {
            udev_monitor_unref(monitor_);
            monitor_ = nullptr;
        }
        if (udev_ != nullptr) {
            udev_unref(udev_);
            udev_ = nullptr;
        }
    }

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};
#endif

} // namespace

std::unique_ptr<HidHotplug> OpenHidHotplug() {
#ifdef ECHOVANE_HAVE_UDEV
    auto monitor = std::make_unique<UdevHidHotplug>();
    if (monitor->ok()) {
        return monitor;
    }
#endif
    return std::make_unique<IntervalHidHotplug>();
}

} // namespace platform
