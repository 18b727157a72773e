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
    // path()/name as a narrow string.
    std::string File(const std::string& name) const;
    // The names of the entries in the folder, sorted.
    std::vector<std::string> Entries() const;

private:
    std::filesystem::path path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
// Whether the tests run with the rights to write anything (as root), so permission checks
// cannot be exercised.
bool RunningAsRoot();

} // namespace testsupport
