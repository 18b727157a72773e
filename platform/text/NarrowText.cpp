#include "NarrowText.h"

#include <QDir>

namespace platform {

QString FromLatin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string CoreFileName(const QString& path) {
    return QDir::toNativeSeparators(path).toStdString();
}

} // namespace platform
