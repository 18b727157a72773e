// "Export Cfg File" and "Import Cfg File".

#include "config/config_file.h"
#include "config/config_replay.h"
#include "config/config_transfer.h"
#include "platform/AtomicFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace {

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

constexpr char kSaved[] = " [appSettings]\r\n"
                          " SerialNumber=12345678\r\n FirmwareVersion=VX0810\r\n"
                          " MultipleCodeTableValues=0,\r\n CodeTableValues=0,\r\n"
                          " LedBrightness=3\r\n KeypadLayout=1\r\n FirstUp=Yes\r\n";

class TransferTest : public ::testing::Test {
protected:
    TransferTest() {
        fs::create_directories(folder.path() / "local");
        fs::create_directories(folder.path() / "usb");
        FileName = folder.File("local/USBEchovaneUtilityCfg.ini");
        WriteBytes(FileName, kSaved);
    }
    ~TransferTest() override {
        FileName.clear();
        platform::SetReplaceFaultHook({});
    }

    testsupport::TempFolder folder;
};

TEST_F(TransferTest, ExportCopiesTheFileByteForByte) {
    const config::ExportPlan plan = config::PlanExport(folder.File("usb"));
    EXPECT_FALSE(plan.message);
    EXPECT_FALSE(plan.question);
    EXPECT_EQ(plan.target, folder.File("usb/USBEchovaneUtilityCfg.ini"));
    EXPECT_FALSE(config::ExportCfgFile(plan.target).failed());
    EXPECT_EQ(ReadBytes(plan.target), kSaved);
}

TEST_F(TransferTest, ExportAsksBeforeReplacingAndPlanningCopiesNothing) {
    const std::string target = folder.File("usb/USBEchovaneUtilityCfg.ini");
    WriteBytes(target, "older");
    const config::ExportPlan plan = config::PlanExport(folder.File("usb"));
    EXPECT_FALSE(plan.message);
    ASSERT_TRUE(plan.question);
    EXPECT_EQ(*plan.question,
              (config::Notice{"USBEchovaneUtilityCfg.ini file already exists. Do you want to "
                              "overwrite it?",
                              "Save USBEchovaneUtilityCfg File", config::NoticeButtons::YesNo,
                              config::NoticeIcon::Question, true}));
    // Answered No, the window stops here.
    EXPECT_EQ(ReadBytes(target), "older");
    // Answered Yes.
    EXPECT_FALSE(config::ExportCfgFile(plan.target).failed());
    EXPECT_EQ(ReadBytes(target), kSaved);
}

TEST_F(TransferTest, ExportFailures) {
    EXPECT_EQ(config::PlanExport(std::nullopt).message,
              config::Warning("Unable to save the cfg file."));
    EXPECT_EQ(config::PlanExport("").message, config::Warning("Unable to save the cfg file."));
    // A folder in the file's place is said before the overwrite question, which Yes could not
    // answer; as is the configuration file's own place taken by one.
    const std::string inTheWay = folder.File("stick/USBEchovaneUtilityCfg.ini");
    std::filesystem::create_directories(inTheWay);
    const config::ExportPlan blocked = config::PlanExport(folder.File("stick"));
    EXPECT_FALSE(blocked.question);
    EXPECT_EQ(blocked.message, config::Warning("Failed to export the file\n" + inTheWay +
                                               ": it is not a file but a folder."));
    const std::string own = FileName;
    FileName = inTheWay;
    EXPECT_EQ(config::SetSettings("FirstUp", "Yes").message,
              config::Warning("Failed to update USBEchovaneUtilityCfg.ini file.\n" + inTheWay +
                              " is not a file but a folder."));
    FileName = own;

    const config::Notice failed = config::Warning("Failed to export the file");
    EXPECT_EQ(config::ExportCfgFile(folder.File("gone/USBEchovaneUtilityCfg.ini")).message, failed);
    // A target that fails half-way leaves what was there.
    const std::string target = folder.File("usb/USBEchovaneUtilityCfg.ini");
    WriteBytes(target, "older");
    platform::SetReplaceFaultHook([](platform::ReplaceStep step, const std::string&) {
        return step == platform::ReplaceStep::WriteTemporary ? platform::ReplaceFault::Fail
                                                             : platform::ReplaceFault::None;
    });
    EXPECT_EQ(config::ExportCfgFile(target).message, failed);
    EXPECT_EQ(ReadBytes(target), "older");
    platform::SetReplaceFaultHook({});

    fs::remove(FileName);
    EXPECT_EQ(config::ExportCfgFile(target).message, failed);
    FileName.clear();
    EXPECT_EQ(config::ExportCfgFile(target).message, failed);
    EXPECT_EQ(ReadBytes(target), "older");
}

