// What is no file is neither read (a pipe would hang the program, /dev/zero fill its memory) nor
// replaced by a save; links are followed to the file they lead to; every refusal says why.

#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <future>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

#ifndef _WIN32
struct NonFileCase {
    const char* name;
    // Makes the thing in folder and names it.
    std::function<std::string(const testsupport::TempFolder&)> make;
    const char* reason;
};

void PrintTo(const NonFileCase& c, std::ostream* os) {
    *os << c.name;
}

class NonFile : public ::testing::TestWithParam<NonFileCase> {
protected:
    testsupport::TempFolder folder;
};

const NonFileCase kNonFiles[] = {
    {"Pipe",
     [](const testsupport::TempFolder& folder) {
         const std::string pipe = folder.File("pipe");
         EXPECT_EQ(mkfifo(pipe.c_str(), 0600), 0);
         return pipe;
     },
     "it is not a file but a pipe"},
    {"EndlessDevice", [](const testsupport::TempFolder&) { return std::string("/dev/zero"); },
     "it is not a file but a device"},
    {"Folder",
     [](const testsupport::TempFolder& folder) {
         fs::create_directory(folder.File("sub"));
         return folder.File("sub");
     },
     "it is not a file but a folder"},
    {"LinkToAPipe",
     [](const testsupport::TempFolder& folder) {
         EXPECT_EQ(mkfifo(folder.File("pipe").c_str(), 0600), 0);
         fs::create_symlink("pipe", folder.File("link"));
         return folder.File("link");
     },
     "it is not a file but a pipe"},
    {"LinkLeadingNowhere",
     [](const testsupport::TempFolder& folder) {
         fs::create_symlink("dotfiles/keypad.ini", folder.File("mycfg.ini"));
         return folder.File("mycfg.ini");
     },
     "No such file or directory"},
    {"LinkLoop",
     [](const testsupport::TempFolder& folder) {
         fs::create_symlink("b", folder.File("a"));
         fs::create_symlink("a", folder.File("b"));
         return folder.File("a");
     },
     "Too many levels of symbolic links"},
    {"NameTooLong",
     [](const testsupport::TempFolder& folder) { return folder.File(std::string(300, 'n')); },
     "File name too long"},
};

