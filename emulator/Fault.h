#pragma once

#include <cstdint>

namespace emulator {

enum class FaultKind {
    // Answer with a nonzero status byte (param: the status, default 0x01).
    Refuse,
    // Send nothing back.
    Silent,
    // Send param busy (0x06) reports first, one every `intervalMs`, then the reply.
    Busy,
    // Answer with a report whose frame starts with 0x0F.
    Abort,
    // Report byte count above 0x40 (param: the count, default 0x41).
    OversizeByteCount,
    // Wrong checksum on the reply frame.
    BadChecksum,
    // Missing ETX on the reply frame.
    BadEtx,
    // Length digits out of range (param: the length, default 0).
    BadLength,
    // The reply comes param milliseconds late.
    LateReply,
    // The device leaves the bus on receiving the request, before answering; it is plugged in
    // again (a power-up) after param ms when param > 0.
    Unplug,
};

inline constexpr int kAnyCommand = -1;
inline constexpr int kForever = -1;

struct Fault {
    FaultKind kind = FaultKind::Refuse;
    // Only requests with this command code are affected.
    int command = kAnyCommand;
    // Let this many matching requests through first (the fault hits the skip+1-th).
    int skip = 0;
    // How many matching requests it hits; kForever for all.
    int times = 1;
    int param = 0;
    int intervalMs = 1;
};

} // namespace emulator
