// upgrade FIRMWARE.txt [--yes] [--ram-bsl FILE] [--config FILE]: the firmware upgrade window's
// whole run from a script: the RAM boot loader and image checks, the status read, the
// confirmations, CmdEnterBsl, the download through the boot loader and the restore of the keypad's
// settings.

#include "cli/Command.h"
#include "cli/Confirmation.h"
#include "cli/KeypadReading.h"
#include "config/config_replay.h"
#include "device/discovery.h"
#include "firmware/UpgradeSequence.h"
#include "firmware/boot_loader_files.h"
#include "firmware/device_count.h"
#include "firmware/image_check.h"
#include "firmware/keypad_upgrade.h"
#include "firmware/product_marker.h"
#include "firmware/settings_restore.h"
#include "keypad/KeypadCommands.h"
#include "keypad/KeypadSelection.h"
#include "keypad/ReplyText.h"
#include "keypad/StatusRead.h"
#include "platform/Interrupt.h"

#include <sstream>

namespace cli {
namespace {

inline constexpr char kConfirmText[] = "Are you sure you want to upgrade the firmware?";
inline constexpr char kNotStartedText[] = "The firmware upgrade was not started.";
inline constexpr char kNeedsConfirmationText[] =
    "The firmware upgrade must be confirmed: run it on a terminal, or give --yes.";
inline constexpr char kRamBslOptionHint[] = "Or name the file with --ram-bsl FILE.";
inline constexpr int kBarWidth = 40;

const QCommandLineOption& YesOption() {
    static const QCommandLineOption option(
        {QStringLiteral("y"), QStringLiteral("yes")},
        QStringLiteral("Answer Yes to the hardware warning and the confirmation."));
    return option;
}

const QCommandLineOption& ConfigOption() {
    static const QCommandLineOption option(
        QStringLiteral("config"),
        QStringLiteral("When the keypad's own settings cannot be read (it sits in its boot "
                       "loader), write back the serial number and saved settings of this "
                       "configuration file instead; a keypad that reports no serial number "
                       "gets the file's."),
        QStringLiteral("FILE"));
    return option;
}

// After the request's name ("Ctrl+C", "SIGTERM"): a second one stops the upgrade at once.
inline constexpr char kInterruptedText[] =
    ": the upgrade goes on to its end, so that the keypad is not left in its boot loader or "
    "without its settings. A second one stops it at once.";
inline constexpr char kNoSerialNumberText[] =
    ", but it has no serial number of its own: --config FILE gives it a saved configuration's.";

// A configuration file's settings, after a restore that had none of the keypad's own to write,
// or only its serial number: the file's serial number (when it is a keypad's own), the replay
// of the plan read before the upgrade when wanted, then the keypad keeps them. The message of
// the first failure, or nothing.
std::optional<std::string> RestoreFromFile(const SavedConfiguration& saved, bool replay) {
    if (keypad::IsOwnSerialNumber(saved.serialNumber) &&
        keypad::SetSerialNumber(saved.serialNumber) != 0) {
        return firmware::kSetSerialNumberFailedText;
    }
    if (replay) {
        if (const config::Outcome replayed = config::SendReplayPlan(saved.plan); replayed.message) {
            return replayed.message->text;
        }
    }
    if (const keypad::CommandResult kept = keypad::WriteDefault(); !kept.ok()) {
        return kept.message;
    }
    return std::nullopt;
}

// The status lines of a report, without their CR LF.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            lines.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return lines;
}

class ProgressPrinter {
public:
    // Quiet: the lines are kept for a failure's message, none is printed.
    ProgressPrinter(std::ostream& out, bool bar, bool quiet)
        : out_(out), bar_(bar), quiet_(quiet) {}
    ~ProgressPrinter() {
        if (barShown_) {
            out_ << "\n";
        }
    }

    void Report(int percent, const std::string& text) {
        percent = std::clamp(percent, 0, 100);
        const std::vector<std::string> lines = Lines(text);
        if (!lines.empty()) {
            lastLine_ = lines.back();
        }
        if (quiet_) {
            return;
        }
        if (!bar_) {
            // A bare percentage says nothing a log reader needs; it waits for the next line.
            for (const std::string& line : lines) {
                out_ << Percent(percent) << " " << line << "\n";
            }
            out_.flush();
            return;
        }
        for (const std::string& line : lines) {
            // The line goes above the bar, which is drawn again under it.
            out_ << "\r\033[K" << line << "\n";
        }
        const int filled = percent * kBarWidth / 100;
        out_ << "\r[" << std::string(static_cast<size_t>(filled), '#')
             << std::string(static_cast<size_t>(kBarWidth - filled), '.') << "] " << percent << "%";
        out_.flush();
        barShown_ = true;
    }

