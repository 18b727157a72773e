#pragma once

// Never shown: carries the software version and part number as resource strings for the
// about box.

#include <QString>
#include <QWidget>

namespace praxil_usb_encoder {

class version : public QWidget {
    Q_OBJECT
public:
    explicit version(QWidget* parent = nullptr);

    // The resource string of that name ("Version", "Part_Number"); empty when there is none.
    static QString GetString(const QString& name);
};

} // namespace praxil_usb_encoder
