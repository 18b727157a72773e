// status [--json]: what the main window shows after a scan.

#include "cli/Command.h"
#include "cli/KeypadReading.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {
namespace {

const QCommandLineOption& JsonOption() {
    static const QCommandLineOption option(QStringLiteral("json"),
                                           QStringLiteral("Write the result as JSON."));
    return option;
}

// Keypad texts are 8-bit; Latin-1 keeps every byte as one character.
QString Text(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
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

QJsonObject BleJson(const app::BleParams& ble) {
    return QJsonObject{{"name", Text(ble.name)},
                       {"manufacturerData", Text(ble.manufacturerData)},
                       {"powerLevel", Text(ble.powerLevel)},
                       {"enable", ble.enable},
                       {"moduleFitted", ble.moduleFitted}};
}

QJsonObject StatusJson(const KeypadReading& reading) {
    const app::KeypadStatus& s = *reading.status;
    QJsonObject status{{"ledBrightness", s.ledBrightness},
                       {"tableKind", s.tableKind},
                       {"tableKindName", Text(app::TableKindName(s.tableKind))},
                       {"jackStatus", Text(s.jackStatus)},
                       {"hvStatus", Text(s.hvStatus)},
                       {"keyCodeBlock", Numbers(s.keyCodeBlock)},
                       {"firmwareVersion", Text(s.firmwareVersion)},
                       {"serialNumber", Text(s.serialNumber)},
                       {"temperature", Text(s.temperature)}};
    if (s.tableKind == app::kCustomiseMulticodeKind) {
        status.insert("multipleCodeTable", Numbers(reading.multipleCodeTable));
    }
    QJsonArray lines;
    for (const std::string& line : reading.Lines()) {
        lines.append(Text(line));
    }
    return QJsonObject{
        {"status", status},
        {"product", QJsonObject{{"type", reading.productType},
                                {"name", Text(app::ProductName(reading.productType))}}},
        {"ble", reading.ble ? QJsonValue(BleJson(*reading.ble)) : QJsonValue(QJsonValue::Null)},
        {"statusLines", lines}};
}

void WriteText(std::ostream& out, const KeypadReading& reading) {
    const app::KeypadStatus& s = *reading.status;
    for (const std::string& line : reading.Lines()) {
        out << line << "\n";
    }
    out << "\n"
        << "LED brightness    " << s.ledBrightness << " ("
        << app::LedBrightnessText(s.ledBrightness) << ")\n"
        << "Code table        " << s.tableKind << " (" << app::TableKindName(s.tableKind) << ")\n"
        << "Jack              " << s.jackStatus << "\n"
        << "Orientation       " << s.hvStatus << "\n"
        << "Key code block    " << Joined(s.keyCodeBlock) << "\n";
    if (s.tableKind == app::kCustomiseMulticodeKind) {
        out << "Multi-code block  " << Joined(reading.multipleCodeTable) << "\n";
    }
    out << "Firmware version  " << s.firmwareVersion << "\n"
        << "Serial number     " << s.serialNumber << "\n"
        << "Temperature       " << s.temperature << "\n"
        << "Product           " << reading.productType << " ("
        << app::ProductName(reading.productType) << ")\n";
    if (!reading.ble) {
        out << "BLE               not read\n";
        return;
    }
    out << "BLE name          " << reading.ble->name << "\n"
        << "BLE data          " << reading.ble->manufacturerData << "\n"
        << "BLE power level   " << reading.ble->powerLevel << "\n"
        << "BLE enabled       " << reading.ble->enable << "\n"
        << "BLE module fitted " << (reading.ble->moduleFitted ? "yes" : "no") << "\n";
}

} // namespace

void AddStatusOptions(QCommandLineParser& parser) {
    parser.addOption(JsonOption());
}

int Status(Context& context) {
    if (!context.positional.isEmpty()) {
        return context.Usage("status takes no arguments.");
    }
    if (!Connect(context)) {
        return kExitFailed;
    }
    const KeypadReading reading = ReadKeypad();
    if (!reading.status) {
        return context.Fail(kStatusReadFailedText);
    }
    if (context.parser.isSet(JsonOption())) {
        context.out << QJsonDocument(StatusJson(reading)).toJson().toStdString();
    } else {
        WriteText(context.out, reading);
    }
    return kExitOk;
}

} // namespace cli
