#include "AtomicFile.h"

#include "platform/RegularFile.h"
#include "platform/Utf8Path.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {
namespace {

namespace fs = std::filesystem;

std::mutex hookMutex;
ReplaceFaultHook faultHook;

// As many links in a row as Linux follows; more is taken for a loop.
constexpr int kMaxLinkHops = 40;

bool Failed(std::string reason) {
    RecordFileFailure(std::move(reason));
    return false;
}
bool FailedWithErrno() {
    return Failed(SystemReason(errno));
}

ReplaceFault FaultAt(ReplaceStep step, const std::string& path) {
    std::lock_guard lock(hookMutex);
    return faultHook ? faultHook(step, path) : ReplaceFault::None;
}

#ifdef _WIN32
constexpr int kCreateFlags = _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY;
// Paths are UTF-8; the wide functions take every name the file system can hold.
std::wstring Wide(const std::string& path) {
    return platform::PathFromUtf8(path).wstring();
}
int OpenNew(const std::string& path) {
    return _wopen(Wide(path).c_str(), kCreateFlags, _S_IREAD | _S_IWRITE);
}
int OpenForWriting(const std::string& path) {
    // Windows never writes a read-only file; asked here, so a file system or an account that
    // would let the open through does not change that.
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        errno = EACCES;
        return -1;
    }
    return _wopen(Wide(path).c_str(), _O_WRONLY | _O_BINARY);
}
int WriteSome(int fd, const char* data, size_t size) {
    return _write(fd, data, static_cast<unsigned>(size > 0x40000000 ? 0x40000000 : size));
}
bool FlushToDisk(int fd) {
    return _commit(fd) == 0;
}
int CloseFile(int fd) {
    return _close(fd);
}
int ProcessId() {
    return _getpid();
}
void CopyPermissions(int, const std::string&) {}
// MoveFileExW tells its reason through GetLastError; the few a user can act on become errno.
bool RenameOver(const std::string& from, const std::string& to) {
    if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
        return true;
    }
    switch (GetLastError()) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        errno = EACCES;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        errno = ENOSPC;
        break;
    case ERROR_FILENAME_EXCED_RANGE:
        errno = ENAMETOOLONG;
        break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        errno = ENOENT;
        break;
    default:
        errno = EIO;
        break;
    }
    return false;
}
void RemoveFile(const std::string& path) {
    _wremove(Wide(path).c_str());
}
void FlushFolder(const std::string&) {}
#else
int OpenNew(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
int OpenForWriting(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
}
int WriteSome(int fd, const char* data, size_t size) {
    return static_cast<int>(::write(fd, data, size > 0x40000000 ? 0x40000000 : size));
}
bool FlushToDisk(int fd) {
    return ::fsync(fd) == 0;
}
int CloseFile(int fd) {
    return ::close(fd);
}
int ProcessId() {
    return static_cast<int>(::getpid());
}
// The replacement keeps the old file's permission bits (a new one gets 0666 less the umask).
void CopyPermissions(int fd, const std::string& oldPath) {
    struct stat old {};
    if (::stat(oldPath.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
    }
}
bool RenameOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}
void RemoveFile(const std::string& path) {
    std::remove(path.c_str());
}
// Makes the rename itself durable; best effort.
void FlushFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
#endif

// The file a path stands for: links are followed one by one (a relative target from the link's
// folder), so the links stay in place and a target that does not exist yet can be made.
// std::filesystem::weakly_canonical would quietly stop at a loop and hand back the link.
std::optional<std::string> ResolveTarget(const std::string& path) {
    fs::path at = platform::PathFromUtf8(path);
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        std::error_code error;
        if (fs::symlink_status(at, error).type() != fs::file_type::symlink) {
            return platform::Utf8FromPath(at);
        }
        const fs::path next = fs::read_symlink(at, error);
        if (error) {
            Failed(SystemReason(error));
            return std::nullopt;
        }
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    Failed(SystemReason(ELOOP));
    return std::nullopt;
}

constexpr char kTemporaryPrefix[] = "echovane-";
constexpr char kTemporaryEnd[] = ".tmp";

// The process that made a temporary named as TemporaryName names them, or nothing for any other
// name (a number no process id can be included).
std::optional<long> TemporaryOwner(std::string_view name) {
    if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporaryEnd)) {
        return std::nullopt;
    }
    name.remove_prefix(std::string_view(kTemporaryPrefix).size());
    name.remove_suffix(std::string_view(kTemporaryEnd).size());
    const size_t dash = name.find('-');
    if (dash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view pid = name.substr(0, dash);
    const std::string_view count = name.substr(dash + 1);
    long owner = 0;
    unsigned long long n = 0;
    const auto parsedPid = std::from_chars(pid.data(), pid.data() + pid.size(), owner);
    const auto parsedCount = std::from_chars(count.data(), count.data() + count.size(), n);
    if (pid.empty() || count.empty() || pid.front() == '-' || owner <= 0 ||
        parsedPid.ec != std::errc() || parsedPid.ptr != pid.data() + pid.size() ||
        parsedCount.ec != std::errc() || parsedCount.ptr != count.data() + count.size()) {
        return std::nullopt;
    }
    return owner;
}

