#include "StatusLines.h"

namespace keypad {
namespace {

std::string Printable(std::string text) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        }
    }
    return text;
}

} // namespace

std::string ProductName(int productType) {
    if (productType >= 0 && static_cast<size_t>(productType) < kProductNameCount) {
        return std::string(productArray[static_cast<size_t>(productType)]);
    }
    return "Unknown Product (" + std::to_string(productType) + ")";
}

std::string LedBrightnessText(int ledBrightness) {
    return "LED Brightness - " + std::to_string(ledBrightness);
}

StatusLines ConnectedStatusLines(const StatusLineValues& values) {
    return {
        std::string(kDeviceConnectedLabel) + kDeviceName + kFirmwareVersionLabel +
            Printable(values.firmwareVersion),
        std::string(kCodeTableLoadedLabel) + Printable(values.tableKindText) +
            kProductVersionLabel + Printable(values.productName),
        std::string(kSerialNumberLabel) + Printable(values.serialNumber) + kJackStatusLabel +
            values.jackStatus + kHvStatusLabel + values.hvStatus,
    };
}

std::string NotConnectedStatusLine() {
    return std::string(kNotConnectedLabel) + kNoneValue + kNotConnectedFirmwareLabel + kNoneValue;
}

} // namespace keypad
