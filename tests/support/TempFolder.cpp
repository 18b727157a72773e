#include "tests/support/TempFolder.h"

#include "platform/Utf8Path.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#ifndef _WIN32
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>
#endif

namespace testsupport {

TempFolder::TempFolder() {
    static std::atomic<int> sequence{0};
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        auto candidate = base / ("echovane-config-test-" +
#ifndef _WIN32
                                 std::to_string(::getpid()) + "-" +
#endif
                                 std::to_string(sequence.fetch_add(1)));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("no temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code error;
    // Folders a test made read-only must be writable again to be removed.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, error)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(path_, error);
}

std::string TempFolder::File(const std::string& name) const {
    return platform::Utf8FromPath(path_ / platform::PathFromUtf8(name).make_preferred());
}

std::vector<std::string> TempFolder::Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        names.push_back(platform::Utf8FromPath(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(platform::PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(platform::PathFromUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string DropRootRights(const std::filesystem::path& folder) {
#ifdef _WIN32
    (void)folder;
    return "";
#else
    if (::geteuid() != 0) {
        return "";
    }
    uid_t uid = 65534;
    gid_t gid = 65534;
    if (const passwd* nobody = ::getpwnam("nobody")) {
        uid = nobody->pw_uid;
        gid = nobody->pw_gid;
    }
    std::error_code error;
    std::vector<std::filesystem::path> owned{folder};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
        owned.push_back(entry.path());
    }
    for (const auto& path : owned) {
        if (::lchown(path.c_str(), uid, gid) != 0) {
            return "cannot hand " + path.string() + " to nobody: " + std::strerror(errno);
        }
    }
    if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) {
        return std::string("cannot become nobody: ") + std::strerror(errno);
    }
    if (::geteuid() == 0) {
        return "still root after setuid";
    }
    return "";
#endif
}

} // namespace testsupport
