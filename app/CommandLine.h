#pragma once

// The window program's own command line: --help and --version answered as every program
// answers them, before any window (or display) is needed. Everything else is Qt's (-platform,
// -style, ...), as before.

#include <optional>
#include <ostream>
#include <string>

namespace app {

// The exit status when the command line asked for help or the version (written to out), else
// nothing and the program starts its windows.
std::optional<int> AnswerCommandLine(int argc, const char* const* argv, const std::string& name,
                                     std::ostream& out);

} // namespace app
