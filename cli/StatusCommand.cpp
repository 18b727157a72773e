// status [--json]: what the main window shows after a scan.

#include "cli/Command.h"
#include "cli/KeypadReading.h"
#include "keypad/StatusRead.h"
#include "platform/text/NarrowText.h"

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
using platform::FromLatin1;

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

QJsonObject BleJson(const keypad::BleParams& ble) {
    return QJsonObject{{"name", FromLatin1(ble.name)},
                       {"manufacturerData", FromLatin1(ble.manufacturerData)},
                       {"powerLevel", FromLatin1(ble.powerLevel)},
                       {"enable", ble.enable},
                       {"moduleFitted", ble.moduleFitted}};
}

QJsonObject StatusJson(const KeypadReading& reading) {
    const keypad::KeypadStatus& s = *reading.status();
    QJsonObject status{{"ledBrightness", s.ledBrightness},
                       {"tableKind", s.tableKind},
                       {"tableKindName", FromLatin1(keypad::TableKindName(s.tableKind))},
                       {"jackStatus", FromLatin1(s.jackStatus)},
                       {"hvStatus", FromLatin1(s.hvStatus)},
                       {"keyCodeBlock", Numbers(s.keyCodeBlock)},
                       {"firmwareVersion", FromLatin1(s.firmwareVersion)},
                       {"serialNumber", FromLatin1(s.serialNumber)},
                       {"temperature", FromLatin1(s.temperature)}};
    if (s.tableKind == keypad::CustomiseMulticodeTable) {
        status.insert("multipleCodeTable", Numbers(reading.MultipleCodeTable()));
    }
    QJsonArray lines;
    for (const std::string& line : reading.Lines()) {
        lines.append(FromLatin1(line));
    }
    return QJsonObject{
        {"status", status},
        {"product", QJsonObject{{"type", reading.productType},
                                {"name", FromLatin1(keypad::ProductName(reading.productType))}}},
        {"ble", reading.ble ? QJsonValue(BleJson(*reading.ble)) : QJsonValue(QJsonValue::Null)},
        {"statusLines", lines}};
}

void WriteText(std::ostream& out, const KeypadReading& reading) {
    const keypad::KeypadStatus& s = *reading.status();
    for (const std::string& line : reading.Lines()) {
        out << line << "\n";
    }
    out << "\n"
        << "LED brightness    " << s.ledBrightness << " ("
        << keypad::LedBrightnessText(s.ledBrightness) << ")\n"
        << "Code table        " << s.tableKind << " (" << keypad::TableKindName(s.tableKind)
        << ")\n"
        << "Jack              " << s.jackStatus << "\n"
        << "Orientation       " << s.hvStatus << "\n"
        << "Key code block    " << Joined(s.keyCodeBlock) << "\n";
    if (s.tableKind == keypad::CustomiseMulticodeTable) {
        out << "Multi-code block  " << Joined(reading.MultipleCodeTable()) << "\n";
    }
    out << "Firmware version  " << s.firmwareVersion << "\n"
        << "Serial number     " << s.serialNumber << "\n"
        << "Temperature       " << s.temperature << "\n"
        << "Product           " << reading.productType << " ("
        << keypad::ProductName(reading.productType) << ")\n";
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
    if (reading.status() == nullptr) {
        return context.Fail(keypad::kStatusReadFailedText);
    }
    if (context.parser.isSet(JsonOption())) {
        context.out << QJsonDocument(StatusJson(reading)).toJson().toStdString();
    } else {
        WriteText(context.out, reading);
    }
    return kExitOk;
}

} // namespace cli
