#include "keypad_upgrade.h"

#include "device/discovery.h"
#include "keypad/KeypadCommands.h"
#include "keypad/KeypadSelection.h"
#include "platform/CommandLineName.h"
#include "platform/Interrupt.h"

namespace firmware {
namespace {

// What is said of the keypad when the program is ended in the middle of its upgrade.
std::string CutShortText(const KeypadUpgrade& upgrade) {
    const std::string serial = upgrade.state.serialNumber.value_or("");
    const std::string name =
        keypad::IsOwnSerialNumber(serial)
            ? "keypad " + keypad::WithoutPadding(serial)
            : (upgrade.path.empty() ? std::string("the keypad in its boot loader")
                                    : "the keypad at " + upgrade.path);
    // A keypad taken from its loader is there still; one sent to it may be there now.
    const std::string where = upgrade.enterBsl ? ", which may sit in its boot loader now"
                              : name.ends_with("boot loader") ? ", which stays there"
                                                              : ", which stays in its boot loader";
    const std::string& program = platform::CommandLineName();
    return program + ": stopped in the firmware upgrade of " + name + where + ": '" + program +
           " devices' shows where, and '" + program +
           " upgrade FILE --yes' brings it back (with --device PATH beside other keypads)" +
           (keypad::IsOwnSerialNumber(serial)
                ? "; add --config SAVED.ini, a saved configuration (FirstUp=Yes) holding "
                  "SerialNumber=" +
                      keypad::WithoutPadding(serial) +
                      ", to give it its settings and serial number again"
                : std::string()) +
           ".\n";
}

// What is said of it when the program is ended while its settings go back: the download is
// through, so it is in no boot loader.
std::string RestoreCutShortText(const KeypadUpgrade& upgrade) {
    const std::string serial = upgrade.state.serialNumber.value_or("");
    const bool own = keypad::IsOwnSerialNumber(serial);
    return platform::CommandLineName() + ": stopped while " +
           (own ? "keypad " + keypad::WithoutPadding(serial) : std::string("the keypad")) +
           " took its settings back after the upgrade: it runs the new firmware, but may lack "
           "its " +
           (own ? "serial number " + keypad::WithoutPadding(serial) + ", " : std::string()) +
           "code table and LED brightness.\n";
}

} // namespace

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
    // Ended at once by a second Ctrl+C, the run could say nothing more of the keypad it leaves
    // halfway.
    const platform::LastWordsScope lastWords(CutShortText(upgrade));
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
    platform::InterruptCatcher::SetLastWords(RestoreCutShortText(upgrade));
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