struct ImportCase {
    const char* name;
    const char* fileName;
    const char* bytes;
    // Empty when the import goes through.
    const char* message;
};

class ImportTest : public TransferTest, public ::testing::WithParamInterface<ImportCase> {};

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

TEST_P(ImportTest, ChecksNameAndFormatThenCopiesTheFileWhole) {
    const ImportCase& c = GetParam();
    const std::string chosen = folder.File(std::string("usb/") + c.fileName);
    WriteBytes(chosen, c.bytes);
    const config::Outcome outcome = config::ImportCfgFile(chosen);
    if (*c.message == '\0') {
        EXPECT_FALSE(outcome.failed()) << outcome.message->text;
        EXPECT_EQ(ReadBytes(FileName), c.bytes);
    } else {
        ASSERT_TRUE(outcome.message.has_value());
        EXPECT_EQ(FirstLine(outcome.message->text), c.message);
        EXPECT_EQ(outcome.message->icon, config::Warning(c.message).icon);
        EXPECT_EQ(ReadBytes(FileName), kSaved);
    }
    EXPECT_FALSE(outcome.refreshStatus);
}

constexpr char kAllKeysEmpty[] = "[appSettings]\nFirstUp=\nKeypadLayout=\nLedBrightness=\n"
                                 "CodeTableValues=\nMultipleCodeTableValues=\n"
                                 "FirmwareVersion=\nSerialNumber=\n";

INSTANTIATE_TEST_SUITE_P(
    Files, ImportTest,
    ::testing::Values(
        ImportCase{"AllSevenKeysEvenEmpty", "USBEchovaneUtilityCfg.ini", kAllKeysEmpty, ""},
        // A commented-out key is a note, not the key: the replay would never read it.
        ImportCase{"CommentedOutKeysAreMissing", "USBEchovaneUtilityCfg.ini",
                   "[appSettings]\n#FirstUp=\nKeypadLayout=\nLedBrightness=\nCodeTableValues=\n"
                   "MultipleCodeTableValues=\nFirmwareVersion=\n;SerialNumber=\n",
                   "File is incorrect format."},
        ImportCase{"LetterCaseOfTheName", "usbEchovaneUtilityCfg.ini", kAllKeysEmpty,
                   "Incorrect Filename."},
        ImportCase{"OtherName", "USBEchovaneUtilityCfg.ini.bak", kAllKeysEmpty,
                   "Incorrect Filename."},
        ImportCase{"NoSerialNumber", "USBEchovaneUtilityCfg.ini",
                   "[appSettings]\nFirstUp=\nKeypadLayout=\nLedBrightness=\nCodeTableValues=\n"
                   "MultipleCodeTableValues=\nFirmwareVersion=\n",
                   "File is incorrect format."},
        ImportCase{"KeysInAnotherSection", "USBEchovaneUtilityCfg.ini",
                   "[appSettings]\n[other]\nFirstUp=\nKeypadLayout=\nLedBrightness=\n"
                   "CodeTableValues=\nMultipleCodeTableValues=\nFirmwareVersion=\nSerialNumber=\n",
                   "File is incorrect format."},
        ImportCase{"NoSection", "USBEchovaneUtilityCfg.ini", "FirstUp=Yes\n",
                   "File is incorrect format."},
        ImportCase{"EmptyFile", "USBEchovaneUtilityCfg.ini", "", "File is incorrect format."},
        ImportCase{"HeaderWithoutClose", "USBEchovaneUtilityCfg.ini",
                   "[appSettings\nFirstUp=\nKeypadLayout=\nLedBrightness=\nCodeTableValues=\n"
                   "MultipleCodeTableValues=\nFirmwareVersion=\nSerialNumber=\n",
                   "Exception :Failed to copy the new file."}),
    [](const auto& info) { return info.param.name; });