    const std::string& lastLine() const { return lastLine_; }

private:
    static std::string Percent(int percent) {
        std::string text = std::to_string(percent) + "%";
        return "[" + std::string(4 - text.size(), ' ') + text + "]";
    }

    std::ostream& out_;
    bool bar_;
    bool quiet_;
    bool barShown_ = false;
    std::string lastLine_;
};

// A configuration file saved from another keypad that is connected would give this one its
// serial number: two keypads that cannot be told apart. The chosen keypad is open again after
// the look, which opens each in turn. Only for a file whose serial number is written.
int RefuseAnotherKeypadsSerialNumber(Context& context, const SavedConfiguration& saved,
                                     const keypad::KeypadChoice& choice) {
    for (const keypad::KeypadListing& listing : keypad::DescribeKeypads(false)) {
        if (listing.path != choice.path &&
            keypad::SameSerialNumber(listing.SerialNumber(), saved.serialNumber)) {
            return context.Fail(saved.path + " holds the serial number " +
                                keypad::WithoutPadding(saved.serialNumber) + " of the keypad at " +
                                listing.path +
                                ", which is connected: give a configuration saved from the "
                                "keypad to upgrade.");
        }
    }
    if (choice.outcome == keypad::KeypadChoice::Outcome::Opened) {
        if (const device::RescanResult again = device::RescanForKeypadAt(choice.path);
            !again.found) {
            return context.Fail(WithoutLineBreak(device::NotConnectedMessage(again)));
        }
    }
    return kExitOk;
}

} // namespace

std::string UpgradeHelpDetails() {
    return "The restore writes back what was read before: the serial number, the active code "
           "table's kind and codes and the LED brightness; the BLE parameters and the multi-code "
           "table's extra codes are not part of it ('ble set', 'table write').\n"
           "A keypad left in its boot loader by an earlier run is upgraded too: when it is the "
           "only one on the bus, or named with --device and the boot loader's path as 'devices' "
           "lists it. Its settings cannot be read there: --config FILE writes a saved "
           "configuration's back.\n";
}

const QCommandLineOption& RamBslOption() {
    static const QCommandLineOption option(
        QStringLiteral("ram-bsl"),
        QStringLiteral("The MCU vendor's RAM boot loader (TI-TXT at 0x2500) to use instead of "
                       "the one installed."),
        QStringLiteral("FILE"));
    return option;
}

std::string ForeignRamBslHint(const firmware::BootLoaderFiles& files) {
    if (files.ramBslFile.empty()) {
        return {};
    }
    return "If the keypad was not unplugged, the RAM boot loader in " + files.ramBslFile +
           " is probably not the MCU vendor's: unplug the keypad, plug it in again and upgrade "
           "with the vendor's.";
}

int CheckFirmwareForUpgrade(Context& context, const std::string& file, FirmwareForUpgrade& out) {
    std::optional<std::string> ramBslFile;
    if (context.parser.isSet(RamBslOption())) {
        ramBslFile = context.parser.value(RamBslOption()).toStdString();
    }
    const firmware::BootLoaderLookup lookup =
        firmware::FindBootLoaderFiles(firmware::DefaultBootLoaderSearch(ramBslFile));
    if (!lookup.files) {
        return context.Fail(lookup.message +
                            (lookup.aboutRamBsl && !ramBslFile ? kRamBslOptionHint : ""));
    }
    if (const auto problem = firmware::FirmwarePathProblem(file)) {
        return context.Fail(*problem);
    }
    firmware::ImageCheck image = firmware::CheckFirmwareFile(file);
    if (!image.ok) {
        return context.Fail(firmware::FirmwareFileRefusal(file, image));
    }
    // The warning is the one for the image that is downloaded.
    std::istringstream text(image.text);
    const firmware::ProductCheck check = firmware::CheckProductMarker(text);
    out = {*lookup.files, std::move(image), check.warning};
    return kExitOk;
}

int ConfirmUpgrade(Context& context, const std::string& productWarning,
                   const std::string& needsConfirmation, const std::string& notStarted) {
    for (const std::string& question : {productWarning, std::string(kConfirmText)}) {
        const Answer answer = Confirm(context, question);
        if (answer == Answer::CannotAsk) {
            return context.Usage(needsConfirmation);
        }
        if (answer == Answer::No) {
            return context.Fail(notStarted);
        }
    }
    return kExitOk;
}

