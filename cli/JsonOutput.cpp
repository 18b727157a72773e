#include "JsonOutput.h"

#include <QJsonDocument>

namespace cli {

QString JsonRawText(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString JsonText(const std::string& text) {
    return JsonRawText(text).trimmed();
}

void WriteJson(std::ostream& out, QJsonObject object) {
    object.insert(QStringLiteral("version"), kJsonVersion);
    // QJsonDocument ends the indented form with a line break of its own.
    out << QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

} // namespace cli
