#pragma once

// The self test's pictures and sound: the file of that name in the working directory when
// there is one, else the copy built into the program.

#include <QString>

namespace praxil_usb_encoder {

// A path Qt can load from (a file path or a ":/selftest/..." resource path).
QString SelfTestFilePath(const QString& name);

// A path on disk, for players that read files: a resource is copied out once per run.
// Empty when neither exists.
QString SelfTestNativeFilePath(const QString& name);

} // namespace praxil_usb_encoder
