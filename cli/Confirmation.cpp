#include "Confirmation.h"

#include "cli/Command.h"

namespace cli {

const QCommandLineOption& ConfirmationYesOption() {
    static const QCommandLineOption option({QStringLiteral("y"), QStringLiteral("yes")},
                                           QStringLiteral("Answer Yes to the confirmation."));
    return option;
}

Answer Confirm(Context& context, const std::string& question) {
    if (context.parser.isSet(QStringLiteral("yes"))) {
        return Answer::Yes;
    }
    if (!context.console.interactive || !context.console.ask) {
        return Answer::CannotAsk;
    }
    return context.console.ask(question) ? Answer::Yes : Answer::No;
}

} // namespace cli
