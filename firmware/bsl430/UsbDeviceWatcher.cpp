#include "UsbDeviceWatcher.h"

#include "firmware/bsl430/bsl430.h"

#include "device/link_lock.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <chrono>

namespace bsl430 {

UsbDeviceWatcher::UsbDeviceWatcher(uint16_t vid, uint16_t pid, Handler handler)
    : vid_(vid), pid_(pid), handler_(std::move(handler)) {}

UsbDeviceWatcher::~UsbDeviceWatcher() {
    Stop();
}

std::set<std::string> UsbDeviceWatcher::Enumerate() const {
    std::set<std::string> devices;
    // Under the link lock: never while a rescan has hidapi shut down.
    device::LinkLock lock = device::LockLink();
    hid_device_info* listed = hid_enumerate(vid_, pid_);
    for (hid_device_info* info = listed; info != nullptr; info = info->next) {
        if (info->path == nullptr) {
            continue;
        }
        // hidraw gives a new device the lowest node number free: the keypad's boot loader
        // takes the path the keypad had a moment before. The ids and the serial number tell
        // the one from the other.
        std::string entry = std::string(info->path) + '|' + std::to_string(info->vendor_id) + ':' +
                            std::to_string(info->product_id) + '|';
        for (const wchar_t* c = info->serial_number; c != nullptr && *c != L'\0'; ++c) {
            entry += std::to_string(static_cast<unsigned>(*c)) + ',';
        }
        devices.insert(std::move(entry));
    }
    hid_free_enumeration(listed);
    return devices;
}

void UsbDeviceWatcher::Poll() {
    std::lock_guard lock(pollMutex_);
    std::set<std::string> current = Enumerate();
    if (!havePrevious_) {
        havePrevious_ = true;
        previous_ = std::move(current);
        return;
    }
    const bool removed = std::any_of(previous_.begin(), previous_.end(),
                                     [&](const std::string& p) { return !current.count(p); });
    const bool arrived = std::any_of(current.begin(), current.end(),
                                     [&](const std::string& p) { return !previous_.count(p); });
    previous_ = std::move(current);
    if (!handler_) {
        return;
    }
    if (removed) {
        handler_(kDeviceChangeMessage, kDeviceRemoveComplete);
    }
    if (arrived) {
        handler_(kDeviceChangeMessage, kDeviceArrival);
    }
}

void UsbDeviceWatcher::Start(uint32_t intervalMs) {
    Stop();
    if (intervalMs == 0) {
        return;
    }
    Poll();
    {
        std::lock_guard lock(stopMutex_);
        stopping_ = false;
    }
    thread_ = std::thread([this, intervalMs]() {
        std::unique_lock lock(stopMutex_);
        while (!stopSignal_.wait_for(lock, std::chrono::milliseconds(intervalMs),
                                     [this]() { return stopping_; })) {
            lock.unlock();
            Poll();
            lock.lock();
        }
    });
}

void UsbDeviceWatcher::Stop() {
    {
        std::lock_guard lock(stopMutex_);
        stopping_ = true;
    }
    stopSignal_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

} // namespace bsl430
