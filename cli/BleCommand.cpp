// ble show [--json] | ble set --name ... : the BLE parameters window from a script, with its
// value lists and its Apply.

#include "cli/Command.h"
#include "cli/JsonOutput.h"
#include "cli/KeypadReading.h"
#include "cli/Usage.h"
#include "firmware/ble/BleApply.h"
#include "firmware/ble/BleParameters.h"
#include "keypad/ReplyText.h"
#include "keypad/StatusRead.h"

#include <QJsonObject>
#include <QRegularExpression>

#include <vector>

namespace cli {
namespace {

struct PickOption {
    const char* name;
    const char* valueName;
    const char* label;
    const std::vector<std::string>& (*items)();
    ble::BlePick ble::BleSelection::*pick;
};

// In the order of the window's checks.
const std::vector<PickOption>& PickOptions() {
    static const std::vector<PickOption> options = {
        {"enable", "yes|no", ble::kEnableLabel, ble::NoYesItems, &ble::BleSelection::enable},
        {"product", "N|NAME", ble::kProductTypeLabel, ble::ProductTypeItems,
         &ble::BleSelection::productType},
        {"trackpad", "yes|no", ble::kTrackpadLabel, ble::NoYesItems, &ble::BleSelection::trackpad},
        {"rssi", "DBM", ble::kRssiLabel, ble::RssiItems, &ble::BleSelection::rssiRange},
        {"power", "LEVEL|DBM", ble::kPowerLevelLabel, ble::PowerLevelItems,
         &ble::BleSelection::powerLevel},
        {"margin", "DBM", ble::kMarginLabel, ble::MarginItems, &ble::BleSelection::margin},
        {"timeout", "SECONDS", ble::kTimeoutLabel, ble::TimeoutItems, &ble::BleSelection::timeout},
    };
    return options;
}

const QCommandLineOption& NameOption() {
    static const QCommandLineOption option(
        QStringLiteral("name"), QStringLiteral("Bluetooth Device Name (10 characters at most)."),
        QStringLiteral("NAME"));
    return option;
}

std::vector<QCommandLineOption>& PickCommandLineOptions() {
    static std::vector<QCommandLineOption> options = [] {
        std::vector<QCommandLineOption> made;
        for (const PickOption& pick : PickOptions()) {
            made.emplace_back(QString::fromLatin1(pick.name),
                              QString::fromLatin1(pick.label) + QStringLiteral("."),
                              QString::fromLatin1(pick.valueName));
        }
        return made;
    }();
    return options;
}

// An item matches ignoring case and blanks, and for dBm lists without the unit.
QString Comparable(const QString& text) {
    QString kept = text.toLower();
    kept.remove(QRegularExpression(QStringLiteral("\\s")));
    if (kept.endsWith(QStringLiteral("dbm"))) {
        kept.chop(3);
    }
    return kept;
}

std::optional<int> WholeNumber(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// The row a value names. A product type may also be given by its row number, and the power
// level by the level number status shows (1 to 12) or by its text with the unit ("1dbm").
std::optional<int> FindItem(const PickOption& option, const QString& value) {
    const auto& items = option.items();
    const auto number = WholeNumber(value);
    if (option.items == ble::PowerLevelItems) {
        if (number && *number >= 1 && *number <= ble::kPowerLevelCount) {
            return *number - 1;
        }
        // Any other bare number is ambiguous ("0" could be a level or 0 dBm): the unit is asked.
        if (!value.simplified().endsWith(QStringLiteral("dbm"), Qt::CaseInsensitive)) {
            return std::nullopt;
        }
    }
    if (option.items == ble::ProductTypeItems) {
        if (number && *number >= 0 && *number < ble::kProductTypeCount) {
            return *number;
        }
    }
    const QString wanted = Comparable(value);
    for (size_t row = 0; row < items.size(); ++row) {
        const QString item =
            QString::fromLatin1(items[row].data(), static_cast<qsizetype>(items[row].size()));
        // A number matches a number item however it is written ("060" is 60).
        if (Comparable(item) == wanted || (number && WholeNumber(item) == number)) {
            return static_cast<int>(row);
        }
    }
    if (option.items == ble::NoYesItems && number && (*number == 0 || *number == 1)) {
        return *number;
    }
    return std::nullopt;
}

std::string Shown(const std::string& item) {
    return QString::fromLatin1(ble::ItemDisplayText(item).c_str()).simplified().toStdString();
}

// What a value may be, short enough for one line: a range for the number lists, the names
// for the short ones.
std::string Accepted(const PickOption& option) {
    const auto& items = option.items();
    if (option.items == ble::RssiItems || option.items == ble::MarginItems) {
        return items.front() + " to " + items.back();
    }
    if (option.items == ble::TimeoutItems) {
        return items.front() + " to " + items.back() + " in steps of " +
               std::to_string(ble::kTimeoutStepSeconds);
    }
    if (option.items == ble::PowerLevelItems) {
        return "a level 1 to " + std::to_string(ble::kPowerLevelCount) + " or one of " + OneOf([&] {
                   std::vector<std::string> names;
                   for (const auto& item : items) {
                       names.push_back(Shown(item));
                   }
                   return names;
               }());
    }
    if (option.items == ble::ProductTypeItems) {
        return "0 to " + std::to_string(ble::kProductTypeCount - 1) + " or a name '" +
               ProgramName() + " help ble' lists";
    }
    return "yes or no";
}

std::string PickText(const PickOption& option, const ble::BleSelection& selection) {
    const ble::BlePick& pick = selection.*option.pick;
    if (pick.index >= 0 && pick.index < static_cast<int>(option.items().size())) {
        return Shown(option.items()[static_cast<size_t>(pick.index)]);
    }
    return pick.unlisted;
}

ble::BleHandOver HandOver(const keypad::BleParams& params) {
    return {params.name, params.manufacturerData, params.powerLevel, params.enable};
}

int Show(Context& context) {
    if (context.positional.size() != 1) {
        return context.Usage("ble show takes no arguments");
    }
    // A value meant for 'ble set' would otherwise be dropped without a word.
    if (context.parser.isSet(NameOption())) {
        return context.Usage("ble show takes no --name; 'ble set' changes it");
    }
    for (size_t i = 0; i < PickOptions().size(); ++i) {
        if (context.parser.isSet(PickCommandLineOptions()[i])) {
            return context.Usage("ble show takes no --" + std::string(PickOptions()[i].name) +
                                 "; 'ble set' changes it");
        }
    }
    if (const int failed = Connect(context)) {
        return failed;
    }
    const auto params = keypad::ReadBleParams();
    if (!params) {
        return context.Fail(ble::kReadFailedText);
    }
    const ble::BleSelection selection = ble::LoadSelection(HandOver(*params));
    if (context.parser.isSet(JsonOption())) {
        QJsonObject values;
        for (const PickOption& option : PickOptions()) {
            const ble::BlePick& pick = selection.*option.pick;
            // A value outside the list has no text 'ble set' would take back: null, with the
            // number the keypad reported (null too when it reported none).
            if (pick.index != ble::kNoSelection) {
                values.insert(QString::fromLatin1(option.name),
                              QJsonObject{{"index", pick.index},
                                          {"text", JsonText(PickText(option, selection))}});
            } else {
                values.insert(QString::fromLatin1(option.name),
                              QJsonObject{{"index", QJsonValue::Null},
                                          {"text", QJsonValue::Null},
                                          {"reported", pick.reported ? QJsonValue(*pick.reported)
                                                                     : QJsonValue::Null}});
            }
        }
        const auto level = ble::ParsePowerLevel(params->powerLevel);
        WriteJson(context.out, QJsonObject{{"name", JsonRawText(params->name)},
                                           {"manufacturerData", JsonText(params->manufacturerData)},
                                           {"powerLevel", level ? QJsonValue(*level)
                                                                : QJsonValue(QJsonValue::Null)},
                                           {"enabled", params->enable != 0},
                                           {"moduleFitted", params->moduleFitted},
                                           {"values", values}});
        return kExitOk;
    }
    constexpr int kLabelWidth = 34;
    const auto row = [&](const std::string& label, const std::string& value) {
        context.out << label
                    << std::string(label.size() < kLabelWidth ? kLabelWidth - label.size() : 1, ' ')
                    << value << "\n";
    };
    row(ble::kNameLabel, keypad::PrintableReplyText(selection.name));
    for (const PickOption& option : PickOptions()) {
        row(option.label, PickText(option, selection));
    }
    row("Manufacturer data", keypad::PrintableReplyText(params->manufacturerData));
    row("Module fitted", params->moduleFitted ? "Yes" : "No");
    return kExitOk;
}

int Set(Context& context) {
    if (context.positional.size() != 1) {
        return context.Usage("ble set takes options only");
    }
    // A script asking for JSON would otherwise read a line of text.
    if (context.parser.isSet(JsonOption())) {
        return context.Usage("ble set prints no JSON; 'ble show --json' reads the values back");
    }
    bool anyGiven = context.parser.isSet(NameOption());
    std::vector<std::pair<const PickOption*, int>> chosen;
    for (size_t i = 0; i < PickOptions().size(); ++i) {
        const QCommandLineOption& commandLine = PickCommandLineOptions()[i];
        if (!context.parser.isSet(commandLine)) {
            continue;
        }
        anyGiven = true;
        const PickOption& option = PickOptions()[i];
        const auto row = FindItem(option, context.parser.value(commandLine));
        if (!row) {
            return context.Usage("--" + std::string(option.name) + " takes " + Accepted(option) +
                                 ", not '" + context.parser.value(commandLine).toStdString() + "'");
        }
        chosen.emplace_back(&option, *row);
    }
    if (!anyGiven) {
        return context.Usage("ble set needs at least one value to change");
    }
    // UTF-8 keeps a character the keypad cannot take visible to the name check.
    const std::string typedName = context.parser.value(NameOption()).toUtf8().toStdString();
    if (context.parser.isSet(NameOption())) {
        const std::string problem = ble::TypedNameProblem(typedName);
        if (!problem.empty()) {
            return context.Usage("--name: " + WithoutLineBreak(problem));
        }
    }
    if (const int failed = Connect(context)) {
        return failed;
    }
    const auto params = keypad::ReadBleParams();
    if (!params) {
        return context.Fail(ble::kReadFailedText);
    }
    // What is not given stays as the keypad reported it, as in the window.
    ble::BleSelection selection = ble::LoadSelection(HandOver(*params));
    if (context.parser.isSet(NameOption())) {
        selection.name = typedName;
        selection.nameAsRead = false;
    }
    for (const auto& [option, row] : chosen) {
        selection.*(option->pick) = ble::BlePick{row, {}};
    }
    // The window's refusal names one drop-down left empty; a script is told every option the
    // keypad's values leave to be given, before anything is sent.
    std::string missing;
    for (const PickOption& option : PickOptions()) {
        if ((selection.*option.pick).index == ble::kNoSelection) {
            std::string held = (selection.*option.pick).unlisted;
            if (held.ends_with(ble::kNotInListSuffix)) {
                held = "the keypad has " +
                       held.substr(0, held.size() - std::string_view(ble::kNotInListSuffix).size());
            } else {
                held = "the keypad's cannot be read";
            }
            missing +=
                (missing.empty() ? "--" : ", --") + std::string(option.name) + " (" + held + ")";
        }
    }
    if (!missing.empty()) {
        return context.Fail("The keypad holds values outside the lists: give " + missing +
                            "; nothing was sent.");
    }
    const ble::BleApplyResult result = ble::ApplyBleParameters(selection);
    if (!result.ok) {
        return context.Fail(result.message);
    }
    std::string done =
        "BLE parameters applied: name \"" + keypad::PrintableReplyText(selection.name) + "\"";
    for (const PickOption& option : PickOptions()) {
        done += std::string(", ") + option.name + " " + PickText(option, selection);
    }
    return context.Done(done + ".");
}

} // namespace

std::string BleHelpDetails() {
    std::string text = "ble set changes only what it is given; the rest, the name included, "
                       "goes back to the keypad as it was read.\n"
                       "NAME: 1 to 10 characters of plain ASCII.\n";
    for (const PickOption& option : PickOptions()) {
        if (option.items == ble::ProductTypeItems) {
            continue;
        }
        text += std::string("--") + option.name + ": " + Accepted(option) + ".\n";
    }
    text += "--product: the number or the name of a product type:\n";
    const auto& products = ble::ProductTypeItems();
    for (size_t row = 0; row < products.size(); ++row) {
        // The numbers right-aligned, so that the names line up.
        text +=
            (row < 10 ? "   " : "  ") + std::to_string(row) + "  " + Shown(products[row]) + "\n";
    }
    return text;
}

void AddBleOptions(QCommandLineParser& parser) {
    parser.addOption(JsonOption());
    parser.addOption(NameOption());
    for (const QCommandLineOption& option : PickCommandLineOptions()) {
        parser.addOption(option);
    }
}

int Ble(Context& context) {
    const QString action = context.positional.value(0);
    if (action == QStringLiteral("show")) {
        return Show(context);
    }
    if (action == QStringLiteral("set")) {
        return Set(context);
    }
    return context.Usage("ble takes 'show [--json]' or 'set --name NAME --power LEVEL ...'");
}

} // namespace cli
