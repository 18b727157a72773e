#include "settings_restore.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "platform/clock.h"

namespace firmware {
namespace {

int32_t Send(uint8_t command, const uint8_t* data, int32_t length) {
    uint8_t reply[kReportSize] = {};
    uint32_t replyLength = 0;
    return USBEncoderSendAndReceive_a(hid_handle.load(), command, data, length, reply, kReportSize,
                                      &replyLength, kCommandTimeoutMs);
}

RestoreResult Failure(const char* text) {
    return {false, std::string(text) + "\n"};
}

} // namespace

bool checkMulticodeInstalled() {
    return Send(CmdCheckMulticode, kCheckMulticodeData.data(),
                static_cast<int32_t>(kCheckMulticodeData.size())) == kExchangeOk;
}

RestoreResult RestoreSettings(const UpgradeState& state,
                              const std::function<void(uint32_t)>& sleep) {
    const auto wait = [&sleep](uint32_t ms) { sleep ? sleep(ms) : SleepMs(ms); };
    // The new application takes as long as it takes to come up and enumerate: look for it
    // rather than once at a fixed time.
    wait(kRestoreWaitMs);
    device::RescanResult scan = device::RescanForKeypad();
    for (uint32_t waited = kRestoreWaitMs; !scan.found && waited < kRestoreGiveUpMs;
         waited += kRestorePollMs) {
        wait(kRestorePollMs);
        scan = device::RescanForKeypad();
    }
    if (!scan.found) {
        return {false, device::NotConnectedMessage(scan)};
    }

    std::optional<std::string_view> serial;
    if (state.serialNumber) {
        serial = *state.serialNumber;
    }
    const device::Payload serialPayload = device::BuildSerialNumberPayload(serial);
    if (Send(CmdSetSerialNumber, serialPayload.bytes.data(), serialPayload.length) != 0) {
        return Failure(kSetSerialNumberFailedText);
    }

    const uint8_t keypadType =
        checkMulticodeInstalled() ? static_cast<uint8_t>(state.keypadType & 0xFF) : 0;
    if (Send(CmdSetKeypadType, &keypadType, 1) != 0) {
        return Failure(kSetKeypadTypeFailedText);
    }

    if (Send(CmdWriteCodeTable, state.key_codes.data(), kRestoredKeyCodes) != 0) {
        return Failure(kLoadTableFailedText);
    }

    const uint8_t brightness = static_cast<uint8_t>(state.ledBrightness & 0xFF);
    if (Send(CmdSetLedBrightness, &brightness, 1) != 0) {
        return Failure(kSetLedBrightnessFailedText);
    }

    if (Send(CmdWriteDefault, nullptr, 0) != 0) {
        return Failure(kWriteDefaultFailedText);
    }
    return {true, {}};
}

} // namespace firmware
