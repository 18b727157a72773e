#pragma once

// Which key code each of the keypad's ten inputs must produce, and where its marker sits on
// the keypad picture, by firmware version.

#include <array>
#include <string_view>

namespace selftest {

inline constexpr int kInputCount = 10;
// The key code array has room for twelve; the first ten are used.
inline constexpr int kKeyCodeSlots = 12;
inline constexpr int kInstallModeCount = 3;

// Windows virtual-key codes, as a key-down reports them.
namespace vk {
inline constexpr int Return = 0x0D;
inline constexpr int Space = 0x20;
inline constexpr int Left = 0x25;
inline constexpr int Up = 0x26;
inline constexpr int Right = 0x27;
inline constexpr int Down = 0x28;
inline constexpr int F1 = 0x70;
inline constexpr int F12 = 0x7B;
inline constexpr int F15 = 0x7E;
inline constexpr int F16 = 0x7F;
inline constexpr int F17 = 0x80;
inline constexpr int F18 = 0x81;
inline constexpr int F19 = 0x82;
} // namespace vk

// Input order: Volume, Left, Right, Down, Up, Select, Horizontal, Vertical, jack in, jack out.
inline constexpr std::array<const char*, kInputCount> kMarkerTexts = {
    "Volume", "Left",       "Right",    "Down",    "Up",
    "Select", "Horizontal", "Vertical", "jack in", "jack out"};

using KeyCodes = std::array<int, kKeyCodeSlots>;

struct SelfTestLayout {
    KeyCodes actualKeyCode{};
    int installMode = 0;
    const char* picture = nullptr; // file name in the working directory
};

// Firmware with "778" keeps mode 0 only while no other keypad has been tested since start.
SelfTestLayout ChooseLayout(std::string_view firmwareVersion, int installModeBefore);

const char* PictureForMode(int installMode);

struct MarkerPoint {
    int x;
    int y;
};
// The marker's top-left corner in the window's client area; mode outside 0..2 counts as 1.
MarkerPoint MarkerPosition(int installMode, int input);

// The picture box the markers sit in, in the window's client area.
inline constexpr int kPictureX = 105;
inline constexpr int kPictureY = 221;
inline constexpr int kPictureWidth = 516;
inline constexpr int kPictureHeight = 500;
inline constexpr int kMarkerWidth = 75;
inline constexpr int kMarkerHeight = 30;

// The input a key-down stands for, or -1: the code must be expected for an input not yet
// seen, and no modifier may be held.
int MatchKeyDown(const KeyCodes& actualKeyCode, const std::array<bool, kInputCount>& seen,
                 int virtualKey, bool modifierHeld);

} // namespace selftest
