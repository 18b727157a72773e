#pragma once

// Keeps the Bluetooth name box to characters that travel unchanged as 8-bit text: others are
// dropped as they are typed or pasted.

#include <QValidator>

namespace praxil_usb_encoder {

class BleNameValidator final : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

} // namespace praxil_usb_encoder
