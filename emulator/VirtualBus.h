#pragma once

// The simulated USB bus behind the emulated hidapi: which devices are plugged in, what is
// scheduled to happen to them, and how the program has used the HID library.

#include "emulator/SimulatedDevice.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace emulator {

class VirtualBus {
public:
    static VirtualBus& Instance();

    // Unplugs everything and forgets all counters and scheduled events.
    void Reset();

    // Plugs in a device now: it can be opened once its access delay has passed.
    void Plug(const std::shared_ptr<SimulatedDevice>& device);
    // Plugs in a device that was there before the program started: it can be opened at once.
    void PlugBeforeStart(const std::shared_ptr<SimulatedDevice>& device);
    // Every device plugged in now was there before the program started: each can be opened at
    // once.
    void GiveAccessToPlugged();
    void Unplug(const SimulatedDevice* device);
    bool IsPlugged(const SimulatedDevice* device);
    std::vector<std::shared_ptr<SimulatedDevice>> Devices();
    // Counts every plug and unplug as the hot-plug events tell them: an unplug at once, a plug
    // once the device can be opened (udev's rules have run).
    uint64_t generation() const { return generation_.load(); }
    // Off: no hot-plug event ever arrives, as in a container without a udev daemon or on a
    // system without device events. On again after Reset().
    void SetHotplugEvents(bool on) { hotplugEvents_ = on; }
    bool hotplugEvents() const { return hotplugEvents_.load(); }

    // Runs action once the clock reaches atUs (checked whenever the program touches the bus,
    // and by RunDue()), unless the port's power was cut meanwhile.
    void Schedule(uint64_t atUs, std::function<void()> action);
    // The demo's one USB port: its cable pulled, everything on it leaves the bus, and what its
    // devices were about to do (re-enumerate, start up) never happens; nothing is plugged in
    // until the power is back.
    void CutPortPower();
    void RestorePortPower();
    void RunDue();
    // The time now, or while a scheduled action runs, the time it was due: what it sets off
    // happens from then on, however late the program looked.
    uint64_t EventTimeUs() const;

    // How the program has used the HID library, for tests.
    struct Usage {
        int initCount = 0;
        int exitCount = 0;
        int openCount = 0;
        int closeCount = 0;
        int enumerateCount = 0;
        // Reads, writes and string reads on a handle while the library was shut down: on
        // Windows that uses an unloaded DLL.
        int useAfterExit = 0;
        int writes = 0;
        int reads = 0;
    };
    Usage usage();
    bool initialized();

    // Library state changes made by the emulated hid_* functions.
    void NoteInit();
    void NoteExit();
    void NoteOpen() { ++counters_.openCount; }
    void NoteClose() { ++counters_.closeCount; }
    void NoteEnumerate();
    void NoteHandleUse(bool isWrite);

    std::recursive_mutex& mutex() { return mutex_; }

private:
    VirtualBus() = default;
    void PlugAt(const std::shared_ptr<SimulatedDevice>& device, uint64_t openableAtUs);
    struct Scheduled {
        uint64_t atUs;
        std::function<void()> action;
        // The power cuts counted when it was scheduled.
        uint64_t powerCuts;
    };

    std::recursive_mutex mutex_;
    std::vector<std::shared_ptr<SimulatedDevice>> devices_;
    std::vector<Scheduled> scheduled_;
    // Atomic so a test can read them while a device callback holds the bus lock.
    struct Counters {
        std::atomic<int> initCount{0};
        std::atomic<int> exitCount{0};
        std::atomic<int> openCount{0};
        std::atomic<int> closeCount{0};
        std::atomic<int> enumerateCount{0};
        std::atomic<int> useAfterExit{0};
        std::atomic<int> writes{0};
        std::atomic<int> reads{0};
    } counters_;
    std::atomic<bool> initialized_{false};
    std::atomic<uint64_t> generation_{0};
    std::atomic<bool> hotplugEvents_{true};
    uint64_t nextAttachment_ = 1;
    // While a scheduled action runs: the time it was due.
    uint64_t actionAtUs_ = 0;
    bool portPowered_ = true;
    uint64_t powerCuts_ = 0;
    // The ports devices of their own have been plugged into.
    std::set<int> portsGiven_;
};

} // namespace emulator
