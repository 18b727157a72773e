#include "settings_restore.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "keypad/Exchange.h"
#include "keypad/StatusRead.h"
#include "platform/clock.h"

#include <algorithm>

namespace firmware {
namespace {

RestoreResult Failure(const char* text) {
    return {false, std::string(text) + "\n"};
}

} // namespace

UpgradeState StateToRestore(const keypad::KeypadStatus& status) {
    UpgradeState state;
    state.serialNumber = status.serialNumber;
    state.keypadType = status.tableKind;
    state.ledBrightness = status.ledBrightness;
    std::copy(status.keyCodeBlock.begin(), status.keyCodeBlock.end(), state.key_codes.begin());
    return state;
}

bool checkMulticodeInstalled() {
    return keypad::CheckMulticode() == kExchangeOk;
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
    if (keypad::Send(CmdSetSerialNumber, {serialPayload.bytes.data(),
                                          static_cast<size_t>(serialPayload.length)}) != 0) {
        return Failure(kSetSerialNumberFailedText);
    }

    const uint8_t keypadType =
        checkMulticodeInstalled() ? static_cast<uint8_t>(state.keypadType & 0xFF) : 0;
    if (keypad::Send(CmdSetKeypadType, {&keypadType, 1}) != 0) {
        return Failure(kSetKeypadTypeFailedText);
    }

    if (keypad::Send(CmdWriteCodeTable, {state.key_codes.data(), kRestoredKeyCodes}) != 0) {
        return Failure(kLoadTableFailedText);
    }

    const uint8_t brightness = static_cast<uint8_t>(state.ledBrightness & 0xFF);
    if (keypad::Send(CmdSetLedBrightness, {&brightness, 1}) != 0) {
        return Failure(kSetLedBrightnessFailedText);
    }

    if (keypad::Send(CmdWriteDefault) != 0) {
        return Failure(kWriteDefaultFailedText);
    }
    return {true, {}};
}

} // namespace firmware
