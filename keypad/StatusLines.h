#pragma once

// The names the main window shows for product types, and its three status lines.

#include "keypad/TableKind.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace keypad {

inline constexpr size_t kProductNameCount = 12;
// Row 0 (type unknown or not read) is ten spaces.
inline constexpr std::array<std::string_view, kProductNameCount> productArray = {
    "          ", "Echovane(169)", "EchovaneQT", "VectaPad", "Voxlink",       "KRM",
    "Gridpad",    "Vectabar",      "VectabarLT", "Voxsuite", "Echovane(168)", "Tenor Encoder"};

// The product's name; a type without a name reads "Unknown Product (n)".
std::string ProductName(int productType);
// The LED picker's row text for a brightness index ("LED Brightness - 5").
std::string LedBrightnessText(int ledBrightness);

inline constexpr char kDeviceName[] = "Echovane";
inline constexpr char kNoneValue[] = "None";

// The fixed fragments of the status lines, spaces counted out.
inline constexpr char kDeviceConnectedLabel[] = "Device Connected         ";
inline constexpr char kFirmwareVersionLabel[] =
    "                                  Firmware Version        -   ";
inline constexpr char kCodeTableLoadedLabel[] = "Code Table Loaded      ";
inline constexpr char kProductVersionLabel[] =
    "                                  Product Version    -  ";
inline constexpr char kSerialNumberLabel[] = "Serial Number               ";
inline constexpr char kJackStatusLabel[] = "     Jack Status :";
inline constexpr char kHvStatusLabel[] = "        HV Status : ";
inline constexpr char kNotConnectedLabel[] = "Device Connected   -    ";
inline constexpr char kNotConnectedFirmwareLabel[] =
    "                                Firmware Version        -   ";

struct StatusLineValues {
    std::string firmwareVersion;
    std::string tableKindText; // the picker's text of the active kind
    std::string productName;
    std::string serialNumber;
    std::string jackStatus;
    std::string hvStatus;
};

using StatusLines = std::array<std::string, 3>;

// The three lines after a successful status read. Control characters the keypad may have put
// into its texts are shown as '?' so they cannot break the lines apart.
StatusLines ConnectedStatusLines(const StatusLineValues& values);
// Line 1 while no keypad answers; lines 2 and 3 keep what they held.
std::string NotConnectedStatusLine();

} // namespace keypad
