#pragma once

// Word from the operating system that USB HID devices came or went, so a program waiting for
// keypads to be plugged in looks again at once instead of on a timer. Which implementation
// stands behind it is chosen with the hidapi link seam: the system's (udev on Linux, none
// elsewhere) in the product, the virtual bus's in tests and the demo.

#include <cstdint>
#include <memory>

namespace platform {

class HidHotplug {
public:
    virtual ~HidHotplug() = default;
    // True as soon as a HID device arrived or left since the last call; false when timeoutMs
    // passed without, or where the system gives no word (the caller then enumerates on a timer).
    virtual bool WaitForChange(uint32_t timeoutMs) = 0;
};

std::unique_ptr<HidHotplug> OpenHidHotplug();

} // namespace platform
