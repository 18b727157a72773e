#pragma once

// The keypad's state read the way the main window reads it after a scan: the status block
// (with the multi-code block when the customisable multi-code table is active), the product
// type and the BLE block.

#include "app/BleParams.h"
#include "app/KeypadStatus.h"
#include "app/StatusLines.h"

#include <array>
#include <cstdint>
#include <optional>

namespace cli {

inline constexpr char kStatusReadFailedText[] = "Unable to get device status information";

struct KeypadReading {
    // Nothing when CmdGetStatus (or the multi-code read it needs) failed.
    std::optional<app::KeypadStatus> status;
    // Zeros unless the customisable multi-code table is active.
    std::array<uint8_t, app::kExtraCodeBlockSize> multipleCodeTable{};
    // 0 when CmdGetProductType failed, as the main window keeps it.
    int productType = 0;
    std::optional<app::BleParams> ble;

    // The three lines of the main window's status box.
    app::StatusLines Lines() const;
};

// The status block alone, with the multi-code block when kind 5 is active.
std::optional<app::KeypadStatus> ReadStatus(std::array<uint8_t, app::kExtraCodeBlockSize>& multi);
std::optional<app::BleParams> ReadBle();
// Everything, on the open keypad.
KeypadReading ReadKeypad();

} // namespace cli
