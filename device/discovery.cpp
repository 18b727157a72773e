#include "discovery.h"

#include "device/frame.h"
#include "device/link_lock.h"
#include "platform/CommandLineName.h"

#include <hidapi/hidapi.h>

#include <cerrno>
#include <cstring>

std::atomic<hid_device*> hid_handle{nullptr};

namespace {

void CopyNarrow(const char* text, char* out) {
    if (out == nullptr) {
        return;
    }
    std::strncpy(out, text, kIdentificationTextSize - 1);
    out[kIdentificationTextSize - 1] = '\0';
}

// Keeps the low 8 bits of each UTF-16 unit, at most 47 characters.
void CopyWideLow8(const wchar_t* text, char* out) {
    int i = 0;
    for (; i < kIdentificationTextSize - 1 && text[i] != L'\0'; ++i) {
        out[i] = static_cast<char>(static_cast<unsigned>(text[i]) & 0xFF);
    }
    out[i] = '\0';
}

std::string Narrow(const wchar_t* text) {
    std::string result;
    if (text == nullptr) {
        return result;
    }
    for (; *text != L'\0'; ++text) {
        const auto unit = static_cast<unsigned>(*text);
        result.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
    return result;
}

using StringReader = int (*)(hid_device*, wchar_t*, size_t);

// A reply the keypad sent while no handle was open (a command that timed out before a rescan,
// a run killed mid-exchange) waited in its endpoint and comes in as soon as the interface is
// polled again: taken for the answer to the next request, it would put every later answer one
// request behind. It is read away before the first request: the interface is polled every
// millisecond, so it comes within a few if it is there at all.
void DiscardLeftReplies(hid_device* handle) {
    constexpr int kLeftReplyWaitMs = 3;
    constexpr int kMostLeftReplies = 4;
    uint8_t report[kReportSize];
    for (int i = 0; i < kMostLeftReplies &&
                    hid_read_timeout(handle, report, sizeof report, kLeftReplyWaitMs) > 0;
         ++i) {
    }
}

void ReadIdentification(hid_device* handle, StringReader read, char* out) {
    if (out == nullptr) {
        return;
    }
    wchar_t text[kDescriptorStringMax + 1] = {};
    if (read(handle, text, kDescriptorStringMax) == 0) {
        text[kDescriptorStringMax] = L'\0';
        CopyWideLow8(text, out);
    } else {
        CopyNarrow(kUnableToFindText, out);
    }
}

} // namespace

namespace device {

namespace {

// The scan of ScanForDevice, limited to the interface at path when one is given.
hid_device* ScanForDeviceAt(int vendorId, int productId, const std::string* path,
                            char* manufacturer, char* product, ScanReport* report) {
    LinkLock lock = LockLink();
    ScanReport local;
    ScanReport& scan = report != nullptr ? *report : local;
    scan = ScanReport{};

    // The first enumeration only brings hidapi up.
    hid_free_enumeration(hid_enumerate(0, 0));

    hid_device* handle = nullptr;
    hid_device_info* devices = hid_enumerate(static_cast<unsigned short>(vendorId),
                                             static_cast<unsigned short>(productId));
    for (hid_device_info* info = devices; info != nullptr; info = info->next) {
        if (info->path == nullptr || (path != nullptr && *path != info->path)) {
            continue;
        }
        if (info->interface_number != EncoderInterface) {
            if (path != nullptr) {
                scan.otherInterface = info->interface_number;
            }
            continue;
        }
        errno = 0;
        handle = hid_open_path(info->path);
        if (handle == nullptr) {
            const int openErrno = errno;
            scan.devicePath = info->path;
            scan.openError = Narrow(hid_error(nullptr));
            const bool denied = openErrno == EACCES || openErrno == EPERM ||
                                scan.openError.find("ermission denied") != std::string::npos;
            scan.outcome = denied ? ScanOutcome::FoundButDenied : ScanOutcome::FoundButUnopenable;
        }
        // Only the first matching interface is tried.
        break;
    }
    hid_free_enumeration(devices);

    if (handle == nullptr && scan.outcome == ScanOutcome::NotPresent && path == nullptr) {
        hid_device_info* loaders = hid_enumerate(static_cast<unsigned short>(EncoderVid),
                                                 static_cast<unsigned short>(BootLoaderPid));
        if (loaders != nullptr) {
            scan.outcome = ScanOutcome::BootLoaderOnly;
        }
        hid_free_enumeration(loaders);
    }
    if (handle == nullptr) {
        CopyNarrow(kNoneText, manufacturer);
        CopyNarrow(kNoneText, product);
        return nullptr;
    }

    ReadIdentification(handle, hid_get_manufacturer_string, manufacturer);
    ReadIdentification(handle, hid_get_product_string, product);
    DiscardLeftReplies(handle);

    // Every read of the exchange is then a poll (or a short wait), never an endless block.
    hid_set_nonblocking(handle, 1);
    RegisterHandle(handle, true);
    scan.outcome = ScanOutcome::Opened;
    scan.devicePath.clear();
    scan.openError.clear();
    return handle;
}

RescanResult Rescan(const std::string* path) {
    LinkLock lock = LockLink();
    RescanResult result;
    if (BootLoaderInUse()) {
        result.refused = true;
        return result;
    }
    hid_device* old = hid_handle.load();
    if (old != nullptr) {
        hid_exit_safely(old);
    }
    char manufacturer[kIdentificationTextSize] = {};
    char product[kIdentificationTextSize] = {};
    hid_device* handle =
        ScanForDeviceAt(EncoderVid, EncoderPid, path, manufacturer, product, &result.scan);
    hid_handle.store(handle);
    result.found = handle != nullptr;
    result.manufacturer = manufacturer;
    result.product = product;
    return result;
}

} // namespace

hid_device* ScanForDevice(int vendorId, int productId, char* manufacturer, char* product,
                          ScanReport* report) {
    return ScanForDeviceAt(vendorId, productId, nullptr, manufacturer, product, report);
}

RescanResult RescanForKeypad() {
    return Rescan(nullptr);
}

RescanResult RescanForKeypadAt(const std::string& path) {
    return Rescan(&path);
}

namespace {

// The boot loader has a single interface; interface -1: any.
std::vector<std::string> PathsOf(int pid, int interfaceNumber) {
    LinkLock lock = LockLink();
    std::vector<std::string> paths;
    hid_device_info* devices =
        hid_enumerate(static_cast<unsigned short>(EncoderVid), static_cast<unsigned short>(pid));
    for (hid_device_info* info = devices; info != nullptr; info = info->next) {
        if ((interfaceNumber < 0 || info->interface_number == interfaceNumber) &&
            info->path != nullptr) {
            paths.emplace_back(info->path);
        }
    }
    hid_free_enumeration(devices);
    return paths;
}

} // namespace

std::vector<std::string> KeypadPaths() {
    return PathsOf(EncoderPid, EncoderInterface);
}

std::vector<std::string> BootLoaderPaths() {
    return PathsOf(BootLoaderPid, -1);
}

std::string OpenFailureHint(const ScanReport& scan) {
    switch (scan.outcome) {
    case ScanOutcome::FoundButDenied:
        return "The keypad is plugged in at " + scan.devicePath +
               " but access is denied: install the udev rules 70-echovane.rules into "
               "/etc/udev/rules.d, then unplug the keypad and plug it in again.";
    case ScanOutcome::FoundButUnopenable:
        return "The keypad is plugged in at " + scan.devicePath + " but cannot be opened (" +
               (scan.openError.empty() ? std::string("unknown error") : scan.openError) +
               "): close any other program that uses it and scan again.";
    case ScanOutcome::BootLoaderOnly:
        return "The keypad is on the bus as its boot loader, where a firmware upgrade takes it: "
               "unplug it and plug it in again; if it comes back as its boot loader, upgrade its "
               "firmware (\"Update Echovane Firmware\", or " +
               platform::CommandLineName() + " upgrade FILE --yes).";
    case ScanOutcome::Opened:
    case ScanOutcome::NotPresent:
        break;
    }
    return {};
}

std::string NotConnectedMessage(const RescanResult& result) {
    if (result.refused) {
        return std::string(kRescanRefusedText) + "\n";
    }
    std::string text = std::string(kNotConnectedText) + "\n";
    const std::string hint = OpenFailureHint(result.scan);
    if (!hint.empty()) {
        text += hint + "\n";
    }
    return text;
}

std::vector<DeviceListing> ListDevices() {
    LinkLock lock = LockLink();
    std::vector<DeviceListing> listing;
    const struct {
        int pid;
        DeviceListing::Kind kind;
    } kinds[] = {{EncoderPid, DeviceListing::Kind::Keypad},
                 {BootLoaderPid, DeviceListing::Kind::BootLoader}};
    for (const auto& wanted : kinds) {
        hid_device_info* devices = hid_enumerate(static_cast<unsigned short>(EncoderVid),
                                                 static_cast<unsigned short>(wanted.pid));
        for (hid_device_info* info = devices; info != nullptr; info = info->next) {
            DeviceListing entry;
            entry.kind = wanted.kind;
            entry.path = info->path != nullptr ? info->path : "";
            entry.interfaceNumber = info->interface_number;
            // The boot loader has a single interface; the keypad speaks on interface 1.
            entry.protocolInterface = wanted.kind == DeviceListing::Kind::BootLoader ||
                                      info->interface_number == EncoderInterface;
            errno = 0;
            hid_device* probe = info->path != nullptr ? hid_open_path(info->path) : nullptr;
            if (probe != nullptr) {
                entry.openable = true;
                hid_close(probe);
            } else {
                const int openErrno = errno;
                const std::string error = Narrow(hid_error(nullptr));
                const bool denied = openErrno == EACCES || openErrno == EPERM ||
                                    error.find("ermission denied") != std::string::npos;
                entry.whyNot = denied ? "permission denied: install the udev rules "
                                        "70-echovane.rules into /etc/udev/rules.d and replug"
                                      : (error.empty() ? std::string("cannot be opened") : error);
            }
            listing.push_back(std::move(entry));
        }
        hid_free_enumeration(devices);
    }
    return listing;
}

} // namespace device

hid_device* ScanForUSBDevice_a(int vendorId, int productId, char* manufacturer, char* product) {
    return device::ScanForDevice(vendorId, productId, manufacturer, product, nullptr);
}

void CloseOpenKeypad() {
    // Nothing open, nothing to close: hidapi stays as it is.
    if (hid_device* handle = hid_handle.exchange(nullptr)) {
        hid_exit_safely(handle);
    }
}

void hid_exit_safely(hid_device* handle) {
    device::LinkLock lock = device::LockLink();
    if (handle != nullptr) {
        device::ForgetHandle(handle);
        hid_close(handle);
    }
    if (!device::BootLoaderInUse()) {
        hid_exit();
    }
}
