#include "device_count.h"

#include "firmware/bsl430/bsl430.h"
#include "firmware/firmware_resources.h"
#include "platform/clock.h"

#include <algorithm>
#include <cctype>

namespace firmware {
namespace {

constexpr std::size_t kPrefixLength = 2;
constexpr std::size_t kPaddedLength = 6;

std::optional<uint16_t> ParseHexId(std::string text) {
    if (text.size() >= kPrefixLength && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.erase(0, kPrefixLength);
    }
    if (text.empty() || text.size() > 4) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c))
                                                       ? c - '0'
                                                       : std::toupper(c) - 'A' + 10);
    }
    return static_cast<uint16_t>(value);
}

} // namespace

std::string padHexStringValue(const std::string& text) {
    if (text.size() >= kPaddedLength) {
        return text;
    }
    // Three zeros below 4 characters, two at 4, one at 5.
    const std::size_t zeros = text.size() < 4 ? 3 : kPaddedLength - text.size();
    const std::size_t split = std::min(kPrefixLength, text.size());
    return text.substr(0, split) + std::string(zeros, '0') + text.substr(split);
}

BootLoaderIds InitializeVidPidFirmware() {
    BootLoaderIds ids;
    ids.myVID = padHexStringValue(FirmwareText(kResourceVid));
    ids.myPID = padHexStringValue(FirmwareText(kResourcePid));
    return ids;
}

std::string ConnectionText(const BootLoaderIds& ids) {
    return "PID=" + ids.myPID + ",VID=" + ids.myVID + ",DEVICEINDEX=" + ids.myDeviceIndex;
}

std::optional<uint32_t> CountBootLoaders(const BootLoaderIds& ids) {
    const auto vid = ParseHexId(ids.myVID);
    const auto pid = ParseHexId(ids.myPID);
    if (!vid || !pid) {
        return std::nullopt;
    }
    return BSL_NumOfUSBDevices(*vid, *pid);
}

bool WaitForBootLoader(const BootLoaderIds& ids, uint32_t timeoutMs, uint32_t pollMs,
                       const std::function<void(uint32_t)>& sleep) {
    for (uint32_t waited = 0;; waited += pollMs) {
        const auto count = CountBootLoaders(ids);
        if (count && *count >= 1) {
            return true;
        }
        if (waited >= timeoutMs) {
            return false;
        }
        if (sleep) {
            sleep(pollMs);
        } else {
            SleepMs(pollMs);
        }
    }
}

DeviceCountView DeviceCountDisplay(uint32_t count) {
    DeviceCountView view;
    if (count == 0) {
        view.label = kNoDeviceText;
        return view;
    }
    view.label = "Found " + std::to_string(count) + (count == 1 ? " device" : " devices");
    view.browseEnabled = true;
    return view;
}

bool IsDeviceChange(uint32_t message, uintptr_t parameter) {
    return message == kDeviceChangeMessage &&
           (parameter == kDeviceArrival || parameter == kDeviceRemoveComplete);
}

bool DeviceCountGate::OnDeviceChange(bool workerBusy) {
    if (!workerBusy) {
        return true;
    }
    scanDeviceAgain_ = true;
    return false;
}

bool DeviceCountGate::OnCountCompleted() {
    const bool again = scanDeviceAgain_;
    scanDeviceAgain_ = false;
    return again;
}

} // namespace firmware
