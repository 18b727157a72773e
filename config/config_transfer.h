#pragma once

// "Export Cfg File" and "Import Cfg File": copying the configuration file out to a folder and a
// checked file in over it. The window shows the dialogs and hands the chosen paths in.

#include "config/config_file.h"
#include "config/config_messages.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace config {

// The keys a file must hold in "appSettings" to be imported (values are not checked).
inline constexpr const char* kImportCheckedKeys[] = {"FirstUp",
                                                     "KeypadLayout",
                                                     "LedBrightness",
                                                     "CodeTableValues",
                                                     "MultipleCodeTableValues",
                                                     "FirmwareVersion",
                                                     "SerialNumber"};
// Larger files are refused unread, as by every other reader of settings.
inline constexpr std::size_t kMaxImportBytes = kMaxSettingsBytes;

// What export does after the folder dialog: either show message and stop, or (after asking
// question when there is one, stopping without a word on No) call ExportCfgFile with target.
struct ExportPlan {
    std::optional<Notice> message;
    std::optional<Notice> question;
    std::string target;
};
// chosenFolder is nothing when the folder dialog was not confirmed.
ExportPlan PlanExport(const std::optional<std::string>& chosenFolder);
// Copies the configuration file (FileName) to target, replacing what is there.
Outcome ExportCfgFile(const std::string& target);

// chosenFile is nothing when the file dialog was not confirmed (nothing is shown then).
// Checks the name and the format and copies the file over the configuration file. A refused
// format is followed by why on a line of its own.
Outcome ImportCfgFile(const std::optional<std::string>& chosenFile);
// The import's checks of file without the copy: what the import would refuse it with. A file
// that cannot be read as settings at all is of an incorrect format here.
struct CfgFileCheck {
    // What the window shows.
    Outcome outcome;
    // Why the format is incorrect, to follow the file's name: "has no SerialNumber key in
    // [appSettings]", "cannot be read: Permission denied"; empty otherwise.
    std::string reason;
};
CfgFileCheck CheckCfgFile(const std::string& file);

// The keys of "appSettings" that file gives more than once, each said with the value read (the
// first): "LedBrightness is given 2 times; the first, \"5\", is the one read". Empty when each
// is given once or the file cannot be read.
std::vector<std::string> RepeatedSettings(const std::string& file);

} // namespace config
