#pragma once

// The reads that fill the main window's copy of the keypad's state, each one exchange (two for
// the status block of the customisable multi-code table): shared by the windows and the
// command line, so there is one status read in the program.

#include "keypad/BleParams.h"
#include "keypad/KeypadStatus.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace keypad {

// What the front ends say when a status read they need fails.
inline constexpr char kStatusReadFailedText[] = "Unable to get device status information";

// CmdGetStatus: the status block exactly as the keypad sent it, for a reader with a layout of
// its own (the self test); nothing when the exchange failed.
std::optional<std::vector<uint8_t>> ReadStatusBlock();
// CmdGetStatus decoded; nothing when the exchange failed or the block is too short.
std::optional<KeypadStatus> ReadDecodedStatus();

struct StatusRead {
    // Nothing when CmdGetStatus failed or its block is too short to decode.
    std::optional<KeypadStatus> status;
    // The extra code block, read only while the customisable multi-code table is active.
    std::optional<ExtraCodeBlock> multipleCodeTable;

    // The status block decoded and, for the customisable multi-code table, its extra code block
    // read as well.
    bool ok() const;
};

// CmdGetStatus and, when the kind is 5, CmdReadMulticodeTable. A failed multi-code read leaves
// the decoded status in place and fails the read as a whole.
StatusRead ReadStatus();

// CmdGetBleParams, decoded; nothing when the exchange failed.
std::optional<BleParams> ReadBleParams();

// CmdGetProductType: reply byte 0; nothing when the exchange failed or sent no byte.
std::optional<int> ReadProductType();

// CmdCheckMulticode with its data 01 00: 0 when the keypad has multi-code tables, otherwise
// the exchange result.
int32_t CheckMulticode();

} // namespace keypad
