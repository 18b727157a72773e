#include "selftest/NativeKeyCodes.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

#include <cstdint>
#include <ostream>

namespace {

// The kernel's own key codes, as X11 and Wayland number them (evdev + 8).
constexpr uint32_t Xkb(int evdev) {
    return static_cast<uint32_t>(evdev) + 8;
}

struct NativeCase {
    const char* name;
    uint32_t keycode;
    int virtualKey; // Microsoft's virtual-key code list
};

void PrintTo(const NativeCase& c, std::ostream* out) {
    *out << c.name;
}

class XkbKeycode : public ::testing::TestWithParam<NativeCase> {};

TEST_P(XkbKeycode, GivesTheVirtualKeyOfTheSameKey) {
    EXPECT_EQ(selftest::VirtualKeyFromXkbKeycode(GetParam().keycode), GetParam().virtualKey);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, XkbKeycode,
    ::testing::Values(
        NativeCase{"Escape", Xkb(KEY_ESC), 0x1B}, NativeCase{"One", Xkb(KEY_1), 0x31},
        NativeCase{"Zero", Xkb(KEY_0), 0x30}, NativeCase{"A", Xkb(KEY_A), 0x41},
        NativeCase{"M", Xkb(KEY_M), 0x4D}, NativeCase{"Z", Xkb(KEY_Z), 0x5A},
        NativeCase{"Enter", Xkb(KEY_ENTER), 0x0D},
        NativeCase{"KeypadEnter", Xkb(KEY_KPENTER), 0x0D},
        NativeCase{"Space", Xkb(KEY_SPACE), 0x20}, NativeCase{"Left", Xkb(KEY_LEFT), 0x25},
        NativeCase{"Up", Xkb(KEY_UP), 0x26}, NativeCase{"Right", Xkb(KEY_RIGHT), 0x27},
        NativeCase{"Down", Xkb(KEY_DOWN), 0x28}, NativeCase{"F1", Xkb(KEY_F1), 0x70},
        NativeCase{"F10", Xkb(KEY_F10), 0x79}, NativeCase{"F11", Xkb(KEY_F11), 0x7A},
        NativeCase{"F12", Xkb(KEY_F12), 0x7B}, NativeCase{"F13", Xkb(KEY_F13), 0x7C},
        NativeCase{"F15", Xkb(KEY_F15), 0x7E}, NativeCase{"F16", Xkb(KEY_F16), 0x7F},
        NativeCase{"F17", Xkb(KEY_F17), 0x80}, NativeCase{"F18", Xkb(KEY_F18), 0x81},
        NativeCase{"F19", Xkb(KEY_F19), 0x82}, NativeCase{"F24", Xkb(KEY_F24), 0x87},
        NativeCase{"LeftShift", Xkb(KEY_LEFTSHIFT), 0x10},
        NativeCase{"RightShift", Xkb(KEY_RIGHTSHIFT), 0x10},
        NativeCase{"RightCtrl", Xkb(KEY_RIGHTCTRL), 0x11},
        NativeCase{"LeftAlt", Xkb(KEY_LEFTALT), 0x12},
        NativeCase{"LeftMeta", Xkb(KEY_LEFTMETA), 0x5B}, NativeCase{"Slash", Xkb(KEY_SLASH), 0xBF},
        NativeCase{"Between", Xkb(KEY_102ND), 0xE2}, NativeCase{"Delete", Xkb(KEY_DELETE), 0x2E},
        NativeCase{"PageDown", Xkb(KEY_PAGEDOWN), 0x22},
        NativeCase{"PrintScreen", Xkb(KEY_SYSRQ), 0x2C}, NativeCase{"Pause", Xkb(KEY_PAUSE), 0x13},
        NativeCase{"KeypadPlus", Xkb(KEY_KPPLUS), 0x6B}, NativeCase{"Menu", Xkb(KEY_COMPOSE), 0x5D},
        // Keys without a virtual key of their own, and codes that are no key.
        NativeCase{"KeypadOne", Xkb(KEY_KP1), 0}, NativeCase{"Power", Xkb(KEY_POWER), 0},
        NativeCase{"PastF24", Xkb(KEY_F24 + 1), 0}, NativeCase{"NoCode", 0, 0},
        NativeCase{"BelowTheFirst", 8, 0}, NativeCase{"Highest", 255, 0},
        NativeCase{"Huge", 0xFFFFFFFFu, 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