TEST_F(TransferTest, ImportCancelledOrUnreadableOrOverTheSizeLimit) {
    EXPECT_FALSE(config::ImportCfgFile(std::nullopt).failed());
    const std::string chosen = folder.File("usb/USBEchovaneUtilityCfg.ini");
    EXPECT_EQ(config::ImportCfgFile(chosen).message,
              config::Warning("File is incorrect format.\n" + chosen +
                              " cannot be read: No such file or directory."));
    // One byte over the limit is refused; a file of exactly the limit is taken.
    std::string huge(kAllKeysEmpty);
    huge.resize(config::kMaxImportBytes + 1, '\n');
    WriteBytes(folder.File("usb/USBEchovaneUtilityCfg.ini"), huge);
    EXPECT_EQ(config::ImportCfgFile(chosen).message,
              config::Warning("File is incorrect format.\n" + chosen +
                              " is larger than 1 MiB (1048576 bytes)."));
    EXPECT_EQ(ReadBytes(FileName), kSaved);
    huge.pop_back();
    WriteBytes(folder.File("usb/USBEchovaneUtilityCfg.ini"), huge);
    EXPECT_FALSE(config::ImportCfgFile(folder.File("usb/USBEchovaneUtilityCfg.ini")).failed());
    EXPECT_EQ(ReadBytes(FileName), huge);
}

struct CheckCase {
    const char* name;
    std::string bytes;
    // What the window shows, and why, after the file's name.
    const char* message;
    const char* reason;
};

class CheckReason : public TransferTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckReason, KeepsTheWindowsTextAndSaysWhy) {
    const std::string chosen = folder.File("usb/USBEchovaneUtilityCfg.ini");
    WriteBytes(chosen, GetParam().bytes);
    const config::CfgFileCheck check = config::CheckCfgFile(chosen);
    EXPECT_EQ(check.outcome.message, config::Warning(GetParam().message));
    EXPECT_EQ(check.reason, GetParam().reason);
}

std::string OverTheLimit() {
    std::string bytes = kSaved;
    bytes.resize(config::kMaxSettingsBytes + 1, '\n');
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, CheckReason,
    ::testing::Values(
        CheckCase{"NoSerialNumber",
                  "[appSettings]\nFirstUp=\nKeypadLayout=\nLedBrightness=\nCodeTableValues=\n"
                  "MultipleCodeTableValues=\nFirmwareVersion=\n",
                  "File is incorrect format.", "has no SerialNumber key in [appSettings]"},
        CheckCase{"BlanksAroundTheEqualsSign",
                  "[appSettings]\nFirstUp=\nKeypadLayout=\nLedBrightness=\nCodeTableValues=\n"
                  "MultipleCodeTableValues=\nFirmwareVersion=\nSerialNumber\t = 1\n",
                  "File is incorrect format.",
                  "has no SerialNumber key in [appSettings] (\"SerialNumber\t \" is another key: "
                  "write SerialNumber=VALUE without blanks around the \"=\")"},
        CheckCase{"OnlyACommentedOutHeader", ";[appSettings]\nFirstUp=Yes\n",
                  "File is incorrect format.", "has no [appSettings] section"},
        CheckCase{"HeaderWithoutClose", "[appSettings]\n\n[x\n", "File is incorrect format.",
                  "has a section line without \"]\" (line 3)"},
        CheckCase{"Utf16", std::string("\xFE\xFF\0[", 4), "File is incorrect format.",
                  "is UTF-16 text (Notepad's \"Unicode\"), not UTF-8 or ANSI: save it as UTF-8"},
        CheckCase{"NulBytes", std::string("[appSettings]\n\0\n", 17), "File is incorrect format.",
                  "is not UTF-8 or ANSI text: save it as UTF-8"},
        CheckCase{"OverTheLimit", OverTheLimit(), "File is incorrect format.",
                  "is larger than 1 MiB (1048576 bytes)"}),
    [](const auto& info) { return info.param.name; });

// The check, the replay and a save read a file alike: what one refuses, the others do too.
TEST_F(TransferTest, TheReplayAndASaveRefuseWhatTheCheckRefuses) {
    const std::string huge = OverTheLimit();
    WriteBytes(FileName, huge);
    EXPECT_EQ(config::ReadReplayPlan(FileName).message,
              std::string_view("USBEchovaneUtilityCfg.ini file is larger than 1 MiB.."));
    EXPECT_EQ(config::SetSettings("FirstUp", "Yes").message->text,
              "Failed to update USBEchovaneUtilityCfg.ini file.\n"
              "USBEchovaneUtilityCfg.ini file is larger than 1 MiB..\n");
    EXPECT_EQ(ReadBytes(FileName), huge);
}

