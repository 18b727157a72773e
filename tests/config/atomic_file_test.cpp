// Saves replace the file atomically: whatever fails or stops half-way, the old file stays.

#include "config/CIniFile.h"
#include "config/atomic_file.h"
#include "tests/config/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

namespace {

namespace fs = std::filesystem;
using config::ReplaceFault;
using config::ReplaceStep;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

constexpr char kOldBytes[] = " [appSettings]\r\n FirstUp=Yes\r\n KeypadLayout=2\r\n";

class ReplaceTest : public ::testing::Test {
protected:
    ~ReplaceTest() override { config::SetReplaceFaultHook({}); }

    testsupport::TempFolder folder;
    std::string file = folder.File("USBEchovaneUtilityCfg.ini");
};

class ReplaceInterrupted
    : public ReplaceTest,
      public ::testing::WithParamInterface<std::tuple<ReplaceStep, ReplaceFault>> {};

TEST_P(ReplaceInterrupted, LeavesTheOldFileByteForByte) {
    const auto [step, fault] = GetParam();
    WriteBytes(file, kOldBytes);
    config::SetReplaceFaultHook([step = step, fault = fault](ReplaceStep at, const std::string&) {
        return at == step ? fault : ReplaceFault::None;
    });

    EXPECT_FALSE(CIniFile::SetValue("KeypadLayout", "5", "appSettings", file));
    EXPECT_EQ(ReadBytes(file), kOldBytes);
    if (fault == ReplaceFault::Fail) {
        // A failed save cleans up after itself.
        EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"USBEchovaneUtilityCfg.ini"}));
    }

    // Whatever a crash left behind does not stand in the way of the next save.
    config::SetReplaceFaultHook({});
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
    config::SetReplaceFaultHook([](ReplaceStep at, const std::string&) {
        return at == ReplaceStep::Rename ? ReplaceFault::Crash : ReplaceFault::None;
    });
    EXPECT_FALSE(config::ReplaceFileAtomically(file, "new content\r\n"));
    EXPECT_EQ(ReadBytes(file), kOldBytes);
    const auto entries = folder.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(ReadBytes(folder.File(entries[1])), "new content\r\n");
}

TEST_F(ReplaceTest, ANewFileIsCreatedAndAReplacementKeepsThePermissions) {
    ASSERT_TRUE(config::ReplaceFileAtomically(file, "one"));
    EXPECT_EQ(ReadBytes(file), "one");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(config::ReplaceFileAtomically(file, "two"));
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
    ASSERT_TRUE(config::ReplaceFileAtomically(file, "new"));
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(ReadBytes(real), "new");
}

TEST_F(ReplaceTest, AFileThatCannotBeWrittenIsNotReplaced) {
    if (testsupport::RunningAsRoot()) {
        GTEST_SKIP() << "permissions do not bind root";
    }
    WriteBytes(file, kOldBytes);
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_FALSE(CIniFile::SetValue("KeypadLayout", "5", "appSettings", file));
    EXPECT_EQ(ReadBytes(file), kOldBytes);

    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(CIniFile::SetValue("KeypadLayout", "5", "appSettings", file));
    EXPECT_EQ(ReadBytes(file), kOldBytes);
}

TEST_F(ReplaceTest, NoFolderOrADirectoryInTheWayFails) {
    EXPECT_FALSE(config::ReplaceFileAtomically(folder.File("missing/x.ini"), "x"));
    EXPECT_FALSE(config::ReplaceFileAtomically(folder.path().string(), "x"));
    EXPECT_FALSE(config::ReplaceFileAtomically("", "x"));
    EXPECT_TRUE(fs::is_directory(folder.path()));
}

} // namespace
