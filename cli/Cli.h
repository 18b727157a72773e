#pragma once

// echovane-cli: what the main window does by hand, from a script, with the same cores and the
// same messages. Exit status 0 on success, 1 when the keypad refuses or a step fails (the
// message on stderr), 2 on bad usage.

#include "cli/Console.h"

#include <QStringList>

#include <iosfwd>

namespace cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// args as QCoreApplication::arguments() gives them (program name first).
int Run(const QStringList& args, std::ostream& out, std::ostream& err);
// The same on the given terminal (progress bar, questions).
int Run(const QStringList& args, std::ostream& out, std::ostream& err, const Console& console);

// Whether a command has said on stderr that the output was lost, with the line it lost: the end
// of the program need not say so again.
bool OutputLossTold();

} // namespace cli
