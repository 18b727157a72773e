#pragma once

// A question the user must answer Yes to before a command does something that cannot be
// undone: asked on a terminal, answered by --yes in a script, refused without either.

#include <QCommandLineOption>

#include <string>

namespace cli {

struct Context;

// -y, --yes for a command whose only question is its confirmation.
const QCommandLineOption& ConfirmationYesOption();

enum class Answer { Yes, No, CannotAsk };
// Yes at once when the command was given --yes (whatever the option's description).
Answer Confirm(Context& context, const std::string& question);

} // namespace cli
