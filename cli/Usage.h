#pragma once

// How echovane-cli tells a user they called it wrongly: one line saying what is wrong, one
// saying where the help is, as git and most command-line tools do.

#include <QCommandLineParser>

#include <string>
#include <string_view>
#include <vector>

namespace cli {

// The name the program is run by in its own messages and help: "echovane-cli", or
// "echovane-cli-demo" for the demo, so that a hint copied from the demo runs the demo.
const std::string& ProgramName();
void SetProgramName(std::string_view name);
// A paragraph the program's help ends with (the demo says what it talks to); none by default.
const std::string& ProgramNote();
void SetProgramNote(std::string note);

// "echovane-cli: PROBLEM" then "Try 'echovane-cli COMMAND --help'." (no COMMAND: the
// program's own help), each on a line.
std::string UsageErrorText(std::string_view problem, std::string_view command = {});

// The parser's complaint in the same form, with the option as the user typed it
// ("unknown option '--bogus'").
std::string OptionErrorText(const QCommandLineParser& parser, std::string_view command = {});

// An option as the user typed it: the parser keeps its name without the dashes, and a single
// letter was a short option.
std::string TypedOptionName(const QString& name);

// The complaint about the first argument that is not UTF-8 text, or "" when all are. Qt reads the
// arguments as UTF-8: a file name in another encoding would come out as another name, and a
// file written there would be one nobody asked for.
std::string NotUtf8ArgumentProblem(int argc, const char* const* argv);

// The columns help text may fill: the parser lays its options out for 80.
inline constexpr size_t kHelpWidth = 79;

// Help text for an 80-column terminal: a line longer than width is broken between words, its
// continuation lines indented by its own indent plus hanging; shorter lines stay as written.
std::string WrappedText(std::string_view text, size_t width, size_t hanging = 0);

// "a, b or c" for a short list of names.
std::string OneOf(const std::vector<std::string>& names);

} // namespace cli
