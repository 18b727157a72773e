#pragma once

// The keypad's state read the way the main window reads it after a scan: the product type, the
// status block (with the multi-code block when the customisable multi-code table is active)
// and the BLE block.

#include "keypad/BleParams.h"
#include "keypad/StatusLines.h"
#include "keypad/StatusRead.h"

#include <optional>

namespace cli {

struct KeypadReading {
    keypad::StatusRead read;
    // 0 when CmdGetProductType failed, as the main window keeps it.
    int productType = 0;
    // Read only after a successful status read.
    std::optional<keypad::BleParams> ble;

    // The status block, when the status read as a whole succeeded.
    const keypad::KeypadStatus* status() const { return read.ok() ? &*read.status : nullptr; }
    // The extra code block; zeros unless the customisable multi-code table is active.
    keypad::ExtraCodeBlock MultipleCodeTable() const;
    // The three lines of the main window's status box.
    keypad::StatusLines Lines() const;
};

// Everything, on the open keypad.
KeypadReading ReadKeypad();

} // namespace cli
