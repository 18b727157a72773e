#include "settings_restore.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "keypad/Exchange.h"
#include "keypad/KeypadCommands.h"
#include "keypad/KeypadSelection.h"
#include "keypad/ReplyText.h"
#include "keypad/StatusRead.h"
#include "platform/clock.h"

#include <algorithm>

namespace firmware {
namespace {

RestoreResult Failure(const char* text) {
    return {false, std::string(text) + "\n", {}};
}

} // namespace

std::string NotAllBackText(const UpgradeState& state) {
    const std::string serial = state.serialNumber.value_or("");
    return "The keypad's serial number" +
           (keypad::IsOwnSerialNumber(serial) ? " " + keypad::PrintableReplyText(serial) : "") +
           ", code table and LED brightness from before the upgrade are not all back on it.";
}

UpgradeState StateToRestore(const keypad::KeypadStatus& status) {
    UpgradeState state;
    state.known = true;
    state.serialNumber = status.serialNumber;
    state.keypadType = status.tableKind;
    state.ledBrightness = status.ledBrightness;
    state.firmwareVersion = status.firmwareVersion;
    std::copy(status.keyCodeBlock.begin(), status.keyCodeBlock.end(), state.key_codes.begin());
    return state;
}

UpgradeState StateForUpgrade(const UpgradeState& kept, bool keptKeypadInLoader,
                             const std::optional<keypad::KeypadStatus>& read) {
    if (!read) {
        return keptKeypadInLoader ? kept : UpgradeState{};
    }
    // With its number and the firmware it had, the keypad came back from its loader before
    // anything was erased: its settings are what it holds now, whatever was changed since.
    const bool sameKeypad =
        keptKeypadInLoader && kept.known &&
        (!keypad::IsOwnSerialNumber(read->serialNumber) ||
         (keypad::SameSerialNumber(read->serialNumber, kept.serialNumber.value_or("")) &&
          keypad::WithoutPadding(read->firmwareVersion) !=
              keypad::WithoutPadding(kept.firmwareVersion)));
    return sameKeypad ? kept : StateToRestore(*read);
}

// The keypad that came back is one that was not on the bus when the upgrade
// began. Should others have been plugged in meanwhile, it is the one that reports the serial
// number it had or none of its own (the new firmware starts without one).
device::RescanResult ReopenReturnedKeypad(const std::vector<std::string>& pathsBefore,
                                          const std::string& serialNumber, std::string* path) {
    std::vector<std::string> arrived;
    for (const std::string& candidate : device::KeypadPaths()) {
        if (std::find(pathsBefore.begin(), pathsBefore.end(), candidate) == pathsBefore.end()) {
            arrived.push_back(candidate);
        }
    }
    if (arrived.size() == 1) {
        if (path != nullptr) {
            *path = arrived.front();
        }
        return device::RescanForKeypadAt(arrived.front());
    }
    std::optional<std::string> chosen;
    for (const std::string& candidate : arrived) {
        if (!device::RescanForKeypadAt(candidate).found) {
            continue;
        }
        const auto status = keypad::ReadDecodedStatus();
        if (!status) {
            continue;
        }
        const std::string& reported = status->serialNumber;
        if (keypad::SameSerialNumber(reported, serialNumber) ||
            !keypad::IsOwnSerialNumber(reported)) {
            if (chosen) {
                // Two candidates: which one was upgraded cannot be told.
                hid_exit_safely(hid_handle.exchange(nullptr));
                return {};
            }
            chosen = candidate;
        }
    }
    hid_exit_safely(hid_handle.exchange(nullptr));
    if (!chosen) {
        return {};
    }
    if (path != nullptr) {
        *path = *chosen;
    }
    return device::RescanForKeypadAt(*chosen);
}

bool checkMulticodeInstalled() {
    return keypad::CheckMulticode() == kExchangeOk;
}

RestoreResult RestoreSettings(const UpgradeState& state,
                              const std::function<device::RescanResult()>& reopen) {
    const auto look = [&reopen]() { return reopen ? reopen() : device::RescanForKeypad(); };
    // The new application takes as long as it takes to come up and enumerate: look for it
    // rather than once at a fixed time.
    SleepMs(kRestoreWaitMs);
    device::RescanResult scan = look();
    for (uint32_t waited = kRestoreWaitMs; !scan.found && waited < kRestoreGiveUpMs;
         waited += kRestorePollMs) {
        SleepMs(kRestorePollMs);
        scan = look();
    }
    if (!scan.found) {
        return {false, device::NotConnectedMessage(scan), {}};
    }
    if (!state.known) {
        // The new firmware keeps what it starts with; nothing unknown goes over it.
        return {true, {}, kSettingsUnknownText};
    }

    std::optional<std::string_view> serial;
    if (state.serialNumber) {
        serial = *state.serialNumber;
    }
    if (keypad::SetSerialNumber(serial) != 0) {
        return Failure(kSetSerialNumberFailedText);
    }

    const uint8_t keypadType =
        checkMulticodeInstalled() ? static_cast<uint8_t>(state.keypadType & 0xFF) : 0;
    if (keypad::Send(CmdSetKeypadType, {&keypadType, 1}) != 0) {
        return Failure(keypad::kSetKeypadTypeFailedText);
    }

    if (keypad::Send(CmdWriteCodeTable, {state.key_codes.data(), kRestoredKeyCodes}) != 0) {
        return Failure(keypad::kLoadTableFailedText);
    }

    const uint8_t brightness = static_cast<uint8_t>(state.ledBrightness & 0xFF);
    if (keypad::Send(CmdSetLedBrightness, {&brightness, 1}) != 0) {
        return Failure(keypad::kWriteBackLedBrightnessFailedText);
    }

    if (keypad::Send(CmdWriteDefault) != 0) {
        return Failure(keypad::kWriteDefaultFailedText);
    }
    return {true, {}, {}};
}

} // namespace firmware
