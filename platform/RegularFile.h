#pragma once

// Reading a file whole, refusing what is no file. A pipe, a device or a folder named where a
// file is expected must neither hang the program (a pipe nobody writes to) nor fill its memory
// (/dev/zero), so the file is opened without waiting, looked at through the open descriptor and
// read only up to a limit the caller gives.

#include <cstddef>
#include <string>
#include <system_error>

namespace platform {

struct FileRead {
    // True when bytes hold the whole file.
    bool ok = false;
    // The file goes on past the limit: bytes hold its first limit bytes and ok is false.
    bool larger = false;
    std::string bytes;
    // Why the file was not read whole, to follow a colon: the system's reason ("No such file or
    // directory", "Permission denied", "Too many levels of symbolic links"), "it is not a file
    // but a folder", "it has more than N bytes".
    std::string reason;
};

// At most maxBytes of the regular file at path (UTF-8).
FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes);

// What stands at path when it is no regular file ("a folder", "a pipe", "a device", "a socket"),
// following links; empty for a regular file, nothing, or a path the system cannot look at.
std::string NonFileKind(const std::string& path);
// "it is not a file but " + NonFileKind(path).
std::string NotAFileReason(const std::string& path);

// Why this thread's last failed ReadRegularFile, ReadWholeFile or ReplaceFileAtomically failed,
// to follow a colon ("Permission denied", "No space left on device", "it is not a file but a
// pipe"). Kept as the system keeps errno, for callers whose own answer is only true or false;
// empty after a success.
std::string LastFileFailure();
// Sets it; for the platform's file functions.
void RecordFileFailure(std::string reason);

// The system's reason for an errno value ("No such file or directory").
std::string SystemReason(int error);
// The same for a file function's error: in errno's words where it has an errno (a Windows
// message would be in the system's language and code page), else in the system's own.
std::string SystemReason(const std::error_code& error);

} // namespace platform
