#pragma once

// The upgrade window's device watching without the window: the boot loader's ids from the
// resources, the count worker, the text and buttons a count gives, and when to count again.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace firmware {

inline constexpr char kDeviceIndexText[] = "0";
inline constexpr char kSearchingText[] = "Searching for devices";
inline constexpr char kNoDeviceText[] = "No device connected";
inline constexpr char kUnableToRegisterText[] = "ERROR: Unable to register device";

// "0x" and four hex digits: zeros go in after the first two characters ("0x200" -> "0x0200").
std::string padHexStringValue(const std::string& text);

struct BootLoaderIds {
    std::string myVID;
    std::string myPID;
    std::string myDeviceIndex = kDeviceIndexText;
};

// "VID" and "PID" of the Firmware resources, padded.
BootLoaderIds InitializeVidPidFirmware();

// "PID=" + myPID + ",VID=" + myVID + ",DEVICEINDEX=" + myDeviceIndex.
std::string ConnectionText(const BootLoaderIds& ids);

// backgroundWorkerCheckDevice_DoWork: the number of loaders attached; nothing (the worker
// failed) when an id is not hexadecimal.
std::optional<uint32_t> CountBootLoaders(const BootLoaderIds& ids);

// Looks for a loader every pollMs until one is on the bus: false when none came within
// timeoutMs. sleep defaults to SleepMs.
bool WaitForBootLoader(const BootLoaderIds& ids, uint32_t timeoutMs, uint32_t pollMs,
                       const std::function<void(uint32_t)>& sleep = {});

struct DeviceCountView {
    std::string label;
    bool browseEnabled = false;
    bool upgradeEnabled = false;
};

// "Found 1 device", "Found N devices" (Browse on, Upgrade off) or "No device connected" (both
// off).
DeviceCountView DeviceCountDisplay(uint32_t count);

// A device-change message that should start a count: 0x0219 with 0x8000 or 0x8004.
bool IsDeviceChange(uint32_t message, uintptr_t parameter);

// The scanDeviceAgain rule: a device change while a worker is busy is remembered, and the
// count runs once more when the running count completes.
class DeviceCountGate {
public:
    // ParseMessages: true = start the count now.
    bool OnDeviceChange(bool workerBusy);
    // After a count completes (failed or not): true = start it once more.
    bool OnCountCompleted();
    bool scanDeviceAgain() const { return scanDeviceAgain_; }

private:
    bool scanDeviceAgain_ = false;
};

} // namespace firmware
