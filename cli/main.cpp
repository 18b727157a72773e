#include "cli/Cli.h"
#include "cli/Usage.h"

#include <QCoreApplication>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
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

#ifdef _WIN32
// Our texts are UTF-8; a console shows them as such only in that code page, and gets its own
// back when the program ends.
class Utf8Console {
public:
    Utf8Console() : previous_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
    ~Utf8Console() { SetConsoleOutputCP(previous_); }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    UINT previous_;
};
#endif

// What a script asked for lost on a full disk or a closed pipe is no success. The reason is
// known only when one of the last flushes is what failed.
int WithOutputWritten(int status) {
    errno = 0;
    std::cout.flush();
    int error = errno;
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (!flushed && errno != 0) {
        error = errno;
    }
    if ((flushed && !std::ferror(stdout) && std::cout.good()) || cli::OutputLossTold()) {
        return status;
    }
    std::cerr << cli::ProgramName() << ": unable to write the output"
              << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << "\n";
    return status == cli::kExitOk ? cli::kExitFailed : status;
}

#ifdef ECHOVANE_DEMO
// Help and the version need no keypad, also while another run holds the demo's: an option
// anywhere, or "help" as the command (not as the value of an option, "--name help").
bool AsksForHelpOrVersion(const QStringList& args) {
    bool commandSeen = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QStringLiteral("-h") || arg == QStringLiteral("--help") ||
            arg == QStringLiteral("--version")) {
            return true;
        }
        if (commandSeen) {
            continue;
        }
        if (arg == QStringLiteral("--serial") || arg == QStringLiteral("--device")) {
            ++i; // its value
        } else if (!arg.startsWith(u'-')) {
            commandSeen = true;
            if (arg == QStringLiteral("help")) {
                return true;
            }
        }
    }
    return false;
}
#endif

} // namespace

int main(int argc, char** argv) {
#ifdef ECHOVANE_DEMO
    cli::SetProgramName("echovane-cli-demo");
    cli::SetProgramNote(cli::DemoHelpNote());
#endif
#ifndef _WIN32
    // Windows hands the arguments over as UTF-16; elsewhere they are bytes.
    if (const std::string problem = cli::NotUtf8ArgumentProblem(argc, argv); !problem.empty()) {
        std::cerr << cli::UsageErrorText(problem);
        return cli::kExitUsage;
    }
    // A reader that goes away (a closed pipe) must not end the program halfway, in an upgrade
    // least of all: the writes fail instead, and the program says so at its end.
    std::signal(SIGPIPE, SIG_IGN);
#else
    const Utf8Console utf8Console;
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromStdString(cli::ProgramName()));
#ifdef ECHOVANE_DEMO
    std::optional<cli::DemoKeypad> keypad;
    if (!AsksForHelpOrVersion(QCoreApplication::arguments())) {
        keypad.emplace();
        if (keypad->refused()) {
            return cli::kExitFailed;
        }
    }
#endif
    cli::Console console;
    console.progressBar = IsTerminal(stdout);
    console.interactive = IsTerminal(stdin);
    console.ask = AskOnTerminal;
    return WithOutputWritten(
        cli::Run(QCoreApplication::arguments(), std::cout, std::cerr, console));
}
