#include "cli/Cli.h"
#include "cli/Usage.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#ifdef ECHOVANE_DEMO
#include "cli/DemoKeypad.h"
#endif

namespace {

bool IsTerminal(FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

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
#ifndef _WIN32
    // Windows hands the arguments over as UTF-16; elsewhere they are bytes.
    if (const std::string problem = cli::NotUtf8ArgumentProblem(argc, argv); !problem.empty()) {
        std::cerr << cli::UsageErrorText(problem);
        return cli::kExitUsage;
    }
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("echovane-cli"));
#ifdef ECHOVANE_DEMO
    cli::DemoKeypad keypad;
#endif
    cli::Console console;
    console.progressBar = IsTerminal(stdout);
    console.interactive = IsTerminal(stdin);
    console.ask = AskOnTerminal;
    return cli::Run(QCoreApplication::arguments(), std::cout, std::cerr, console);
}
