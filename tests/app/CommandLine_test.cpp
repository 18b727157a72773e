// The window program answers --help and --version itself, before a window or a display is
// needed; anything else is left to Qt.

#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

struct CommandLineCase {
    const char* name;
    std::vector<const char*> arguments;
    bool answered;
    const char* firstLine;
};

void PrintTo(const CommandLineCase& c, std::ostream* os) {
    *os << c.name;
}

class WindowProgramCommandLine : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(WindowProgramCommandLine, AnswersHelpAndVersionAndLeavesTheRestToQt) {
    const CommandLineCase& c = GetParam();
    std::vector<const char*> argv{"echovane-config"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    std::ostringstream out;
    const auto answered =
        app::AnswerCommandLine(static_cast<int>(argv.size()), argv.data(), "echovane-config", out);
    EXPECT_EQ(answered.has_value(), c.answered);
    if (c.answered) {
        EXPECT_EQ(*answered, 0);
    }
    EXPECT_EQ(out.str().substr(0, out.str().find('\n') + 1), c.firstLine);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, WindowProgramCommandLine,
    ::testing::Values(
        CommandLineCase{"Nothing", {}, false, ""},
        CommandLineCase{"Version", {"--version"}, true, "echovane-config " ECHOVANE_VERSION "\n"},
        CommandLineCase{"Help", {"--help"}, true, "Usage: echovane-config [Qt options]\n"},
        CommandLineCase{"ShortHelpAfterAQtOption",
                        {"-platform", "offscreen", "-h"},
                        true,
                        "Usage: echovane-config [Qt options]\n"},
        CommandLineCase{"QtOptionsOnly", {"-platform", "offscreen"}, false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
