#pragma once

// The configuration file: where it lives, its first-run content, and reading and writing its
// "appSettings" values. Every operation here catches the INI reader's error on a damaged file
// and turns it into a message; none lets it reach the window.

#include "config/CIniFile.h"
#include "config/config_messages.h"
#include "keypad/KeypadStatus.h"
#include "keypad/TableKind.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Full path of the configuration file; empty until PrepareConfigFile finds the data folder.
extern std::string FileName;

namespace config {

inline constexpr char kFirstUpKey[] = "FirstUp";
inline constexpr char kKeypadLayoutKey[] = "KeypadLayout";
inline constexpr char kLedBrightnessKey[] = "LedBrightness";
inline constexpr char kCodeTableValuesKey[] = "CodeTableValues";
inline constexpr char kMultipleCodeTableValuesKey[] = "MultipleCodeTableValues";
inline constexpr char kFirmwareVersionKey[] = "FirmwareVersion";
inline constexpr char kSerialNumberKey[] = "SerialNumber";
inline constexpr char kFirmwareFileKey[] = "FirmwareFile";
inline constexpr char kFirstUpDone[] = "Yes";

// The keys a new file gets, in the order they are created (each goes to the top of the
// section, so the file lists them the other way round), with their first values.
std::vector<std::pair<std::string, std::string>> FreshSettings();

// The keypad's state as the window holds it after a successful status read.
struct KeypadState {
    int keypadLayout = 0;  // code-table kind, status byte 1
    int ledBrightness = 0; // brightness index, status byte 0
    keypad::KeyCodeBlock codeTable{};
    // The multi-code table last read in this run; zeros when none was.
    keypad::ExtraCodeBlock multipleCodeTable{};
    std::string firmwareVersion;
    std::string serialNumber;
};

// What "Save Changes" keeps of a successful status read, with the multi-code table last read.
KeypadState StateToSave(const keypad::KeypadStatus& status,
                        const keypad::ExtraCodeBlock& multipleCodeTable);

// The user's local application-data folder: %LOCALAPPDATA% on Windows; elsewhere
// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share. Nothing when unknown.
std::optional<std::string> LocalAppDataFolder();

// Load-time preparation: sets FileName to <folder>/VexorInterface/USBEchovaneUtilityCfg.ini,
// creating the folders and, when there is no such file yet, the file with its fresh content
// (in one write). An existing file is left as it is. False when FileName stays empty (no data
// folder) or a new file could not be written (platform::LastFileFailure says why, the folder's
// failure first); nothing is shown either way.
bool PrepareConfigFile();
bool PrepareConfigFile(const std::string& dataFolder);

// Sets one value of "appSettings"; the message on failure.
Outcome SetSettings(const std::string& key, const std::string& value);
// One value of "appSettings" as narrow text; "" when the key or the file is missing or the file
// cannot be read.
std::string GetSettings(const std::string& key);

// Larger files are refused unread, by every reader and writer alike.
inline constexpr std::size_t kMaxSettingsBytes = CIniFile::kMaxFileBytes;

// The "appSettings" values read in one go. Only active records count: a commented-out key, and a
// key under a commented-out header, are the user's notes, never values.
struct SettingsRead {
    enum class State {
        Unreadable, // not there, a folder, no rights...
        Damaged,    // a section line without "]"
        NotText,    // UTF-16 ("Unicode") or other text that is not UTF-8 or ANSI
        TooLarge,   // over kMaxSettingsBytes
        Read,
    };
    State state = State::Unreadable;
    // Why it was not read, to follow the file's name ("cannot be read: Permission denied");
    // empty when it was.
    std::string reason;
    // The file's bytes, when read.
    std::string text;
    std::vector<CIniFile::Record> records;
    // The value of the first active key of that name in "appSettings", "" when there is none.
    std::string Value(const std::string& key) const;
    bool Has(const std::string& key) const;
    // Whether "appSettings" has an active header.
    bool HasSection() const;
    // For a key that is missing but written with blanks around it ("KeypadLayout = 2", as people
    // write INI files by hand: the blanks belong to the key, which is then another one), what
    // to write instead, in brackets after a space; else "".
    std::string BlankedKeyNote(std::string_view key) const;
    // Each active key of "appSettings" as the values are read (a commented-out header opens
    // nothing), in the order first given, with how many times it is given.
    std::vector<std::pair<std::string, int>> KeyCounts() const;
};
SettingsRead ReadSettings(const std::string& path);
// The message a window shows for a file that was not read: kConfigUnreadableText and its
// siblings, without the line break.
const char* ReadFailureText(SettingsRead::State state);

// Sets values in "appSettings" of the file at path, all of them or none (the file stays as it
// was). A value goes into the first active key of its name; a key that is there only commented
// out keeps that line as it is and gets an active one directly below it; a missing key goes
// to the top of the section, a missing section to the end. Never creates the file. On failure
// the window's message: "Failed to update USBEchovaneUtilityCfg.ini file." and, for a file that
// cannot be read as settings, why.
Outcome WriteSettings(const std::string& path,
                      const std::vector<std::pair<std::string, std::string>>& values);

// What a file named to take settings is now, read once.
enum class SettingsTarget {
    New,        // not there or empty: nothing in it to keep
    Settings,   // a settings file: values other than those written stay
    Damaged,    // a settings file that cannot be read as one (a section line without "]")
    OtherKind,  // a firmware file, notes...: not to be rewritten as a settings file
    Unreadable, // there, but not to be read as settings (rights, UTF-16, size): kept as it is
};
SettingsTarget SettingsTargetOf(const std::string& path);

// The file's text for a table: every byte in decimal followed by ",".
std::string TableText(const uint8_t* bytes, int count);

// "Save Changes", after the keypad has kept its settings (keypad::WriteDefault) and the window
// has read its status: state is the keypad's state, or nothing when the read failed. All seven
// values are written in one go, or none.
Outcome SaveToConfigFile(const std::optional<KeypadState>& state);

} // namespace config
