#include "KeypadCommands.h"

#include "device/commands.h"
#include "keypad/Exchange.h"

namespace keypad {
namespace {

std::string BoxText(const char* text) {
    return std::string(text) + "\n";
}

CommandResult Sent(int32_t exchange, const char* failure, const char* success = nullptr) {
    CommandResult result{exchange, {}};
    if (!result.ok()) {
        result.message = BoxText(failure);
    } else if (success != nullptr) {
        result.message = BoxText(success);
    }
    return result;
}

// The one-byte settings carry the low byte of the index, as the pickers give it.
int32_t SendByte(uint8_t command, int value) {
    const uint8_t data = static_cast<uint8_t>(value & 0xFF);
    return Send(command, {&data, 1});
}

} // namespace

CommandResult SetLedBrightness(int ledBrightness) {
    return Sent(SendByte(CmdSetLedBrightness, ledBrightness), kSetLedBrightnessFailedText);
}

CommandResult SetKeypadType(int tableKind) {
    return Sent(SendByte(CmdSetKeypadType, tableKind), kSetKeypadTypeFailedText);
}

CommandResult WriteDefault() {
    return Sent(Send(CmdWriteDefault), kWriteDefaultFailedText);
}

CommandResult ResetToDefault() {
    // The keypad reboots as soon as its reply is out: gone before the reply was read, it took
    // the request. Whether it answered or not, the next step is to scan for it again.
    int32_t exchange = Send(CmdResetToDefault);
    if (exchange == kExchangeGoneAfterRequest) {
        exchange = kExchangeOk;
    }
    return Sent(exchange, kResetToDefaultFailedText, kReconnectAfterResetText);
}

int32_t SetSerialNumber(std::optional<std::string_view> serialNumber) {
    const device::Payload payload = device::BuildSerialNumberPayload(serialNumber);
    return Send(CmdSetSerialNumber, {payload.bytes.data(), static_cast<size_t>(payload.length)});
}

int32_t EnterBsl() {
    return Send(CmdEnterBsl);
}

} // namespace keypad