int ReadSavedConfiguration(Context& context, const QCommandLineOption& option,
                           SavedConfiguration& out) {
    const std::string path = AbsoluteFileName(context.parser.value(option));
    if (const int missing = RequireConfigFile(context, path)) {
        return missing;
    }
    const config::ReplayRead read = config::ReadReplayPlan(path);
    if (read.message) {
        return context.Fail(AboutFileWithReason(read.MessageWithReason(), path));
    }
    if (!read.plan) {
        return context.Fail(path + " holds no saved settings (FirstUp is not \"Yes\"): save a "
                                   "keypad's settings into it first.");
    }
    out = {path, *read.plan, read.serialNumber};
    return kExitOk;
}

void AddUpgradeOptions(QCommandLineParser& parser) {
    parser.addOption(YesOption());
    parser.addOption(RamBslOption());
    parser.addOption(ConfigOption());
}

int Upgrade(Context& context) {
    if (context.positional.size() != 1) {
        return context.Usage("upgrade takes one firmware file.");
    }
    const std::string file = context.positional[0].toStdString();
    // Before the keypad is looked for: without the vendor's RAM boot loader nothing may reach
    // it, and nothing is erased before the image is known good.
    FirmwareForUpgrade firmwareFiles;
    if (const int failed = CheckFirmwareForUpgrade(context, file, firmwareFiles)) {
        return failed;
    }
    std::optional<SavedConfiguration> configFile;
    if (context.parser.isSet(ConfigOption())) {
        SavedConfiguration saved;
        if (const int failed = ReadSavedConfiguration(context, ConfigOption(), saved)) {
            return failed;
        }
        // Found out before the keypad is touched, not cut short on it afterwards.
        if (const auto problem = keypad::SerialNumberProblem(saved.serialNumber);
            problem && keypad::IsOwnSerialNumber(saved.serialNumber)) {
            return context.Fail(saved.path + ": the serial number \"" +
                                keypad::PrintableUserText(saved.serialNumber) +
                                "\" cannot be written to a keypad: " + *problem + ".");
        }
        configFile = std::move(saved);
    }

    if (const int failed = ReachKeypads(context)) {
        return failed;
    }
    const firmware::BootLoaderIds ids = firmware::InitializeVidPidFirmware();
    firmware::UpgradeState state;
    const std::vector<std::string> loaderPaths = device::BootLoaderPaths();
    // --device with a boot loader's path picks the keypad sitting in it, also while other
    // keypads run beside it.
    const bool loaderNamed =
        !context.selector.serialNumber && context.selector.path &&
        std::ranges::find(loaderPaths, *context.selector.path) != loaderPaths.end();
    keypad::KeypadChoice choice;
    if (!loaderNamed) {
        choice = keypad::OpenSelectedKeypad(context.selector);
        if (choice.outcome == keypad::KeypadChoice::Outcome::Ambiguous ||
            (choice.outcome == keypad::KeypadChoice::Outcome::NotFound &&
             context.selector.given())) {
            return RefuseChoice(context, choice);
        }
    }
    const bool keypadRunning = choice.outcome == keypad::KeypadChoice::Outcome::Opened;
    const auto loaders = firmware::CountBootLoaders(ids);
    if (loaders && *loaders > 1) {
        return context.Fail(std::to_string(*loaders) +
                            " boot loaders are on the bus and cannot be told apart: unplug all "
                            "but the keypad to upgrade.");
    }
    std::string loaderNotice;
    if (!keypadRunning) {
        // A keypad left in its boot loader by an earlier run can still be programmed.
        if (!loaders || *loaders == 0) {
            context.err << (loaderNamed ? std::string(firmware::kNoDeviceText) + ".\n"
                                        : choice.message);
            return kExitFailed;
        }
        // Said once nothing stands in the way any more, before the confirmation it informs.
        loaderNotice =
            (loaderNamed ? "The keypad in the boot loader at " + *context.selector.path
                         : std::string("No keypad answers, but a boot loader is on the bus: it")) +
            " will be upgraded; its settings cannot be read, so " +
            (configFile ? "those of " + configFile->path + " will be written back.\n"
                        : std::string("none will be written back (--config FILE writes a saved "
                                      "configuration's).\n"));
    } else if (loaders && *loaders == 1) {
        const std::string named =
            loaderPaths.size() == 1 ? " --device " + loaderPaths.front() : " --device PATH";
        return context.Fail("A boot loader is on the bus already; the keypad's would not be told "
                            "from it: unplug the other keypad first, or upgrade the one in the "
                            "boot loader first with" +
                            named + ".");
    } else {
        if (const keypad::StatusRead read = keypad::ReadStatus(); read.ok()) {
            state = firmware::StateToRestore(*read.status);
        } else {
            context.err << keypad::kStatusReadFailedText << "\n";
        }
    }

    // The file's serial number goes in only where the keypad has none of its own to keep.
    const bool fileSerialWritten =
        configFile && keypad::IsOwnSerialNumber(configFile->serialNumber) &&
        !(state.known && keypad::IsOwnSerialNumber(state.serialNumber.value_or("")));
    if (fileSerialWritten) {
        if (const int refused = RefuseAnotherKeypadsSerialNumber(context, *configFile, choice)) {
            return refused;
        }
    }
    context.err << loaderNotice;
    if (configFile && state.known && keypad::IsOwnSerialNumber(state.serialNumber.value_or(""))) {
        // Said before the confirmation: the operator may have meant the file's settings.
        context.err << configFile->path
                    << " is not used: the keypad's own serial number, code table and LED "
                       "brightness were read and go back after the upgrade.\n";
    }
    if (const int refused = ConfirmUpgrade(context, firmwareFiles.productWarning,
                                           kNeedsConfirmationText, kNotStartedText)) {
        return refused;
    }

    const firmware::DownloadSlot slot;
    if (!slot.taken()) {
        return context.Fail(firmware::kUpgradeRunningText);
    }
    const firmware::KeypadUpgrade upgrade{
        ids,        firmwareFiles.bootLoader, file, firmwareFiles.image, state, keypadRunning,
        choice.path};
    // Stopped halfway the keypad would sit in its loader or lack its settings: the first
    // Ctrl+C waits for the end, the writes from --config included; a second one still stops at
    // once.
    const platform::InterruptCatcher interrupt;
    bool interruptTold = false;
    const auto tellInterrupt = [&] {
        if (interrupt.Interrupted() && !interruptTold) {
            interruptTold = true;
            // Off the progress bar's line, where there is one.
            context.err << (context.console.progressBar && !context.quiet ? "\n" : "")
                        << interrupt.What() << kInterruptedText << "\n";
        }
    };
    firmware::KeypadUpgradeResult run;
    std::string lastLine;
    {
        ProgressPrinter progress(context.out, context.console.progressBar, context.quiet);
        progress.Report(0, firmware::kStartingText);
        run = firmware::UpgradeKeypad(upgrade, [&](int percent, const std::string& text) {
            tellInterrupt();
            progress.Report(percent, text);
        });
        lastLine = progress.lastLine();
    }
    tellInterrupt();
    using Stage = firmware::KeypadUpgradeResult::Stage;
    if (run.stage == Stage::NoBootLoader) {
        return context.Fail(firmware::kNoDeviceText);
    }
    if (run.stage == Stage::Download) {
        std::string failure = "The firmware upgrade failed: " + lastLine;
        // A RAM boot loader that is not the vendor's takes the keypad off the bus as if it had
        // been unplugged.
        if (const std::string hint = ForeignRamBslHint(firmwareFiles.bootLoader);
            !hint.empty() && lastLine == WithoutLineBreak(firmware::kUnpluggedText)) {
            failure += "\n" + hint;
        }
        return context.Fail(failure);
    }
    const firmware::RestoreResult& restored = run.restore;
    if (!restored.restored) {
        if (!state.known) {
            return context.Fail(restored.message);
        }
        return context.Fail(restored.message + firmware::NotAllBackText(state) +
                            " Set them again, or write back those of a configuration saved from "
                            "it with `config apply SAVED` and its serial number with `upgrade "
                            "FIRMWARE --yes --config SAVED`.");
    }
    if (state.known) {
        // What the restore writes back, said as it is: the BLE parameters and the multi-code
        // extras are not part of it.
        const std::string restoredText =
            "The keypad runs the new firmware with its code table and LED brightness restored";
        if (keypad::IsOwnSerialNumber(state.serialNumber.value_or(""))) {
            return context.Done("The keypad runs the new firmware with its serial number, code "
                                "table and LED brightness restored.");
        }
        if (!configFile) {
            return context.Done(restoredText + kNoSerialNumberText);
        }
        if (!keypad::IsOwnSerialNumber(configFile->serialNumber)) {
            return context.Done(restoredText + ", but it has no serial number of its own, and " +
                                configFile->path + " holds none either.");
        }
        // It had lost its serial number: the saved configuration's is given back.
        const auto failure = RestoreFromFile(*configFile, false);
        tellInterrupt();
        if (failure) {
            return context.Fail(*failure);
        }
        return context.Done(restoredText + " and the serial number of " + configFile->path + ".");
    }
    if (configFile) {
        const auto failure = RestoreFromFile(*configFile, true);
        tellInterrupt();
        if (failure) {
            return context.Fail(*failure);
        }
        return context.Done("The keypad runs the new firmware with the settings of " +
                            configFile->path + ".");
    }
    context.err << WithoutLineBreak(restored.notice) << "\n";
    return context.Done("The keypad runs the new firmware.");
}

} // namespace cli
