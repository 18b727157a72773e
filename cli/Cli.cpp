#include "Cli.h"

#include "app/StatusLines.h"

#include "cli/Command.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"

#include <QCommandLineParser>

#include <functional>
#include <map>
#include <ostream>

namespace cli {

int Context::Fail(const std::string& message) {
    err << WithoutLineBreak(message) << "\n";
    return kExitFailed;
}

int Context::Usage(const std::string& message) {
    err << message << "\n" << parser.helpText().toStdString();
    return kExitUsage;
}

bool Connect(Context& context) {
    const device::RescanResult result = device::RescanForKeypad();
    if (!result.found) {
        context.err << device::NotConnectedMessage(result);
        return false;
    }
    return true;
}

int32_t Send(uint8_t command, const uint8_t* data, int32_t length, Reply* reply) {
    Reply ignored;
    Reply& into = reply != nullptr ? *reply : ignored;
    static_assert(sizeof(into.data) == kReportSize);
    return USBEncoderSendAndReceive_a(hid_handle.load(), command, data, length, into.data,
                                      kReportSize, &into.length, kCommandTimeoutMs);
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

// A kind by number or by name; names match ignoring case and runs of spaces.
std::optional<int> ParseKind(const QString& text) {
    const auto& names = app::kTableKindNames;
    if (auto index = ParseIndex(text, static_cast<int>(names.size()))) {
        return index;
    }
    const QString wanted = text.simplified();
    for (int kind = 0; kind < static_cast<int>(names.size()); ++kind) {
        if (QString::fromLatin1(names[kind].data(), static_cast<qsizetype>(names[kind].size()))
                .simplified()
                .compare(wanted, Qt::CaseInsensitive) == 0) {
            return kind;
        }
    }
    return std::nullopt;
}

int Devices(Context& context) {
    const auto listing = device::ListDevices();
    if (listing.empty()) {
        context.out << "No keypad or boot loader found.\n";
        return kExitOk;
    }
    for (const auto& entry : listing) {
        context.out << (entry.kind == device::DeviceListing::Kind::Keypad ? "keypad      "
                                                                          : "boot loader ")
                    << entry.path << "  interface " << entry.interfaceNumber
                    << (entry.protocolInterface ? " (protocol)" : "") << "  "
                    << (entry.openable ? std::string("can be opened")
                                       : "cannot be opened: " + entry.whyNot)
                    << "\n";
    }
    return kExitOk;
}

int SetBrightness(Context& context) {
    if (context.positional.size() != 1) {
        return context.Usage("set-brightness takes one value, 0 to 9.");
    }
    const auto level = ParseIndex(context.positional[0], 10);
    if (!level) {
        return context.Usage("The LED brightness must be a number from 0 to 9.");
    }
    if (!Connect(context)) {
        return kExitFailed;
    }
    const uint8_t data = static_cast<uint8_t>(*level);
    if (Send(CmdSetLedBrightness, &data, 1) != kExchangeOk) {
        return context.Fail("Unable to set the LED Brightness..");
    }
    return kExitOk;
}

int SetLayout(Context& context) {
    if (context.positional.size() != 1) {
        return context.Usage("set-layout takes one code table: its number (0 to 6) or its name.");
    }
    const auto kind = ParseKind(context.positional[0]);
    if (!kind) {
        return context.Usage("Unknown code table \"" + context.positional[0].toStdString() + "\".");
    }
    if (!Connect(context)) {
        return kExitFailed;
    }
    const uint8_t data = static_cast<uint8_t>(*kind);
    if (Send(CmdSetKeypadType, &data, 1) != kExchangeOk) {
        return context.Fail("Unable to set Keypad Type..");
    }
    return kExitOk;
}

int SaveDefaults(Context& context) {
    if (!context.positional.isEmpty()) {
        return context.Usage("save-defaults takes no arguments.");
    }
    if (!Connect(context)) {
        return kExitFailed;
    }
    if (Send(CmdWriteDefault) != kExchangeOk) {
        return context.Fail("Unable to Write Default..");
    }
    return kExitOk;
}

int FactoryReset(Context& context) {
    if (!context.positional.isEmpty()) {
        return context.Usage("factory-reset takes no arguments.");
    }
    if (!Connect(context)) {
        return kExitFailed;
    }
    if (Send(CmdResetToDefault) != kExchangeOk) {
        return context.Fail("Unable to Reset to Default..");
    }
    context.out << "Please click on Scan For to re-connect after device reboot.\n";
    return kExitOk;
}

struct Subcommand {
    const char* name;
    const char* arguments;
    const char* description;
    std::function<void(QCommandLineParser&)> addOptions;
    std::function<int(Context&)> run;
};

const std::vector<Subcommand>& Subcommands() {
    static const std::vector<Subcommand> subcommands = {
        {"devices", "", "List every keypad and boot loader found, and whether it can be opened.",
         nullptr, Devices},
        {"set-brightness", "N", "Set the LED brightness (0 to 9).", nullptr, SetBrightness},
        {"set-layout", "KIND", "Make a code table active, by number (0 to 6) or name.", nullptr,
         SetLayout},
        {"save-defaults", "", "Make the keypad keep its current settings.", nullptr, SaveDefaults},
        {"factory-reset", "", "Reset the keypad to its factory settings; it then reboots.", nullptr,
         FactoryReset},
        {"status", "[--json]",
         "Show the status block, product, BLE block and the main window's status lines.",
         AddStatusOptions, Status},
        {"table", "show [FILE] | write FILE",
         "Show the active customise table (to FILE if given) or write one from FILE.", nullptr,
         Table},
        {"config", "save [FILE] | apply [FILE] | check FILE",
         "Save Changes to the configuration file (or FILE), reset the keypad from it, or check "
         "a file for import.",
         nullptr, Config},
        {"ble", "show [--json] | set [--name NAME] [--power LEVEL] [--enable yes|no] ...",
         "Show or change the BLE module's parameters.", AddBleOptions, Ble},
        {"upgrade", "FIRMWARE.txt [--yes] [--ram-bsl FILE]",
         "Upgrade the keypad's firmware and restore its settings.", AddUpgradeOptions, Upgrade},
    };
    return subcommands;
}

QString Overview() {
    QString text = QStringLiteral("Commands:\n");
    for (const auto& subcommand : Subcommands()) {
        text += QStringLiteral("  %1 %2\n      %3\n")
                    .arg(QString::fromLatin1(subcommand.name),
                         QString::fromLatin1(subcommand.arguments),
                         QString::fromLatin1(subcommand.description));
    }
    return text;
}

} // namespace

int Run(const QStringList& args, std::ostream& out, std::ostream& err) {
    return Run(args, out, err, Console{});
}

int Run(const QStringList& args, std::ostream& out, std::ostream& err, const Console& console) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sets up Vexor Echovane keypads from a script.\n\n") + Overview());
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do."));

