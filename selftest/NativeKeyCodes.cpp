#include "NativeKeyCodes.h"

#include <algorithm>
#include <iterator>

namespace selftest {
namespace {

// xkb keycodes are the evdev codes moved up by 8, the first X keycode.
constexpr uint32_t kXkbKeycodeOffset = 8;

struct Entry {
    uint16_t evdev;
    uint8_t virtualKey;
};

// Evdev key code -> virtual key, sorted by evdev code. Keypad digits are left out: their
// virtual key depends on Num Lock, which the evdev code does not tell.
constexpr Entry kEvdevToVirtualKey[] = {
    {1, 0x1B},   // Esc
    {2, 0x31},   // 1
    {3, 0x32},   // 2
    {4, 0x33},   // 3
    {5, 0x34},   // 4
    {6, 0x35},   // 5
    {7, 0x36},   // 6
    {8, 0x37},   // 7
    {9, 0x38},   // 8
    {10, 0x39},  // 9
    {11, 0x30},  // 0
    {12, 0xBD},  // minus
    {13, 0xBB},  // equal
    {14, 0x08},  // backspace
    {15, 0x09},  // tab
    {16, 0x51},  // Q
    {17, 0x57},  // W
    {18, 0x45},  // E
    {19, 0x52},  // R
    {20, 0x54},  // T
    {21, 0x59},  // Y
    {22, 0x55},  // U
    {23, 0x49},  // I
    {24, 0x4F},  // O
    {25, 0x50},  // P
    {26, 0xDB},  // [
    {27, 0xDD},  // ]
    {28, 0x0D},  // Enter
    {29, 0x11},  // left Ctrl
    {30, 0x41},  // A
    {31, 0x53},  // S
    {32, 0x44},  // D
    {33, 0x46},  // F
    {34, 0x47},  // G
    {35, 0x48},  // H
    {36, 0x4A},  // J
    {37, 0x4B},  // K
    {38, 0x4C},  // L
    {39, 0xBA},  // ;
    {40, 0xDE},  // '
    {41, 0xC0},  // `
    {42, 0x10},  // left Shift
    {43, 0xDC},  // backslash
    {44, 0x5A},  // Z
    {45, 0x58},  // X
    {46, 0x43},  // C
    {47, 0x56},  // V
    {48, 0x42},  // B
    {49, 0x4E},  // N
    {50, 0x4D},  // M
    {51, 0xBC},  // ,
    {52, 0xBE},  // .
    {53, 0xBF},  // /
    {54, 0x10},  // right Shift
    {55, 0x6A},  // keypad *
    {56, 0x12},  // left Alt
    {57, 0x20},  // Space
    {58, 0x14},  // Caps Lock
    {59, 0x70},  // F1
    {60, 0x71},  // F2
    {61, 0x72},  // F3
    {62, 0x73},  // F4
    {63, 0x74},  // F5
    {64, 0x75},  // F6
    {65, 0x76},  // F7
    {66, 0x77},  // F8
    {67, 0x78},  // F9
    {68, 0x79},  // F10
    {69, 0x90},  // Num Lock
    {70, 0x91},  // Scroll Lock
    {74, 0x6D},  // keypad -
    {78, 0x6B},  // keypad +
    {86, 0xE2},  // the key between left Shift and Z
    {87, 0x7A},  // F11
    {88, 0x7B},  // F12
    {96, 0x0D},  // keypad Enter
    {97, 0x11},  // right Ctrl
    {98, 0x6F},  // keypad /
    {99, 0x2C},  // Print Screen
    {100, 0x12}, // right Alt
    {102, 0x24}, // Home
    {103, 0x26}, // Up
    {104, 0x21}, // Page Up
    {105, 0x25}, // Left
    {106, 0x27}, // Right
    {107, 0x23}, // End
    {108, 0x28}, // Down
    {109, 0x22}, // Page Down
    {110, 0x2D}, // Insert
    {111, 0x2E}, // Delete
    {119, 0x13}, // Pause
    {125, 0x5B}, // left GUI
    {126, 0x5C}, // right GUI
    {127, 0x5D}, // Menu
};

// F13 .. F24 run side by side in both code sets.
constexpr uint16_t kEvdevF13 = 183;
constexpr uint16_t kEvdevF24 = 194;
constexpr uint8_t kVirtualKeyF13 = 0x7C;

} // namespace

int VirtualKeyFromXkbKeycode(uint32_t keycode) {
    if (keycode <= kXkbKeycodeOffset) {
        return 0;
    }
    const uint32_t evdev = keycode - kXkbKeycodeOffset;
    if (evdev >= kEvdevF13 && evdev <= kEvdevF24) {
        return kVirtualKeyF13 + static_cast<int>(evdev - kEvdevF13);
    }
    const auto* end = std::end(kEvdevToVirtualKey);
    const auto* found =
        std::lower_bound(std::begin(kEvdevToVirtualKey), end, evdev,
                         [](const Entry& entry, uint32_t code) { return entry.evdev < code; });
    if (found == end || found->evdev != evdev) {
        return 0;
    }
    return found->virtualKey;
}

} // namespace selftest
