// Saves replace the file atomically: whatever fails or stops half-way, the old file stays.

#include "config/CIniFile.h"
#include "platform/AtomicFile.h"
#include "platform/Utf8Path.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <tuple>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;
using platform::ReplaceFault;
using platform::ReplaceStep;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

constexpr char kOldBytes[] = " [appSettings]\r\n FirstUp=Yes\r\n KeypadLayout=2\r\n";

class ReplaceTest : public ::testing::Test {
protected:
    ~ReplaceTest() override { platform::SetReplaceFaultHook({}); }

    testsupport::TempFolder folder;
    std::string file = folder.File("USBEchovaneUtilityCfg.ini");
};

class ReplaceInterrupted
    : public ReplaceTest,
      public ::testing::WithParamInterface<std::tuple<ReplaceStep, ReplaceFault>> {};

TEST_P(ReplaceInterrupted, LeavesTheOldFileByteForByte) {
    const auto [step, fault] = GetParam();
    WriteBytes(file, kOldBytes);
    platform::SetReplaceFaultHook([step = step, fault = fault](ReplaceStep at, const std::string&) {
        return at == step ? fault : ReplaceFault::None;
    });

    EXPECT_FALSE(CIniFile::SetValue("KeypadLayout", "5", "appSettings", file));
    EXPECT_EQ(ReadBytes(file), kOldBytes);
    if (fault == ReplaceFault::Fail) {
        // A failed save cleans up after itself.
        EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"USBEchovaneUtilityCfg.ini"}));
    }

    // Whatever a crash left behind does not stand in the way of the next save.
    platform::SetReplaceFaultHook({});
    ASSERT_TRUE(CIniFile::SetValue("KeypadLayout", "5", "appSettings", file));
    EXPECT_EQ(CIniFile::GetValue("KeypadLayout", "appSettings", file), "5");
    EXPECT_EQ(CIniFile::GetValue("FirstUp", "appSettings", file), "Yes");
}

std::string
InterruptionName(const ::testing::TestParamInfo<std::tuple<ReplaceStep, ReplaceFault>>& info) {
    static const char* const kSteps[] = {"CreateTemporary", "WriteTemporary", "FlushTemporary",
                                         "Rename"};
    const ReplaceStep step = std::get<0>(info.param);
    const ReplaceFault fault = std::get<1>(info.param);
    return std::string(kSteps[static_cast<int>(step)]) +
           (fault == ReplaceFault::Fail ? "Fails" : "Crashes");
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ReplaceInterrupted,
    ::testing::Combine(::testing::Values(ReplaceStep::CreateTemporary, ReplaceStep::WriteTemporary,
                                         ReplaceStep::FlushTemporary, ReplaceStep::Rename),
                       ::testing::Values(ReplaceFault::Fail, ReplaceFault::Crash)),
    InterruptionName);

TEST_F(ReplaceTest, ACrashBeforeTheRenameLeavesTheOldFileAndAFullTemporaryOne) {
    WriteBytes(file, kOldBytes);
    platform::SetReplaceFaultHook([](ReplaceStep at, const std::string&) {
        return at == ReplaceStep::Rename ? ReplaceFault::Crash : ReplaceFault::None;
    });
    EXPECT_FALSE(platform::ReplaceFileAtomically(file, "new content\r\n"));
    EXPECT_EQ(ReadBytes(file), kOldBytes);
    const auto entries = folder.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(ReadBytes(folder.File(entries[1])), "new content\r\n");
}

TEST_F(ReplaceTest, ANewFileIsCreatedAndAReplacementKeepsThePermissions) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows files have no permission bits, only the read-only attribute "
                    "(WindowsReplace.AReadOnlyFileIsNotReplaced)";
#endif
    ASSERT_TRUE(platform::ReplaceFileAtomically(file, "one"));
    EXPECT_EQ(ReadBytes(file), "one");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(platform::ReplaceFileAtomically(file, "two"));
    EXPECT_EQ(ReadBytes(file), "two");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(ReplaceTest, ALinkStaysALinkAndItsTargetIsReplaced) {
#ifdef _WIN32
    GTEST_SKIP() << "links need extra rights on Windows";
#endif
    const std::string real = folder.File("real.ini");
    WriteBytes(real, "old");
    fs::create_symlink(real, file);
    ASSERT_TRUE(platform::ReplaceFileAtomically(file, "new"));
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(ReadBytes(real), "new");
}

