// config save [FILE] | config apply [FILE] | config check FILE: "Save Changes", "Reset From
// Configuration File" and the import's checks, on the standard configuration file or on FILE.

#include "cli/Command.h"
#include "cli/KeypadReading.h"
#include "config/config_file.h"
#include "config/config_replay.h"
#include "config/config_transfer.h"
#include "keypad/KeypadCommands.h"
#include "keypad/StatusRead.h"
#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"
#include "platform/Utf8Path.h"

#include <algorithm>
#include <filesystem>

namespace cli {
namespace {

// The configuration cores work on FileName; a run on FILE points it there and puts it back.
class ConfigFileForRun {
public:
    explicit ConfigFileForRun(const QStringList& positional) : previous_(FileName) {
        if (positional.size() >= 2) {
            FileName = AbsoluteFileName(positional[1]);
        } else if (!config::PrepareConfigFile()) {
            prepareFailure_ = platform::LastFileFailure();
        }
    }
    // Why the standard file could not be made, when it could not.
    const std::string& PrepareFailure() const { return prepareFailure_; }
    ~ConfigFileForRun() { FileName = previous_; }
    ConfigFileForRun(const ConfigFileForRun&) = delete;
    ConfigFileForRun& operator=(const ConfigFileForRun&) = delete;

private:
    std::string previous_;
    std::string prepareFailure_;
};

// The window's words stay as they are; a file the system would not read or write gets its reason
// on a line of its own.
int FailWith(Context& context, const config::Outcome& outcome) {
    return context.Fail(AboutFileWithReason(outcome.message->text, FileName));
}

// A settings file a save made for itself, removed again unless the save went through. A link
// the user made stays; only the file this run made goes.
class NewFileForRun {
public:
    NewFileForRun() = default;
    NewFileForRun(const NewFileForRun&) = delete;
    NewFileForRun& operator=(const NewFileForRun&) = delete;
    ~NewFileForRun() { Discard(); }
    // False when nothing was there and no file could be made (platform::LastFileFailure says
    // why).
    bool MakeIfMissing(const std::string& path) {
        std::error_code error;
        if (path.empty() || std::filesystem::exists(platform::PathFromUtf8(path), error)) {
            return true;
        }
        if (!platform::ReplaceFileAtomically(path,
                                             std::string("[") + config::kSettingsSection + "]\n")) {
            return false;
        }
        // Through a link leading nowhere yet the file made is its target; should that not be
        // found, the file stays rather than the link going in its place.
        made_ = std::filesystem::canonical(platform::PathFromUtf8(path), error);
        if (error) {
            made_.clear();
            if (!std::filesystem::is_symlink(platform::PathFromUtf8(path), error)) {
                made_ = platform::PathFromUtf8(path);
            }
        }
        return true;
    }
    void Keep() { made_.clear(); }
    void Discard() {
        std::error_code error;
        if (!made_.empty()) {
            std::filesystem::remove(made_, error);
        }
        made_.clear();
    }

private:
    std::filesystem::path made_;
};

int Save(Context& context) {
    if (context.positional.size() > 2) {
        return context.Usage("config save takes at most one file.");
    }
    ConfigFileForRun file(context.positional);
    // A damaged file is the save's own to report.
    config::SettingsTarget target{};
    if (const int refused = RequireSettingsFileOrNew(context, FileName, target)) {
        return refused;
    }
    // A new FILE starts as an empty settings section. It is made once before the keypad is
    // touched, so a place that takes no file is found out first, and gone again while the
    // keypad answers (a run killed then leaves nothing); made for good just before the save,
    // it goes again when the save fails.
    NewFileForRun made;
    if (!made.MakeIfMissing(FileName)) {
        if (!file.PrepareFailure().empty()) {
            platform::RecordFileFailure(file.PrepareFailure());
        }
        return FailWith(context, config::Fails(config::kFailedToUpdateText));
    }
    made.Discard();
    if (const int failed = Connect(context)) {
        return failed;
    }
    if (const keypad::CommandResult written = keypad::WriteDefault(); !written.ok()) {
        return context.Fail(written.message);
    }
    std::optional<config::KeypadState> state;
    if (const keypad::StatusRead read = keypad::ReadStatus(); read.ok()) {
        // Zeros unless the customisable multi-code table is active, as in a window that has
        // read no other.
        state = config::StateToSave(*read.status,
                                    read.multipleCodeTable.value_or(keypad::ExtraCodeBlock{}));
    }
    if (!made.MakeIfMissing(FileName)) {
        return FailWith(context, config::Fails(config::kFailedToUpdateText));
    }
    const config::Outcome saved = config::SaveToConfigFile(state);
    if (saved.message) {
        return FailWith(context, saved);
    }
    made.Keep();
    return context.Done("Saved to " + FileName + ".");
}

int Apply(Context& context) {
    if (context.positional.size() > 2) {
        return context.Usage("config apply takes at most one file.");
    }
    ConfigFileForRun file(context.positional);
    if (const int missing = RequireConfigFile(context, FileName)) {
        return missing;
    }
    if (const int failed = Connect(context)) {
        return failed;
    }
    const config::Outcome outcome = config::ResetFromConfigurationFile();
    if (outcome.message) {
        return FailWith(context, outcome);
    }
    if (!outcome.refreshStatus) {
        // The window says nothing here; a script must not take it for success.
        return context.Fail("Nothing was sent: " + FileName +
                            " holds no saved settings (FirstUp is not \"Yes\").");
    }
    return context.Done("The keypad's settings are reset from " + FileName + ".");
}

int Check(Context& context) {
    if (context.positional.size() != 2) {
        return context.Usage("config check takes one file.");
    }
    // It reads no keypad: a selector would be dropped without a word.
    if (context.selector.given()) {
        return context.Usage("config check reads no keypad; it takes no --serial or --device");
    }
    const std::string checked = AbsoluteFileName(context.positional[1]);
    if (const int missing = RequireConfigFile(context, checked)) {
        return missing;
    }
    const std::string given = context.positional[1].toStdString();
    if (const config::CfgFileCheck check = config::CheckCfgFile(checked); check.outcome.message) {
        const std::string text = WithoutLineBreak(check.outcome.message->text);
        // The window's words; a script's author needs the rule or the reason behind them.
        if (text == config::kIncorrectFilenameText) {
            return context.Fail(text + " Import takes only a file named " +
                                config::kConfigFileName +
                                "; 'config apply FILE' and 'provision --config FILE' take any "
                                "name.");
        }
        return context.Fail(check.reason.empty() ? text
                                                 : text + " " + given + " " + check.reason + ".");
    }
    // Not wrong, but perhaps not what was meant: a key edited in one place and read from another.
    for (const std::string& repeated : config::RepeatedSettings(checked)) {
        context.err << "warning: " << given << ": " << repeated << ".\n";
    }
    // Imported, the file is what Reset From Configuration File then sends: its values are
    // checked as that reads them, so a file that passes is one apply takes.
    const config::ReplayRead replay = config::ReadReplayPlan(checked);
    // Import took the file, so its name is the one the message speaks of.
    if (replay.message) {
        return context.Fail(given +
                            " can be imported, but Reset From Configuration File would "
                            "refuse it: " +
                            replay.MessageWithReason());
    }
    if (!replay.plan) {
        return context.Done(given + " can be imported; it holds no saved settings (FirstUp is "
                                    "not \"Yes\").");
    }
    return context.Done(given + " can be imported.");
}

} // namespace

int RequireConfigFile(Context& context, const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::status(platform::PathFromUtf8(path), error);
    if (!path.empty() && status.type() == std::filesystem::file_type::regular) {
        return kExitOk;
    }
    if (const std::string kind = platform::NonFileKind(path); !path.empty() && !kind.empty()) {
        return context.Fail(path + " is not a file but " + kind + ".");
    }
    // A link loop, a name too long, a folder that may not be looked into.
    if (!path.empty() && error && status.type() != std::filesystem::file_type::not_found) {
        return context.Fail("There is no configuration file " + path + ": " +
                            platform::SystemReason(error) + ".");
    }
    return context.Fail("There is no configuration file " + path + ".");
}

int RequireSettingsFileOrNew(Context& context, const std::string& path,
                             config::SettingsTarget& target) {
    // A folder, a device or a pipe would take no settings file in its place.
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::status(platform::PathFromUtf8(path), error);
    if (const std::string kind = platform::NonFileKind(path); !kind.empty()) {
        return context.Fail(path + " is not a file but " + kind +
                            ": name a new file or a configuration file.");
    }
    // Nothing there is a new file (a link to it included); a link loop or a folder that may
    // not be looked into is no place for one.
    if (error && status.type() != std::filesystem::file_type::not_found) {
        return context.Fail("Unable to write " + path + ": " + platform::SystemReason(error) + ".");
    }
    target = config::SettingsTargetOf(path);
    // Written into, it would be lost or turned to garbage.
    if (target == config::SettingsTarget::Unreadable) {
        return context.Fail(path + " " + config::ReadSettings(path).reason +
                            "; nothing is written to it.");
    }
    if (target == config::SettingsTarget::OtherKind) {
        return context.Fail(path + " is not a configuration file (it has no [" +
                            config::kSettingsSection +
                            "] section): name a new file or a configuration file.");
    }
    return kExitOk;
}

std::string AboutFile(std::string message, const std::string& path) {
    const std::string name = BareName(path);
    const std::string own = config::kConfigFileName;
    if (name.empty() || name == own) {
        return message;
    }
    for (auto at = message.find(own); at != std::string::npos;
         at = message.find(own, at + name.size())) {
        message.replace(at, own.size(), name);
    }
    return message;
}

std::string DamagedFileText(const std::string& path, const config::SettingsRead& read) {
    return AboutFile(config::kConfigDamagedText, path) + "\n" + path + " " + read.reason + ".";
}

std::string AboutFileWithReason(const std::string& message, const std::string& path) {
    std::string text = AboutFile(message, path);
    const std::string bare = WithoutLineBreak(message);
    const std::string why = platform::LastFileFailure();
    if (!why.empty() &&
        (bare == config::kFailedToUpdateText || bare == config::kConfigUnreadableText)) {
        text = WithoutLineBreak(text) + "\n" + path + ": " + why;
    }
    return text;
}

std::string ConfigHelpDetails() {
    return std::string(
               "save   makes the keypad keep its settings and writes them to FILE (by default\n"
               "       the utility's own configuration file), as Save Changes does.\n"
               "apply  sends the settings saved in FILE to the keypad, as Reset From\n"
               "       Configuration File does; run save-defaults after it for the keypad to\n"
               "       keep them when unplugged (provision does both).\n"
               "check  says whether Import Cfg File would take FILE, and Reset From\n"
               "       Configuration File its values: it must be named\n"
               "       ") +
           config::kConfigFileName + " and hold the saved settings' keys.\n";
}

int Config(Context& context) {
    const QString action = context.positional.value(0);
    if (action == QStringLiteral("save")) {
        return Save(context);
    }
    if (action == QStringLiteral("apply")) {
        return Apply(context);
    }
    if (action == QStringLiteral("check")) {
        return Check(context);
    }
    return context.Usage("config takes 'save [FILE]', 'apply [FILE]' or 'check FILE'");
}

} // namespace cli
