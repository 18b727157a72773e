#include "config_file.h"

#include "platform/AtomicFile.h"
#include "platform/DataFolder.h"
#include "platform/RegularFile.h"
#include "platform/Utf8Path.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

std::string FileName;

namespace config {
namespace {

namespace fs = std::filesystem;

std::vector<CIniFile::Record> FreshContent() {
    CIniFile::Record header;
    header.Section = kSettingsSection;
    std::vector<CIniFile::Record> content{header};
    for (const auto& [key, value] : FreshSettings()) {
        CIniFile::Record record;
        record.Section = kSettingsSection;
        record.Key = key;
        record.Value = value;
        content.insert(content.begin() + 1, record);
    }
    return content;
}

using Records = std::vector<CIniFile::Record>;

bool IsHeader(const CIniFile::Record& record) {
    return !record.CommentsOnly && record.Key.empty();
}

// Calls visit(index, inSection) for every key record, inSection telling whether the last active
// header above it opens section. A commented-out header opens nothing: the keys below it stay
// in the section above, as any other reader of such a file takes them.
template <typename Visit> void ForEachKey(const Records& records, Visit visit) {
    const std::string_view section = kSettingsSection;
    bool inSection = false;
    for (size_t i = 0; i < records.size(); ++i) {
        const CIniFile::Record& record = records[i];
        if (record.CommentsOnly) {
            continue;
        }
        if (record.Key.empty()) {
            if (record.Commented == ' ') {
                inSection = record.Section == section;
            }
            continue;
        }
        visit(i, inSection);
    }
}

// The index of the first key record of that name in the section, active or commented out as
// asked; records.size() when there is none.
size_t FindKey(const Records& records, const std::string& key, bool active) {
    size_t found = records.size();
    ForEachKey(records, [&](size_t i, bool inSection) {
        const CIniFile::Record& record = records[i];
        if (found == records.size() && inSection && record.Key == key &&
            (record.Commented == ' ') == active) {
            found = i;
        }
    });
    return found;
}

size_t FindActiveHeader(const Records& records) {
    for (size_t i = 0; i < records.size(); ++i) {
        if (IsHeader(records[i]) && records[i].Commented == ' ' &&
            records[i].Section == kSettingsSection) {
            return i;
        }
    }
    return records.size();
}

void SetActiveValue(Records& records, const std::string& key, const std::string& value) {
    if (const size_t active = FindKey(records, key, true); active < records.size()) {
        records[active].Value = value;
        return;
    }
    CIniFile::Record added;
    added.Section = kSettingsSection;
    added.Key = key;
    added.Value = value;
    if (const size_t commented = FindKey(records, key, false); commented < records.size()) {
        // The commented-out line stays as the user wrote it; the value goes beside it.
        added.Section = records[commented].Section;
        records.insert(records.begin() + static_cast<std::ptrdiff_t>(commented) + 1, added);
        return;
    }
    if (const size_t header = FindActiveHeader(records); header < records.size()) {
        records.insert(records.begin() + static_cast<std::ptrdiff_t>(header) + 1, added);
        return;
    }
    // Comments after the last record stay last.
    auto end = records.end();
    if (!records.empty() && records.back().CommentsOnly) {
        --end;
    }
    CIniFile::Record header;
    header.Section = kSettingsSection;
    end = records.insert(end, header);
    records.insert(end + 1, added);
}

// Why a file was not read whole, to follow its name. A pipe or a device is refused before it
// is opened for good, so that neither hangs the program.
SettingsRead UnreadFile(const std::string& path, const platform::FileRead& file) {
    SettingsRead read;
    if (file.larger) {
        read.state = SettingsRead::State::TooLarge;
        read.reason = "is larger than 1 MiB (" + std::to_string(kMaxSettingsBytes) + " bytes)";
    } else if (const std::string kind = platform::NonFileKind(path); !kind.empty()) {
        read.reason = "is not a file but " + kind;
    } else {
        read.reason = "cannot be read: " + file.reason;
    }
    return read;
}

Outcome UpdateFailed(const std::string& path, const SettingsRead& read) {
    if (read.state == SettingsRead::State::Unreadable) {
        // Where the file is and why it cannot be read (a folder of its name, its rights).
        if (path.empty() || read.reason.empty()) {
            return Fails(kFailedToUpdateText);
        }
        return Fails(std::string(kFailedToUpdateText) + "\n" + path + " " + read.reason + ".");
    }
    // A damaged file also says where it goes wrong, on a line of its own as Import says it.
    const std::string where = read.state == SettingsRead::State::Damaged && !read.reason.empty()
                                  ? path + " " + read.reason + ".\n"
                                  : "";
    return Outcome{Notice{std::string(kFailedToUpdateText) + "\n" + ReadFailureText(read.state) +
                          "\n" + where}};
}

} // namespace

std::vector<std::pair<std::string, std::string>> FreshSettings() {
    return {{kFirstUpKey, ""},
            {kKeypadLayoutKey, "0"},
            {kLedBrightnessKey, ""},
            {kCodeTableValuesKey, ""},
            {kMultipleCodeTableValuesKey, ""},
            {kFirmwareVersionKey, ""},
            {kSerialNumberKey, ""},
            {"BleName", ""},
            {"BleManufacturerData", ""},
            {"BlePowerLevel", ""},
            {"BleEnable", ""},
            {"ProductType", ""}};
}

std::optional<std::string> LocalAppDataFolder() {
    return platform::UserDataFolder();
}

bool PrepareConfigFile() {
    const std::optional<std::string> folder = LocalAppDataFolder();
    if (!folder) {
        return false;
    }
    return PrepareConfigFile(*folder);
}

bool PrepareConfigFile(const std::string& dataFolder) {
    if (dataFolder.empty()) {
        return false;
    }
    try {
        const fs::path folder = platform::PathFromUtf8(dataFolder) / kConfigFolderName;
        std::error_code error;
        std::error_code folderError;
        if (!fs::exists(folder, error)) {
            // The XDG data home itself may not exist yet on a fresh account.
            fs::create_directories(folder, folderError);
        }
        const fs::path file = folder / kConfigFileName;
        FileName = platform::Utf8FromPath(file);
        // What a save cut short by a crash or a power loss left beside the file.
        platform::RemoveCutTemporariesBeside(FileName);
        if (fs::exists(file, error)) {
            return true;
        }
        if (CIniFile::Save(FileName, FreshContent())) {
            return true;
        }
        // "No such file or directory" for the file would hide why: its folder could not be made.
        if (folderError) {
            platform::RecordFileFailure("its folder cannot be made (" +
                                        platform::SystemReason(folderError) + ")");
        }
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

Outcome SetSettings(const std::string& key, const std::string& value) {
    return WriteSettings(FileName, {{key, value}});
}

std::string GetSettings(const std::string& key) {
    return ReadSettings(FileName).Value(key);
}

SettingsRead ReadSettings(const std::string& path) {
    platform::FileRead file = platform::ReadRegularFile(path, kMaxSettingsBytes);
    if (!file.ok) {
        return UnreadFile(path, file);
    }
    std::optional<std::string> text = std::move(file.bytes);
    SettingsRead read;
    if (!CIniFile::IsNarrowText(*text)) {
        read.state = SettingsRead::State::NotText;
        read.reason = CIniFile::IsUtf16Text(*text)
                          ? "is UTF-16 text (Notepad's \"Unicode\"), not UTF-8 or ANSI: save "
                            "it as UTF-8"
                          : "is not UTF-8 or ANSI text: save it as UTF-8";
        return read;
    }
    try {
        read.records = CIniFile::Parse(*text);
    } catch (const std::out_of_range& error) {
        read.state = SettingsRead::State::Damaged;
        // The reader's error starts with where: "line 3: ...".
        const std::string_view what = error.what();
        read.reason = "has a section line without \"]\" (" +
                      std::string(what.substr(0, what.find(':'))) + ")";
        return read;
    }
    read.state = SettingsRead::State::Read;
    read.text = std::move(*text);
    return read;
}

const char* ReadFailureText(SettingsRead::State state) {
    switch (state) {
    case SettingsRead::State::Damaged:
        return kConfigDamagedText;
    case SettingsRead::State::NotText:
        return kConfigNotTextText;
    case SettingsRead::State::TooLarge:
        return kConfigTooLargeText;
    case SettingsRead::State::Unreadable:
    case SettingsRead::State::Read:
        break;
    }
    return kConfigUnreadableText;
}

Outcome WriteSettings(const std::string& path,
                      const std::vector<std::pair<std::string, std::string>>& values) {
    try {
        SettingsRead read = ReadSettings(path);
        if (read.state != SettingsRead::State::Read) {
            return UpdateFailed(path, read);
        }
        for (const auto& [key, value] : values) {
            if (!CIniFile::IsStorableKey(key) || !CIniFile::IsStorableValue(value)) {
                return Fails(kFailedToUpdateText);
            }
            SetActiveValue(read.records, key, value);
        }
        if (CIniFile::Save(path, read.records)) {
            return {};
        }
    } catch (const std::exception&) {
    }
    return Fails(kFailedToUpdateText);
}

SettingsTarget SettingsTargetOf(const std::string& path) {
    std::error_code error;
    const fs::path file = platform::PathFromUtf8(path);
    if (!fs::exists(file, error) ||
        (fs::is_regular_file(file, error) && fs::file_size(file, error) == 0 && !error)) {
        return SettingsTarget::New;
    }
    const SettingsRead read = ReadSettings(path);
    switch (read.state) {
    case SettingsRead::State::Damaged:
        return SettingsTarget::Damaged;
    case SettingsRead::State::Unreadable:
    case SettingsRead::State::NotText:
    case SettingsRead::State::TooLarge:
        return SettingsTarget::Unreadable;
    case SettingsRead::State::Read:
        break;
    }
    return read.HasSection() ? SettingsTarget::Settings : SettingsTarget::OtherKind;
}

std::string SettingsRead::Value(const std::string& key) const {
    const size_t found = FindKey(records, key, true);
    return found < records.size() ? records[found].Value : std::string();
}

std::string SettingsRead::BlankedKeyNote(std::string_view key) const {
    for (const CIniFile::Record& record : records) {
        if (record.CommentsOnly || record.Commented != ' ' || record.Key.empty() ||
            record.Section != kSettingsSection || record.Key == key) {
            continue;
        }
        std::string bare = record.Key;
        Trim(bare, " \t");
        if (bare == key) {
            return " (\"" + record.Key + "\" is another key: write " + std::string(key) +
                   "=VALUE without blanks around the \"=\")";
        }
    }
    return {};
}

bool SettingsRead::Has(const std::string& key) const {
    return FindKey(records, key, true) < records.size();
}

std::vector<std::pair<std::string, int>> SettingsRead::KeyCounts() const {
    std::vector<std::pair<std::string, int>> counts;
    ForEachKey(records, [&](size_t i, bool inSection) {
        const CIniFile::Record& record = records[i];
        if (!inSection || record.Commented != ' ') {
            return;
        }
        const auto seen = std::find_if(counts.begin(), counts.end(), [&](const auto& entry) {
            return entry.first == record.Key;
        });
        if (seen == counts.end()) {
            counts.emplace_back(record.Key, 1);
        } else {
            ++seen->second;
        }
    });
    return counts;
}

bool SettingsRead::HasSection() const {
    return FindActiveHeader(records) < records.size();
}

std::string TableText(const uint8_t* bytes, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += std::to_string(bytes[i]);
        text += ',';
    }
    return text;
}

KeypadState StateToSave(const keypad::KeypadStatus& status,
                        const keypad::ExtraCodeBlock& multipleCodeTable) {
    KeypadState state;
    state.keypadLayout = status.tableKind;
    state.ledBrightness = status.ledBrightness;
    state.codeTable = status.keyCodeBlock;
    state.multipleCodeTable = multipleCodeTable;
    state.firmwareVersion = status.firmwareVersion;
    state.serialNumber = status.serialNumber;
    return state;
}

Outcome SaveToConfigFile(const std::optional<KeypadState>& state) {
    if (!state) {
        return Fails(kUnableToSaveConfigText);
    }
    const std::vector<std::pair<std::string, std::string>> values = {
        {kFirstUpKey, kFirstUpDone},
        {kKeypadLayoutKey, std::to_string(state->keypadLayout)},
        {kLedBrightnessKey, std::to_string(state->ledBrightness)},
        {kCodeTableValuesKey, TableText(state->codeTable.data(), keypad::kKeyCodeBlockSize)},
        {kMultipleCodeTableValuesKey,
         TableText(state->multipleCodeTable.data(), keypad::kExtraCodeBlockSize)},
        {kFirmwareVersionKey, state->firmwareVersion},
        {kSerialNumberKey, state->serialNumber},
    };
    return WriteSettings(FileName, values);
}

} // namespace config
