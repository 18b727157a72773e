#include "config_file.h"

#include "platform/DataFolder.h"
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

Notice DamagedFileOnUpdate() {
    return Notice{std::string(kFailedToUpdateText) + "\n" + kConfigDamagedText + "\n"};
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
        if (!fs::exists(folder, error)) {
            // The XDG data home itself may not exist yet on a fresh account.
            fs::create_directories(folder, error);
        }
        const fs::path file = folder / kConfigFileName;
        FileName = platform::Utf8FromPath(file);
        if (fs::exists(file, error)) {
            return true;
        }
        return CIniFile::Save(FileName, FreshContent());
    } catch (const std::exception&) {
        return false;
    }
}

Outcome SetSettings(const std::string& key, const std::string& value) {
    try {
        if (CIniFile::SetValue(key, value, kSettingsSection, FileName)) {
            return {};
        }
    } catch (const std::out_of_range&) {
        return Outcome{DamagedFileOnUpdate()};
    } catch (const std::exception&) {
    }
    return Fails(kFailedToUpdateText);
}

std::string GetSettings(const std::string& key) {
    return ReadSettings(FileName).Value(key);
}

SettingsRead ReadSettings(const std::string& path) {
    SettingsRead read;
    try {
        if (CIniFile::Load(path, read.records)) {
            read.state = SettingsRead::State::Read;
        }
    } catch (const std::out_of_range&) {
        read.state = SettingsRead::State::Damaged;
    } catch (const std::exception&) {
    }
    return read;
}

SettingsTarget SettingsTargetOf(const std::string& path) {
    std::error_code error;
    const fs::path file = platform::PathFromUtf8(path);
    if (!fs::is_regular_file(file, error) || fs::file_size(file, error) == 0 || error) {
        return SettingsTarget::New;
    }
    const SettingsRead read = ReadSettings(path);
    switch (read.state) {
    case SettingsRead::State::Unreadable:
        return SettingsTarget::New;
    case SettingsRead::State::Damaged:
        return SettingsTarget::Damaged;
    case SettingsRead::State::Read:
        break;
    }
    return std::any_of(read.records.begin(), read.records.end(),
                       CIniFile::RecordSectionIs(kSettingsSection))
               ? SettingsTarget::Settings
               : SettingsTarget::OtherKind;
}

std::string SettingsRead::Value(const std::string& key) const {
    const CIniFile::RecordSectionKeyIs matches(kSettingsSection, key);
    for (const auto& record : records) {
        if (matches(record)) {
            return record.Value;
        }
    }
    return {};
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
    try {
        if (CIniFile::SetValues(values, kSettingsSection, FileName)) {
            return {};
        }
    } catch (const std::out_of_range&) {
        return Outcome{DamagedFileOnUpdate()};
    } catch (const std::exception&) {
    }
    return Fails(kFailedToUpdateText);
}

} // namespace config
