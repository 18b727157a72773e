#include "keypad_upgrade.h"

#include "device/discovery.h"
#include "keypad/KeypadCommands.h"

namespace firmware {

KeypadUpgradeResult UpgradeKeypad(const KeypadUpgrade& upgrade,
                                  const UpgradeSequence::ProgressReport& progress) {
    KeypadUpgradeResult result;
    if (upgrade.enterBsl) {
        // The keypad may leave the bus before its reply is through; the boot loader's arrival
        // is what counts.
        keypad::EnterBsl();
        if (hid_handle.load() != nullptr) {
            hid_exit_safely(hid_handle.exchange(nullptr));
        }
    }
    if (!WaitForBootLoader(upgrade.ids, kKeypadToLoaderWaitMs, kBootLoaderPollMs)) {
        result.stage = KeypadUpgradeResult::Stage::NoBootLoader;
        return result;
    }
    UpgradeSequence sequence(upgrade.files, progress);
    if (!sequence.Run(upgrade.image)) {
        result.stage = KeypadUpgradeResult::Stage::Download;
        return result;
    }
    // With other keypads on the bus the rescan's first keypad may not be this one.
    result.restore = RestoreSettings(upgrade.state, [&upgrade, &result]() {
        return ReopenReturnedKeypad(upgrade.othersBefore, upgrade.serialNumber, &result.path);
    });
    if (!result.restore.restored) {
        result.stage = KeypadUpgradeResult::Stage::Restore;
    }
    return result;
}

} // namespace firmware