#ifndef _WIN32
// Run as root, the check drops to an unprivileged user first, in a child process.
std::string UnreadableFileIsSaid(const testsupport::TempFolder& folder, const std::string& file) {
    if (const std::string why = testsupport::DropRootRights(folder.path()); !why.empty()) {
        return why;
    }
    fs::permissions(file, fs::perms::none);
    const config::CfgFileCheck check = config::CheckCfgFile(file);
    if (check.outcome.message != config::Warning("File is incorrect format.")) {
        return "the window's text changed";
    }
    return check.reason == "cannot be read: Permission denied" ? "" : "reason: " + check.reason;
}

TEST_F(TransferTest, AFileWithoutReadRightsIsSaidSo) {
    const std::string chosen = folder.File("usb/USBEchovaneUtilityCfg.ini");
    WriteBytes(chosen, kSaved);
    EXPECT_EXIT(
        {
            const std::string failure = UnreadableFileIsSaid(folder, chosen);
            std::fprintf(stderr, "%s\n", failure.c_str());
            std::_Exit(failure.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
#endif

TEST_F(TransferTest, ACopyThatFailsLeavesTheConfigurationFile) {
    const std::string chosen = folder.File("usb/USBEchovaneUtilityCfg.ini");
    WriteBytes(chosen, kAllKeysEmpty);
    platform::SetReplaceFaultHook([](platform::ReplaceStep step, const std::string&) {
        return step == platform::ReplaceStep::Rename ? platform::ReplaceFault::Fail
                                                     : platform::ReplaceFault::None;
    });
    EXPECT_EQ(config::ImportCfgFile(chosen).message,
              config::Warning("Failed to copy the new file."));
    EXPECT_EQ(ReadBytes(FileName), kSaved);
    platform::SetReplaceFaultHook({});
    FileName.clear();
    EXPECT_EQ(config::ImportCfgFile(chosen).message,
              config::Warning("Failed to copy the new file."));
}

TEST_F(TransferTest, AnExportedFileImportsOnAnotherMachineByteForByte) {
    ASSERT_FALSE(config::ExportCfgFile(config::PlanExport(folder.File("usb")).target).failed());
    fs::create_directories(folder.path() / "other");
    FileName = folder.File("other/USBEchovaneUtilityCfg.ini");
    // A save cut short there by a crash left its temporary behind, which the start clears.
    const fs::path cut = folder.path() / "other-data" / config::kConfigFolderName /
                         platform::TemporaryName(2147483646, 0);
    fs::create_directories(cut.parent_path());
    WriteBytes(cut.string(), "[appSettings]\r\n");
    ASSERT_TRUE(config::PrepareConfigFile(folder.File("other-data")));
    EXPECT_FALSE(fs::exists(cut));
    ASSERT_FALSE(config::ImportCfgFile(folder.File("usb/USBEchovaneUtilityCfg.ini")).failed());
    EXPECT_EQ(ReadBytes(FileName), kSaved);
    EXPECT_EQ(config::GetSettings("LedBrightness"), "3");
}

// A key given twice is said as the values are read: a commented-out header opens no section, so
// the keys below it stay where they were; the value quoted is the one read, shown safely.
TEST_F(TransferTest, RepeatedSettingsAreThoseTheReaderSees) {
    const std::string file = folder.File("usb/USBEchovaneUtilityCfg.ini");
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> said;
    } cases[] = {
        {"Once", kSaved, {}},
        {"UnderACommentedHeader",
         std::string(kSaved) + ";[old]\r\nLedBrightness=7\r\n",
         {"LedBrightness is given 2 times; the first, \"3\", is the one read"}},
        {"InAnotherSection",
         std::string(kSaved) + "[other]\r\n;[appSettings]\r\nLedBrightness=7\r\n",
         {}},
        {"ASecondHeader",
         std::string(kSaved) + "[appSettings]\r\nKeypadLayout=2\r\nKeypadLayout=3\r\n",
         {"KeypadLayout is given 3 times; the first, \"1\", is the one read"}},
        {"ControlsAndALongValue",
         "[appSettings]\r\nSerialNumber=\x1b[2J\r\nSerialNumber=1\r\nFirmwareVersion=" +
             std::string(39, 'x') + "\xC3\xA9\r\nFirmwareVersion=1\r\n",
         {"SerialNumber is given 2 times; the first, \"\\x1B[2J\", is the one read",
          "FirmwareVersion is given 2 times; the first, \"" + std::string(39, 'x') +
              "...\", is the one read"}},
    };
    for (const auto& c : cases) {
        WriteBytes(file, c.text);
        EXPECT_EQ(config::RepeatedSettings(file), c.said) << c.name;
    }
}

} // namespace