#ifndef _WIN32
// A pipe, or a link to one (as /dev/stdout is), is written through by no replacement: it stays
// what it was.
TEST_F(ReplaceTest, APipeOrALinkToOneIsNotReplaced) {
    const std::string pipe = folder.File("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    fs::create_symlink(pipe, file);
    for (const std::string& path : {pipe, file}) {
        EXPECT_FALSE(platform::ReplaceFileAtomically(path, "new")) << path;
    }
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_TRUE(fs::is_symlink(file));
}
#endif

// What the user cannot write is not replaced: neither a read-only file nor one in a folder the
// user cannot write to. Run as root, the check drops to an unprivileged user first, in a child
// process, so that it runs (and binds) in CI too.
std::string UnwritableFilesStay(const testsupport::TempFolder& folder, const std::string& file) {
    if (const std::string why = testsupport::DropRootRights(folder.path()); !why.empty()) {
        return why;
    }
    fs::permissions(file, fs::perms::owner_read);
    if (CIniFile::SetValue("KeypadLayout", "5", "appSettings", file)) {
        return "a read-only file was reported saved";
    }
    if (ReadBytes(file) != kOldBytes) {
        return "a read-only file was changed";
    }
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
#ifndef _WIN32
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    if (CIniFile::SetValue("KeypadLayout", "5", "appSettings", file)) {
        return "a file in a read-only folder was reported saved";
    }
    if (ReadBytes(file) != kOldBytes) {
        return "a file in a read-only folder was changed";
    }
#endif
    return "";
}

TEST_F(ReplaceTest, AFileThatCannotBeWrittenIsNotReplaced) {
    WriteBytes(file, kOldBytes);
    EXPECT_EXIT(
        {
            const std::string failure = UnwritableFilesStay(folder, file);
            std::fprintf(stderr, "%s\n", failure.c_str());
            std::_Exit(failure.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadBytes(file), kOldBytes);
}

// The system itself refuses the final rename (on Windows, a file another program holds open):
// the save fails and the old file stays.
TEST_F(ReplaceTest, ARenameTheSystemRefusesIsNoSave) {
    WriteBytes(file, kOldBytes);
    platform::SetReplaceFaultHook([this](ReplaceStep at, const std::string&) {
        if (at == ReplaceStep::Rename) {
            // Pulls the temporary file away, so the real rename finds nothing to move.
            for (const std::string& name : folder.Entries()) {
                if (name != "USBEchovaneUtilityCfg.ini") {
                    fs::remove(folder.File(name));
                }
            }
        }
        return ReplaceFault::None;
    });
    EXPECT_FALSE(CIniFile::SetValue("KeypadLayout", "5", "appSettings", file));
    EXPECT_EQ(ReadBytes(file), kOldBytes);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"USBEchovaneUtilityCfg.ini"}));
}

struct SizeLimitCase {
    size_t fileBytes;
    size_t limit;
    bool read;
};

void PrintTo(const SizeLimitCase& c, std::ostream* os) {
    *os << c.fileBytes << " bytes, limit " << c.limit;
}

class ReadSizeLimit : public ReplaceTest, public ::testing::WithParamInterface<SizeLimitCase> {};

// The limit is the largest size read: a file of exactly the limit is read whole, one byte more
// is refused. Sizes around the 4 KB read chunk too.
TEST_P(ReadSizeLimit, ReadsUpToAndIncludingTheLimit) {
    std::string bytes(GetParam().fileBytes, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>('a' + i % 26);
    }
    WriteBytes(file, bytes);
    const auto read = platform::ReadWholeFile(file, GetParam().limit);
    ASSERT_EQ(read.has_value(), GetParam().read);
    if (read) {
        EXPECT_EQ(*read, bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ReadSizeLimit,
    ::testing::Values(SizeLimitCase{0, 0, true}, SizeLimitCase{1, 0, false},
                      SizeLimitCase{1, 1, true}, SizeLimitCase{2, 1, false},
                      SizeLimitCase{4095, 4096, true}, SizeLimitCase{4096, 4096, true},
                      SizeLimitCase{4097, 4096, false}, SizeLimitCase{4097, 4097, true},
                      SizeLimitCase{9000, 9000, true}, SizeLimitCase{9001, 9000, false}),
    [](const auto& info) {
        return "Bytes" + std::to_string(info.param.fileBytes) + "Limit" +
               std::to_string(info.param.limit);
    });

TEST_F(ReplaceTest, NoFolderOrADirectoryInTheWayFails) {
    EXPECT_FALSE(platform::ReplaceFileAtomically(folder.File("missing/x.ini"), "x"));
    EXPECT_FALSE(platform::ReplaceFileAtomically(platform::Utf8FromPath(folder.path()), "x"));
    EXPECT_FALSE(platform::ReplaceFileAtomically("", "x"));
    EXPECT_TRUE(fs::is_directory(folder.path()));
}

} // namespace
