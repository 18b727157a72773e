// The hidapi C API over the virtual bus. Tests and the demo link this instead of the real
// library, so the code under test is exactly the code that ships.

#include <hidapi/hidapi.h>

#include "emulator/VirtualBus.h"
#include "platform/clock.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <deque>
#include <string>
#include <vector>

using emulator::SimulatedDevice;
using emulator::TimedReport;
using emulator::VirtualBus;

struct hid_device_ {
    std::shared_ptr<SimulatedDevice> device;
    uint64_t attachment = 0;
    int iface = 0;
    bool nonBlocking = false;
    // The frame in which the endpoint is free for the next OUT report.
    uint64_t nextOutFrameUs = 0;
    std::deque<TimedReport> inbox;
    std::wstring error;
    std::string path;
};

namespace {

std::wstring globalError;
// Every handle open now, under the bus lock: each handle on an interface gets its own copy of
// every report the device sends there, as hidraw and Windows give every reader its own queue.
std::vector<hid_device*> openHandles;

wchar_t* DuplicateWide(const std::wstring& text) {
    auto* copy = new wchar_t[text.size() + 1];
    std::wmemcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

std::string PathOf(const SimulatedDevice& device, int iface) {
    return "emulator/usb-" + std::to_string(device.busId) + ":1." + std::to_string(iface);
}

bool Alive(hid_device* dev) {
    return dev->device && dev->device->attachment != 0 &&
           dev->device->attachment == dev->attachment;
}

bool SameInterface(const hid_device* a, const hid_device* b) {
    return a->device == b->device && a->iface == b->iface && a->attachment == b->attachment;
}

// Reports in order of arrival: the earlier-due one is read first whatever order they came in.
void InsertByDue(std::deque<TimedReport>& queue, TimedReport report) {
    auto at = std::upper_bound(
        queue.begin(), queue.end(), report.dueUs,
        [](uint64_t due, const TimedReport& queued) { return due < queued.dueUs; });
    queue.insert(at, std::move(report));
}

bool IsVirtualTime() {
    return dynamic_cast<platform::VirtualClock*>(&platform::CurrentClock()) != nullptr;
}

int CopyString(const std::wstring& text, wchar_t* out, size_t maxlen) {
    if (out == nullptr || maxlen == 0) {
        return -1;
    }
    const size_t count = std::min(text.size(), maxlen - 1);
    std::wmemcpy(out, text.c_str(), count);
    out[count] = L'\0';
    return 0;
}

using StringOf = std::wstring (SimulatedDevice::*)() const;

int ReadString(hid_device* dev, wchar_t* out, size_t maxlen, StringOf which) {
    auto& bus = VirtualBus::Instance();
    std::lock_guard lock(bus.mutex());
    bus.RunDue();
    bus.NoteHandleUse(false);
    if (dev == nullptr || !Alive(dev)) {
        if (dev != nullptr) {
            dev->error = L"Device disconnected";
        }
        return -1;
    }
    if (dev->device->stringsFail) {
        dev->error = L"A device attached to the system is not functioning.";
        return -1;
    }
    return CopyString((dev->device.get()->*which)(), out, maxlen);
}

} // namespace

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void) {
    VirtualBus::Instance().NoteInit();
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_exit(void) {
    VirtualBus::Instance().NoteExit();
    return 0;
}

struct hid_device_info HID_API_EXPORT* HID_API_CALL hid_enumerate(unsigned short vendor_id,
                                                                  unsigned short product_id) {
    auto& bus = VirtualBus::Instance();
    std::lock_guard lock(bus.mutex());
    bus.NoteInit();
    bus.NoteEnumerate();
    hid_device_info* head = nullptr;
    hid_device_info** tail = &head;
    for (const auto& device : bus.Devices()) {
        if ((vendor_id != 0 && device->VendorId() != vendor_id) ||
            (product_id != 0 && device->ProductId() != product_id)) {
            continue;
        }
        for (const auto& iface : device->Interfaces()) {
            auto* info = new hid_device_info{};
            const std::string path = PathOf(*device, iface.number);
            info->path = new char[path.size() + 1];
            std::memcpy(info->path, path.c_str(), path.size() + 1);
            info->vendor_id = device->VendorId();
            info->product_id = device->ProductId();
            info->serial_number = DuplicateWide(device->Serial());
            info->release_number = 0x0100;
            info->manufacturer_string = DuplicateWide(device->Manufacturer());
            info->product_string = DuplicateWide(device->Product());
            info->usage_page = iface.usagePage;
            info->usage = iface.usage;
            info->interface_number = iface.number;
            info->bus_type = HID_API_BUS_USB;
            *tail = info;
            tail = &info->next;
        }
    }
    return head;
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info* devs) {
    while (devs != nullptr) {
        hid_device_info* next = devs->next;
        delete[] devs->path;
        delete[] devs->serial_number;
        delete[] devs->manufacturer_string;
        delete[] devs->product_string;
        delete devs;
        devs = next;
    }
}

HID_API_EXPORT hid_device* HID_API_CALL hid_open_path(const char* path) {
    auto& bus = VirtualBus::Instance();
    std::lock_guard lock(bus.mutex());
    bus.NoteInit();
    if (path == nullptr) {
        globalError = L"Failed to open a device with path '(null)': Invalid argument";
        errno = EINVAL;
        return nullptr;
    }
    for (const auto& device : bus.Devices()) {
        for (const auto& iface : device->Interfaces()) {
            if (PathOf(*device, iface.number) != path) {
                continue;
            }
            const bool accessNotYetGiven = platform::NowUs() < device->openableAtUs;
            if (device->openDenied || accessNotYetGiven) {
                globalError =
                    L"Failed to open a device with path '" + Widen(path) + L"': Permission denied";
                errno = EACCES;
                return nullptr;
            }
            if (device->openFails) {
                globalError = L"Failed to open a device with path '" + Widen(path) +
                              L"': Device or resource busy";
                errno = EBUSY;
                return nullptr;
            }
            auto* dev = new hid_device_{};
            dev->device = device;
            dev->attachment = device->attachment;
            dev->iface = iface.number;
            dev->path = path;
            // The host polls the interface again: what waited in the endpoint comes first.
            if (auto waiting = device->unsentIn.find(iface.number);
                waiting != device->unsentIn.end()) {
                dev->inbox = std::move(waiting->second);
                device->unsentIn.erase(waiting);
            }
            // What the device is still to send on an interface another handle polls reaches
            // this one too.
            const uint64_t now = platform::NowUs();
            for (const hid_device* other : openHandles) {
                if (SameInterface(other, dev)) {
                    for (const TimedReport& report : other->inbox) {
                        if (report.dueUs > now) {
                            InsertByDue(dev->inbox, report);
                        }
                    }
                    break;
                }
            }
            openHandles.push_back(dev);
            bus.NoteOpen();
            globalError.clear();
            return dev;
        }
    }
    globalError =
        L"Failed to open a device with path '" + Widen(path) + L"': No such file or directory";
    errno = ENOENT;
    return nullptr;
}

HID_API_EXPORT hid_device* HID_API_CALL hid_open(unsigned short vendor_id,
                                                 unsigned short product_id,
                                                 const wchar_t* /*serial_number*/) {
    hid_device_info* devices = hid_enumerate(vendor_id, product_id);
    hid_device* dev = devices != nullptr ? hid_open_path(devices->path) : nullptr;
    hid_free_enumeration(devices);
    return dev;
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device* dev, const unsigned char* data,
                                          size_t length) {
    auto& bus = VirtualBus::Instance();
    std::unique_lock lock(bus.mutex());
    bus.RunDue();
    bus.NoteHandleUse(true);
    if (dev == nullptr || data == nullptr) {
        return -1;
    }
    if (!Alive(dev)) {
        dev->error = L"WriteFile: The device is not connected.";
        return -1;
    }
    // Windows takes nothing but whole reports of the length the device declares.
    if (length != static_cast<size_t>(emulator::kReportSize)) {
        dev->error = L"WriteFile: The parameter is incorrect.";
        return -1;
    }
    // One OUT report per frame: a write waits while the endpoint still holds an earlier one.
    const uint64_t arrival =
        std::max(emulator::NextFrameUs(platform::NowUs()), dev->nextOutFrameUs);
    dev->nextOutFrameUs = arrival + emulator::kFrameUs;
    std::vector<TimedReport> replies;
    dev->device->OnOutputReport(dev->iface, {data, length}, arrival, replies);
    // The answer goes to every handle open on the interface, not only to the one that asked.
    for (hid_device* reader : openHandles) {
        if (SameInterface(reader, dev)) {
            for (const TimedReport& reply : replies) {
                InsertByDue(reader->inbox, reply);
            }
        }
    }
    const uint64_t queuedAt = arrival - emulator::kFrameUs;
    lock.unlock();
    platform::CurrentClock().SleepUntilUs(queuedAt);
    return static_cast<int>(length);
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device* dev, unsigned char* data,
                                                 size_t length, int milliseconds) {
    if (dev == nullptr || data == nullptr) {
        return -1;
    }
    auto& bus = VirtualBus::Instance();
    std::unique_lock lock(bus.mutex());
    bus.NoteHandleUse(false);
    platform::Clock& clock = platform::CurrentClock();
    const uint64_t start = clock.NowUs();
    const uint64_t deadline =
        milliseconds > 0 ? start + static_cast<uint64_t>(milliseconds) * 1000 : start;
    for (;;) {
        bus.RunDue();
        if (!Alive(dev)) {
            dev->error = L"ReadFile: The device is not connected.";
            return -1;
        }
        const uint64_t now = clock.NowUs();
        if (!dev->inbox.empty() && dev->inbox.front().dueUs <= now) {
            TimedReport report = std::move(dev->inbox.front());
            dev->inbox.pop_front();
            const size_t count = std::min(length, report.bytes.size());
            std::memcpy(data, report.bytes.data(), count);
            return static_cast<int>(count);
        }
        uint64_t wakeAt = 0;
        if (milliseconds < 0) {
            if (dev->inbox.empty()) {
                if (IsVirtualTime()) {
                    // Nothing will ever arrive and nobody else moves virtual time.
                    dev->error = L"blocking read with nothing pending";
                    return -1;
                }
                wakeAt = now + emulator::kFrameUs;
            } else {
                wakeAt = dev->inbox.front().dueUs;
            }
        } else {
            if (now >= deadline) {
                return 0;
            }
            wakeAt = deadline;
            if (!dev->inbox.empty()) {
                wakeAt = std::min(wakeAt, dev->inbox.front().dueUs);
            }
        }
        // Let the rest of the program (the demo panel, other threads) use the bus meanwhile.
        lock.unlock();
        clock.SleepUntilUs(wakeAt);
        lock.lock();
    }
}

int HID_API_EXPORT HID_API_CALL hid_read(hid_device* dev, unsigned char* data, size_t length) {
    return hid_read_timeout(dev, data, length, dev != nullptr && dev->nonBlocking ? 0 : -1);
}

int HID_API_EXPORT HID_API_CALL hid_set_nonblocking(hid_device* dev, int nonblock) {
    if (dev == nullptr) {
        return -1;
    }
    dev->nonBlocking = nonblock != 0;
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_send_feature_report(hid_device* dev, const unsigned char*,
                                                        size_t) {
    if (dev != nullptr) {
        dev->error = L"Feature reports are not supported by this device.";
    }
    return -1;
}

int HID_API_EXPORT HID_API_CALL hid_get_feature_report(hid_device* dev, unsigned char*, size_t) {
    if (dev != nullptr) {
        dev->error = L"Feature reports are not supported by this device.";
    }
    return -1;
}

int HID_API_EXPORT HID_API_CALL hid_get_input_report(hid_device* dev, unsigned char*, size_t) {
    if (dev != nullptr) {
        dev->error = L"Input reports on request are not supported by this device.";
    }
    return -1;
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device* dev) {
    if (dev == nullptr) {
        return;
    }
    auto& bus = VirtualBus::Instance();
    {
        std::lock_guard lock(bus.mutex());
        std::erase(openHandles, dev);
        const bool lastOnInterface =
            std::none_of(openHandles.begin(), openHandles.end(),
                         [&](const hid_device* other) { return SameInterface(other, dev); });
        // What had reached the host is lost with the handle; what the device had not sent yet
        // stays in its endpoint once nobody polls the interface.
        if (Alive(dev) && lastOnInterface) {
            const uint64_t now = platform::NowUs();
            auto& unsent = dev->device->unsentIn[dev->iface];
            for (TimedReport& report : dev->inbox) {
                if (report.dueUs > now) {
                    InsertByDue(unsent, std::move(report));
                }
            }
        }
    }
    bus.NoteClose();
    delete dev;
}

int HID_API_EXPORT_CALL hid_get_manufacturer_string(hid_device* dev, wchar_t* string,
                                                    size_t maxlen) {
    return ReadString(dev, string, maxlen, &SimulatedDevice::Manufacturer);
}

int HID_API_EXPORT_CALL hid_get_product_string(hid_device* dev, wchar_t* string, size_t maxlen) {
    return ReadString(dev, string, maxlen, &SimulatedDevice::Product);
}

int HID_API_EXPORT_CALL hid_get_serial_number_string(hid_device* dev, wchar_t* string,
                                                     size_t maxlen) {
    return ReadString(dev, string, maxlen, &SimulatedDevice::Serial);
}

struct hid_device_info HID_API_EXPORT* HID_API_CALL hid_get_device_info(hid_device* dev) {
    if (dev != nullptr) {
        dev->error = L"Not supported by the simulated bus.";
    }
    return nullptr;
}

int HID_API_EXPORT_CALL hid_get_indexed_string(hid_device* dev, int, wchar_t*, size_t) {
    if (dev != nullptr) {
        dev->error = L"Not supported by the simulated bus.";
    }
    return -1;
}

HID_API_EXPORT const wchar_t* HID_API_CALL hid_error(hid_device* dev) {
    if (dev == nullptr) {
        return globalError.empty() ? L"Success" : globalError.c_str();
    }
    return dev->error.empty() ? L"Success" : dev->error.c_str();
}

HID_API_EXPORT const struct hid_api_version* HID_API_CALL hid_version(void) {
    static const hid_api_version version = {HID_API_VERSION_MAJOR, HID_API_VERSION_MINOR,
                                            HID_API_VERSION_PATCH};
    return &version;
}

HID_API_EXPORT const char* HID_API_CALL hid_version_str(void) {
    return HID_API_VERSION_STR;
}

} // extern "C"
