#pragma once

// The Windows virtual-key code a key-down stands for, from the code the platform's keyboard
// layer reports before any keymap is applied. A keymap may give a key no symbol at all (the
// default X keymap has none for F19), but the key's own code is always there.

#include <cstdint>

namespace selftest {

// Linux desktops (X11 and Wayland alike) report the xkb keycode: the kernel's evdev key code
// plus 8. 0 for a code without a virtual key, and for 0 (no native code).
int VirtualKeyFromXkbKeycode(uint32_t keycode);

} // namespace selftest
