#include "BleNameValidator.h"

#include "firmware/ble/BleParameters.h"

namespace praxil_usb_encoder {

QValidator::State BleNameValidator::validate(QString& input, int& pos) const {
    QString kept;
    int keptBeforeCursor = 0;
    const QList<uint> codePoints = input.toUcs4();
    int at = 0;
    for (const uint c : codePoints) {
        const int units = c > 0xFFFF ? 2 : 1;
        if (ble::IsNameCharacter(static_cast<char32_t>(c))) {
            kept.append(QChar(static_cast<char16_t>(c)));
            if (at < pos) {
                ++keptBeforeCursor;
            }
        }
        at += units;
    }
    if (kept.size() > ble::kNameMaxLength) {
        kept.truncate(ble::kNameMaxLength);
        keptBeforeCursor = std::min(keptBeforeCursor, ble::kNameMaxLength);
    }
    input = kept;
    pos = keptBeforeCursor;
    return Acceptable;
}

} // namespace praxil_usb_encoder
