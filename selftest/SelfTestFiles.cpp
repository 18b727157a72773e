#include "SelfTestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

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
    // The copy keeps its name (players may go by the extension) and lives until the program
    // ends, so a player may keep reading it.
    static QTemporaryDir copies;
    if (!copies.isValid() || !QFileInfo::exists(path)) {
        return {};
    }
    const QString copy = copies.filePath(name);
    if (!QFileInfo::exists(copy) && !QFile::copy(path, copy)) {
        return {};
    }
    return copy;
}

} // namespace praxil_usb_encoder
