// status [--json]: what the main window shows after a scan.

#include "cli/Command.h"
#include "cli/JsonOutput.h"
#include "cli/KeypadReading.h"
#include "device/discovery.h"
#include "firmware/ble/BleParameters.h"
#include "keypad/KeypadSelection.h"
#include "keypad/ReplyText.h"
#include "keypad/StatusRead.h"
#include "platform/text/NarrowText.h"

#include <QJsonArray>
#include <QJsonObject>

namespace cli {
namespace {

// The power level's text in the BLE window's list (" -1dbm" for level 8); nothing when the
// level is not in it.
std::optional<std::string> PowerLevelText(const std::string& level) {
    const auto number = ble::ParsePowerLevel(level);
    if (!number || *number < 1 || *number > ble::kPowerLevelCount) {
        return std::nullopt;
    }
    return ble::PowerLevelItems()[static_cast<size_t>(*number - 1)];
}

std::string PowerLevelSuffix(const std::string& level) {
    const auto text = PowerLevelText(level);
    return text ? " (" + JsonText(*text).toStdString() + ")" : " (not in the list)";
}

template <typename Bytes> QJsonArray Numbers(const Bytes& bytes) {
    QJsonArray array;
    for (uint8_t b : bytes) {
        array.append(static_cast<int>(b));
    }
    return array;
}

template <typename Bytes> std::string Joined(const Bytes& bytes) {
    std::string text;
    for (uint8_t b : bytes) {
        text += std::to_string(b) + ",";
    }
    return text;
}

// A decimal text as a number; null when the keypad sent something else.
QJsonValue Number(const std::string& text) {
    bool ok = false;
    const int value = JsonText(text).toInt(&ok, 10);
    return ok ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonObject BleJson(const keypad::BleParams& ble) {
    const auto level = ble::ParsePowerLevel(ble.powerLevel);
    const auto text = PowerLevelText(ble.powerLevel);
    return QJsonObject{
        {"name", JsonRawText(ble.name)},
        {"manufacturerData", JsonText(ble.manufacturerData)},
        {"powerLevel", level ? QJsonValue(*level) : QJsonValue(QJsonValue::Null)},
        {"powerLevelText", text ? QJsonValue(JsonText(*text)) : QJsonValue(QJsonValue::Null)},
        {"enabled", ble.enable != 0},
        {"moduleFitted", ble.moduleFitted}};
}

QJsonObject StatusJson(const KeypadReading& reading) {
    const keypad::KeypadStatus& s = *reading.status();
    QJsonObject status{{"ledBrightness", s.ledBrightness},
                       {"tableKind", s.tableKind},
                       {"tableKindName", JsonText(keypad::TableKindName(s.tableKind))},
                       {"jackStatus", JsonText(s.jackStatus)},
                       {"hvStatus", JsonText(s.hvStatus)},
                       {"keyCodeBlock", Numbers(s.keyCodeBlock)},
                       {"firmwareVersion", JsonText(s.firmwareVersion)},
                       {"serialNumber", JsonText(s.serialNumber)},
                       {"temperature", Number(s.temperature)}};
    if (s.tableKind == keypad::CustomiseMulticodeTable) {
        status.insert("multipleCodeTable", Numbers(reading.MultipleCodeTable()));
    }
    QJsonArray lines;
    for (const std::string& line : reading.Lines()) {
        lines.append(JsonText(line));
    }
    return QJsonObject{
        {"status", status},
        {"product", QJsonObject{{"type", reading.productType},
                                {"name", JsonText(keypad::ProductName(reading.productType))}}},
        {"ble", reading.ble ? QJsonValue(BleJson(*reading.ble)) : QJsonValue(QJsonValue::Null)},
        {"statusLines", lines}};
}

void WriteText(std::ostream& out, const KeypadReading& reading) {
    const keypad::KeypadStatus& s = *reading.status();
    using keypad::PrintableReplyText;
    for (const std::string& line : reading.Lines()) {
        out << PrintableReplyText(line) << "\n";
    }
    out << "\n"
        << "LED brightness    " << s.ledBrightness << " ("
        << keypad::LedBrightnessText(s.ledBrightness) << ")\n"
        << "Code table        " << s.tableKind << " (" << keypad::TableKindName(s.tableKind)
        << ")\n"
        << "Jack              " << PrintableReplyText(keypad::WithoutPadding(s.jackStatus)) << "\n"
        << "Orientation       " << PrintableReplyText(keypad::WithoutPadding(s.hvStatus)) << "\n"
        << "Key code block    " << Joined(s.keyCodeBlock) << "\n";
    if (s.tableKind == keypad::CustomiseMulticodeTable) {
        out << "Multi-code block  " << Joined(reading.MultipleCodeTable()) << "\n";
    }
    out << "Firmware version  " << PrintableReplyText(keypad::WithoutPadding(s.firmwareVersion))
        << "\n"
        << "Serial number     " << PrintableReplyText(keypad::WithoutPadding(s.serialNumber))
        << "\n"
        << "Temperature       " << s.temperature << "\n"
        << "Product           " << reading.productType << " ("
        << keypad::ProductName(reading.productType) << ")\n";
    if (!reading.ble) {
        out << "BLE               not read\n";
        return;
    }
    out << "BLE name          " << PrintableReplyText(reading.ble->name) << "\n"
        << "BLE data          " << PrintableReplyText(reading.ble->manufacturerData) << "\n"
        << "BLE power level   " << PrintableReplyText(reading.ble->powerLevel)
        << PowerLevelSuffix(reading.ble->powerLevel) << "\n"
        << "BLE enabled       " << reading.ble->enable
        << (reading.ble->enable != 0 ? " (yes)" : " (no)") << "\n"
        << "BLE module fitted " << (reading.ble->moduleFitted ? "yes" : "no") << "\n";
}

// Several keypads and none named: each one in turn, in the order 'devices' lists them, then
// each keypad left in its boot loader, which has no status to show but is not passed over.
int StatusOfEach(Context& context, const std::vector<std::string>& paths,
                 const std::vector<std::string>& loaderPaths) {
    const bool json = context.parser.isSet(JsonOption());
    QJsonArray keypads;
    int status = kExitOk;
    bool first = true;
    for (const std::string& path : paths) {
        QJsonObject entry{{"path", QString::fromStdString(path)}};
        std::string failure;
        if (const device::RescanResult scan = device::RescanForKeypadAt(path); !scan.found) {
            failure = WithoutLineBreak(device::NotConnectedMessage(scan));
        } else if (const KeypadReading reading = ReadKeypad(); reading.status() == nullptr) {
            failure = keypad::kStatusReadFailedText;
        } else if (json) {
            const QJsonObject described = StatusJson(reading);
            for (auto it = described.begin(); it != described.end(); ++it) {
                entry.insert(it.key(), it.value());
            }
        } else {
            context.out << (first ? "" : "\n") << "Keypad at " << path << "\n";
            WriteText(context.out, reading);
        }
        first = false;
        if (!failure.empty()) {
            status = kExitFailed;
            if (json) {
                entry.insert("error", JsonText(failure));
            } else {
                context.err << path << ": " << failure << "\n";
            }
        }
        keypads.append(entry);
    }
    for (const std::string& path : loaderPaths) {
        status = kExitFailed;
        if (json) {
            keypads.append(QJsonObject{
                {"path", QString::fromStdString(path)},
                {"error", JsonText(keypad::InBootLoaderText(path, loaderPaths.size()))}});
        } else {
            context.err << keypad::InBootLoaderText(path, loaderPaths.size()) << "\n";
        }
    }
    if (json) {
        WriteJson(context.out, QJsonObject{{"keypads", keypads}});
    }
    return status;
}

} // namespace

void AddStatusOptions(QCommandLineParser& parser) {
    parser.addOption(JsonOption());
}

int Status(Context& context) {
    if (!context.positional.isEmpty()) {
        return context.Usage("status takes no arguments.");
    }
    if (const int failed = ReachKeypads(context)) {
        return failed;
    }
    if (!context.selector.given()) {
        const std::vector<std::string> paths = device::KeypadPaths();
        const std::vector<std::string> loaderPaths = device::BootLoaderPaths();
        // Alone, a keypad in its boot loader is named by the message that no keypad answers.
        if (!paths.empty() && paths.size() + loaderPaths.size() > 1) {
            return StatusOfEach(context, paths, loaderPaths);
        }
    }
    if (const int failed = Connect(context)) {
        return failed;
    }
    const KeypadReading reading = ReadKeypad();
    if (reading.status() == nullptr) {
        return context.Fail(keypad::kStatusReadFailedText);
    }
    if (context.parser.isSet(JsonOption())) {
        WriteJson(context.out, StatusJson(reading));
    } else {
        WriteText(context.out, reading);
    }
    return kExitOk;
}

} // namespace cli
