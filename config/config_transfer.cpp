#include "config_transfer.h"

#include "config/config_replay.h"
#include "keypad/ReplyText.h"
#include "platform/AtomicFile.h"
#include "platform/Utf8Path.h"

#include <filesystem>
#include <stdexcept>

namespace config {
namespace {

namespace fs = std::filesystem;

// The copy goes through a temporary file and a rename, so an interrupted copy never leaves a
// half-written file at target.
bool CopyFileReplacing(const std::string& source, const std::string& target) {
    const std::optional<std::string> bytes = platform::ReadWholeFile(source, kMaxSettingsBytes);
    return bytes && platform::ReplaceFileAtomically(target, *bytes);
}

// Why read holds no saved settings' keys, or "" when it holds them all. Commented-out keys are
// not there.
std::string MissingKeys(const SettingsRead& read) {
    if (!read.HasSection()) {
        return std::string("has no [") + kSettingsSection + "] section";
    }
    for (const char* key : kImportCheckedKeys) {
        if (!read.Has(key)) {
            return std::string("has no ") + key + " key in [" + kSettingsSection + "]" +
                   read.BlankedKeyNote(key);
        }
    }
    return {};
}

// The import's checks of the name and the format; bytes are the file's when they pass. The
// file is read as every reader of settings reads it, within the same size. A section line
// without "]" is refused with damagedText.
CfgFileCheck CheckedImportBytes(const std::string& file, const char* damagedText,
                                std::string& bytes) {
    if (platform::PathFromUtf8(file).filename() != kConfigFileName) {
        return {Fails(kIncorrectFilenameText), {}};
    }
    SettingsRead read = ReadSettings(file);
    if (read.state == SettingsRead::State::Damaged) {
        return {Fails(damagedText), read.reason};
    }
    if (read.state != SettingsRead::State::Read) {
        return {Fails(kIncorrectFormatText), read.reason};
    }
    if (std::string missing = MissingKeys(read); !missing.empty()) {
        return {Fails(kIncorrectFormatText), std::move(missing)};
    }
    bytes = std::move(read.text);
    return {};
}

} // namespace

ExportPlan PlanExport(const std::optional<std::string>& chosenFolder) {
    ExportPlan plan;
    if (!chosenFolder || chosenFolder->empty()) {
        plan.message = Warning(kUnableToSaveCfgText);
        return plan;
    }
    try {
        const fs::path target = platform::PathFromUtf8(*chosenFolder) / kConfigFileName;
        plan.target = platform::Utf8FromPath(target);
        // Nothing could be written in a folder's place: said before any question.
        if (const std::string why = platform::NotAFileReason(plan.target); !why.empty()) {
            plan.message =
                Warning(std::string(kFailedToExportText) + "\n" + plan.target + ": " + why + ".");
            plan.target.clear();
            return plan;
        }
        std::error_code error;
        if (fs::exists(target, error)) {
            plan.question = Notice{kOverwriteQuestionText, kOverwriteCaption, NoticeButtons::YesNo,
                                   NoticeIcon::Question, true};
        }
    } catch (const std::exception&) {
        plan = ExportPlan{Warning(kExportExceptionText), std::nullopt, {}};
    }
    return plan;
}

Outcome ExportCfgFile(const std::string& target) {
    try {
        if (FileName.empty() || target.empty() || !CopyFileReplacing(FileName, target)) {
            return Fails(kFailedToExportText);
        }
    } catch (const std::exception&) {
        return Fails(kExportExceptionText);
    }
    return {};
}

Outcome ImportCfgFile(const std::optional<std::string>& chosenFile) {
    if (!chosenFile || chosenFile->empty()) {
        return {};
    }
    try {
        std::string bytes;
        // A section line without "]" is the INI reader's error, which the import catches.
        if (CfgFileCheck refused = CheckedImportBytes(*chosenFile, kImportExceptionText, bytes);
            refused.outcome.message) {
            // The window's words, then why on a line of their own, as the check says it: about
            // the file chosen, not the utility's own of the same name.
            if (!refused.reason.empty()) {
                refused.outcome.message->text += *chosenFile + " " + refused.reason + ".\n";
            }
            return refused.outcome;
        }
        // The bytes checked are the bytes copied.
        if (FileName.empty() || !platform::ReplaceFileAtomically(FileName, bytes)) {
            return Fails(kFailedToCopyText);
        }
    } catch (const std::exception&) {
        return Fails(kImportExceptionText);
    }
    return {};
}

std::vector<std::string> RepeatedSettings(const std::string& file) {
    const SettingsRead read = ReadSettings(file);
    std::vector<std::string> repeated;
    for (const auto& [key, count] : read.KeyCounts()) {
        if (count > 1) {
            repeated.push_back(keypad::PrintableUserText(key) + " is given " +
                               std::to_string(count) + " times; the first, " +
                               QuotedValue(read.Value(key)) + ", is the one read");
        }
    }
    return repeated;
}

CfgFileCheck CheckCfgFile(const std::string& file) {
    try {
        std::string bytes;
        // Nothing is copied by a check: a file that does not parse is of the wrong format.
        return CheckedImportBytes(file, kIncorrectFormatText, bytes);
    } catch (const std::exception& error) {
        return {Fails(kIncorrectFormatText), std::string("cannot be read: ") + error.what()};
    }
}

} // namespace config
