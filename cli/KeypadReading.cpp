#include "KeypadReading.h"

namespace cli {

KeypadReading ReadKeypad() {
    KeypadReading reading;
    reading.productType = keypad::ReadProductType().value_or(0);
    reading.read = keypad::ReadStatus();
    if (reading.read.ok()) {
        reading.ble = keypad::ReadBleParams();
    }
    return reading;
}

keypad::ExtraCodeBlock KeypadReading::MultipleCodeTable() const {
    return read.ok() ? read.multipleCodeTable.value_or(keypad::ExtraCodeBlock{})
                     : keypad::ExtraCodeBlock{};
}

keypad::StatusLines KeypadReading::Lines() const {
    const keypad::KeypadStatus* s = status();
    if (s == nullptr) {
        return {keypad::NotConnectedStatusLine(), "", ""};
    }
    return keypad::ConnectedStatusLines({s->firmwareVersion, keypad::TableKindName(s->tableKind),
                                         keypad::ProductName(productType), s->serialNumber,
                                         s->jackStatus, s->hvStatus});
}

} // namespace cli
