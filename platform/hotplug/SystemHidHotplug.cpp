// The system's word on HID devices coming and going: a udev monitor of the hidraw subsystem on
// Linux, where the event arrives once udev has set the node's permissions; elsewhere, or when
// udev cannot be reached (a container without udevd), no word at all: the caller enumerates on
// its own timer and compares, which opens nothing.

#include "platform/HidHotplug.h"

#include "platform/clock.h"

#ifdef ECHOVANE_HAVE_UDEV
#include <libudev.h>
#include <poll.h>
#endif

namespace platform {
namespace {

// Saying "may have changed" on a timer instead would make a caller open and read every keypad
// plugged in each time.
class SilentHidHotplug final : public HidHotplug {
public:
    bool WaitForChange(uint32_t timeoutMs) override {
        SleepMs(timeoutMs);
        return false;
    }
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
    return std::make_unique<SilentHidHotplug>();
}

} // namespace platform
