#include "RegularFile.h"

#include "platform/Utf8Path.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChunkBytes = 64 * 1024;

std::string KindName(fs::file_type type) {
    switch (type) {
    case fs::file_type::directory:
        return "a folder";
    case fs::file_type::fifo:
        return "a pipe";
    case fs::file_type::character:
    case fs::file_type::block:
        return "a device";
    case fs::file_type::socket:
        return "a socket";
    default:
        return "another kind of entry";
    }
}

std::string NotAFile(fs::file_type type) {
    return "it is not a file but " + KindName(type);
}

#ifdef _WIN32
// A folder cannot be opened as a file at all; said as what it is rather than "Permission denied".
// Its attributes are asked only after the open failed: asking them of a named pipe connects to
// it, and would take the one instance a pipe server offers.
int OpenForReading(const std::string& path, std::string& reason) {
    const std::wstring wide = PathFromUtf8(path).wstring();
    const int fd = _wopen(wide.c_str(), _O_RDONLY | _O_BINARY);
    if (fd >= 0) {
        return fd;
    }
    const int openError = errno;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    reason = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                 ? NotAFile(fs::file_type::directory)
                 : SystemReason(openError);
    return -1;
}
fs::file_type TypeOf(int fd) {
    struct _stat64 status {};
    if (_fstat64(fd, &status) != 0) {
        return fs::file_type::unknown;
    }
    switch (status.st_mode & _S_IFMT) {
    case _S_IFREG:
        return fs::file_type::regular;
    case _S_IFDIR:
        return fs::file_type::directory;
    case _S_IFIFO: // a named pipe or a console's redirected pipe
        return fs::file_type::fifo;
    default:
        return fs::file_type::character;
    }
}
long long ReadSome(int fd, char* buffer, std::size_t size) {
    return _read(fd, buffer, static_cast<unsigned>(size));
}
void CloseFile(int fd) {
    _close(fd);
}
#else
// Without O_NONBLOCK, opening a pipe waits for a writer that may never come.
int OpenForReading(const std::string& path, std::string& reason) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        reason = SystemReason(errno);
    }
    return fd;
}
fs::file_type TypeOf(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        return fs::file_type::unknown;
    }
    if (S_ISREG(status.st_mode)) {
        return fs::file_type::regular;
    }
    if (S_ISDIR(status.st_mode)) {
        return fs::file_type::directory;
    }
    if (S_ISFIFO(status.st_mode)) {
        return fs::file_type::fifo;
    }
    if (S_ISCHR(status.st_mode)) {
        return fs::file_type::character;
    }
    if (S_ISBLK(status.st_mode)) {
        return fs::file_type::block;
    }
    return S_ISSOCK(status.st_mode) ? fs::file_type::socket : fs::file_type::unknown;
}
long long ReadSome(int fd, char* buffer, std::size_t size) {
    return ::read(fd, buffer, size);
}
void CloseFile(int fd) {
    ::close(fd);
}
#endif

} // namespace

std::string SystemReason(int error) {
    return std::generic_category().message(error);
}

std::string SystemReason(const std::error_code& error) {
    const std::error_condition condition = error.default_error_condition();
    if (condition.category() == std::generic_category()) {
        return SystemReason(condition.value());
    }
#ifdef _WIN32
    // The library's message is in the ANSI code page; the program's texts are UTF-8.
    if (error.category() == std::system_category()) {
        wchar_t* text = nullptr;
        const DWORD length =
            FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(error.value()), 0,
                           reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        std::wstring wide = length != 0 && text != nullptr ? std::wstring(text, length) : L"";
        LocalFree(text);
        while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' ||
                                 wide.back() == L' ' || wide.back() == L'.')) {
            wide.pop_back();
        }
        return wide.empty() ? "Windows error " + std::to_string(error.value())
                            : Utf8FromPath(fs::path(wide));
    }
#endif
    return error.message();
}

std::string NonFileKind(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(PathFromUtf8(path), error);
    if (error || status.type() == fs::file_type::regular ||
        status.type() == fs::file_type::not_found) {
        return {};
    }
    return KindName(status.type());
}

std::string NotAFileReason(const std::string& path) {
    const std::string kind = NonFileKind(path);
    return kind.empty() ? std::string() : "it is not a file but " + kind;
}

namespace {
thread_local std::string lastFailure;

FileRead ReadWithoutRecord(const std::string& path, std::size_t maxBytes) {
    FileRead read;
    if (path.empty()) {
        read.reason = SystemReason(ENOENT);
        return read;
    }
    const int fd = OpenForReading(path, read.reason);
    if (fd < 0) {
        return read;
    }
    if (const fs::file_type type = TypeOf(fd); type != fs::file_type::regular) {
        read.reason = NotAFile(type);
        CloseFile(fd);
        return read;
    }
    // One byte past the limit tells a larger file without reading the rest of it.
    std::string chunk(kChunkBytes, '\0');
    for (;;) {
        const std::size_t room = maxBytes - read.bytes.size();
        const std::size_t want = room < chunk.size() ? room + 1 : chunk.size();
        const long long got = ReadSome(fd, chunk.data(), want);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            read.reason = SystemReason(errno);
            break;
        }
        if (got == 0) {
            read.ok = true;
            break;
        }
        const auto count = static_cast<std::size_t>(got);
        if (count > room) {
            read.bytes.append(chunk.data(), room);
            read.larger = true;
            read.reason = "it has more than " + std::to_string(maxBytes) + " bytes";
            break;
        }
        read.bytes.append(chunk.data(), count);
    }
    CloseFile(fd);
    if (!read.ok && !read.larger) {
        read.bytes.clear();
    }
    return read;
}
} // namespace

FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes) {
    FileRead read = ReadWithoutRecord(path, maxBytes);
    RecordFileFailure(read.ok ? std::string() : read.reason);
    return read;
}

std::string LastFileFailure() {
    return lastFailure;
}

void RecordFileFailure(std::string reason) {
    lastFailure = std::move(reason);
}

} // namespace platform