bool ProcessRunning(long pid) {
#ifdef _WIN32
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) {
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
#else
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const int written = WriteSome(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    FileRead read = ReadRegularFile(path, maxBytes);
    if (!read.ok) {
        return std::nullopt;
    }
    return std::move(read.bytes);
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty()) {
        return Failed(SystemReason(ENOENT));
    }
    const std::optional<std::string> resolved = ResolveTarget(path);
    if (!resolved) {
        return false;
    }
    const std::string& target = *resolved;
    std::error_code error;
    const bool replacing = fs::exists(platform::PathFromUtf8(target), error);
    // A device, a pipe or a folder is no file to replace: the rename would put a file in its
    // place.
    if (replacing && !fs::is_regular_file(platform::PathFromUtf8(target), error)) {
        const std::string why = NotAFileReason(target);
        return Failed(why.empty() ? SystemReason(EIO) : why);
    }
    if (replacing) {
        // A file the user may not write to is not swapped out from under them.
        const int probe = OpenForWriting(target);
        if (probe < 0) {
            return FailedWithErrno();
        }
        CloseFile(probe);
    }

    const fs::path folder = platform::PathFromUtf8(target).parent_path();
    static std::atomic<unsigned> sequence{0};
    std::string temporary;
    int fd = -1;
    if (FaultAt(ReplaceStep::CreateTemporary, target) != ReplaceFault::None) {
        return Failed(SystemReason(EIO));
    }
    // The temporary name is short whatever the file's name, so a name near the file system's
    // limit can still be saved. A name left behind by a crashed save is skipped, never reused.
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary =
            platform::Utf8FromPath(folder / TemporaryName(ProcessId(), sequence.fetch_add(1)));
        fd = OpenNew(temporary);
        if (fd < 0 && errno != EEXIST) {
            return FailedWithErrno();
        }
    }
    if (fd < 0) {
        return Failed(SystemReason(EEXIST));
    }

    // The system's reason for the failed step (a test's hook fails one as the system would,
    // errno included); EIO when there is none.
    auto give_up = [&](ReplaceFault fault, int error) {
        Failed(SystemReason(error != 0 ? error : EIO));
        if (fd >= 0) {
            CloseFile(fd);
        }
        if (fault != ReplaceFault::Crash) {
            RemoveFile(temporary);
        }
        return false;
    };

    if (replacing) {
        CopyPermissions(fd, target);
    }
    errno = 0;
    if (const ReplaceFault fault = FaultAt(ReplaceStep::WriteTemporary, target);
        fault != ReplaceFault::None || !WriteAll(fd, bytes)) {
        return give_up(fault, errno);
    }
    errno = 0;
    if (const ReplaceFault fault = FaultAt(ReplaceStep::FlushTemporary, target);
        fault != ReplaceFault::None || !FlushToDisk(fd)) {
        return give_up(fault, errno);
    }
    const int closed = CloseFile(fd);
    fd = -1;
    if (closed != 0) {
        return give_up(ReplaceFault::None, errno);
    }
    errno = 0;
    if (const ReplaceFault fault = FaultAt(ReplaceStep::Rename, target);
        fault != ReplaceFault::None || !RenameOver(temporary, target)) {
        return give_up(fault, errno);
    }
    FlushFolder(platform::Utf8FromPath(folder));
    // What an earlier save here left when it was killed goes now, in whatever folder it was.
    RemoveCutTemporariesBeside(path);
    RecordFileFailure({});
    return true;
}

std::string TemporaryName(long pid, unsigned n) {
    return kTemporaryPrefix + std::to_string(pid) + "-" + std::to_string(n) + kTemporaryEnd;
}

void RemoveCutTemporariesBeside(const std::string& path) noexcept {
    // A clean-up on the side leaves the reason of the last failure as it was.
    const std::string kept = LastFileFailure();
    struct Restore {
        const std::string& reason;
        ~Restore() { RecordFileFailure(reason); }
    } restore{kept};
    try {
        // The folder of the file itself: a link's target's, and none for a loop.
        const std::optional<std::string> target = ResolveTarget(path);
        if (!target) {
            return;
        }
        const fs::path folder = platform::PathFromUtf8(*target).parent_path();
        std::error_code error;
        fs::directory_iterator entry(folder.empty() ? fs::path(".") : folder, error);
        for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
            const auto owner = TemporaryOwner(platform::Utf8FromPath(entry->path().filename()));
            std::error_code ignored;
            if (owner && !ProcessRunning(*owner) && entry->is_regular_file(ignored)) {
                fs::remove(entry->path(), ignored);
            }
        }
    } catch (const std::exception&) {
        // A clean-up that cannot be done costs nothing but the space.
    }
}

void SetReplaceFaultHook(ReplaceFaultHook hook) {
    std::lock_guard lock(hookMutex);
    faultHook = std::move(hook);
}

} // namespace platform