    // A first pass finds the subcommand; its own options are added before the real parse.
    parser.parse(args);
    const QStringList first = parser.positionalArguments();
    if (first.isEmpty()) {
        if (parser.isSet(help)) {
            out << parser.helpText().toStdString();
            return kExitOk;
        }
        err << "No command given.\n" << parser.helpText().toStdString();
        return kExitUsage;
    }
    const std::string name = first[0].toStdString();
    const Subcommand* subcommand = nullptr;
    for (const auto& candidate : Subcommands()) {
        if (name == candidate.name) {
            subcommand = &candidate;
        }
    }
    if (subcommand == nullptr) {
        err << "Unknown command \"" << name << "\".\n" << parser.helpText().toStdString();
        return kExitUsage;
    }

    parser.clearPositionalArguments();
    parser.setApplicationDescription(QString::fromLatin1(subcommand->description));
    parser.addPositionalArgument(
        first[0], QString::fromLatin1(subcommand->description),
        QStringLiteral("%1 %2").arg(first[0], QString::fromLatin1(subcommand->arguments)));
    if (subcommand->addOptions) {
        subcommand->addOptions(parser);
    }
    if (!parser.parse(args)) {
        err << parser.errorText().toStdString() << "\n" << parser.helpText().toStdString();
        return kExitUsage;
    }
    if (parser.isSet(help)) {
        out << parser.helpText().toStdString();
        return kExitOk;
    }
    Context context{parser, parser.positionalArguments().mid(1), out, err, console};
    const int status = subcommand->run(context);
    if (hid_handle.load() != nullptr) {
        hid_exit_safely(hid_handle.exchange(nullptr));
    }
    return status;
}

} // namespace cli
