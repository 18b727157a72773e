// ble show [--json] | ble set --name ... : the BLE parameters window from a script, with its
// value lists and its Apply.

#include "cli/Command.h"
#include "firmware/ble/BleApply.h"
#include "firmware/ble/BleParameters.h"
#include "keypad/StatusRead.h"

#include <QJsonDocument>
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
        {"power", "LEVEL", ble::kPowerLevelLabel, ble::PowerLevelItems,
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

const QCommandLineOption& JsonOption() {
    static const QCommandLineOption option(QStringLiteral("json"),
                                           QStringLiteral("Write the result as JSON."));
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

// An item matches ignoring case and blanks, and for dBm lists without the unit; the product
// type may also be given by its row number.
QString Comparable(const QString& text) {
    QString kept = text.toLower();
    kept.remove(QRegularExpression(QStringLiteral("\\s")));
    if (kept.endsWith(QStringLiteral("dbm"))) {
        kept.chop(3);
    }
    return kept;
}

std::optional<int> FindItem(const PickOption& option, const QString& value) {
    const auto& items = option.items();
    const QString wanted = Comparable(value);
    for (size_t row = 0; row < items.size(); ++row) {
        if (Comparable(QString::fromLatin1(items[row].data(),
                                           static_cast<qsizetype>(items[row].size()))) == wanted) {
            return static_cast<int>(row);
        }
    }
    if (option.items == ble::NoYesItems) {
        if (wanted == QStringLiteral("0") || wanted == QStringLiteral("1")) {
            return wanted.toInt();
        }
    }
    if (option.items == ble::ProductTypeItems) {
        bool ok = false;
        const int row = value.trimmed().toInt(&ok);
        if (ok && row >= 0 && row < static_cast<int>(items.size())) {
            return row;
        }
    }
    return std::nullopt;
}

std::string ItemList(const PickOption& option) {
    std::string list;
    for (const std::string& item : option.items()) {
        list += (list.empty() ? "" : ", ") +
                QString::fromLatin1(item.data()).simplified().toStdString();
    }
    return list;
}

std::string PickText(const PickOption& option, const ble::BleSelection& selection) {
    const ble::BlePick& pick = selection.*option.pick;
    if (pick.index >= 0 && pick.index < static_cast<int>(option.items().size())) {
        return option.items()[static_cast<size_t>(pick.index)];
    }
    return pick.unlisted;
}

ble::BleHandOver HandOver(const keypad::BleParams& params) {
    return {params.name, params.manufacturerData, params.powerLevel, params.enable};
}

int Show(Context& context) {
    if (context.positional.size() != 1) {
        return context.Usage("ble show takes no arguments.");
    }
    if (!Connect(context)) {
        return kExitFailed;
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
            values.insert(
                QString::fromLatin1(option.name),
                QJsonObject{{"index", pick.index},
                            {"text", QString::fromLatin1(PickText(option, selection).c_str())}});
        }
        const QJsonObject document{
            {"name", QString::fromLatin1(params->name.c_str())},
            {"manufacturerData", QString::fromLatin1(params->manufacturerData.c_str())},
            {"powerLevel", QString::fromLatin1(params->powerLevel.c_str())},
            {"enable", params->enable},
            {"moduleFitted", params->moduleFitted},
            {"values", values}};
        context.out << QJsonDocument(document).toJson().toStdString();
        return kExitOk;
    }
    constexpr int kLabelWidth = 34;
    const auto row = [&](const std::string& label, const std::string& value) {
        context.out << label
                    << std::string(label.size() < kLabelWidth ? kLabelWidth - label.size() : 1, ' ')
                    << value << "\n";
    };
    row(ble::kNameLabel, selection.name);
    for (const PickOption& option : PickOptions()) {
        row(option.label, PickText(option, selection));
    }
    row("Manufacturer data", params->manufacturerData);
    row("Module fitted", params->moduleFitted ? "Yes" : "No");
    return kExitOk;
}

int Set(Context& context) {
    if (context.positional.size() != 1) {
        return context.Usage("ble set takes options only.");
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
            return context.Usage(std::string("--") + option.name +
                                 " takes one of: " + ItemList(option) + ".");
        }
        chosen.emplace_back(&option, *row);
    }
    if (!anyGiven) {
        return context.Usage("ble set needs at least one value to change.");
    }
    if (!Connect(context)) {
        return kExitFailed;
    }
    const auto params = keypad::ReadBleParams();
    if (!params) {
        return context.Fail(ble::kReadFailedText);
    }
    // What is not given stays as the keypad reported it, as in the window.
    ble::BleSelection selection = ble::LoadSelection(HandOver(*params));
    if (context.parser.isSet(NameOption())) {
        // UTF-8 keeps a character the keypad cannot take visible to the name check.
        selection.name = context.parser.value(NameOption()).toUtf8().toStdString();
    }
    for (const auto& [option, row] : chosen) {
        selection.*(option->pick) = ble::BlePick{row, {}};
    }
    const ble::BleApplyResult result = ble::ApplyBleParameters(selection);
    if (!result.ok) {
        return context.Fail(result.message);
    }
    return kExitOk;
}

} // namespace

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
    return context.Usage("ble takes \"show [--json]\" or \"set --name NAME --power LEVEL ...\".");
}

} // namespace cli
