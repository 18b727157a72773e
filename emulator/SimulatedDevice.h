#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace emulator {

inline constexpr int kReportSize = 64;
// One full-speed USB frame: an interrupt endpoint moves one report per frame each way.
inline constexpr uint64_t kFrameUs = 1000;

using Report = std::vector<uint8_t>;

struct TimedReport {
    uint64_t dueUs = 0;
    Report bytes;
};

struct InterfaceInfo {
    int number = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
};

class VirtualBus;

// Something that can sit on the virtual bus: a keypad or a boot loader.
class SimulatedDevice : public std::enable_shared_from_this<SimulatedDevice> {
public:
    virtual ~SimulatedDevice() = default;

    virtual uint16_t VendorId() const = 0;
    virtual uint16_t ProductId() const = 0;
    virtual std::vector<InterfaceInfo> Interfaces() const = 0;
    virtual std::wstring Manufacturer() const { return L"Vexor"; }
    virtual std::wstring Product() const { return L"Simulated device"; }
    virtual std::wstring Serial() const { return L""; }

    // An OUT report written to interface iface arrives at arrivalUs (the frame it crossed
    // in); the device appends the IN reports it sends back, each with the time it becomes
    // readable. Called with the bus lock held.
    virtual void OnOutputReport(int iface, std::span<const uint8_t> report, uint64_t arrivalUs,
                                std::vector<TimedReport>& replies) = 0;

    // Opening fails as the operating system would refuse it (no access rights).
    bool openDenied = false;
    // Opening fails for another reason (device busy).
    bool openFails = false;
    // Just plugged in, a device is listed a moment before it can be opened: udev gives the
    // user access to its node only then (and Windows is still setting it up). Until this many
    // milliseconds after each plug-in, opening is refused as for no access rights.
    static constexpr uint32_t kAccessAfterPlugMs = 100;
    uint32_t openableAfterMs = kAccessAfterPlugMs;
    // The string descriptors cannot be read.
    bool stringsFail = false;

    // Set by the bus: 0 while unplugged, a new number at each plug-in, so handles opened
    // before an unplug stay dead after the device comes back.
    uint64_t attachment = 0;
    // Set by the bus at each plug-in: the number in its path. The lowest one free, as hidraw
    // numbers the nodes it makes (a keypad plugged in after another left may get its path),
    // unless the device has a port of its own.
    int busId = 0;
    // Set before plugging in: the USB port it always comes back to, whose number its path keeps.
    int port = 0;
    // Set by the bus at each plug-in: from when it can be opened.
    uint64_t openableAtUs = 0;
    // IN reports not yet sent when the last handle on their interface closed: the host polls
    // an interface only while it is open, so they wait in the device's endpoint and reach the
    // next handle opened on it. Gone when the device is unplugged. Kept by the bus's lock.
    std::map<int, std::deque<TimedReport>> unsentIn;
};

// The frame in which a report written at nowUs crosses the bus (the next frame boundary).
inline uint64_t NextFrameUs(uint64_t nowUs) {
    return (nowUs / kFrameUs + 1) * kFrameUs;
}

} // namespace emulator
