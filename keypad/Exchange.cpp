#include "Exchange.h"

#include "device/discovery.h"
#include "device/link_lock.h"

#include <algorithm>

namespace keypad {

std::span<const uint8_t> Reply::bytes() const {
    return {data.data(), std::min<size_t>(length, data.size())};
}

int32_t Send(uint8_t command, std::span<const uint8_t> data, Reply* reply,
             std::optional<hid_device*> device) {
    Reply ignored;
    Reply& into = reply != nullptr ? *reply : ignored;
    // More than a request can carry is refused by the exchange; the length is kept in range so
    // it cannot wrap into a valid one.
    const auto length =
        static_cast<int32_t>(std::min<size_t>(data.size(), static_cast<size_t>(kReportSize)));
    device::LinkLock lock = device::LockLink();
    hid_device* target = device ? *device : hid_handle.load();
    return USBEncoderSendAndReceive_a(target, command, data.data(), length, into.data.data(),
                                      kReportSize, &into.length, kCommandTimeoutMs);
}

} // namespace keypad
