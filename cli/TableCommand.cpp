// table show [FILE] | table write FILE: the customisable tables (single and multi-code) in the
// configuration file's number format.
//
// A table file is an INI file with the configuration file's section and keys:
//   [appSettings]
//   KeypadLayout=2 or 5 (the kind the table is for)
//   CodeTableValues=20 numbers, each followed by ","
//   MultipleCodeTableValues=50 numbers, each followed by "," (kind 5 only)
// so a saved configuration file can also be written as a table.

#include "cli/Command.h"
#include "cli/JsonOutput.h"
#include "codetable/code_table.h"
#include "config/config_file.h"
#include "config/config_replay.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "keypad/StatusRead.h"
#include "platform/AtomicFile.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace cli {
namespace {

std::vector<std::pair<std::string, std::string>> TableValues(const keypad::StatusRead& read) {
    const keypad::KeypadStatus& status = *read.status;
    std::vector<std::pair<std::string, std::string>> values{
        {config::kKeypadLayoutKey, std::to_string(status.tableKind)},
        {config::kCodeTableValuesKey,
         config::TableText(status.keyCodeBlock.data(), keypad::kKeyCodeBlockSize)}};
    if (read.multipleCodeTable) {
        values.emplace_back(
            config::kMultipleCodeTableValuesKey,
            config::TableText(read.multipleCodeTable->data(), keypad::kExtraCodeBlockSize));
    }
    return values;
}

std::string TableFileText(const keypad::StatusRead& read) {
    std::string text = std::string("[") + config::kSettingsSection + "]\n";
    for (const auto& [key, value] : TableValues(read)) {
        text += key + "=" + value + "\n";
    }
    return text;
}

// Into a settings file (a saved configuration), only the table's keys go; a new or empty file
// gets the table alone.
bool WriteTableFile(const std::string& path, config::SettingsTarget target,
                    const keypad::StatusRead& read) {
    if (target == config::SettingsTarget::Settings) {
        return !config::WriteSettings(path, TableValues(read)).failed();
    }
    return platform::ReplaceFileAtomically(path, TableFileText(read));
}

// The system's reason for the last failed read or write, after a colon.
std::string WithReason(const std::string& message) {
    const std::string why = platform::LastFileFailure();
    return message + (why.empty() ? std::string() : ": " + why) + ".";
}

template <typename Bytes> QJsonArray Numbers(const Bytes& bytes, size_t count) {
    QJsonArray array;
    for (size_t i = 0; i < count; ++i) {
        array.append(static_cast<int>(bytes[i]));
    }
    return array;
}

// The same values as the table file, named as status --json names them.
QJsonObject TableJson(const keypad::StatusRead& read) {
    const keypad::KeypadStatus& status = *read.status;
    QJsonObject table{{"tableKind", status.tableKind},
                      {"tableKindName", JsonText(keypad::TableKindName(status.tableKind))},
                      {"codeTableValues", Numbers(status.keyCodeBlock, keypad::kKeyCodeBlockSize)}};
    if (read.multipleCodeTable) {
        table.insert("multipleCodeTableValues",
                     Numbers(*read.multipleCodeTable, keypad::kExtraCodeBlockSize));
    }
    return table;
}

// The status read and the editor's rule: only a customisable table may be shown or written.
inline constexpr char kSetLayoutHint[] =
    "'set-layout 2' or 'set-layout 5' makes a customise table active.";

std::optional<keypad::StatusRead> ReadCustomisable(Context& context, int& exitStatus) {
    keypad::StatusRead read = keypad::ReadStatus();
    const codetable::EditorOpening opening = codetable::DecideEditorOpening(
        read.ok() ? kExchangeOk : kExchangeIoError, read.ok() ? read.status->tableKind : 0);
    if (!opening.mode) {
        // The editor's text; a script is told what makes a customise table active.
        std::string message = opening.refusal;
        if (read.ok()) {
            message += (message.ends_with('\n') ? "" : "\n") + std::string(kSetLayoutHint);
        }
        exitStatus = context.Fail(message);
        return std::nullopt;
    }
    return read;
}

int Show(Context& context) {
    if (context.positional.size() > 2) {
        return context.Usage("table show takes at most one file.");
    }
    if (context.parser.isSet(JsonOption()) && context.positional.size() != 1) {
        return context.Usage("table show writes JSON to standard output only; give no FILE");
    }
    const std::string path = context.positional.value(1).toStdString();
    config::SettingsTarget target = config::SettingsTarget::New;
    if (!path.empty()) {
        if (const int refused = RequireSettingsFileOrNew(context, path, target)) {
            return refused;
        }
        // Its other values are kept, so a file that cannot be read as settings is not replaced.
        if (target == config::SettingsTarget::Damaged) {
            return context.Fail(DamagedFileText(path, config::ReadSettings(path)));
        }
    }
    if (const int failed = Connect(context)) {
        return failed;
    }
    int exitStatus = kExitFailed;
    const auto read = ReadCustomisable(context, exitStatus);
    if (!read) {
        return exitStatus;
    }
    if (context.parser.isSet(JsonOption())) {
        WriteJson(context.out, TableJson(*read));
        return kExitOk;
    }
    if (path.empty()) {
        context.out << TableFileText(*read);
        return kExitOk;
    }
    if (!WriteTableFile(path, target, *read)) {
        return context.Fail(WithReason("Unable to write " + path));
    }
    return context.Done("The " + keypad::TableKindName(read->status->tableKind) + " is saved to " +
                        path + ".");
}

int Write(Context& context) {
    if (context.positional.size() != 2) {
        return context.Usage("table write takes one file.");
    }
    // A script asking for JSON would otherwise read a line of text.
    if (context.parser.isSet(JsonOption())) {
        return context.Usage(
            "table write prints no JSON; 'table show --json' reads the table back");
    }
    const std::string path = context.positional[1].toStdString();
    const config::SettingsRead read = config::ReadSettings(path);
    const std::string name = BareName(path);
    if (read.state == config::SettingsRead::State::Damaged) {
        return context.Fail(DamagedFileText(path, read));
    }
    if (read.state != config::SettingsRead::State::Read) {
        return context.Fail(path + " " + read.reason + ".");
    }
    // The value that cannot be written, and why, on a line of its own.
    const auto refuse = [&](const char* key, const std::string& problem) {
        return context.Fail(std::string("Invalid ") + key + " in " + name + " file..\n" + problem +
                            ".");
    };
    const auto layout =
        config::ParseSetting(read.Value(config::kKeypadLayoutKey), keypad::kTableKindCount - 1);
    if (!layout) {
        return refuse(
            config::kKeypadLayoutKey,
            config::SettingProblem(read, config::kKeypadLayoutKey, keypad::kTableKindCount - 1));
    }
    if (*layout != keypad::CustomiseTable && *layout != keypad::CustomiseMulticodeTable) {
        return context.Fail(name + " holds no customise table (KeypadLayout " +
                            std::to_string(*layout) + ")..");
    }
    const auto table =
        config::ParseTable(read.Value(config::kCodeTableValuesKey), keypad::kKeyCodeBlockSize);
    if (!table) {
        return refuse(
            config::kCodeTableValuesKey,
            config::TableProblem(read, config::kCodeTableValuesKey, keypad::kKeyCodeBlockSize));
    }
    std::optional<std::vector<uint8_t>> multiTable;
    if (*layout == keypad::CustomiseMulticodeTable) {
        multiTable = config::ParseTable(read.Value(config::kMultipleCodeTableValuesKey),
                                        keypad::kExtraCodeBlockSize);
        if (!multiTable) {
            return refuse(config::kMultipleCodeTableValuesKey,
                          config::TableProblem(read, config::kMultipleCodeTableValuesKey,
                                               keypad::kExtraCodeBlockSize));
        }
    }

    if (const int failed = Connect(context)) {
        return failed;
    }
    int exitStatus = kExitFailed;
    const auto keypadRead = ReadCustomisable(context, exitStatus);
    if (!keypadRead) {
        return exitStatus;
    }
    // The single-code and multi-code tables read their 20 bytes differently.
    const int active = keypadRead->status->tableKind;
    if (active != *layout) {
        return context.Fail("The table in " + name + " is for the " +
                            keypad::TableKindName(*layout) + ", but the keypad has the " +
                            keypad::TableKindName(active) + " active..");
    }
    codetable::KeyCodeBlock block{};
    std::copy_n(table->begin(), block.size(), block.begin());
    if (codetable::SendKeyCodeBlock(hid_handle.load(), block) != kExchangeOk) {
        return context.Fail(
            codetable::TableWriteMessage(codetable::TableWriteResult::CodeTableFailed));
    }
    if (multiTable) {
        codetable::ExtraCodeBlock extra{};
        std::copy_n(multiTable->begin(), extra.size(), extra.begin());
        if (codetable::SendExtraCodeBlock(hid_handle.load(), extra) != kExchangeOk) {
            return context.Fail(
                codetable::TableWriteMessage(codetable::TableWriteResult::MulticodeTableFailed));
        }
    }
    return context.Done("The " + keypad::TableKindName(*layout) + " from " + name +
                        " is written to the keypad.");
}

} // namespace

int Table(Context& context) {
    const QString action = context.positional.value(0);
    if (action == QStringLiteral("show")) {
        return Show(context);
    }
    if (action == QStringLiteral("write")) {
        return Write(context);
    }
    return context.Usage("table takes 'show [FILE]' or 'write FILE'");
}

void AddTableOptions(QCommandLineParser& parser) {
    parser.addOption(JsonOption());
}

std::string TableHelpDetails() {
    return "show and write work on the keypad's active table, which must be the Customise Table "
           "(2) or the Customise Multicode Table (5): 'set-layout 2' or 'set-layout 5' makes one "
           "active.\n"
           "FILE is a configuration file: KeypadLayout (2 or 5), CodeTableValues (20 numbers) "
           "and, for 5, MultipleCodeTableValues (50 numbers) in [appSettings]. show FILE writes "
           "those three keys into FILE (its KeypadLayout included): a new FILE holds the lines "
           "show prints; an existing one keeps its other sections, keys and comments, written as "
           "the utility writes its own file (CR LF line ends, a blank before each section and "
           "key); "
           "write FILE sends the table of the kind the keypad has active.\n";
}

} // namespace cli
