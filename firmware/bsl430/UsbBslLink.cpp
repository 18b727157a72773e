#include "UsbBslLink.h"

#include "device/link_lock.h"
#include "platform/clock.h"

#include <hidapi/hidapi.h>

#include <cstring>

namespace bsl430 {
namespace {

std::string Narrow(const wchar_t* text) {
    std::string out;
    for (; text != nullptr && *text != L'\0'; ++text) {
        const auto unit = static_cast<unsigned>(*text);
        out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
    // hidraw records no text when a read fails because the device hung up: "Success" would
    // only mislead.
    return out == "Success" ? std::string() : out;
}

} // namespace

namespace {
constexpr int kDropPollMs = 10;
// A loader just listed may not be ours to open yet: udev gives access to its node a moment
// later, and Windows may still be setting it up. Tried again this often, for this long.
constexpr uint32_t kOpenRetryMs = 100;
constexpr uint32_t kOpenGiveUpMs = 3000;

// The path of the deviceIndex-th loader listed; empty when there is none.
std::string LoaderPath(uint16_t vid, uint16_t pid, int deviceIndex) {
    device::LinkLock lock = device::LockLink();
    std::string path;
    hid_device_info* devices = hid_enumerate(vid, pid);
    int index = 0;
    for (hid_device_info* info = devices; info != nullptr; info = info->next) {
        if (info->path != nullptr && index++ == deviceIndex) {
            path = info->path;
            break;
        }
    }
    hid_free_enumeration(devices);
    return path;
}
} // namespace

UsbBslLink::~UsbBslLink() {
    Close();
}

std::array<uint8_t, kAddressBytes> UsbBslLink::AddressBytes(uint32_t address) {
    return {static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8),
            static_cast<uint8_t>(address >> 16)};
}

bool UsbBslLink::Open(uint16_t vid, uint16_t pid, int deviceIndex) {
    Close();
    lastError_.clear();
    // Taken before hidapi is touched: waits for a running rescan, then keeps others out.
    device::BeginBootLoaderUse();
    const uint32_t start = TickCountMs();
    for (;;) {
        const std::string path = LoaderPath(vid, pid, deviceIndex);
        if (path.empty()) {
            // Gone while it was tried: the last refusal says more than its absence.
            if (lastError_.empty()) {
                lastError_ = "no boot loader found";
            }
            break;
        }
        handle_ = hid_open_path(path.c_str());
        if (handle_ != nullptr) {
            lastError_.clear();
            return true;
        }
        lastError_ = Narrow(hid_error(nullptr));
        if (TickCountMs() - start >= kOpenGiveUpMs) {
            break;
        }
        SleepMs(kOpenRetryMs);
    }
    device::EndBootLoaderUse();
    return false;
}

void UsbBslLink::Close() {
    if (handle_ == nullptr) {
        return;
    }
    hid_close(handle_);
    handle_ = nullptr;
    device::EndBootLoaderUse();
}

int UsbBslLink::Send(uint8_t command, std::span<const uint8_t> payload) {
    if (handle_ == nullptr) {
        return kBslNotConnected;
    }
    if (payload.size() > static_cast<std::size_t>(kMaxPayload)) {
        return kBslBadArgument;
    }
    uint8_t report[kReportSize];
    std::memset(report, kPaddingByte, sizeof report);
    report[kReportIdOffset] = kReportId;
    report[kLengthOffset] = static_cast<uint8_t>(1 + payload.size());
    report[kCommandOffset] = command;
    if (!payload.empty()) {
        std::memcpy(report + kPayloadOffset, payload.data(), payload.size());
    }
    if (hid_write(handle_, report, kReportSize) < 0) {
        lastError_ = Narrow(hid_error(handle_));
        return kBslNotConnected;
    }
    return kBslOk;
}

int UsbBslLink::Receive(Reply& reply, int timeoutMs) {
    if (handle_ == nullptr) {
        return kBslNotConnected;
    }
    uint8_t report[kReportSize] = {};
    const int got = hid_read_timeout(handle_, report, kReportSize, timeoutMs);
    if (got < 0) {
        lastError_ = Narrow(hid_error(handle_));
        return kBslNotConnected;
    }
    if (got == 0) {
        return kBslTimeout;
    }
    const int n = got > kLengthOffset ? report[kLengthOffset] : 0;
    if (report[kReportIdOffset] != kReportId || n < 1 || n > kMaxCoreBytes ||
        kCommandOffset + n > got) {
        return kBslBadReply;
    }
    reply.code = report[kCommandOffset];
    if (reply.code != kDataResponse && reply.code != kMessageResponse) {
        return kBslBadReply;
    }
    reply.length = n - 1;
    std::memcpy(reply.data.data(), report + kPayloadOffset, static_cast<std::size_t>(reply.length));
    return kBslOk;
}

void UsbBslLink::DiscardPending() {
    if (handle_ == nullptr) {
        return;
    }
    uint8_t report[kReportSize];
    // Bounded: a loader cannot have queued more than a few answers.
    for (int i = 0; i < 64 && hid_read_timeout(handle_, report, kReportSize, 0) > 0; ++i) {
    }
}

int UsbBslLink::AwaitLeaving(int timeoutMs) {
    if (handle_ == nullptr) {
        return kBslOk;
    }
    const uint32_t start = TickCountMs();
    for (;;) {
        const uint32_t elapsed = TickCountMs() - start;
        if (elapsed >= static_cast<uint32_t>(timeoutMs)) {
            return kBslTimeout;
        }
        // Short reads: a read that waits for a report may not notice the device going.
        Reply reply;
        const int got = Receive(reply, kDropPollMs);
        if (got == kBslNotConnected) {
            return kBslOk;
        }
        if (got == kBslOk && reply.code == kMessageResponse && reply.length >= 1) {
            return reply.data[0];
        }
    }
}

int UsbBslLink::Exchange(uint8_t command, std::span<const uint8_t> payload, Reply& reply) {
    DiscardPending();
    const int sent = Send(command, payload);
    if (sent != kBslOk) {
        return sent;
    }
    return Receive(reply);
}

int UsbBslLink::ExchangeForMessage(uint8_t command, std::span<const uint8_t> payload) {
    Reply reply;
    const int result = Exchange(command, payload, reply);
    if (result != kBslOk) {
        return result;
    }
    if (reply.code != kMessageResponse || reply.length < 1) {
        return kBslBadReply;
    }
    return reply.data[0];
}

} // namespace bsl430
