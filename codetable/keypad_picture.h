#pragma once

// Where the ten keys sit on the keypad picture "echovelte.jpg". The picture generator draws the
// keys here and the editor stands its key buttons on them, so the two always agree.

#include "codetable/keycodes.h"

#include <array>

namespace codetable {

inline constexpr char kKeypadPictureFile[] = "echovelte.jpg";
// The copy built into the program, used when the working directory has none.
inline constexpr char kKeypadPictureResource[] = ":/codetable/echovelte.jpg";

inline constexpr int kPictureWidth = 560;
inline constexpr int kPictureHeight = 650;

struct PicturePoint {
    int x;
    int y;
};

// Centre of each key on the picture, in table order (Volume .. Jack OUT).
inline constexpr std::array<PicturePoint, kKeyCount> kKeyCentres = {{
    {280, 200}, // Volume
    {120, 390}, // Left
    {440, 390}, // Right
    {280, 480}, // Down
    {280, 300}, // Up
    {280, 390}, // Enter
    {150, 580}, // Horizontal
    {410, 580}, // Vertical
    {130, 95},  // Jack IN
    {430, 95},  // Jack OUT
}};

// A key cap on the picture; its key button covers the upper part, its modifier button the lower.
inline constexpr int kKeyCapWidth = 150;
inline constexpr int kKeyCapHeight = 80;
inline constexpr int kKeyButtonWidth = 134;
inline constexpr int kKeyButtonHeight = 30;
inline constexpr int kKeyButtonTop = -31; // from the key's centre
inline constexpr int kModifierButtonWidth = 76;
inline constexpr int kModifierButtonHeight = 22;
inline constexpr int kModifierButtonTop = 7;

// The headphone socket between the two jack keys.
inline constexpr PicturePoint kJackSocketCentre = {280, 95};
inline constexpr int kJackSocketRadius = 30;

} // namespace codetable
