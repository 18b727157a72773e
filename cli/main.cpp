#include "cli/Cli.h"

#include <QCoreApplication>

#include <iostream>
#include <string>

#include <unistd.h>

#ifdef ECHOVANE_DEMO
#include "cli/DemoKeypad.h"
#endif

namespace {

bool AskOnTerminal(const std::string& question) {
    std::cerr << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        return false;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("echovane-cli"));
#ifdef ECHOVANE_DEMO
    cli::DemoKeypad keypad;
#endif
    cli::Console console;
    console.progressBar = isatty(STDOUT_FILENO) != 0;
    console.interactive = isatty(STDIN_FILENO) != 0;
    console.ask = AskOnTerminal;
    return cli::Run(QCoreApplication::arguments(), std::cout, std::cerr, console);
}
