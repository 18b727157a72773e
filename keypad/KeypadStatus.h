#pragma once

// The keypad's status block (reply data of CmdGetStatus) and the multi-code block that
// follows it when the customisable multi-code table is active.

#include "keypad/TableKind.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace keypad {

inline constexpr size_t kStatusLedBrightnessOffset = 0;
inline constexpr size_t kStatusTableKindOffset = 1;
inline constexpr size_t kStatusJackOffset = 2;
inline constexpr size_t kStatusOrientationOffset = 3;
inline constexpr size_t kStatusKeyBlockOffset = 4;
inline constexpr size_t kStatusTextsOffset =
    kStatusKeyBlockOffset + static_cast<size_t>(kKeyCodeBlockSize); // 24

inline constexpr char kJackOutText[] = "Jack OUT";
inline constexpr char kJackInText[] = "Jack  IN";
inline constexpr char kHorizontalText[] = "HORIZONTAL";
inline constexpr char kVerticalText[] = "VERTICAL  ";

struct KeypadStatus {
    int ledBrightness = 0;
    int tableKind = 0;
    std::string jackStatus;
    std::string hvStatus;
    KeyCodeBlock keyCodeBlock{};
    std::string firmwareVersion;
    std::string serialNumber;
    std::string temperature;
};

// Nothing when the block is too short to hold the four state bytes and the key code block.
// Texts whose NUL is missing end with the reply data; missing texts are empty.
std::optional<KeypadStatus> DecodeStatusBlock(std::span<const uint8_t> data);

// The extra code block from the reply of CmdReadMulticodeTable; nothing when the reply holds
// fewer than its 50 bytes.
std::optional<ExtraCodeBlock> DecodeExtraCodeBlock(std::span<const uint8_t> data);

} // namespace keypad
