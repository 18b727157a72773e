#pragma once

// Apply of the Bluetooth window: CmdSetBleName, CmdSetBlePowerLevel and CmdSetBleOnOff on the
// open keypad, in that order, stopping at the first one the keypad refuses.

#include "firmware/ble/BleParameters.h"

#include <cstdint>
#include <string>

namespace ble {

struct BleApplyResult {
    bool ok = false;
    // The command that failed (0 when none was sent or all went through).
    uint8_t failedCommand = 0;
    // The exact text of the box to show, line break included; empty on success.
    std::string message;
    // How many of the three commands the keypad accepted; those stay applied.
    int accepted = 0;
};

// Checks the selection first (nothing is sent when a drop-down has no choice or the name
// cannot travel), then sends the three commands on hid_handle.
BleApplyResult ApplyBleParameters(const BleSelection& selection);

} // namespace ble
