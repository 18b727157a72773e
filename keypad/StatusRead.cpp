#include "StatusRead.h"

#include "device/commands.h"
#include "keypad/Exchange.h"

namespace keypad {

std::optional<std::vector<uint8_t>> ReadStatusBlock() {
    Reply reply;
    if (Send(CmdGetStatus, {}, &reply) != kExchangeOk) {
        return std::nullopt;
    }
    const std::span<const uint8_t> bytes = reply.bytes();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::optional<KeypadStatus> ReadDecodedStatus() {
    const std::optional<std::vector<uint8_t>> block = ReadStatusBlock();
    return block ? DecodeStatusBlock(*block) : std::nullopt;
}

bool StatusRead::ok() const {
    return status && (status->tableKind != CustomiseMulticodeTable || multipleCodeTable);
}

StatusRead ReadStatus() {
    StatusRead read;
    read.status = ReadDecodedStatus();
    if (!read.status || read.status->tableKind != CustomiseMulticodeTable) {
        return read;
    }
    Reply multicode;
    if (Send(CmdReadMulticodeTable, {}, &multicode) == kExchangeOk) {
        read.multipleCodeTable = DecodeExtraCodeBlock(multicode.bytes());
    }
    return read;
}

std::optional<BleParams> ReadBleParams() {
    Reply reply;
    if (Send(CmdGetBleParams, {}, &reply) != kExchangeOk) {
        return std::nullopt;
    }
    return DecodeBleParams(reply.bytes());
}

std::optional<int> ReadProductType() {
    Reply reply;
    if (Send(CmdGetProductType, {}, &reply) != kExchangeOk || reply.length < 1) {
        return std::nullopt;
    }
    return reply.data[0];
}

int32_t CheckMulticode() {
    return Send(CmdCheckMulticode, kCheckMulticodeData);
}

} // namespace keypad
