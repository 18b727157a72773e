#include "KeypadReading.h"

#include "cli/Command.h"
#include "device/commands.h"
#include "device/frame.h"

#include <span>

namespace cli {

std::optional<app::KeypadStatus> ReadStatus(std::array<uint8_t, app::kExtraCodeBlockSize>& multi) {
    Reply reply;
    if (Send(CmdGetStatus, nullptr, 0, &reply) != kExchangeOk) {
        return std::nullopt;
    }
    auto status = app::DecodeStatusBlock(std::span<const uint8_t>(reply.data, reply.length));
    if (!status || status->tableKind != app::kCustomiseMulticodeKind) {
        return status;
    }
    Reply multicode;
    if (Send(CmdReadMulticodeTable, nullptr, 0, &multicode) != kExchangeOk) {
        return std::nullopt;
    }
    const auto block =
        app::DecodeExtraCodeBlock(std::span<const uint8_t>(multicode.data, multicode.length));
    if (!block) {
        return std::nullopt;
    }
    multi = *block;
    return status;
}

std::optional<app::BleParams> ReadBle() {
    Reply reply;
    if (Send(CmdGetBleParams, nullptr, 0, &reply) != kExchangeOk) {
        return std::nullopt;
    }
    return app::DecodeBleParams(std::span<const uint8_t>(reply.data, reply.length));
}

KeypadReading ReadKeypad() {
    KeypadReading reading;
    Reply product;
    if (Send(CmdGetProductType, nullptr, 0, &product) == kExchangeOk && product.length >= 1) {
        reading.productType = product.data[0];
    }
    reading.status = ReadStatus(reading.multipleCodeTable);
    if (reading.status) {
        reading.ble = ReadBle();
    }
    return reading;
}

app::StatusLines KeypadReading::Lines() const {
    if (!status) {
        return {app::NotConnectedStatusLine(), "", ""};
    }
    return app::ConnectedStatusLines({status->firmwareVersion,
                                      app::TableKindName(status->tableKind),
                                      app::ProductName(productType), status->serialNumber,
                                      status->jackStatus, status->hvStatus});
}

} // namespace cli
