#include "VirtualBus.h"

#include "platform/clock.h"

#include <algorithm>

namespace emulator {

VirtualBus& VirtualBus::Instance() {
    static VirtualBus bus;
    return bus;
}

void VirtualBus::Reset() {
    std::lock_guard lock(mutex_);
    for (auto& device : devices_) {
        device->attachment = 0;
    }
    devices_.clear();
    scheduled_.clear();
    ++generation_;
    hotplugEvents_ = true;
    portPowered_ = true;
    // Paths start again from usb-1, so a test sees the same paths whatever ran before it.
    portsGiven_.clear();
    for (auto* counter : {&counters_.initCount, &counters_.exitCount, &counters_.openCount,
                          &counters_.closeCount, &counters_.enumerateCount, &counters_.useAfterExit,
                          &counters_.writes, &counters_.reads}) {
        counter->store(0);
    }
    initialized_ = false;
}

void VirtualBus::Plug(const std::shared_ptr<SimulatedDevice>& device) {
    // The time of a scheduled event is only that while its action runs, under this lock.
    std::lock_guard lock(mutex_);
    PlugAt(device, EventTimeUs() + uint64_t{device->openableAfterMs} * 1000);
}

void VirtualBus::PlugBeforeStart(const std::shared_ptr<SimulatedDevice>& device) {
    PlugAt(device, 0);
}

void VirtualBus::GiveAccessToPlugged() {
    std::lock_guard lock(mutex_);
    for (const auto& device : devices_) {
        device->openableAtUs = 0;
    }
}

void VirtualBus::PlugAt(const std::shared_ptr<SimulatedDevice>& device, uint64_t openableAtUs) {
    std::lock_guard lock(mutex_);
    if (!portPowered_ || std::find(devices_.begin(), devices_.end(), device) != devices_.end()) {
        return;
    }
    device->attachment = nextAttachment_++;
    device->openableAtUs = openableAtUs;
    if (device->port != 0) {
        device->busId = device->port;
        portsGiven_.insert(device->port);
    } else {
        // Never a number a device with a port of its own may come back to.
        int free = 1;
        const auto taken = [&](int id) {
            return portsGiven_.count(id) != 0 ||
                   std::any_of(devices_.begin(), devices_.end(),
                               [id](const auto& other) { return other->busId == id; });
        };
        while (taken(free)) {
            ++free;
        }
        device->busId = free;
    }
    devices_.push_back(device);
    // udev tells its listeners of a new device once its rules have run, access given.
    if (openableAtUs > EventTimeUs()) {
        Schedule(openableAtUs, [this] { ++generation_; });
    } else {
        ++generation_;
    }
}

void VirtualBus::Unplug(const SimulatedDevice* device) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(devices_.begin(), devices_.end(),
                           [device](const auto& entry) { return entry.get() == device; });
    if (it != devices_.end()) {
        (*it)->attachment = 0;
        (*it)->unsentIn.clear();
        devices_.erase(it);
        ++generation_;
    }
}

bool VirtualBus::IsPlugged(const SimulatedDevice* device) {
    std::lock_guard lock(mutex_);
    RunDue();
    return std::any_of(devices_.begin(), devices_.end(),
                       [device](const auto& entry) { return entry.get() == device; });
}

std::vector<std::shared_ptr<SimulatedDevice>> VirtualBus::Devices() {
    std::lock_guard lock(mutex_);
    RunDue();
    return devices_;
}

uint64_t VirtualBus::EventTimeUs() const {
    return actionAtUs_ != 0 ? actionAtUs_ : platform::NowUs();
}

void VirtualBus::Schedule(uint64_t atUs, std::function<void()> action) {
    std::lock_guard lock(mutex_);
    scheduled_.push_back({atUs, std::move(action), powerCuts_});
}

void VirtualBus::CutPortPower() {
    std::lock_guard lock(mutex_);
    portPowered_ = false;
    ++powerCuts_;
    for (const auto& device : std::vector(devices_)) {
        Unplug(device.get());
    }
}

void VirtualBus::RestorePortPower() {
    std::lock_guard lock(mutex_);
    portPowered_ = true;
}

void VirtualBus::RunDue() {
    std::lock_guard lock(mutex_);
    const uint64_t now = platform::NowUs();
    for (;;) {
        auto due = std::min_element(
            scheduled_.begin(), scheduled_.end(),
            [](const Scheduled& a, const Scheduled& b) { return a.atUs < b.atUs; });
        if (due == scheduled_.end() || due->atUs > now) {
            return;
        }
        auto action = std::move(due->action);
        const uint64_t atUs = due->atUs;
        const bool stale = due->powerCuts != powerCuts_;
        scheduled_.erase(due);
        if (stale) {
            continue;
        }
        // It happened when it was due, however late the program looked.
        const uint64_t outer = actionAtUs_;
        actionAtUs_ = atUs;
        action();
        actionAtUs_ = outer;
    }
}

VirtualBus::Usage VirtualBus::usage() {
    Usage usage;
    usage.initCount = counters_.initCount;
    usage.exitCount = counters_.exitCount;
    usage.openCount = counters_.openCount;
    usage.closeCount = counters_.closeCount;
    usage.enumerateCount = counters_.enumerateCount;
    usage.useAfterExit = counters_.useAfterExit;
    usage.writes = counters_.writes;
    usage.reads = counters_.reads;
    return usage;
}

bool VirtualBus::initialized() {
    return initialized_;
}

void VirtualBus::NoteInit() {
    bool expected = false;
    if (initialized_.compare_exchange_strong(expected, true)) {
        ++counters_.initCount;
    }
}

void VirtualBus::NoteExit() {
    initialized_ = false;
    ++counters_.exitCount;
}

void VirtualBus::NoteEnumerate() {
    ++counters_.enumerateCount;
}

void VirtualBus::NoteHandleUse(bool isWrite) {
    if (!initialized_) {
        ++counters_.useAfterExit;
    }
    ++(isWrite ? counters_.writes : counters_.reads);
}

} // namespace emulator
