#include "boot_loader_files.h"

#include "firmware/bsl430/protocol.h"
#include "firmware/image_check.h"
#include "platform/DataFolder.h"
#include "platform/Utf8Path.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace firmware {
namespace {

namespace fs = std::filesystem;

constexpr char kFolderName[] = "echovane";
constexpr std::size_t kBytesPerLine = 16;

// Only the XDG rules ask for it; Windows folders come from the system as they are.
[[maybe_unused]] bool Absolute(const std::string& path) {
    return platform::PathFromUtf8(path).is_absolute();
}

std::string Folder(const std::string& base) {
    return platform::Utf8FromPath(platform::PathFromUtf8(base) / kFolderName);
}

std::string InFolder(const std::string& folder, const char* name) {
    return platform::Utf8FromPath(platform::PathFromUtf8(folder) / name);
}

bool Exists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(platform::PathFromUtf8(path), ignored);
}

// A folder as the system writes one, closing separator included (backslash on Windows).
std::string FolderText(const std::string& folder) {
    return folder + static_cast<char>(fs::path::preferred_separator);
}

std::string WhereToPut(const std::vector<std::string>& folders) {
    std::string where = "Copy it as " + std::string(kRamBslFileName) + " into ";
    if (folders.empty()) {
#ifdef _WIN32
        return where + "the folder echovane of your local application data (set LOCALAPPDATA).";
#else
        return where + "the folder echovane of your data folder (set XDG_DATA_HOME).";
#endif
    }
    where += FolderText(folders[0]);
    if (folders.size() > 1) {
        where += " (for you) or " + FolderText(folders[1]) + " (for every user of this computer)";
    }
    return where + ".";
}

struct Found {
    std::optional<std::string> text;
    std::string source;
    std::string error; // a refusal message when set
    bool carried = false;
};

Found FindRamBsl(const BootLoaderSearch& search) {
    auto read = [](const std::string& path) -> Found {
        std::string why;
        if (auto text = bsl430::ReadFileText(path, kRamBslTextLimit, why)) {
            return {std::move(text), path, {}};
        }
        return {std::nullopt, path,
                std::string(kRamBslRefusedText) + "\n" + path + ": " + why + "\n"};
    };
    if (search.ramBslFile) {
        return read(*search.ramBslFile);
    }
    for (const auto& folder : search.folders) {
        const std::string path = InFolder(folder, kRamBslFileName);
        if (Exists(path)) {
            return read(path);
        }
    }
    if (!search.embedded.ramBslText.empty()) {
        return {std::string(search.embedded.ramBslText),
                std::string(search.embedded.ramBslOrigin),
                {},
                true};
    }
    return {};
}

Found FindPassword(const BootLoaderSearch& search) {
    for (const auto& folder : search.folders) {
        const std::string path = InFolder(folder, kPasswordFileName);
        if (!Exists(path)) {
            continue;
        }
        std::string why;
        if (auto text = bsl430::ReadFileText(path, kPasswordTextLimit, why)) {
            return {std::move(text), path, {}};
        }
        return {std::nullopt, path,
                std::string(kPasswordRefusedText) + "\n" + path + ": " + why + "\n"};
    }
    if (!search.embedded.passwordText.empty()) {
        return {std::string(search.embedded.passwordText),
                std::string(search.embedded.passwordOrigin),
                {}};
    }
    return {ErasedDevicePasswordText(), "the erased device's password", {}};
}

} // namespace

std::vector<std::string> BootLoaderFolders() {
    std::vector<std::string> folders;
    if (const auto user = platform::UserDataFolder()) {
        folders.push_back(Folder(*user));
    }
#ifdef _WIN32
    if (const auto machine = platform::NonEmptyEnvironment("PROGRAMDATA")) {
        folders.push_back(Folder(*machine));
    }
#else
    std::istringstream dirs(
        platform::NonEmptyEnvironment("XDG_DATA_DIRS").value_or("/usr/local/share:/usr/share"));
    std::string entry;
    while (std::getline(dirs, entry, ':')) {
        // The XDG rules ignore relative entries.
        if (!entry.empty() && Absolute(entry)) {
            folders.push_back(Folder(entry));
        }
    }
#endif
    return folders;
}

BootLoaderSearch DefaultBootLoaderSearch(std::optional<std::string> ramBslFile) {
    return {std::move(ramBslFile), BootLoaderFolders(), EmbeddedBootLoader()};
}

BootLoaderLookup FindBootLoaderFiles(const BootLoaderSearch& search) {
    BootLoaderLookup lookup;
    lookup.aboutRamBsl = true;
    const Found ramBsl = FindRamBsl(search);
    if (!ramBsl.error.empty()) {
        lookup.message = ramBsl.error;
        return lookup;
    }
    if (!ramBsl.text) {
        lookup.message = std::string(kNoRamBslText) +
                         "\nThe upgrade needs the RAM boot loader of the MCU vendor's USB BSL "
                         "package (a TI-TXT file that starts at 0x2500). " +
                         WhereToPut(search.folders) + "\n";
        return lookup;
    }
    // A configured version belongs to the image carried, not to one found elsewhere.
    const RamBslCheck check =
        CheckRamBslText(*ramBsl.text, ramBsl.carried ? search.embedded.ramBslVersion : "");
    if (!check.ok) {
        lookup.message =
            std::string(kRamBslRefusedText) + "\n" + ramBsl.source + ": " + check.reason + "\n";
        return lookup;
    }
    lookup.aboutRamBsl = false;
    const Found password = FindPassword(search);
    if (!password.error.empty()) {
        lookup.message = password.error;
        return lookup;
    }
    if (const ImageCheck checked = CheckPasswordText(*password.text); !checked.ok) {
        lookup.message = std::string(kPasswordRefusedText) + "\n" + password.source + ": " +
                         checked.reason + "\n";
        return lookup;
    }
    lookup.files = BootLoaderFiles{*ramBsl.text, check.version, *password.text,
                                   ramBsl.carried ? std::string() : ramBsl.source};
    return lookup;
}

std::string ErasedDevicePasswordText() {
    char address[8];
    std::snprintf(address, sizeof address, "@%04X",
                  static_cast<unsigned>(bsl430::kPasswordAddress));
    std::string text = std::string(address) + "\r\n";
    for (std::size_t i = 0; i < bsl430::kPasswordSize; ++i) {
        text += "FF";
        text += (i + 1) % kBytesPerLine == 0 ? "\r\n" : " ";
    }
    return text + "q\r\n";
}

} // namespace firmware
