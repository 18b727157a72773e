#include "Cli.h"

#include "cli/Command.h"
#include "cli/Confirmation.h"
#include "cli/JsonOutput.h"
#include "cli/Usage.h"

#include "device/discovery.h"
#include "keypad/KeypadCommands.h"
#include "keypad/KeypadSelection.h"
#include "keypad/ReplyText.h"
#include "keypad/StatusLines.h"
#include "keypad/TableKind.h"
#include "platform/RegularFile.h"
#include "platform/Utf8Path.h"
#include "platform/text/NarrowText.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>

#ifndef ECHOVANE_VERSION
#define ECHOVANE_VERSION "unknown"
#endif

namespace cli {

int Context::Fail(const std::string& message) {
    err << WithoutLineBreak(message) << "\n";
    return kExitFailed;
}

int Context::Usage(const std::string& message) {
    std::string problem = message;
    while (!problem.empty() && problem.back() == '.') {
        problem.pop_back();
    }
    err << UsageErrorText(problem, command);
    return kExitUsage;
}

namespace {
bool outputLossTold = false;
} // namespace

bool OutputLossTold() {
    return outputLossTold;
}

int Context::Done(const std::string& line) {
    if (quiet) {
        return kExitOk;
    }
    errno = 0;
    out << WithoutLineBreak(line) << "\n";
    out.flush();
    // The work is done but nobody read so (a closed pipe, a full disk): said where it can be,
    // so that a script does not do it again for nothing.
    if (!out.good()) {
        const int error = errno;
        err << "The output cannot be written"
            << (error != 0 ? " (" + platform::SystemReason(error) + ")" : std::string())
            << "; the line it lost:\n"
            << WithoutLineBreak(line) << "\n";
        outputLossTold = true;
        return kExitFailed;
    }
    return kExitOk;
}

const QCommandLineOption& JsonOption() {
    static const QCommandLineOption option(QStringLiteral("json"),
                                           QStringLiteral("Write the result as JSON."));
    return option;
}

int RefuseChoice(Context& context, const keypad::KeypadChoice& choice) {
    if (choice.outcome != keypad::KeypadChoice::Outcome::Ambiguous) {
        context.err << choice.message;
        return kExitFailed;
    }
    // As tools that talk to several devices do: name them and ask which.
    context.err << ProgramName() << ": " << choice.message
                << (context.selector.serialNumber ? "Name one with --device PATH.\n"
                                                  : "Name one with --serial SERIAL or --device "
                                                    "PATH.\n")
                << "Try '" << ProgramName() << " " << context.command << " --help'.\n";
    return kExitUsage;
}

int ReachKeypads(Context& context) {
    if (context.keypadsReached) {
        return kExitOk;
    }
    context.keypadsReached = true;
    if (context.console.beforeKeypads && !context.console.beforeKeypads()) {
        return kExitFailed;
    }
    return kExitOk;
}

int Connect(Context& context) {
    if (const int failed = ReachKeypads(context)) {
        return failed;
    }
    const keypad::KeypadChoice choice = keypad::OpenSelectedKeypad(context.selector);
    if (choice.outcome != keypad::KeypadChoice::Outcome::Opened) {
        return RefuseChoice(context, choice);
    }
    return kExitOk;
}

std::string AbsoluteFileName(const QString& given) {
    std::error_code ignored;
    // Not normalised: with a link in it, "link/../x.ini" is where the link leads, not "x.ini".
    return platform::Utf8FromPath(
        std::filesystem::absolute(platform::PathFromUtf8(given.toStdString()), ignored));
}

std::string BareName(const std::string& path) {
    return platform::Utf8FromPath(platform::PathFromUtf8(path).filename());
}

std::string WithoutLineBreak(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

namespace {

std::optional<int> ParseIndex(const QString& text, int limit) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < 0 || value >= limit) {
        return std::nullopt;
    }
    return value;
}

// The name as a line of text shows it: some names hold a run of spaces.
std::string KindName(int kind) {
    return platform::FromLatin1(keypad::TableKindName(kind)).simplified().toStdString();
}

// A kind by number or by name; names match ignoring case and runs of spaces.
std::optional<int> ParseKind(const QString& text) {
    if (auto index = ParseIndex(text, keypad::kTableKindCount)) {
        return index;
    }
    const QString wanted = text.simplified();
    for (int kind = 0; kind < keypad::kTableKindCount; ++kind) {
        if (QString::fromStdString(KindName(kind)).compare(wanted, Qt::CaseInsensitive) == 0) {
            return kind;
        }
    }
    return std::nullopt;
}

std::string LayoutHelpDetails() {
    std::string text = "KIND is the number or the name of a code table (names ignore case):\n";
    for (int kind = 0; kind < keypad::kTableKindCount; ++kind) {
        text += "  " + std::to_string(kind) + "  " + KindName(kind) + "\n";
    }
    return text;
}

std::string KindNames() {
    std::vector<std::string> names;
    for (int kind = 0; kind < keypad::kTableKindCount; ++kind) {
        names.push_back("'" + KindName(kind) + "'");
    }
    return OneOf(names);
}

const char* KindText(device::DeviceListing::Kind kind) {
    return kind == device::DeviceListing::Kind::Keypad ? "keypad" : "boot loader";
}

void AddDevicesOptions(QCommandLineParser& parser) {
    parser.addOption(JsonOption());
}

// What the ordinary reads made of the keypad behind a listed interface; nothing for other
// interfaces and for those that cannot be opened.
const keypad::KeypadListing* ReadingFor(const device::DeviceListing& entry,
                                        const std::vector<keypad::KeypadListing>& keypads) {
    if (entry.kind != device::DeviceListing::Kind::Keypad || !entry.protocolInterface ||
        !entry.openable) {
        return nullptr;
    }
    for (const auto& keypad : keypads) {
        if (keypad.path == entry.path) {
            return &keypad;
        }
    }
    return nullptr;
}

QJsonObject KeypadJson(const keypad::KeypadListing& keypad) {
    QJsonObject object{{"answered", keypad.answered}};
    if (!keypad.answered) {
        return object;
    }
    const keypad::KeypadStatus& status = *keypad.status;
    const int product = keypad.productType.value_or(0);
    object.insert("serialNumber", JsonText(status.serialNumber));
    object.insert("firmwareVersion", JsonText(status.firmwareVersion));
    object.insert("productType", keypad.productType ? QJsonValue(product) : QJsonValue());
    object.insert("productName", keypad.productType
                                     ? QJsonValue(JsonText(keypad::ProductName(product)))
                                     : QJsonValue());
    object.insert("tableKind", status.tableKind);
    object.insert("tableKindName", JsonText(keypad::TableKindName(status.tableKind)));
    return object;
}

std::string KeypadText(const keypad::KeypadListing& keypad) {
    if (!keypad.answered) {
        return "does not answer";
    }
    const keypad::KeypadStatus& status = *keypad.status;
    const std::string serial = keypad.SerialNumber();
    return "serial number " +
           (serial.empty() ? std::string("(none)") : keypad::PrintableReplyText(serial)) +
           ", firmware " +
           keypad::PrintableReplyText(keypad::WithoutPadding(status.firmwareVersion)) + ", " +
           (keypad.productType ? JsonText(keypad::ProductName(*keypad.productType)).toStdString()
                               : std::string("product unknown")) +
           ", code table " + std::to_string(status.tableKind) + " (" + KindName(status.tableKind) +
           ")";
}

int Devices(Context& context) {
    if (!context.positional.isEmpty()) {
        return context.Usage("devices takes no arguments.");
    }
    if (const int failed = ReachKeypads(context)) {
        return failed;
    }
    const auto listing = device::ListDevices();
    // Only when there is a keypad to read: a loop on an empty bus stays cheap.
    std::vector<keypad::KeypadListing> keypads;
    if (std::any_of(listing.begin(), listing.end(), [](const auto& entry) {
            return entry.kind == device::DeviceListing::Kind::Keypad && entry.openable;
        })) {
        keypads = keypad::DescribeKeypads();
    }
    if (context.parser.isSet(JsonOption())) {
        QJsonArray devices;
        for (const auto& entry : listing) {
            QJsonObject device{{"kind", QString::fromLatin1(KindText(entry.kind))},
                               {"path", QString::fromStdString(entry.path)},
                               {"interface", entry.interfaceNumber},
                               {"protocolInterface", entry.protocolInterface},
                               {"openable", entry.openable}};
            if (!entry.openable) {
                device.insert("whyNot", QString::fromStdString(entry.whyNot));
            }
            if (const keypad::KeypadListing* keypad = ReadingFor(entry, keypads)) {
                device.insert("keypad", KeypadJson(*keypad));
            }
            devices.append(device);
        }
        WriteJson(context.out, QJsonObject{{"devices", devices}});
        return kExitOk;
    }
    if (listing.empty()) {
        context.out << "No keypad or boot loader found.\n";
        return kExitOk;
    }
    for (const auto& entry : listing) {
        const std::string kind = KindText(entry.kind);
        context.out << kind << std::string(12 - kind.size(), ' ') << entry.path << "  interface "
                    << entry.interfaceNumber << (entry.protocolInterface ? " (protocol)" : "")
                    << "  "
                    << (entry.openable ? std::string("can be opened")
                                       : "cannot be opened: " + entry.whyNot)
                    << "\n";
        if (const keypad::KeypadListing* keypad = ReadingFor(entry, keypads)) {
            context.out << std::string(12, ' ') << KeypadText(*keypad) << "\n";
        }
    }
    return kExitOk;
}

int SetBrightness(Context& context) {
    if (context.positional.size() != 1) {
        return context.Usage("set-brightness takes one value, 0 to 9");
    }
    const auto level = ParseIndex(context.positional[0], keypad::kLedBrightnessLevels);
    if (!level) {
        return context.Usage("LED brightness '" + context.positional[0].toStdString() +
                             "' is not 0 to 9");
    }
    if (const int failed = Connect(context)) {
        return failed;
    }
    if (const keypad::CommandResult set = keypad::SetLedBrightness(*level); !set.ok()) {
        return context.Fail(set.message);
    }
    return context.Done("LED brightness set to " + std::to_string(*level) + ".");
}

int SetLayout(Context& context) {
    if (context.positional.size() != 1) {
        return context.Usage("set-layout takes one code table: its number (0 to 6) or its name");
    }
    const auto kind = ParseKind(context.positional[0]);
    if (!kind) {
        return context.Usage("unknown code table '" + context.positional[0].toStdString() +
                             "': give 0 to 6 or " + KindNames());
    }
    if (const int failed = Connect(context)) {
        return failed;
    }
    if (const keypad::CommandResult set = keypad::SetKeypadType(*kind); !set.ok()) {
        return context.Fail(set.message);
    }
    return context.Done("Code table " + std::to_string(*kind) + " (" + KindName(*kind) +
                        ") is active.");
}

int SaveDefaults(Context& context) {
    if (!context.positional.isEmpty()) {
        return context.Usage("save-defaults takes no arguments");
    }
    if (const int failed = Connect(context)) {
        return failed;
    }
    if (const keypad::CommandResult written = keypad::WriteDefault(); !written.ok()) {
        return context.Fail(written.message);
    }
    return context.Done("The keypad keeps its current settings.");
}

inline constexpr char kFactoryResetNeedsConfirmation[] =
    "factory-reset must be confirmed: run it on a terminal, or give --yes";
inline constexpr char kFactoryResetNotDone[] = "The keypad was not reset.";

void AddFactoryResetOptions(QCommandLineParser& parser) {
    parser.addOption(ConfirmationYesOption());
}

int FactoryReset(Context& context) {
    if (!context.positional.isEmpty()) {
        return context.Usage("factory-reset takes no arguments");
    }
    const Answer answer = Confirm(context, keypad::kResetToDefaultQuestion);
    if (answer == Answer::CannotAsk) {
        return context.Usage(kFactoryResetNeedsConfirmation);
    }
    if (answer == Answer::No) {
        return context.Fail(kFactoryResetNotDone);
    }
    if (const int failed = Connect(context)) {
        return failed;
    }
    const keypad::CommandResult reset = keypad::ResetToDefault();
    if (!reset.ok()) {
        return context.Fail(reset.message);
    }
    // The window asks for "Scan For Device"; a script simply runs its next command.
    return context.Done("The keypad is reset to its factory settings and reboots; give it a few "
                        "seconds before the next command.");
}

std::string BrightnessHelpDetails() {
    return "N is the LED brightness, 0 (darkest) to 9.\n";
}

std::string FactoryResetHelpDetails() {
    return "Asks first on a terminal; a script gives --yes.\n";
}

struct Subcommand {
    const char* name;
    const char* arguments;
    const char* description;
    std::function<void(QCommandLineParser&)> addOptions;
    std::function<int(Context&)> run;
    // More help after the description: value lists, rules.
    std::string (*details)() = nullptr;
    // Set for the commands that work on every keypad: why they refuse --serial and --device,
    // which their help leaves out.
    const char* everyKeypad = nullptr;
};

const std::vector<Subcommand>& Subcommands() {
    static const std::vector<Subcommand> subcommands = {
        {"devices", "[--json]",
         "List every keypad and boot loader found, and whether it can be opened.",
         AddDevicesOptions, Devices, nullptr,
         "devices lists every keypad; --serial and --device do not apply."},
        {"set-brightness", "N", "Set the LED brightness (0 to 9).", nullptr, SetBrightness,
         BrightnessHelpDetails},
        {"set-layout", "KIND", "Make a code table active, by number (0 to 6) or name.", nullptr,
         SetLayout, LayoutHelpDetails},
        {"save-defaults", "", "Make the keypad keep its current settings.", nullptr, SaveDefaults},
        {"factory-reset", "[--yes]", "Reset the keypad to its factory settings; it then reboots.",
         AddFactoryResetOptions, FactoryReset, FactoryResetHelpDetails},
        {"status", "[--json]",
         "Show the status block, product, BLE block and the main window's status lines.",
         AddStatusOptions, Status},
        {"table", "show [FILE | --json] | write FILE",
         "Show the active customise table (to FILE if given) or write one from FILE.",
         AddTableOptions, Table, TableHelpDetails},
        {"config", "save [FILE] | apply [FILE] | check FILE",
         "Save Changes to the configuration file (or FILE), reset the keypad from it, or check "
         "a file for import.",
         nullptr, Config, ConfigHelpDetails},
        {"ble", "show [--json] | set [--name NAME] [--power LEVEL] [--enable yes|no] ...",
         "Show or change the BLE module's parameters.", AddBleOptions, Ble, BleHelpDetails},
        {"upgrade", "FIRMWARE.txt [--yes] [--ram-bsl FILE] [--config FILE]",
         "Upgrade the keypad's firmware and restore its settings.", AddUpgradeOptions, Upgrade,
         UpgradeHelpDetails},
        {"provision",
         "--config FILE [--firmware FILE.txt [--firmware-version VERSION] [--ram-bsl FILE] "
         "[--yes]] [--count N] [--json]",
         "Set up every keypad connected and each one plugged in: firmware, saved settings, check.",
         AddProvisionOptions, Provision, ProvisionHelpDetails,
         "provision takes every keypad; --serial and --device do not apply."},
    };
    return subcommands;
}

const Subcommand* FindSubcommand(const QString& name) {
    for (const auto& candidate : Subcommands()) {
        if (name == QString::fromLatin1(candidate.name)) {
            return &candidate;
        }
    }
    return nullptr;
}

QString Overview() {
    QString text = QStringLiteral("Commands:\n");
    for (const auto& subcommand : Subcommands()) {
        const QString usage = QStringLiteral("%1 %2").arg(
            QString::fromLatin1(subcommand.name), QString::fromLatin1(subcommand.arguments));
        // Wrapped here, so that a long one goes on under its command's name.
        text += QString::fromStdString(
                    WrappedText("  " + usage.trimmed().toStdString(), kHelpWidth, 4)) +
                QStringLiteral("\n      %1\n").arg(QString::fromLatin1(subcommand.description));
    }
    text +=
        QStringLiteral("\n'%1 help COMMAND' explains one command.\n"
                       "Exit status: 0 done, 1 refused or failed, 2 bad usage; a second Ctrl+C\n"
                       "ends the program at once, as the signal does.")
            .arg(QString::fromStdString(ProgramName()));
    return text;
}

const QCommandLineOption& HelpOption() {
    static const QCommandLineOption option({QStringLiteral("h"), QStringLiteral("help")},
                                           QStringLiteral("Show this help."));
    return option;
}

const QCommandLineOption& VersionOption() {
    static const QCommandLineOption option(QStringLiteral("version"),
                                           QStringLiteral("Show the utility's version."));
    return option;
}

const QCommandLineOption& SerialOption() {
    static const QCommandLineOption option(
        QStringLiteral("serial"),
        QStringLiteral("The keypad that reports this serial number (when several are plugged in)."),
        QStringLiteral("SERIAL"));
    return option;
}

const QCommandLineOption& DeviceOption() {
    static const QCommandLineOption option(
        QStringLiteral("device"),
        QStringLiteral("The keypad at this path, as 'devices' lists it (when several are plugged "
                       "in)."),
        QStringLiteral("PATH"));
    return option;
}

const QCommandLineOption& QuietOption() {
    static const QCommandLineOption option(
        {QStringLiteral("q"), QStringLiteral("quiet")},
        QStringLiteral("Print no confirmation or progress when the command succeeds; what it is "
                       "asked to show is still shown, and errors and warnings (settings not "
                       "written back) still go to stderr."));
    return option;
}

// Qt's help with our own usage line in place of its first (which names the executable file).
std::string HelpText(const QCommandLineParser& parser, const std::string& usage) {
    const QString text = parser.helpText();
    const qsizetype firstBreak = text.indexOf(QLatin1Char('\n'));
    // An option in brackets stays whole on its line; a group too long for one breaks only
    // before the options it holds.
    std::string usageLine = "Usage: " + usage;
    int depth = 0;
    for (size_t i = 0; i < usageLine.size(); ++i) {
        char& c = usageLine[i];
        depth += c == '[' ? 1 : c == ']' ? -1 : 0;
        if (c == ' ' && depth > 0 && (i + 1 == usageLine.size() || usageLine[i + 1] != '[')) {
            c = '\x01';
        }
    }
    usageLine =
        WrappedText(usageLine, kHelpWidth, usageLine.find(' ', usageLine.find(' ') + 1) + 1);
    std::replace(usageLine.begin(), usageLine.end(), '\x01', ' ');
    return usageLine + "\n" +
           WrappedText((firstBreak < 0 ? QString() : text.mid(firstBreak + 1)).toStdString(),
                       kHelpWidth);
}

std::string ProgramHelp() {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sets up Vexor Echovane keypads from a script.\n\n") + Overview());
    parser.addOption(HelpOption());
    parser.addOption(VersionOption());
    parser.addOption(QuietOption());
    parser.addOption(SerialOption());
    parser.addOption(DeviceOption());
    // One line, which the manual page takes for its synopsis; the options are listed below.
    std::string help =
        HelpText(parser, ProgramName() + " [--serial SERIAL | --device PATH] COMMAND [ARGUMENTS]");
    if (!ProgramNote().empty()) {
        help += "\n" + WrappedText(ProgramNote(), kHelpWidth);
    }
    return help;
}

// forHelp: only the options the command takes. Parsing knows --serial and --device everywhere,
// so that a command they do not apply to says so.
void AddSubcommandOptions(QCommandLineParser& parser, const Subcommand& subcommand,
                          bool forHelp = false) {
    parser.addOption(HelpOption());
    parser.addOption(QuietOption());
    if (subcommand.everyKeypad == nullptr || !forHelp) {
        parser.addOption(SerialOption());
        parser.addOption(DeviceOption());
    }
    if (subcommand.addOptions) {
        subcommand.addOptions(parser);
    }
}

std::string SubcommandHelp(const Subcommand& subcommand) {
    QCommandLineParser parser;
    QString description = QString::fromLatin1(subcommand.description);
    if (subcommand.details != nullptr) {
        description += QStringLiteral("\n\n") + QString::fromStdString(subcommand.details());
        description = description.trimmed();
    }
    parser.setApplicationDescription(description);
    AddSubcommandOptions(parser, subcommand, true);
    std::string usage = ProgramName() + " " + subcommand.name;
    if (*subcommand.arguments != '\0') {
        usage += std::string(" ") + subcommand.arguments;
    }
    return HelpText(parser, usage);
}

int Help(const QStringList& topics, std::ostream& out, std::ostream& err) {
    // "help help" explains help, which the overview does.
    if (topics.isEmpty() || topics == QStringList{QStringLiteral("help")}) {
        out << ProgramHelp();
        return kExitOk;
    }
    if (topics.size() > 1) {
        err << UsageErrorText("help takes at most one command");
        return kExitUsage;
    }
    const Subcommand* subcommand = FindSubcommand(topics[0]);
    if (subcommand == nullptr) {
        err << UsageErrorText("'" + topics[0].toStdString() + "' is not a command");
        return kExitUsage;
    }
    out << SubcommandHelp(*subcommand);
    return kExitOk;
}

} // namespace