// Read at once and refused with the reason, whether asked for its bytes or for a whole file.
TEST_P(NonFile, IsRefusedAtOnceWithItsReason) {
    const std::string path = GetParam().make(folder);
    const platform::FileRead read = platform::ReadRegularFile(path, 1 << 20);
    EXPECT_FALSE(read.ok);
    EXPECT_FALSE(read.larger);
    EXPECT_TRUE(read.bytes.empty());
    EXPECT_EQ(read.reason, GetParam().reason);

    EXPECT_FALSE(platform::ReadWholeFile(path, 1 << 20));
    EXPECT_EQ(platform::LastFileFailure(), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(Kinds, NonFile, ::testing::ValuesIn(kNonFiles),
                         [](const auto& info) { return std::string(info.param.name); });

struct ReplaceCase {
    const char* name;
    std::function<std::string(const testsupport::TempFolder&)> make;
    // Where the bytes end up, relative to the folder; empty when the save is refused.
    const char* written;
    const char* reason;
};

void PrintTo(const ReplaceCase& c, std::ostream* os) {
    *os << c.name;
}

class ReplaceThrough : public ::testing::TestWithParam<ReplaceCase> {
protected:
    testsupport::TempFolder folder;
};

// The save never puts a file where a pipe, a folder or a link was: a link's target is written,
// and made when only it is missing.
TEST_P(ReplaceThrough, KeepsWhatIsThereAndWritesTheLinksTarget) {
    const std::string path = GetParam().make(folder);
    const auto before = fs::symlink_status(path).type();
    const std::vector<std::string> entriesBefore = folder.Entries();
    const bool saved = platform::ReplaceFileAtomically(path, "[appSettings]\n");
    EXPECT_EQ(fs::symlink_status(path).type(), before);
    if (*GetParam().written == '\0') {
        EXPECT_FALSE(saved);
        EXPECT_EQ(platform::LastFileFailure(), GetParam().reason);
        EXPECT_EQ(folder.Entries(), entriesBefore) << "nothing made, nothing left behind";
    } else {
        ASSERT_TRUE(saved) << platform::LastFileFailure();
        EXPECT_EQ(ReadBytes(folder.File(GetParam().written)), "[appSettings]\n");
        EXPECT_EQ(platform::LastFileFailure(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ReplaceThrough,
    ::testing::Values(
        ReplaceCase{"Pipe", kNonFiles[0].make, "", "it is not a file but a pipe"},
        ReplaceCase{"Folder", kNonFiles[2].make, "", "it is not a file but a folder"},
        ReplaceCase{"LinkToAPipe", kNonFiles[3].make, "", "it is not a file but a pipe"},
        ReplaceCase{"LinkLoop", kNonFiles[5].make, "", "Too many levels of symbolic links"},
        ReplaceCase{"LinkIntoAMissingFolder", kNonFiles[4].make, "", "No such file or directory"},
        ReplaceCase{"LinkLeadingNowhereYet",
                    [](const testsupport::TempFolder& folder) {
                        fs::create_directory(folder.File("dotfiles"));
                        fs::create_symlink("dotfiles/keypad.ini", folder.File("mycfg.ini"));
                        return folder.File("mycfg.ini");
                    },
                    "dotfiles/keypad.ini", ""},
        // Each relative target is taken from its own link's folder.
        ReplaceCase{"ChainOfRelativeLinks",
                    [](const testsupport::TempFolder& folder) {
                        fs::create_directory(folder.File("dotfiles"));
                        WriteBytes(folder.File("dotfiles/real.ini"), "old");
                        fs::create_symlink("real.ini", folder.File("dotfiles/keypad.ini"));
                        fs::create_symlink("dotfiles/keypad.ini", folder.File("mycfg.ini"));
                        return folder.File("mycfg.ini");
                    },
                    "dotfiles/real.ini", ""}),
    [](const auto& info) { return std::string(info.param.name); });
#endif

class PlainFile : public ::testing::Test {
protected:
    testsupport::TempFolder folder;
};

// 85 Japanese characters are 255 bytes, the most a file name may hold: the temporary file
// beside it must not need more.
TEST_F(PlainFile, ANameAtTheFileSystemsLimitIsSavedAndReadBack) {
    std::string name;
    for (int i = 0; i < 85; ++i) {
        name += "\xE6\x97\xA5";
    }
    const std::string path = folder.File(name);
    ASSERT_TRUE(platform::ReplaceFileAtomically(path, "one")) << platform::LastFileFailure();
    ASSERT_TRUE(platform::ReplaceFileAtomically(path, "two")) << platform::LastFileFailure();
    EXPECT_EQ(platform::ReadWholeFile(path, 16), "two");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{name});
}

// A file past the limit is not read on to its end; what was read is kept for the size check.
TEST_F(PlainFile, AFilePastTheLimitSaysSo) {
    const std::string path = folder.File("big.txt");
    WriteBytes(path, std::string(100, 'x'));
    const platform::FileRead read = platform::ReadRegularFile(path, 40);
    EXPECT_FALSE(read.ok);
    EXPECT_TRUE(read.larger);
    EXPECT_EQ(read.bytes.size(), 40u);
    EXPECT_EQ(read.reason, "it has more than 40 bytes");
}

#ifdef _WIN32
// A named pipe opened by its name is said to be a pipe, as on Linux, and not read.
TEST_F(PlainFile, ANamedPipeIsRefusedAsAPipe) {
    const std::wstring name =
        L"\\\\.\\pipe\\echovane-test-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE pipe =
        CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 64, 64, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    const std::string path(name.begin(), name.end());
    const platform::FileRead read = platform::ReadRegularFile(path, 1 << 20);
    CloseHandle(pipe);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.reason, "it is not a file but a pipe");
}
#else
// Temporaries a dead process left go; a running one's, names no process id can have and
// everything else stay. A link loop clears nothing (its folder is not known), and the reason of
// the last failure is left as it was.
TEST_F(PlainFile, TemporariesOfSavesCutShortAreClearedBesideTheFileSaved) {
    const std::string dead = platform::TemporaryName(2147483646, 0);
    const std::string running = platform::TemporaryName(getpid(), 1);
    const std::vector<std::string> kept{running, "echovane-99999999999999999999-0.tmp",
                                        "echovane--1-0.tmp", "echovane-12-x.tmp", "notes.tmp"};
    for (const std::string& name : kept) {
        WriteBytes(folder.File(name), "x");
    }
    WriteBytes(folder.File(dead), "x");
    fs::create_symlink("b", folder.File("a"));
    fs::create_symlink("a", folder.File("b"));

    EXPECT_FALSE(platform::ReadWholeFile(folder.File("gone.ini"), 16));
    platform::RemoveCutTemporariesBeside(folder.File("a"));
    EXPECT_TRUE(fs::exists(folder.File(dead)));
    EXPECT_EQ(platform::LastFileFailure(), "No such file or directory");

    // Any save beside them clears them (a killed 'config save FILE' leaves one in any folder).
    ASSERT_TRUE(platform::ReplaceFileAtomically(folder.File("settings.ini"), "[appSettings]\n"));
    EXPECT_FALSE(fs::exists(folder.File(dead)));
    for (const std::string& name : kept) {
        EXPECT_TRUE(fs::exists(folder.File(name))) << name;
    }
}
#endif

// A file function's error in errno's words wherever it has an errno, whichever category it
// came in (Windows codes come in the system's); the system's own words only where it has none.
TEST(SystemReason, IsErrnosWordingWhereThereIsOne) {
    EXPECT_EQ(platform::SystemReason(std::make_error_code(std::errc::permission_denied)),
              "Permission denied");
#ifdef _WIN32
    const std::error_code noFile(ERROR_FILE_NOT_FOUND, std::system_category());
    const std::error_code noErrno(ERROR_CANT_ACCESS_FILE, std::system_category());
#else
    const std::error_code noFile(ENOENT, std::system_category());
    const std::error_code noErrno(1, std::future_category());
#endif
    EXPECT_EQ(platform::SystemReason(noFile), "No such file or directory");
    EXPECT_FALSE(platform::SystemReason(noErrno).empty());
#ifndef _WIN32
    EXPECT_EQ(platform::SystemReason(noErrno), noErrno.message());
#endif
}

} // namespace
