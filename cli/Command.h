#pragma once

// What every echovane-cli subcommand gets: its parsed arguments, the two output streams and the
// terminal it runs on. The keypad is reached through the same keypad/ core as the windows.

#include "cli/Cli.h"
#include "cli/Console.h"
#include "config/config_file.h"
#include "config/config_replay.h"
#include "firmware/boot_loader_files.h"
#include "firmware/image_check.h"
#include "keypad/KeypadSelection.h"

#include <QCommandLineParser>
#include <QStringList>

#include <ostream>
#include <string>

namespace cli {

struct Context {
    QCommandLineParser& parser;
    QStringList positional; // after the subcommand name
    std::ostream& out;
    std::ostream& err;
    const Console& console;
    // The subcommand's name, for "Try 'echovane-cli NAME --help'.".
    std::string command = {};
    // --quiet: nothing on stdout when all went well.
    bool quiet = false;
    // --serial, --device: which keypad, when several are plugged in.
    keypad::KeypadSelector selector = {};
    // The console's beforeKeypads has been called.
    bool keypadsReached = false;

    // The system's message on stderr (a trailing line break is not doubled); exit 1.
    int Fail(const std::string& message);
    // The problem and where the subcommand's help is, two lines on stderr; exit 2.
    int Usage(const std::string& message);
    // The one line saying what was done, unless --quiet; exit 0. Lost on its way (a closed
    // pipe), it goes to stderr instead, with exit 1.
    int Done(const std::string& line);
};

// To be called before a command first looks at the bus: kExitOk, or kExitFailed when the
// console has no keypads to give (the reason is said).
int ReachKeypads(Context& context);

// Opens the keypad the selector names, or with none the one keypad there is, the way "Scan For
// Device" does: kExitOk once it is open in hid_handle. Otherwise the message is on stderr and
// the exit status is returned: 1 when no such keypad can be opened, 2 when several are plugged
// in and none is named.
int Connect(Context& context);

// The exit status and stderr text for a choice that opened nothing.
int RefuseChoice(Context& context, const keypad::KeypadChoice& choice);

// A file named on the command line, made absolute, as the cores take file names (UTF-8).
std::string AbsoluteFileName(const QString& given);
// The file's name without its folder (UTF-8).
std::string BareName(const std::string& path);

// kExitOk when path is a file; otherwise it says there is no configuration file there.
int RequireConfigFile(Context& context, const std::string& path);
// kExitOk, with what the file is now, unless it is a file of another kind than settings: then
// it says so.
int RequireSettingsFileOrNew(Context& context, const std::string& path,
                             config::SettingsTarget& target);
// A message of the configuration cores about the file at path: they name the utility's own
// file; for another one given on the command line, the message names that one.
std::string AboutFile(std::string message, const std::string& path);
// As AboutFile; a file that could not be read or written gets the system's reason on a line of
// its own (the window's words stay as they are).
std::string AboutFileWithReason(const std::string& message, const std::string& path);
// The message for a settings file with a section line without "]", and where that line is.
std::string DamagedFileText(const std::string& path, const config::SettingsRead& read);

// The text without its trailing line breaks, as a line of its own.
std::string WithoutLineBreak(std::string text);

int Status(Context& context);
int Table(Context& context);
int Config(Context& context);
std::string ConfigHelpDetails();
std::string TableHelpDetails();
int Ble(Context& context);
int Upgrade(Context& context);
std::string UpgradeHelpDetails();
int Provision(Context& context);
void AddStatusOptions(QCommandLineParser& parser);
void AddTableOptions(QCommandLineParser& parser);
void AddBleOptions(QCommandLineParser& parser);
void AddUpgradeOptions(QCommandLineParser& parser);
void AddProvisionOptions(QCommandLineParser& parser);
std::string ProvisionHelpDetails();
// The value lists a user may give to ble set, for its help.
std::string BleHelpDetails();

// --ram-bsl FILE, for the commands that upgrade.
const QCommandLineOption& RamBslOption();
// Said after "USB device was unplugged!" in a download with a RAM boot loader read from a file
// (--ram-bsl or one installed): empty for the one the executable carries.
std::string ForeignRamBslHint(const firmware::BootLoaderFiles& files);

// What an upgrade needs before any keypad is touched: the RAM boot loader and password (with
// --ram-bsl), and a firmware file that passed every check, with its hardware warning.
struct FirmwareForUpgrade {
    firmware::BootLoaderFiles bootLoader;
    // The file as read and checked: what is downloaded.
    firmware::ImageCheck image;
    std::string productWarning;
};
// kExitOk, or the failure's exit status with its message on stderr.
int CheckFirmwareForUpgrade(Context& context, const std::string& file, FirmwareForUpgrade& out);
// The hardware warning, then "Are you sure you want to upgrade the firmware?": kExitOk when
// both are answered Yes (or --yes), else the exit status with needsConfirmation (no terminal)
// or notStarted (No).
int ConfirmUpgrade(Context& context, const std::string& productWarning,
                   const std::string& needsConfirmation, const std::string& notStarted);

// A configuration file given with option that holds saved settings, read and checked.
struct SavedConfiguration {
    std::string path; // absolute
    config::ReplayPlan plan;
    // As written in the file; only a keypad's own number is written back.
    std::string serialNumber;
};
int ReadSavedConfiguration(Context& context, const QCommandLineOption& option,
                           SavedConfiguration& out);

// --json, shared by every command that can write it.
const QCommandLineOption& JsonOption();

} // namespace cli
