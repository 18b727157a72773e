#pragma once

// Notices HID devices arriving and leaving by comparing hidapi enumerations, and reports each
// change as the operating system's device-change message (0x0219 with 0x8000 or 0x8004).

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace bsl430 {

class UsbDeviceWatcher {
public:
    using Handler = std::function<void(uint32_t message, uintptr_t parameter)>;

    // vid and pid 0 watch every HID device.
    UsbDeviceWatcher(uint16_t vid, uint16_t pid, Handler handler);
    ~UsbDeviceWatcher();
    UsbDeviceWatcher(const UsbDeviceWatcher&) = delete;
    UsbDeviceWatcher& operator=(const UsbDeviceWatcher&) = delete;

    // One comparison: the first only takes the devices present as the starting point; later
    // ones send one removal and/or one arrival message when the set of devices changed.
    void Poll();

    // Polls every intervalMs on a thread of its own. The interval is wall time: the watcher
    // stands in for the operating system, not for the program's clock.
    void Start(uint32_t intervalMs);
    void Stop();

private:
    std::set<std::string> Enumerate() const;

    uint16_t vid_;
    uint16_t pid_;
    Handler handler_;
    std::mutex pollMutex_;
    bool havePrevious_ = false;
    std::set<std::string> previous_;

    std::mutex stopMutex_;
    std::condition_variable stopSignal_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace bsl430
