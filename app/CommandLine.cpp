#include "CommandLine.h"

#include <string_view>

#ifndef ECHOVANE_VERSION
#define ECHOVANE_VERSION "unknown"
#endif

namespace app {

std::optional<int> AnswerCommandLine(int argc, const char* const* argv, const std::string& name,
                                     std::ostream& out) {
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--version") {
            out << name << " " << ECHOVANE_VERSION << "\n";
            return 0;
        }
        if (argument == "--help" || argument == "-h") {
            out << "Usage: " << name << " [Qt options]\n"
                << "Sets up a Vexor Echovane keypad in its windows: status, LED brightness, code "
                   "tables,\nconfiguration files, BLE module, self test and firmware upgrade.\n"
                   "It takes no options of its own beyond --help and --version; 'echovane-cli "
                   "--help'\ntells the command line, which does the same from scripts.\n";
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace app
