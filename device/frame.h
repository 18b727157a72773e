#pragma once

// The framed request/reply exchange with the keypad and its ASCII-hex helpers.
//
// Request report: 3F 40 STX <cmd hex2> <n hex2> <n data bytes> ETX <xor>, zero padded to 64.
// Reply report:   id count STX <cmd hex2> <L hex2> <status> <L-1 data bytes> ETX <xor>.

#include <cstddef>
#include <cstdint>

struct hid_device_;
typedef struct hid_device_ hid_device;

inline constexpr int kReportSize = 64;
inline constexpr uint8_t kReportId = 0x3F;
inline constexpr uint8_t kRequestByteCount = 0x40;
inline constexpr uint8_t kStx = 0x02;
inline constexpr uint8_t kEtx = 0x03;
// A reply report starting with this says the keypad is still working on the request.
inline constexpr uint8_t kBusyMarker = 0x06;
// A reply report starting with this means the keypad gave up on the request.
inline constexpr uint8_t kAbortMarker = 0x0F;
inline constexpr uint8_t kStatusOk = 0x00;

// Request layout (offsets into the 64-byte report).
inline constexpr int kRequestReportIdOffset = 0;
inline constexpr int kRequestByteCountOffset = 1;
inline constexpr int kRequestStxOffset = 2;
inline constexpr int kRequestCommandOffset = 3;
inline constexpr int kRequestLengthOffset = 5;
inline constexpr int kRequestDataOffset = 7;
inline constexpr int kFrameOverhead = 9;
inline constexpr int kMaxRequestData = kReportSize - kFrameOverhead; // 55

// Reply layout: offsets into the report, and into the frame that starts at its STX.
inline constexpr int kReplyByteCountOffset = 1;
inline constexpr int kReplyFrameOffset = 2;
inline constexpr int kFrameStxOffset = 0;
inline constexpr int kFrameCommandOffset = 1;
inline constexpr int kFrameLengthOffset = 3;
inline constexpr int kFrameStatusOffset = 5;
inline constexpr int kFrameDataOffset = 6;
inline constexpr int kMaxReplyFrameLength = 55; // status byte + 54 data bytes
inline constexpr int kMaxReplyData = kMaxReplyFrameLength - 1;

// Exchange results.
inline constexpr int32_t kExchangeOk = 0;
inline constexpr int32_t kExchangeIoError = -1;
inline constexpr int32_t kExchangeTimeout = -6;
inline constexpr int32_t kExchangeBadByteCount = -8;
inline constexpr int32_t kExchangeRefused = -13;
// The request went out, then the keypad left the bus before its reply was read: it may have
// acted on it (a keypad that reboots after a factory reset goes as soon as its reply is sent,
// and a host that reads late, or hidapi's poll seeing the hang-up first, never gets the reply).
inline constexpr int32_t kExchangeGoneAfterRequest = -3;
inline constexpr int kParseOk = 0;
inline constexpr int kParseFailed = -2;

// Time-out used by every command, and the length of one empty poll.
inline constexpr int32_t kCommandTimeoutMs = 5000;
inline constexpr int kPollIntervalMs = 10;

// Sends command with dataLength bytes of data and waits for the reply. On success copies the
// reply data into reply (at most replyCapacity bytes), stores its length and returns 0;
// otherwise returns one of the negative results above and leaves replyLength alone.
// timeoutMs 0 waits without limit. Serialised with every other exchange and with rescans.
int32_t USBEncoderSendAndReceive_a(hid_device* device, uint8_t command, const uint8_t* data,
                                   int32_t dataLength, uint8_t* reply, int32_t replyCapacity,
                                   uint32_t* replyLength, int32_t timeoutMs);

// Parses the reply frame that starts at frame (R + 2 of a 64-byte report) into reply, which
// holds a full report's worth of data (64 bytes). Returns 0 or -2.
int ParseEncoderResponse(const uint8_t* frame, uint8_t* reply, uint32_t* replyLength);

// Uppercase hex digit of the low nibble of b.
uint8_t Bcd_To_Asc(uint8_t b);
// Value of a hex digit in either case; anything else counts as 0.
uint8_t Asc_To_Nibble(uint8_t c);
// Packs digitCount hex digits into ceil(digitCount / 2) bytes, first digit of a pair high; an
// odd last digit goes into the low nibble of the last byte.
void Asc_To_Bcd_N_Digits(const char* text, int digitCount, uint8_t* out);

namespace device {

// How an exchange waits for its reply when nothing has arrived yet.
enum class PollMode {
    // Wait inside hid_read_timeout for up to one poll interval: the reply is taken the moment
    // it arrives.
    WaitInRead,
    // Poll without waiting, then sleep one poll interval (the classic form; kept for the
    // exchange benchmark).
    PollThenSleep,
};

// Capacity-aware parse: fails when the data would not fit into replyCapacity bytes.
int ParseReplyFrame(const uint8_t* frame, uint8_t* reply, int32_t replyCapacity,
                    uint32_t* replyLength);

// Builds the 64-byte request report; returns false when dataLength is out of range.
bool BuildRequestReport(uint8_t command, const uint8_t* data, int32_t dataLength,
                        uint8_t (&report)[kReportSize]);

int32_t Exchange(hid_device* device, uint8_t command, const uint8_t* data, int32_t dataLength,
                 uint8_t* reply, int32_t replyCapacity, uint32_t* replyLength, int32_t timeoutMs,
                 PollMode mode);

} // namespace device
