#pragma once

// The two texts the upgrade sends before the firmware: the MCU vendor's RAM boot loader and the
// password of the keypad's flash. The RAM boot loader is, in this order: the file the user names
// (echovane-cli --ram-bsl), RAM_BSL.txt in the user's data folder, then in each system data
// folder, then what the executable carries (a vendor image given at configure time; in the demo
// and the tests the simulated MCU's own). The first one found is used, or refused with its
// reason. The password: BSL_password.txt in the same folders, else the one carried, else 32 x
// 0xFF (an erased device's, which makes a keypad with firmware mass-erase first).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace firmware {

inline constexpr char kRamBslFileName[] = "RAM_BSL.txt";
inline constexpr char kPasswordFileName[] = "BSL_password.txt";
inline constexpr char kNoRamBslText[] = "No RAM boot loader for the firmware upgrade..";
inline constexpr char kRamBslRefusedText[] = "Unable to use the RAM boot loader..";
inline constexpr char kPasswordRefusedText[] = "Unable to use the boot loader password..";

struct BootLoaderFiles {
    std::string ramBslText;
    // From its first four bytes: "00.06.05.34".
    std::string ramBslVersion;
    std::string passwordText;
    // The file the RAM boot loader was read from; empty for the one the executable carries.
    std::string ramBslFile = {};
};

// What an executable carries. Chosen at link time: the files given at configure time for the
// product executables, the simulated MCU's for the demo and test ones. Empty texts: none.
struct EmbeddedBootLoaderFiles {
    std::string_view ramBslText;
    std::string_view ramBslVersion; // as configured; empty when not given
    std::string_view ramBslOrigin;  // names it in messages
    std::string_view passwordText;
    std::string_view passwordOrigin;
};
const EmbeddedBootLoaderFiles& EmbeddedBootLoader();

struct BootLoaderSearch {
    std::optional<std::string> ramBslFile;
    std::vector<std::string> folders;
    EmbeddedBootLoaderFiles embedded;
};

// $XDG_DATA_HOME/echovane (default ~/.local/share/echovane), then each absolute entry of
// $XDG_DATA_DIRS (default /usr/local/share:/usr/share) with /echovane. On Windows
// %LOCALAPPDATA%\echovane, then %PROGRAMDATA%\echovane.
std::vector<std::string> BootLoaderFolders();
BootLoaderSearch DefaultBootLoaderSearch(std::optional<std::string> ramBslFile = std::nullopt);

struct BootLoaderLookup {
    std::optional<BootLoaderFiles> files;
    // Without files: a fixed first line, then what is missing or wrong and where the files go,
    // with a closing line break.
    std::string message;
    // The message is about the RAM boot loader, which can be named on the command line (the
    // password file cannot).
    bool aboutRamBsl = false;
};
BootLoaderLookup FindBootLoaderFiles(const BootLoaderSearch& search);

// 32 x 0xFF at 0xFFE0 as TI-TXT.
std::string ErasedDevicePasswordText();

} // namespace firmware
