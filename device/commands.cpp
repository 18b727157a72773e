#include "commands.h"

#include "device/frame.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace device {
namespace {

char LowerHexDigit(uint8_t nibble) {
    static constexpr char kDigits[] = "0123456789abcdef";
    return kDigits[nibble & 0x0F];
}

} // namespace

std::optional<Payload> BuildBleNamePayload(std::string_view name, uint8_t manufacturer0,
                                           uint8_t manufacturer1, uint8_t manufacturer2) {
    if (name.size() > static_cast<size_t>(kMaxBleNamePayloadName) ||
        name.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    Payload payload;
    auto* out = payload.bytes.data();
    std::memcpy(out, name.data(), name.size());
    size_t at = name.size();
    out[at++] = 0;
    out[at++] = Bcd_To_Asc(manufacturer0 >> 4);
    out[at++] = Bcd_To_Asc(manufacturer0);
    out[at++] = static_cast<uint8_t>(LowerHexDigit(manufacturer1 >> 4));
    out[at++] = static_cast<uint8_t>(LowerHexDigit(manufacturer1));
    out[at++] = static_cast<uint8_t>(LowerHexDigit(manufacturer2 >> 4));
    out[at++] = static_cast<uint8_t>(LowerHexDigit(manufacturer2));
    out[at++] = 0;
    payload.length = static_cast<int32_t>(at);
    return payload;
}

std::optional<Payload> BuildBlePowerLevelPayload(int pickerRow) {
    if (pickerRow < 0 || pickerRow >= kBlePowerLevelCount) {
        return std::nullopt;
    }
    const std::string text = std::to_string(pickerRow + 1);
    Payload payload;
    std::memcpy(payload.bytes.data(), text.data(), text.size());
    payload.bytes[text.size()] = 0;
    payload.length = static_cast<int32_t>(text.size() + 1);
    return payload;
}

Payload BuildSerialNumberPayload(std::optional<std::string_view> serialNumber) {
    const std::string_view text = serialNumber.value_or(kNullSerialNumber);
    Payload payload;
    const size_t copied = std::min(text.size(), static_cast<size_t>(kSerialNumberPayloadSize));
    std::memcpy(payload.bytes.data(), text.data(), copied);
    payload.length = kSerialNumberPayloadSize;
    return payload;
}

} // namespace device
