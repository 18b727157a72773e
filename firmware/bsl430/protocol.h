#pragma once

// The MSP430 USB boot loader's report layout, commands, message codes and this layer's results.

#include <cstdint>

namespace bsl430 {

inline constexpr uint16_t kBootLoaderVid = 0x2047;
inline constexpr uint16_t kBootLoaderPid = 0x0200;

// Reports are 64 bytes both ways: [0x3F][N][command or response][...], N counting the bytes
// from the command on. Padding after N is ignored by the loader.
inline constexpr int kReportSize = 64;
inline constexpr uint8_t kReportId = 0x3F;
inline constexpr uint8_t kPaddingByte = 0xAC;
inline constexpr int kReportIdOffset = 0;
inline constexpr int kLengthOffset = 1;
inline constexpr int kCommandOffset = 2;
inline constexpr int kPayloadOffset = 3;
inline constexpr int kMaxCoreBytes = kReportSize - kCommandOffset; // 62
inline constexpr int kMaxPayload = kMaxCoreBytes - 1;              // 61
inline constexpr int kAddressBytes = 3;
// RX data block: command, three address bytes and at most 58 data bytes.
inline constexpr int kMaxRxDataPerReport = kMaxPayload - kAddressBytes;
// TX data block answers: response code and at most 61 data bytes per report.
inline constexpr int kMaxTxDataPerReport = kMaxPayload;
inline constexpr int kPasswordSize = 32;
inline constexpr uint32_t kPasswordAddress = 0xFFE0;
inline constexpr int kVersionBytes = 4;

inline constexpr uint8_t kCmdRxDataBlock = 0x10;
inline constexpr uint8_t kCmdRxPassword = 0x11;
inline constexpr uint8_t kCmdEraseSegment = 0x12;
inline constexpr uint8_t kCmdToggleInfoLock = 0x13;
inline constexpr uint8_t kCmdMassErase = 0x15;
inline constexpr uint8_t kCmdCrcCheck = 0x16;
inline constexpr uint8_t kCmdLoadPc = 0x17;
inline constexpr uint8_t kCmdTxDataBlock = 0x18;
inline constexpr uint8_t kCmdTxBslVersion = 0x19;
inline constexpr uint8_t kCmdRxDataBlockFast = 0x1B;

inline constexpr uint8_t kDataResponse = 0x3A;
inline constexpr uint8_t kMessageResponse = 0x3B;

// Message codes of a 0x3B response.
inline constexpr uint8_t kMessageOk = 0x00;
inline constexpr uint8_t kMessageWriteCheckFailed = 0x01;
inline constexpr uint8_t kMessageFlashFailBit = 0x02;
inline constexpr uint8_t kMessageVoltageChange = 0x03;
inline constexpr uint8_t kMessageLocked = 0x04;
inline constexpr uint8_t kMessagePasswordError = 0x05;
inline constexpr uint8_t kMessageByteWriteForbidden = 0x06;
inline constexpr uint8_t kMessageUnknownCommand = 0x07;
inline constexpr uint8_t kMessageLengthExceedsBuffer = 0x08;

// Results of the BSL_* operations: 0 success, a positive message code when the loader
// refused, a negative value when the host side failed.
inline constexpr int kBslOk = 0;
inline constexpr int kBslNotConnected = -1; // no open device, or it left the bus
inline constexpr int kBslCannotOpenFile = -2;
inline constexpr int kBslBadArgument = -3;
inline constexpr int kBslMalformedText = -4;
inline constexpr int kBslTimeout = -6;
inline constexpr int kBslBadReply = -13;
// BSL_initialize_BSL's one failure value.
inline constexpr int kBslInitializeFailed = 1;

// The only family and communication codes this layer serves: the F5xx/F6xx USB loader.
inline constexpr uint32_t kFamilyF5xxUsb = 3;
inline constexpr uint32_t kComUsbHid = 2;

// How long a reply may take: a mass erase or a segment erase runs for some tens of ms.
inline constexpr int kReplyTimeoutMs = 2000;
// A RAM loader started by Load PC drops the link within a few frames.
inline constexpr int kLoadPcDropWaitMs = 1000;

} // namespace bsl430
