#include "SelfTestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include <memory>

namespace praxil_usb_encoder {
namespace {

const QString kResourceFolder = QStringLiteral(":/selftest/");

} // namespace

QString SelfTestFilePath(const QString& name) {
    const QString local = QDir::current().filePath(name);
    if (QFileInfo(local).isFile()) {
        return local;
    }
    return kResourceFolder + name;
}

QString SelfTestNativeFilePath(const QString& name) {
    const QString path = SelfTestFilePath(name);
    if (!path.startsWith(kResourceFolder)) {
        return path;
    }
    // Copies live until the program ends, so a player may keep reading them.
    static QHash<QString, std::shared_ptr<QTemporaryFile>> copies;
    auto found = copies.find(name);
    if (found == copies.end()) {
        QFile resource(path);
        std::shared_ptr<QTemporaryFile> copy(QTemporaryFile::createNativeFile(resource));
        if (!copy) {
            return {};
        }
        found = copies.insert(name, copy);
    }
    return found.value()->fileName();
}

} // namespace praxil_usb_encoder
