// Any reply frame the keypad could send: the parser must never read past the report or
// write past the caller's buffer, whatever the length digits say.

#include "device/frame.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The frame always lies in the last 62 bytes of a 64-byte report.
    uint8_t report[kReportSize] = {};
    std::memcpy(report, data, size < sizeof report ? size : sizeof report);
    // An exactly sized heap buffer lets AddressSanitizer see any overrun.
    const int32_t capacity = size > 0 ? data[0] % (kMaxReplyData + 2) : 0;
    std::vector<uint8_t> reply(static_cast<size_t>(capacity));
    uint32_t length = 0;
    if (device::ParseReplyFrame(report + kReplyFrameOffset, reply.data(), capacity, &length) ==
        kParseOk) {
        if (length > static_cast<uint32_t>(capacity)) {
            __builtin_trap();
        }
    }
    uint8_t full[kReportSize];
    ParseEncoderResponse(report + kReplyFrameOffset, full, &length);
    return 0;
}
