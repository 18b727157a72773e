#include "SelfTestKeypad.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "device/link_lock.h"

#include <algorithm>

namespace selftest {
namespace {

constexpr int kSingleCodeTableSize = 20;
constexpr int kMulticodeTableSize = 24;
constexpr int kOtherTableSize = 32;
constexpr int kLastSingleCodeTable = 2;
constexpr int kLastMulticodeTable = 5;

int32_t Send(uint8_t command, const uint8_t* data, int32_t length, uint8_t* reply,
             uint32_t* replyLength) {
    device::LinkLock lock = device::LockLink();
    return USBEncoderSendAndReceive_a(hid_handle.load(), command, data, length, reply, kReportSize,
                                      replyLength, kCommandTimeoutMs);
}

int32_t SendByte(uint8_t command, int value) {
    uint8_t data[kReportSize] = {static_cast<uint8_t>(value)};
    uint8_t reply[kReportSize] = {};
    uint32_t replyLength = 0;
    return Send(command, data, 1, reply, &replyLength);
}

} // namespace

int32_t SetLedBrightness(int level) {
    return SendByte(CmdSetLedBrightness, level);
}

int32_t SetKeyboardTable(int table) {
    return SendByte(CmdSetKeypadType, table);
}

int StatusKeyTableSize(int keypadType) {
    if (keypadType >= 0 && keypadType <= kLastSingleCodeTable) {
        return kSingleCodeTableSize;
    }
    if (keypadType > kLastSingleCodeTable && keypadType <= kLastMulticodeTable) {
        return kMulticodeTableSize;
    }
    return kOtherTableSize;
}

std::optional<SelfTestStatus> ParseSelfTestStatus(const std::vector<uint8_t>& reply) {
    if (reply.size() < static_cast<size_t>(kStatusKeyTableOffset)) {
        return std::nullopt;
    }
    SelfTestStatus status;
    status.ledBrightness_index = reply[kStatusBrightnessOffset];
    status.keypadType_index = reply[kStatusTableKindOffset];
    const size_t versionOffset =
        static_cast<size_t>(kStatusKeyTableOffset + StatusKeyTableSize(status.keypadType_index));
    if (reply.size() < versionOffset) {
        return std::nullopt;
    }
    for (size_t i = versionOffset;
         i < reply.size() && i < versionOffset + kFirmwareVersionLength && reply[i] != 0; ++i) {
        status.firmwareVersion.push_back(static_cast<char>(reply[i]));
    }
    return status;
}

std::optional<SelfTestStatus> GetDeviceStatusMessage() {
    uint8_t reply[kReportSize] = {};
    uint32_t replyLength = 0;
    if (Send(CmdGetStatus, nullptr, 0, reply, &replyLength) != kExchangeOk) {
        return std::nullopt;
    }
    const uint32_t length = std::min<uint32_t>(replyLength, kReportSize);
    return ParseSelfTestStatus(std::vector<uint8_t>(reply, reply + length));
}

} // namespace selftest
