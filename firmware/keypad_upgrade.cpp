#include "keypad_upgrade.h"

#include "device/discovery.h"
#include "keypad/KeypadCommands.h"

namespace firmware {

KeypadUpgradeResult UpgradeKeypad(const KeypadUpgrade& upgrade,
                                  const UpgradeSequence::ProgressReport& progress) {
    KeypadUpgradeResult result;
    UpgradeSequence sequence(upgrade.files, progress);
    // An image that failed its check never costs the keypad its application.
    if (!upgrade.checkedImage.ok) {
        sequence.Run(upgrade.image, upgrade.checkedImage);
        result.stage = KeypadUpgradeResult::Stage::Download;
        return result;
    }
    std::vector<std::string> others = device::KeypadPaths();
    std::erase(others, upgrade.path);
    if (upgrade.enterBsl) {
        // The keypad may leave the bus before its reply is through; the boot loader's arrival
        // is what counts.
        keypad::EnterBsl();
        CloseOpenKeypad();
    }
    if (!WaitForBootLoader(upgrade.ids, kKeypadToLoaderWaitMs, kBootLoaderPollMs)) {
        result.stage = KeypadUpgradeResult::Stage::NoBootLoader;
        return result;
    }
    if (!sequence.Run(upgrade.image, upgrade.checkedImage)) {
        result.stage = KeypadUpgradeResult::Stage::Download;
        return result;
    }
    // With other keypads on the bus the rescan's first keypad may not be this one.
    result.restore = RestoreSettings(upgrade.state, [&upgrade, &others, &result]() {
        return ReopenReturnedKeypad(others, upgrade.state.serialNumber.value_or(""), &result.path);
    });
    if (!result.restore.restored) {
        result.stage = KeypadUpgradeResult::Stage::Restore;
    }
    return result;
}

} // namespace firmware