int Run(const QStringList& args, std::ostream& out, std::ostream& err) {
    return Run(args, out, err, Console{});
}

int Run(const QStringList& args, std::ostream& out, std::ostream& err, const Console& console) {
    // A first pass finds the subcommand; an option it does not know may be the subcommand's.
    QCommandLineParser first;
    first.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    first.addOption(HelpOption());
    first.addOption(VersionOption());
    first.addOption(QuietOption());
    // They take a value, which must not be taken for the command's name.
    first.addOption(SerialOption());
    first.addOption(DeviceOption());
    const bool firstParsed = first.parse(args);
    const QStringList words = first.positionalArguments();
    if (words.isEmpty()) {
        if (!firstParsed) {
            err << OptionErrorText(first);
            return kExitUsage;
        }
        if (first.isSet(VersionOption())) {
            out << ProgramName() << " " << ECHOVANE_VERSION << "\n";
            return kExitOk;
        }
        if (first.isSet(HelpOption())) {
            out << ProgramHelp();
            return kExitOk;
        }
        err << UsageErrorText("no command given");
        return kExitUsage;
    }
    if (words[0] == QStringLiteral("help")) {
        return Help(words.mid(1), out, err);
    }
    const Subcommand* subcommand = FindSubcommand(words[0]);
    if (subcommand == nullptr) {
        err << UsageErrorText("'" + words[0].toStdString() + "' is not a command");
        return kExitUsage;
    }

    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    AddSubcommandOptions(parser, *subcommand);
    // The program's own --version before the command name still works.
    parser.addOption(VersionOption());
    if (!parser.parse(args)) {
        err << OptionErrorText(parser, subcommand->name);
        return kExitUsage;
    }
    if (parser.isSet(HelpOption())) {
        out << SubcommandHelp(*subcommand);
        return kExitOk;
    }
    if (parser.isSet(VersionOption())) {
        out << ProgramName() << " " << ECHOVANE_VERSION << "\n";
        return kExitOk;
    }
    Context context{parser,           parser.positionalArguments().mid(1), out, err, console,
                    subcommand->name, parser.isSet(QuietOption())};
    // An option's value says one thing: given twice (two --serial), which was meant is unknown.
    for (const QString& name : parser.optionNames()) {
        if (parser.values(name).size() > 1) {
            return context.Usage(TypedOptionName(name) + " is given more than once.");
        }
    }
    // An empty argument (an unset shell variable, say) names nothing: no file, no value.
    if (context.positional.contains(QString())) {
        return context.Usage("an argument is empty ('')");
    }
    if (parser.isSet(SerialOption())) {
        context.selector.serialNumber = parser.value(SerialOption()).trimmed().toStdString();
        if (context.selector.serialNumber->empty()) {
            return context.Usage("--serial takes the serial number a keypad reports.");
        }
    }
    if (parser.isSet(DeviceOption())) {
        context.selector.path = parser.value(DeviceOption()).toStdString();
        if (context.selector.path->empty()) {
            return context.Usage("--device takes the path 'devices' lists.");
        }
    }
    if (subcommand->everyKeypad != nullptr && context.selector.given()) {
        return context.Usage(subcommand->everyKeypad);
    }
    const int status = subcommand->run(context);
    CloseOpenKeypad();
    return status;
}

} // namespace cli
