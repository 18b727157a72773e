#include "version.h"

#include "resources/EchovaneResources.h"

#include <QFile>

namespace praxil_usb_encoder {

namespace {
const QString kStringsPath = QStringLiteral(":/text/version.strings");
}

version::version(QWidget* parent) : QWidget(parent) {}

QString version::GetString(const QString& name) {
    resources::InitEchovaneResources();
    QFile file(kStringsPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    // One "Name=value" per line.
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && line.left(equals) == name) {
            return line.mid(equals + 1);
        }
    }
    return {};
}

} // namespace praxil_usb_encoder
