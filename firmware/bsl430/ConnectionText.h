#pragma once

// The connection text of BSL_initialize_BSL: "PID=0x0200,VID=0x2047,DEVICEINDEX=0".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace bsl430 {

class ConnectionText {
public:
    uint16_t vid = 0;
    uint16_t pid = 0;
    // Which of the matching devices, in enumeration order.
    int deviceIndex = 0;

    // Keys in any order and case, blanks around items ignored; VID and PID are required
    // (hex, "0x" optional), DEVICEINDEX is decimal and 0 when left out. Anything unknown,
    // repeated or out of range is refused with the reason in *error.
    static std::optional<ConnectionText> Parse(std::string_view text, std::string* error);
};

} // namespace bsl430
