#include "Usage.h"

#include "platform/CommandLineName.h"

#include <QByteArrayView>
#include <QStringDecoder>

#include <algorithm>
#include <utility>

namespace cli {

const std::string& ProgramName() {
    return platform::CommandLineName();
}

void SetProgramName(std::string_view name) {
    platform::SetCommandLineName(name);
}

namespace {
std::string& Note() {
    static std::string note;
    return note;
}
} // namespace

const std::string& ProgramNote() {
    return Note();
}

void SetProgramNote(std::string note) {
    Note() = std::move(note);
}

std::string UsageErrorText(std::string_view problem, std::string_view command) {
    std::string text = ProgramName() + ": " + std::string(problem) + "\n";
    text += "Try '" + ProgramName() + " ";
    if (!command.empty()) {
        text += std::string(command) + " ";
    }
    text += "--help'.\n";
    return text;
}

std::string NotUtf8ArgumentProblem(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        // Stateless: a sequence cut off at the end is an error, not the start of more.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder(QByteArrayView(argv[i]));
        if (decoder.hasError()) {
            return "'" + text.toStdString() +
                   "' is not UTF-8 text: give it in UTF-8 (run in a UTF-8 locale; a file of "
                   "such a name: rename it)";
        }
    }
    return {};
}

std::string TypedOptionName(const QString& name) {
    return (name.size() == 1 ? "-" : "--") + name.toStdString();
}

std::string OptionErrorText(const QCommandLineParser& parser, std::string_view command) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        return UsageErrorText("unknown option '" + TypedOptionName(unknown.front()) + "'", command);
    }
    // Qt's own sentence ("Missing value after '--name'."), in the same lower-case form.
    std::string problem = parser.errorText().toStdString();
    if (!problem.empty() && problem.back() == '.') {
        problem.pop_back();
    }
    if (!problem.empty() && problem[0] >= 'A' && problem[0] <= 'Z') {
        problem[0] = static_cast<char>(problem[0] - 'A' + 'a');
    }
    return UsageErrorText(problem, command);
}

std::string WrappedText(std::string_view text, size_t width, size_t hanging) {
    std::string wrapped;
    while (true) {
        const size_t lineEnd = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, lineEnd);
        const size_t indent = line.find_first_not_of(' ');
        if (line.size() <= width || indent == std::string_view::npos) {
            wrapped += line;
        } else {
            std::string current(indent, ' ');
            size_t prefix = indent;
            for (size_t at = indent; at < line.size();) {
                const size_t wordEnd = std::min(line.find(' ', at), line.size());
                const std::string_view word = line.substr(at, wordEnd - at);
                at = wordEnd + 1;
                if (word.empty()) {
                    continue;
                }
                if (current.size() > prefix && current.size() + 1 + word.size() > width) {
                    wrapped += current + "\n";
                    prefix = indent + hanging;
                    current.assign(prefix, ' ');
                } else if (current.size() > prefix) {
                    current += ' ';
                }
                current += word;
            }
            wrapped += current;
        }
        if (lineEnd == text.size()) {
            return wrapped;
        }
        wrapped += '\n';
        text.remove_prefix(lineEnd + 1);
    }
}

std::string OneOf(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            text += i + 1 == names.size() ? " or " : ", ";
        }
        text += names[i];
    }
    return text;
}

} // namespace cli
