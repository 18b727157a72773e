#pragma once

// One open MSP430 USB boot loader: sends command reports and reads the loader's answers over
// hidapi. While open it holds hidapi in use, so a keypad rescan cannot shut the library down.

#include "firmware/bsl430/protocol.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

struct hid_device_;
typedef struct hid_device_ hid_device;

namespace bsl430 {

class UsbBslLink {
public:
    struct Reply {
        uint8_t code = 0; // kDataResponse or kMessageResponse
        std::array<uint8_t, kMaxPayload> data{};
        int length = 0; // data bytes after the code
    };

    UsbBslLink() = default;
    ~UsbBslLink();
    UsbBslLink(const UsbBslLink&) = delete;
    UsbBslLink& operator=(const UsbBslLink&) = delete;

    // Opens the deviceIndex-th loader with these ids in enumeration order.
    bool Open(uint16_t vid, uint16_t pid, int deviceIndex);
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }

    // Writes one command report. kBslOk, kBslBadArgument or kBslNotConnected.
    int Send(uint8_t command, std::span<const uint8_t> payload);
    // Reads the next answer. kBslOk, kBslNotConnected, kBslTimeout or kBslBadReply.
    int Receive(Reply& reply, int timeoutMs = kReplyTimeoutMs);
    // Drops answers nobody waited for (a late reply to an earlier command).
    void DiscardPending();
    // Send, then the one answer it gets.
    int Exchange(uint8_t command, std::span<const uint8_t> payload, Reply& reply);
    // For a command answered by a 0x3B message: the message code, or a negative result.
    int ExchangeForMessage(uint8_t command, std::span<const uint8_t> payload);

    // After a command that makes the loader leave the bus: kBslOk once the link has dropped,
    // the message code when the loader answers with a 0x3B message instead, kBslTimeout when it
    // is still there and silent after timeoutMs.
    int AwaitLeaving(int timeoutMs);

    // hidapi's text for the last failure.
    const std::string& lastError() const { return lastError_; }

    // The address bytes AL AM AH of a command.
    static std::array<uint8_t, kAddressBytes> AddressBytes(uint32_t address);

private:
    hid_device* handle_ = nullptr;
    std::string lastError_;
};

} // namespace bsl430
