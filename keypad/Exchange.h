#pragma once

// The one way a command reaches the keypad: every sender in the windows, the cores above them
// and the command line goes through Send, with the system's 64-byte reply buffer and its
// 5000 ms time-out.

#include "device/frame.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

struct hid_device_;
typedef struct hid_device_ hid_device;

namespace keypad {

// The reply buffer every sender hands the exchange: a whole report's worth, capacity 64.
struct Reply {
    std::array<uint8_t, kReportSize> data{};
    uint32_t length = 0;
    // The reply data the exchange copied out (nothing before a successful exchange).
    std::span<const uint8_t> bytes() const;
};

// Sends command with data and waits up to 5000 ms for the reply, which goes into reply when
// one is given. The command goes to hid_handle, read under the link lock so that a rescan
// cannot close or replace it between the read and the exchange; or to device when one is given
// (a null device fails at once). Returns the exchange result: 0 success, negative failure.
int32_t Send(uint8_t command, std::span<const uint8_t> data = {}, Reply* reply = nullptr,
             std::optional<hid_device*> device = std::nullopt);

} // namespace keypad
