#pragma once

// Whole-file reads and atomic whole-file replacement. A replacement is written to a temporary
// file in the same folder, flushed to disk and renamed over the old file, so a crash or power
// loss in the middle never leaves a truncated file behind.

#include "platform/RegularFile.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The whole file, or nothing when it cannot be read, is no regular file or is larger than
// maxBytes (ReadRegularFile says why).
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes);

// Replaces (or creates) the file at path with bytes. An existing file that cannot be opened for
// writing, or that is no regular file (a device, a pipe), is not replaced; a new file keeps the
// permissions of the one it replaces. A link stays a link: the file it leads to is replaced, or
// made when it does not exist yet. False, and the old file as it was, when anything fails. A
// replacement that succeeds also removes the temporaries of others beside it that were cut short
// (RemoveCutTemporariesBeside).
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes);

// Removes, beside the file at path (the file a link leads to), the temporaries of replacements
// cut short by the death of their process (a kill, a crash, a power loss); those of a process
// still running are left alone, and nothing is done for a link that goes round in a loop.
void RemoveCutTemporariesBeside(const std::string& path) noexcept;
// The name a replacement by process pid gives its n-th temporary, for tests.
std::string TemporaryName(long pid, unsigned n);

// The steps of a replacement, for tests that make one of them fail.
enum class ReplaceStep { CreateTemporary, WriteTemporary, FlushTemporary, Rename };
enum class ReplaceFault {
    None,
    // The step fails as the operating system would fail it.
    Fail,
    // The program dies before the step: nothing is cleaned up.
    Crash,
};
using ReplaceFaultHook = std::function<ReplaceFault(ReplaceStep step, const std::string& path)>;
// Installs hook (an empty one removes it). Test use only.
void SetReplaceFaultHook(ReplaceFaultHook hook);

} // namespace platform
