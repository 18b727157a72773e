#include "frame.h"

#include "device/link_lock.h"
#include "platform/clock.h"

#include <hidapi/hidapi.h>

#include <cstring>

namespace {

// Every handle open on the keypad gets its own copy of each report it sends (hidraw, Windows):
// the answers to another program's requests, or one that came after this program's request had
// timed out, wait in this handle's queue and would be taken for the next request's answer, and
// every later answer for the one before. What has come already is read away before a request;
// hidraw keeps at most 64 reports per reader.
// False when the handle is gone.
bool DiscardWaitingReports(hid_device* device) {
    constexpr int kMostWaitingReports = 64;
    uint8_t report[kReportSize];
    for (int i = 0; i < kMostWaitingReports; ++i) {
        const int got = hid_read_timeout(device, report, sizeof report, 0);
        if (got <= 0) {
            return got == 0;
        }
    }
    return true;
}

} // namespace

uint8_t Bcd_To_Asc(uint8_t b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return static_cast<uint8_t>(kDigits[b & 0x0F]);
}

uint8_t Asc_To_Nibble(uint8_t c) {
    if (c >= '0' && c <= '9') {
        return static_cast<uint8_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<uint8_t>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<uint8_t>(c - 'a' + 10);
    }
    return 0;
}

void Asc_To_Bcd_N_Digits(const char* text, int digitCount, uint8_t* out) {
    if (text == nullptr || out == nullptr || digitCount <= 0) {
        return;
    }
    for (int i = 0; i + 1 < digitCount; i += 2) {
        out[i / 2] = static_cast<uint8_t>(Asc_To_Nibble(static_cast<uint8_t>(text[i])) << 4 |
                                          Asc_To_Nibble(static_cast<uint8_t>(text[i + 1])));
    }
    if (digitCount % 2 != 0) {
        out[digitCount / 2] = Asc_To_Nibble(static_cast<uint8_t>(text[digitCount - 1]));
    }
}

int ParseEncoderResponse(const uint8_t* frame, uint8_t* reply, uint32_t* replyLength) {
    return device::ParseReplyFrame(frame, reply, kReportSize, replyLength);
}

int32_t USBEncoderSendAndReceive_a(hid_device* device, uint8_t command, const uint8_t* data,
                                   int32_t dataLength, uint8_t* reply, int32_t replyCapacity,
                                   uint32_t* replyLength, int32_t timeoutMs) {
    return device::Exchange(device, command, data, dataLength, reply, replyCapacity, replyLength,
                            timeoutMs, device::PollMode::WaitInRead);
}

namespace device {

int ParseReplyFrame(const uint8_t* frame, uint8_t* reply, int32_t replyCapacity,
                    uint32_t* replyLength) {
    if (frame == nullptr || frame[kFrameStxOffset] != kStx) {
        return kParseFailed;
    }
    const int length = Asc_To_Nibble(frame[kFrameLengthOffset]) * 16 +
                       Asc_To_Nibble(frame[kFrameLengthOffset + 1]);
    if (length < 1 || length > kMaxReplyFrameLength) {
        return kParseFailed;
    }
    if (frame[kFrameStatusOffset] != kStatusOk) {
        return kParseFailed;
    }
    const int dataLength = length - 1;
    const int etxOffset = kFrameDataOffset + dataLength;
    if (frame[etxOffset] != kEtx) {
        return kParseFailed;
    }
    uint8_t checksum = 0;
    for (int i = 0; i <= etxOffset; ++i) {
        checksum ^= frame[i];
    }
    if (checksum != frame[etxOffset + 1]) {
        return kParseFailed;
    }
    // A reply that does not fit the caller's buffer is refused rather than cut or overrun.
    if (dataLength > 0 && (reply == nullptr || dataLength > replyCapacity)) {
        return kParseFailed;
    }
    if (dataLength > 0) {
        std::memcpy(reply, frame + kFrameDataOffset, static_cast<size_t>(dataLength));
    }
    if (replyLength != nullptr) {
        *replyLength = static_cast<uint32_t>(dataLength);
    }
    return kParseOk;
}

bool BuildRequestReport(uint8_t command, const uint8_t* data, int32_t dataLength,
                        uint8_t (&report)[kReportSize]) {
    if (dataLength < 0 || dataLength > kMaxRequestData || (dataLength > 0 && data == nullptr)) {
        return false;
    }
    std::memset(report, 0, sizeof report);
    report[kRequestReportIdOffset] = kReportId;
    report[kRequestByteCountOffset] = kRequestByteCount;
    report[kRequestStxOffset] = kStx;
    report[kRequestCommandOffset] = Bcd_To_Asc(command >> 4);
    report[kRequestCommandOffset + 1] = Bcd_To_Asc(command);
    report[kRequestLengthOffset] = Bcd_To_Asc(static_cast<uint8_t>(dataLength >> 4));
    report[kRequestLengthOffset + 1] = Bcd_To_Asc(static_cast<uint8_t>(dataLength));
    if (dataLength > 0) {
        std::memcpy(report + kRequestDataOffset, data, static_cast<size_t>(dataLength));
    }
    const int etxOffset = kRequestDataOffset + dataLength;
    report[etxOffset] = kEtx;
    uint8_t checksum = 0;
    for (int i = kRequestStxOffset; i <= etxOffset; ++i) {
        checksum ^= report[i];
    }
    report[etxOffset + 1] = checksum;
    return true;
}

int32_t Exchange(hid_device* device, uint8_t command, const uint8_t* data, int32_t dataLength,
                 uint8_t* reply, int32_t replyCapacity, uint32_t* replyLength, int32_t timeoutMs,
                 PollMode mode) {
    if (device == nullptr) {
        return kExchangeIoError;
    }
    uint8_t report[kReportSize];
    if (!BuildRequestReport(command, data, dataLength, report)) {
        return kExchangeIoError;
    }

    LinkLock lock = LockLink();
    // The handle may have been closed by a rescan while this caller waited for the lock.
    if (!IsOpenHandle(device)) {
        return kExchangeIoError;
    }
    if (!DiscardWaitingReports(device) || hid_write(device, report, kReportSize) < 0) {
        return kExchangeIoError;
    }

    const bool blocking = !IsNonBlockingHandle(device);
    int32_t elapsedMs = 0;
    for (;;) {
        std::memset(report, 0, sizeof report);
        int readTimeout = 0;
        if (blocking) {
            readTimeout = -1;
        } else if (mode == PollMode::WaitInRead) {
            readTimeout = kPollIntervalMs;
        }
        const int got = hid_read_timeout(device, report, kReportSize, readTimeout);
        if (got == 0) {
            if (mode == PollMode::PollThenSleep) {
                SleepMs(kPollIntervalMs);
            }
            if (timeoutMs == 0) {
                continue;
            }
            // The time-out counts empty polls, not wall time.
            elapsedMs += kPollIntervalMs;
            if (elapsedMs < timeoutMs) {
                continue;
            }
            return kExchangeTimeout;
        }
        if (got < 0) {
            return kExchangeGoneAfterRequest;
        }
        if (report[kReplyFrameOffset] == kBusyMarker) {
            elapsedMs = 0;
            continue;
        }
        break;
    }

    if (report[kReplyFrameOffset] == kAbortMarker) {
        return kExchangeRefused;
    }
    if (report[kReplyByteCountOffset] > kRequestByteCount) {
        return kExchangeBadByteCount;
    }
    if (ParseReplyFrame(report + kReplyFrameOffset, reply, replyCapacity, replyLength) !=
        kParseOk) {
        return kExchangeRefused;
    }
    return kExchangeOk;
}

} // namespace device
