#pragma once

// A fresh folder under the system's temporary folder, removed with everything in it, and the
// few file helpers the configuration tests share.

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // path()/name as UTF-8 text, as the cores take file names; "/" in name becomes the
    // system's separator.
    std::string File(const std::string& name) const;
    // The names of the entries in the folder, sorted.
    std::vector<std::string> Entries() const;

private:
    std::filesystem::path path_;
};

// A folder name (UTF-8) in scripts no narrow Windows code page spells whole: Latin with a
// diaeresis, Japanese, Greek.
inline constexpr char kNameInManyScripts[] = "Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC \xCE\x95\xCE\xBB";

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
// Permissions do not bind root: run as root, this process hands folder over to the
// unprivileged user "nobody" and becomes that user, so permission checks bind again. Call it
// in a child process (a death test's statement); it cannot be undone. The reason it could not,
// or "" when the process now runs unprivileged (or never ran as root).
std::string DropRootRights(const std::filesystem::path& folder);

} // namespace testsupport
