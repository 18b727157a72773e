#pragma once

// The BLE module's parameters as the Bluetooth window shows them: the items of its drop-downs,
// the unpacking of the keypad's values into selections, and the payloads Apply sends.
//
// The manufacturer data is six hex digits packing three bytes:
//   m0 = timeout index (high nibble) | RSSI disconnect margin index (low nibble)
//   m1 = RSSI level range in dBm (50..110)
//   m2 = trackpad flag (bit 7) | product type index (bits 0..6, 0..13)

#include "device/commands.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ble {

inline constexpr int kNameMaxLength = 10;
inline constexpr int kNoSelection = -1;

inline constexpr int kRssiMinDbm = 50;
inline constexpr int kRssiMaxDbm = 110;
inline constexpr int kProductTypeCount = 14;
inline constexpr int kPowerLevelCount = 12;
inline constexpr int kMarginCount = 16;
inline constexpr int kMarginMinDbm = 5;
inline constexpr int kTimeoutCount = 16;
inline constexpr int kTimeoutStepSeconds = 15;

// Byte positions and bit fields of the packed manufacturer data.
inline constexpr int kManufacturerByteCount = 3;
inline constexpr int kTimingByte = 0;
inline constexpr int kRssiByte = 1;
inline constexpr int kProductByte = 2;
inline constexpr int kTimeoutShift = 4;
inline constexpr uint8_t kNibbleMask = 0x0F;
inline constexpr uint8_t kTrackpadBit = 0x80;
inline constexpr int kTrackpadShift = 7;
inline constexpr uint8_t kProductTypeMask = 0x7F;

// Label texts; they also name a drop-down in the message asking for a choice.
inline constexpr char kEnableLabel[] = "Enable Bluetooth";
inline constexpr char kNameLabel[] = "Bluetooth Device Name";
inline constexpr char kProductTypeLabel[] = "Product Type";
inline constexpr char kTrackpadLabel[] = "Trackpad";
inline constexpr char kRssiLabel[] = "RSSI level range (dbm)";
inline constexpr char kPowerLevelLabel[] = "Power Level";
inline constexpr char kMarginLabel[] = "RSSI Disconnect Margin (dbm)";
inline constexpr char kTimeoutLabel[] = "Timeout for disconnection ( Sec)";

inline constexpr char kDefaultName[] = "VEXOR";

// Message texts (each box adds a line break).
inline constexpr char kReadFailedText[] = "Bluetooth Parameter-Unable to get device status..";
inline constexpr char kNameFailedText[] = "Unable to load ble name..";
inline constexpr char kPowerLevelFailedText[] = "Unable to load ble power level..";
inline constexpr char kOnOffFailedText[] = "Unable to load ble_on_off..";
// A keypad without a name cannot be picked from a phone's list of devices.
inline constexpr char kNameEmptyText[] = "Please enter a Bluetooth Device Name..";
inline constexpr char kNameTooLongText[] =
    "The Bluetooth Device Name holds at most 10 characters..";
inline constexpr char kNameCharactersText[] =
    "The Bluetooth Device Name may only hold letters, digits, spaces and the signs of plain "
    "ASCII..";
inline constexpr char kNameUnsendableText[] =
    "The Bluetooth Device Name read from the keypad is too long to send back; please enter a "
    "new one..";
// Followed by the label of the drop-down and "..".
inline constexpr char kSelectValuePrefix[] = "Please select a value for ";
// Shown in an empty drop-down after the value the keypad reported.
inline constexpr char kNotInListSuffix[] = " (not in the list)";
inline constexpr char kUnreadableText[] = "(unreadable)";

const std::vector<std::string>& NoYesItems();
const std::vector<std::string>& ProductTypeItems();
const std::vector<std::string>& RssiItems();
const std::vector<std::string>& PowerLevelItems();
const std::vector<std::string>& MarginItems();
const std::vector<std::string>& TimeoutItems();

// What the main window hands over, as it read them with CmdGetBleParams.
struct BleHandOver {
    std::string bleName;
    std::string bleManufacturerData; // six hex digits
    std::string blePowerLevel;       // decimal text, 1..12
    int bleEnable = 0;
};

// One drop-down: the row to select, or kNoSelection with the text to show in its place when
// the keypad reported a value the list does not hold.
struct BlePick {
    int index = kNoSelection;
    std::string unlisted;
    // Without a row: the number the keypad reported, when it reported one.
    std::optional<int> reported = std::nullopt;
};

// The window's controls as indexes into their item lists.
struct BleSelection {
    std::string name; // bleTextBox, 8-bit characters
    // The name is the one the keypad reported, not edited: Apply sends it back byte for byte
    // even where it breaks the rule for a typed name (longer than ten, not plain ASCII).
    bool nameAsRead = false;
    BlePick productType; // comboBox1
    BlePick rssiRange;   // comboBox2 (index = dBm - 50)
    BlePick powerLevel;  // comboBox3 (index = device level - 1)
    BlePick timeout;     // comboBox4
    BlePick margin;      // comboBox5
    BlePick trackpad;    // comboBox6
    BlePick enable;      // comboBox7
};

// Bluetooth_Load's unpacking. A value outside its list, and all five packed values when the
// manufacturer data is not six hex digits, come back unselected with the value read.
BleSelection LoadSelection(const BleHandOver& values);

// The three manufacturer bytes from six hex digits of either case; nothing otherwise.
std::optional<std::array<uint8_t, kManufacturerByteCount>>
UnpackManufacturerData(const std::string& digits);

// The decimal power level text as a number; nothing when it is not one.
std::optional<int> ParsePowerLevel(const std::string& text);

// A character a typed name may hold: printable 7-bit ASCII, so it travels unchanged as 8 bits.
bool IsNameCharacter(char32_t c);
// Empty when a typed name may be sent, else the message that refuses it.
std::string TypedNameProblem(const std::string& name);

// A product type as a list shows it: each TAB widened to the next stop of eight, so the two
// "Vecta" rows read apart. The keypad only ever gets the row number.
std::string ItemDisplayText(const std::string& item);

// The requests Apply sends, or the message that stops it before anything is sent.
struct BleApplyPlan {
    std::string error;
    device::Payload name;
    device::Payload powerLevel;
    device::Payload onOff;
};
BleApplyPlan PlanApply(const BleSelection& selection);

} // namespace ble
