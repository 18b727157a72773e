#include "config_transfer.h"

#include "config/config_file.h"
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
    const std::optional<std::string> bytes =
        platform::ReadWholeFile(source, CIniFile::kMaxFileBytes);
    return bytes && platform::ReplaceFileAtomically(target, *bytes);
}

bool HasCheckedKeys(const SettingsRead& read) {
    const CIniFile::RecordSectionIs inSettings(kSettingsSection);
    bool sectionFound = false;
    for (const auto& record : read.records) {
        sectionFound = sectionFound || inSettings(record);
    }
    if (!sectionFound) {
        return false;
    }
    for (const char* key : kImportCheckedKeys) {
        const CIniFile::RecordSectionKeyIs matches(kSettingsSection, key);
        bool found = false;
        for (const auto& record : read.records) {
            found = found || matches(record);
        }
        if (!found) {
            return false;
        }
    }
    return true;
}

// The import's checks of the name and the format; bytes are the file's when they pass. Throws
// on a section line without "]".
Outcome CheckedImportBytes(const std::string& file, std::string& bytes) {
    if (platform::PathFromUtf8(file).filename() != kConfigFileName) {
        return Fails(kIncorrectFilenameText);
    }
    const std::optional<std::string> read = platform::ReadWholeFile(file, kMaxImportBytes);
    if (!read) {
        return Fails(kIncorrectFormatText);
    }
    SettingsRead settings;
    settings.records = CIniFile::Parse(*read);
    if (!HasCheckedKeys(settings)) {
        return Fails(kIncorrectFormatText);
    }
    bytes = *read;
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
        if (Outcome refused = CheckedImportBytes(*chosenFile, bytes); refused.message) {
            return refused;
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

Outcome CheckCfgFile(const std::string& file) {
    try {
        std::string bytes;
        return CheckedImportBytes(file, bytes);
    } catch (const std::exception&) {
        return Fails(kIncorrectFormatText);
    }
}

} // namespace config
