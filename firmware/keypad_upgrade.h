#pragma once

// A keypad's upgrade from the command line or a batch, once it is confirmed and the download
// slot is held: CmdEnterBsl, the wait for its loader, the download and the restore onto the
// keypad that comes back. The caller says what each failure means to its user.

#include "firmware/UpgradeSequence.h"
#include "firmware/device_count.h"
#include "firmware/image_check.h"
#include "firmware/settings_restore.h"

#include <string>

namespace firmware {

struct KeypadUpgrade {
    // The loader to program and how.
    BootLoaderIds ids;
    BootLoaderFiles files;
    // The firmware file's name, and its text as read and checked before the confirmation
    // (CheckFirmwareFile): what is downloaded, whatever happens to the file meanwhile.
    std::string image;
    ImageCheck checkedImage;
    // What to write back afterwards (nothing unknown is written).
    UpgradeState state;
    // The keypad runs its application, open in hid_handle: it is sent to its loader first.
    // Otherwise it sits in its loader already.
    bool enterBsl = true;
    // Where the keypad is ("" when it sits in its loader): the other keypads' paths, taken
    // before CmdEnterBsl, and the state's serial number tell it from them when it comes back.
    std::string path;
};

struct KeypadUpgradeResult {
    enum class Stage { Done, NoBootLoader, Download, Restore };
    // Where it stopped; Done when the keypad runs the new firmware with the state restored.
    Stage stage = Stage::Done;
    RestoreResult restore;
    // Where the keypad came back.
    std::string path;
};

KeypadUpgradeResult UpgradeKeypad(const KeypadUpgrade& upgrade,
                                  const UpgradeSequence::ProgressReport& progress);

} // namespace firmware
