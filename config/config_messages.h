#pragma once

// What the configuration-file operations tell the main window to show and do, and the texts.

#include <optional>
#include <string>

namespace config {

inline constexpr char kCaption[] = "Vexor Echovane";
inline constexpr char kConfigFolderName[] = "VexorInterface";
inline constexpr char kConfigFileName[] = "USBEchovaneUtilityCfg.ini";
inline constexpr char kSettingsSection[] = "appSettings";

// Failure texts; each is shown followed by a line break.
inline constexpr char kFailedToUpdateText[] = "Failed to update USBEchovaneUtilityCfg.ini file.";
inline constexpr char kUnableToSaveConfigText[] = "Unable to Save Config file.";
inline constexpr char kUnableToSaveCfgText[] = "Unable to save the cfg file.";
inline constexpr char kFailedToExportText[] = "Failed to export the file";
inline constexpr char kExportExceptionText[] = "Exception :Unable to save cfg file.";
inline constexpr char kIncorrectFilenameText[] = "Incorrect Filename.";
inline constexpr char kIncorrectFormatText[] = "File is incorrect format.";
inline constexpr char kFailedToCopyText[] = "Failed to copy the new file.";
inline constexpr char kImportExceptionText[] = "Exception :Failed to copy the new file.";
// The configuration file cannot be read at all (its rights, a folder of that name).
inline constexpr char kConfigUnreadableText[] = "Unable to read USBEchovaneUtilityCfg.ini file..";
// The configuration file holds a line the INI reader cannot read (a "[" without "]").
inline constexpr char kConfigDamagedText[] = "USBEchovaneUtilityCfg.ini file is incorrect format.";
// The configuration file is no narrow text: Notepad's "Unicode" (UTF-16) and the like.
inline constexpr char kConfigNotTextText[] =
    "USBEchovaneUtilityCfg.ini file is not UTF-8 or ANSI text; save it as UTF-8..";
inline constexpr char kConfigTooLargeText[] =
    "USBEchovaneUtilityCfg.ini file is larger than 1 MiB..";
// Values "Reset From Configuration File" cannot send.
inline constexpr char kInvalidKeypadLayoutText[] =
    "Invalid KeypadLayout in USBEchovaneUtilityCfg.ini file..";
inline constexpr char kInvalidLedBrightnessText[] =
    "Invalid LedBrightness in USBEchovaneUtilityCfg.ini file..";
inline constexpr char kInvalidCodeTableText[] =
    "Invalid CodeTableValues in USBEchovaneUtilityCfg.ini file..";
inline constexpr char kInvalidMultipleCodeTableText[] =
    "Invalid MultipleCodeTableValues in USBEchovaneUtilityCfg.ini file..";

// The export's overwrite question (shown as it stands, without a line break).
inline constexpr char kOverwriteQuestionText[] =
    "USBEchovaneUtilityCfg.ini file already exists. Do you want to overwrite it?";
inline constexpr char kOverwriteCaption[] = "Save USBEchovaneUtilityCfg File";

// The two dialogs the window shows before calling import and export.
inline constexpr char kExportFolderDialogText[] =
    "Select Folder - To Copy The USBEchovaneUtilityCfg.ini File";
inline constexpr char kImportFileFilter[] = "(*.ini);;All files (*.ini)";
// The import dialog's title: what to pick, which a screen reader says as the dialog opens.
inline constexpr char kImportFileDialogText[] =
    "Select File - The USBEchovaneUtilityCfg.ini File To Import";

enum class NoticeIcon { Warning, Question };
enum class NoticeButtons { Ok, YesNo };

// One message box.
struct Notice {
    std::string text;
    std::string caption = kCaption;
    NoticeButtons buttons = NoticeButtons::Ok;
    NoticeIcon icon = NoticeIcon::Warning;
    // Enter answers No: what Yes does cannot be undone.
    bool noByDefault = false;

    bool operator==(const Notice&) const = default;
};

// The usual failure box: the text and a line break, caption "Vexor Echovane", OK, warning.
inline Notice Warning(const std::string& text) {
    return Notice{text + "\n"};
}

// What a handler must do once the operation has run.
struct Outcome {
    // The box to show, if any.
    std::optional<Notice> message;
    // Read the keypad again and refill the window exactly as after a scan.
    bool refreshStatus = false;
    // Select the layout picker's last accepted row again (the keypad refused the layout).
    bool restoreLayoutSelector = false;

    bool failed() const { return message.has_value(); }
};

inline Outcome Fails(const std::string& text) {
    return Outcome{Warning(text)};
}

} // namespace config
