// provision --config FILE [--firmware FILE.txt] [--count N] [--json]: a batch of keypads set up
// one after another as they are plugged in, one line (or JSON line) a keypad.

#include "cli/Command.h"
#include "cli/Confirmation.h"
#include "cli/JsonOutput.h"
#include "firmware/UpgradeSequence.h"
#include "keypad/KeypadSelection.h"
#include "keypad/ReplyText.h"
#include "platform/Interrupt.h"
#include "provision/BatchProvisioner.h"

#include <QJsonDocument>

#include <cmath>
#include <cstdio>

namespace cli {
namespace {

inline constexpr char kNotStartedText[] = "No keypad was provisioned.";
inline constexpr char kNeedsConfirmationText[] =
    "provision with --firmware must be confirmed: run it on a terminal, or give --yes";

const QCommandLineOption& ConfigOption() {
    static const QCommandLineOption option(
        QStringLiteral("config"),
        QStringLiteral("The configuration file whose saved settings every keypad gets."),
        QStringLiteral("FILE"));
    return option;
}

const QCommandLineOption& FirmwareOption() {
    static const QCommandLineOption option(
        QStringLiteral("firmware"),
        QStringLiteral("Upgrade each keypad with this firmware first, but for one that "
                       "already runs the version it installs (see --firmware-version)."),
        QStringLiteral("FILE.txt"));
    return option;
}

const QCommandLineOption& FirmwareVersionOption() {
    static const QCommandLineOption option(
        QStringLiteral("firmware-version"),
        QStringLiteral("The version the firmware file installs, as keypads report it (else it "
                       "is learnt from the first keypad upgraded)."),
        QStringLiteral("VERSION"));
    return option;
}

// What asks a run to stop after the keypad at hand, where the program runs.
#ifdef _WIN32
inline constexpr char kStopRequestsText[] = "Ctrl+C or Ctrl+Break";
#else
inline constexpr char kStopRequestsText[] = "Ctrl+C, SIGTERM or SIGHUP";
#endif

const QCommandLineOption& CountOption() {
    static const QCommandLineOption option(
        QStringLiteral("count"),
        QStringLiteral("End after N keypads (else %1 ends the run).")
            .arg(QString::fromLatin1(kStopRequestsText)),
        QStringLiteral("N"));
    return option;
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

std::string Line(const provision::KeypadOutcome& outcome, bool firmwareGiven) {
    std::vector<std::string> steps;
    if (outcome.upgraded) {
        steps.push_back("firmware " + keypad::PrintableReplyText(outcome.firmwareBefore) + " -> " +
                        (outcome.firmwareAfter.empty()
                             ? std::string("new")
                             : keypad::PrintableReplyText(outcome.firmwareAfter)));
    } else if (outcome.upgradeFailed) {
        // Not "nothing done": the keypad may have lost its application.
        steps.push_back("firmware upgrade failed");
    } else if (firmwareGiven && outcome.configured) {
        steps.push_back("firmware " + keypad::PrintableReplyText(outcome.firmwareBefore) + " kept");
    }
    if (outcome.configured) {
        steps.push_back("configured");
    }
    if (outcome.checked) {
        steps.push_back("checked");
    }
    std::string done;
    for (size_t i = 0; i < steps.size(); ++i) {
        done += (i == 0 ? "" : ", ") + steps[i];
    }
    return provision::KeypadName(outcome.serialNumber, outcome.path) + "  " +
           (done.empty() ? std::string("nothing done") : done) + "  " +
           (outcome.ok ? std::string("ok") : "FAILED: " + outcome.error) + "  " +
           Seconds(outcome.seconds) + "\n";
}

// Our own text (UTF-8), or null.
QJsonValue TextOrNull(const std::string& text) {
    return text.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(text));
}

// A keypad's text (Latin-1), or null.
QJsonValue KeypadTextOrNull(const std::string& text) {
    return text.empty() ? QJsonValue() : QJsonValue(JsonText(text));
}

std::string JsonLine(const provision::KeypadOutcome& outcome) {
    const QJsonObject object{{"version", kJsonVersion},
                             {"serialNumber", JsonText(outcome.serialNumber)},
                             {"path", QString::fromStdString(outcome.path)},
                             {"firmwareBefore", KeypadTextOrNull(outcome.firmwareBefore)},
                             {"firmwareAfter", KeypadTextOrNull(outcome.firmwareAfter)},
                             {"upgradeFailed", outcome.upgradeFailed},
                             {"upgraded", outcome.upgraded},
                             {"configured", outcome.configured},
                             {"checked", outcome.checked},
                             {"ok", outcome.ok},
                             {"error", TextOrNull(outcome.error)},
                             // To the millisecond: what the clock tells apart.
                             {"seconds", std::round(outcome.seconds * 1000) / 1000}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

} // namespace

void AddProvisionOptions(QCommandLineParser& parser) {
    parser.addOption(ConfigOption());
    parser.addOption(FirmwareOption());
    parser.addOption(FirmwareVersionOption());
    parser.addOption(CountOption());
    parser.addOption(RamBslOption());
    parser.addOption(JsonOption());
    parser.addOption(ConfirmationYesOption());
}

std::string ProvisionHelpDetails() {
    return "Every keypad already connected is done first, then each one as it is plugged in, one "
           "at a time: the firmware upgrade when --firmware is given and the keypad does not run "
           "the version it installs yet (that version is known from --firmware-version, else "
           "from the first keypad upgraded), the saved settings of the configuration file (as "
           "'config apply' then "
           "'save-defaults'), then a status read that checks the keypad holds them. A keypad "
           "that fails does not stop the others; a keypad done once is not done again when it "
           "is plugged in again.\n"
           "One line per keypad (serial number, what was done, result, time), then one that counts "
           "them; --json writes one JSON object per keypad instead, and no count. " +
           std::string(kStopRequestsText) +
           " ends the run after the keypad at hand; a second one at once.\n"
           "--firmware asks first, as 'upgrade' does, on a terminal; a script gives --yes.\n"
           "Exit status 0 when every keypad succeeded, 1 otherwise, also when a stop leaves "
           "connected keypads not done (they are named).\n";
}

int Provision(Context& context) {
    if (!context.positional.isEmpty()) {
        return context.Usage("provision takes no arguments, only options.");
    }
    if (!context.parser.isSet(ConfigOption())) {
        return context.Usage("provision needs --config FILE.");
    }
    provision::Options options;
    if (context.parser.isSet(CountOption())) {
        bool ok = false;
        const int count = context.parser.value(CountOption()).toInt(&ok, 10);
        if (!ok || count < 1) {
            return context.Usage("--count takes a number of keypads, 1 or more, not '" +
                                 context.parser.value(CountOption()).toStdString() + "'.");
        }
        options.count = count;
    }

    if (context.parser.isSet(FirmwareVersionOption()) &&
        context.parser.value(FirmwareVersionOption()).trimmed().isEmpty()) {
        return context.Usage("--firmware-version takes the version keypads report, e.g. 1.0.900.");
    }

    SavedConfiguration saved;
    if (const int failed = ReadSavedConfiguration(context, ConfigOption(), saved)) {
        return failed;
    }
    options.plan = saved.plan;

    if (context.parser.isSet(FirmwareOption())) {
        const std::string file = context.parser.value(FirmwareOption()).toStdString();
        FirmwareForUpgrade firmwareFiles;
        if (const int failed = CheckFirmwareForUpgrade(context, file, firmwareFiles)) {
            return failed;
        }
        if (const int refused = ConfirmUpgrade(context, firmwareFiles.productWarning,
                                               kNeedsConfirmationText, kNotStartedText)) {
            return refused;
        }
        options.firmwarePath = file;
        options.bootLoaderFiles = firmwareFiles.bootLoader;
        options.firmwareImage = std::move(firmwareFiles.image);
        if (context.parser.isSet(FirmwareVersionOption())) {
            options.firmwareVersion =
                context.parser.value(FirmwareVersionOption()).trimmed().toStdString();
        }
    } else {
        for (const QCommandLineOption* option :
             {&FirmwareVersionOption(), &RamBslOption(), &ConfirmationYesOption()}) {
            if (context.parser.isSet(*option)) {
                return context.Usage("--" + option->names().constLast().toStdString() +
                                     " goes with --firmware.");
            }
        }
    }

    if (const int failed = ReachKeypads(context)) {
        return failed;
    }
    const bool json = context.parser.isSet(JsonOption());
    const bool firmwareGiven = options.firmwarePath.has_value();
    const bool terminal = context.console.progressBar && !json;
    bool progressShown = false;
    const auto clearProgress = [&]() {
        if (progressShown) {
            context.out << "\r\033[K";
            progressShown = false;
        }
    };
    const platform::InterruptCatcher interrupt;
    bool interruptTold = false;
    // What a closed pipe or a full disk took: said on the error output at the end.
    std::string lostLines;
    bool unpluggedInDownload = false;
    if (context.console.interactive || context.console.progressBar) {
        context.err << "Provisioning every keypad connected and each one plugged in; Ctrl+C ends "
                       "after the keypad at hand.\n";
    }
    provision::BatchProvisioner provisioner(
        options,
        [&](const provision::KeypadOutcome& outcome) {
            unpluggedInDownload |=
                outcome.upgradeFailed && !outcome.upgraded &&
                outcome.error.ends_with(WithoutLineBreak(firmware::kUnpluggedText));
            clearProgress();
            const std::string line = json ? JsonLine(outcome) : Line(outcome, firmwareGiven);
            context.out << line;
            context.out.flush();
            if (!context.out.good()) {
                lostLines += line;
            }
        },
        // Output nobody reads any more (a closed pipe, a full disk) would leave keypads set up
        // without a record: the run ends after the keypad at hand, as for Ctrl+C.
        [&]() {
            if (interrupt.Interrupted() && !interruptTold) {
                interruptTold = true;
                clearProgress();
                context.err << interrupt.What() << ": stopping after the keypad at hand.\n";
            }
            return interrupt.Interrupted() || !context.out.good();
        },
        [&](const std::string& keypad, const std::string& line) {
            if (!terminal) {
                return;
            }
            clearProgress();
            context.out << keypad << ": " << line;
            context.out.flush();
            progressShown = true;
        });
    const provision::Summary summary = provisioner.Run();
    clearProgress();
    // The keypads whose lines a closed pipe or a full disk took are not lost with them.
    if (!lostLines.empty()) {
        context.err << "The output cannot be written; the lines it lost:\n" << lostLines;
    }
    if (json) {
        // A script reading the lines learns of the keypads the stop left as of any other.
        for (const provision::KeypadOutcome& outcome : summary.leftUndone) {
            context.out << JsonLine(outcome);
        }
    } else if (!context.quiet) {
        context.out << summary.done << (summary.done == 1 ? " keypad" : " keypads")
                    << " provisioned, " << summary.failed << " failed"
                    << (summary.leftUndone.empty()
                            ? std::string()
                            : ", " + std::to_string(summary.leftUndone.size()) + " not done")
                    << ".\n";
    }
    // Keypads connected and not done: the batch is not through, whatever ended the run.
    std::string undone;
    for (const provision::KeypadOutcome& outcome : summary.leftUndone) {
        undone += (undone.empty() ? "" : ", ") +
                  provision::KeypadName(outcome.serialNumber, outcome.path);
    }
    if (!summary.stoppedBecause.empty()) {
        context.err << summary.stoppedBecause;
        // A RAM boot loader that is not the vendor's takes the keypad off the bus as if it had
        // been unplugged.
        if (const std::string hint = ForeignRamBslHint(options.bootLoaderFiles);
            !hint.empty() && unpluggedInDownload) {
            context.err << "\n" << hint;
        }
        context.err << "\n";
        if (!summary.leftUndone.empty()) {
            context.err << "Not done: " << undone << ".\n";
        }
        return kExitFailed;
    }
    // The program's end says the output was lost.
    if (!context.out.good()) {
        if (!undone.empty()) {
            context.err << "Not done, as the output cannot be written: " << undone << ".\n";
        }
        return kExitFailed;
    }
    // Ctrl+C before the keypads asked for were done: a script must not take it for the batch.
    const bool countShort = options.count && summary.done + summary.failed < *options.count;
    if (countShort || !undone.empty()) {
        context.err << "Stopped by " << interrupt.What();
        if (countShort) {
            context.err << " after " << summary.done + summary.failed << " of " << *options.count
                        << " keypads" << (undone.empty() ? "" : ",");
        }
        if (!undone.empty()) {
            context.err << " before the keypads still connected were done: " << undone;
        }
        context.err << ".\n";
        return kExitFailed;
    }
    return summary.failed == 0 ? kExitOk : kExitFailed;
}

} // namespace cli
