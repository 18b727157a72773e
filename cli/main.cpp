#include "cli/Cli.h"
#include "cli/Usage.h"

#include <QCoreApplication>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <streambuf>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#ifdef ECHOVANE_DEMO
#include "cli/DemoKeypad.h"
#endif

namespace {

#ifndef _WIN32
// A standard stream the caller closed (">&-") must not lend its number to the next file the
// program opens, where the output would then land: it gets /dev/null, opened read-only so that
// writes to an output stream fail as on a closed one.
void KeepStandardStreamsTaken() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        // The lowest number free is this one: the lower ones are open by now.
        const int opened = open("/dev/null", O_RDONLY);
        if (opened >= 0 && opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
}
#endif

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

// Standard output through stdio, keeping the reason of the first write that failed: by the
// end of the run the stream only knows that one did.
class OutputKeepingItsFailure : public std::streambuf {
public:
    int failure() const { return failure_; }

protected:
    int overflow(int c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::not_eof(c);
        }
        const char byte = traits_type::to_char_type(c);
        return Write(&byte, 1) ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        return Write(text, static_cast<size_t>(count)) ? count : 0;
    }
    int sync() override {
        errno = 0;
        if (std::fflush(stdout) != 0) {
            Keep();
            return -1;
        }
        return 0;
    }

private:
    bool Write(const char* text, size_t count) {
        errno = 0;
        if (std::fwrite(text, 1, count, stdout) != count) {
            Keep();
            return false;
        }
        return true;
    }
    void Keep() {
        if (failure_ == 0) {
            failure_ = errno;
        }
    }
    int failure_ = 0;
};

// What a script asked for lost on a full disk or a closed pipe is no success.
int WithOutputWritten(int status, const OutputKeepingItsFailure& output) {
    std::cout.flush();
    const bool flushed = std::fflush(stdout) == 0;
    if ((flushed && !std::ferror(stdout) && std::cout.good()) || cli::OutputLossTold()) {
        return status;
    }
    const int error = output.failure();
    std::cerr << cli::ProgramName() << ": unable to write the output"
              << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << "\n";
    return status == cli::kExitOk ? cli::kExitFailed : status;
}

} // namespace

int main(int argc, char** argv) {
#ifdef ECHOVANE_DEMO
    cli::SetProgramName("echovane-cli-demo");
    cli::SetProgramNote(cli::DemoHelpNote());
#endif
#ifndef _WIN32
    KeepStandardStreamsTaken();
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
    cli::Console console;
    console.progressBar = IsTerminal(stdout);
    console.interactive = IsTerminal(stdin);
    console.ask = AskOnTerminal;
#ifdef ECHOVANE_DEMO
    // Taken only by a command that goes to the keypads: help, the version and a usage error
    // leave them (and another run holding them) alone.
    std::optional<cli::DemoKeypad> keypad;
    console.beforeKeypads = [&keypad] {
        keypad.emplace();
        return !keypad->refused();
    };
#endif
    OutputKeepingItsFailure output;
    std::streambuf* const standard = std::cout.rdbuf(&output);
    const int status = WithOutputWritten(
        cli::Run(QCoreApplication::arguments(), std::cout, std::cerr, console), output);
    std::cout.rdbuf(standard);
    return status;
}
