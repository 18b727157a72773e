#pragma once

// The keypad's command catalogue and the builders of the payloads that are more than one byte.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

inline constexpr uint8_t CmdGetStatus = 0x01;
inline constexpr uint8_t CmdSetLedBrightness = 0x02;
inline constexpr uint8_t CmdCheckMulticode = 0x03;
inline constexpr uint8_t CmdWriteCodeTable = 0x05;
inline constexpr uint8_t CmdSetKeypadType = 0x07;
inline constexpr uint8_t CmdWriteDefault = 0x09;
inline constexpr uint8_t CmdResetToDefault = 0x0A;
inline constexpr uint8_t CmdEnterBsl = 0x0C;
inline constexpr uint8_t CmdSetSerialNumber = 0x0E;
inline constexpr uint8_t CmdReadMulticodeTable = 0x0F;
inline constexpr uint8_t CmdGetBleParams = 0x10;
inline constexpr uint8_t CmdWriteMulticodeTable = 0x11;
inline constexpr uint8_t CmdSetBleName = 0x12;
inline constexpr uint8_t CmdSetBlePowerLevel = 0x13;
inline constexpr uint8_t CmdSetBleOnOff = 0x14;
inline constexpr uint8_t CmdGetProductType = 0x17;

// The data of CmdCheckMulticode.
inline constexpr std::array<uint8_t, 2> kCheckMulticodeData = {0x01, 0x00};

inline constexpr int kSerialNumberPayloadSize = 12;
inline constexpr char kNullSerialNumber[] = "00000000";
inline constexpr int kManufacturerDataDigits = 6;
// A BLE name longer than this cannot travel with its manufacturer data in one request.
inline constexpr int kMaxBleNamePayloadName = 47;
inline constexpr int kBlePowerLevelCount = 12;

namespace device {

// Request data built in the 64-byte buffer every sender uses.
struct Payload {
    std::array<uint8_t, 64> bytes{};
    int32_t length = 0;
};

// CmdSetBleName: name, NUL, six hex digits of the three manufacturer bytes, NUL. The first
// two digits (byte 0) are uppercase, the other four lowercase. Nothing when the name is too
// long for one request or holds a NUL.
std::optional<Payload> BuildBleNamePayload(std::string_view name, uint8_t manufacturer0,
                                           uint8_t manufacturer1, uint8_t manufacturer2);

// CmdSetBlePowerLevel: picker row + 1 as decimal text and a NUL. Nothing for a row outside
// 0..11.
std::optional<Payload> BuildBlePowerLevelPayload(int pickerRow);

// CmdSetSerialNumber: exactly 12 bytes, the text and a NUL, zero filled; a text of 12
// characters or more is cut to 12 bytes without a NUL; "00000000" when none has been read.
Payload BuildSerialNumberPayload(std::optional<std::string_view> serialNumber);

} // namespace device
