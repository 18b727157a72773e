// The configuration file on Windows: paths with drive letters and backslashes, the user's
// application-data folder, the copy of Export and Import, and the replacement by MoveFileEx
// when the target is read-only or held open by another program.

#include "config/config_file.h"
#include "config/config_transfer.h"
#include "platform/AtomicFile.h"
#include "tests/support/TempFolder.h"
#include "tests/support/test_environment.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::ScopedEnvironment;
using testsupport::WriteBytes;

constexpr char kSaved[] = " [appSettings]\r\n"
                          " SerialNumber=12345678\r\n FirmwareVersion=VX0810\r\n"
                          " MultipleCodeTableValues=0,\r\n CodeTableValues=0,\r\n"
                          " LedBrightness=3\r\n KeypadLayout=1\r\n FirstUp=Yes\r\n";

// Another program's hold on a file: opened for reading, shared for reading only, as an editor
// or a virus scanner holds it.
class HeldOpen {
public:
    explicit HeldOpen(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldOpen() { Release(); }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Release() {
        if (held()) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }

private:
    HANDLE handle_;
};

// The names in a folder, sorted.
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

void MakeReadOnly(const std::string& path, bool readOnly) {
    ASSERT_TRUE(SetFileAttributesA(path.c_str(),
                                   readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL));
}

class WindowsFiles : public ::testing::Test {
protected:
    WindowsFiles() {
        fs::create_directories(folder.path() / "local");
        fs::create_directories(folder.path() / "usb");
    }
    ~WindowsFiles() override {
        FileName.clear();
        // Read-only files would outlive the folder's removal.
        for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
            SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    }

    testsupport::TempFolder folder;
};

// The spellings of one folder a user or the system may hand over.
struct Spelling {
    const char* name;
    std::string (*spell)(const std::string& folder);
};

void PrintTo(const Spelling& s, std::ostream* os) {
    *os << s.name;
}

class DataFolderSpellings : public WindowsFiles, public ::testing::WithParamInterface<Spelling> {};

// Whatever the spelling of %LOCALAPPDATA%, the file is made in that folder and read back there.
TEST_P(DataFolderSpellings, FindTheSameFileUnderTheApplicationDataFolder) {
    const std::string local = folder.File("local");
    ASSERT_EQ(local.find('/'), std::string::npos);
    ASSERT_EQ(local[1], ':') << "a temporary folder with a drive letter";
    ScopedEnvironment data("LOCALAPPDATA", GetParam().spell(local));

    ASSERT_TRUE(config::PrepareConfigFile());
    const std::string inFolder = "\\VexorInterface\\USBEchovaneUtilityCfg.ini";
    ASSERT_GT(FileName.size(), inFolder.size());
    EXPECT_EQ(FileName.substr(FileName.size() - inFolder.size()), inFolder);
    const std::string expected = folder.File("local/VexorInterface/USBEchovaneUtilityCfg.ini");
    ASSERT_TRUE(fs::exists(expected));
    EXPECT_TRUE(fs::equivalent(FileName, expected));

    ASSERT_FALSE(config::SetSettings(config::kLedBrightnessKey, "6").failed());
    EXPECT_EQ(config::ReadSettings(expected).Value(config::kLedBrightnessKey), "6");
    EXPECT_EQ(config::GetSettings(config::kLedBrightnessKey), "6");
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, DataFolderSpellings,
    ::testing::Values(Spelling{"Backslashes", [](const std::string& f) { return f; }},
                      Spelling{"ClosingBackslash", [](const std::string& f) { return f + "\\"; }},
                      Spelling{"ForwardSlashes",
                               [](const std::string& f) {
                                   std::string s = f;
                                   for (char& c : s) {
                                       c = c == '\\' ? '/' : c;
                                   }
                                   return s;
                               }},
                      Spelling{"LowerCaseDrive",
                               [](const std::string& f) {
                                   std::string s = f;
                                   s[0] = static_cast<char>(
                                       std::tolower(static_cast<unsigned char>(s[0])));
                                   return s;
                               }},
                      Spelling{"UpperCaseFolders",
                               [](const std::string& f) {
                                   std::string s = f;
                                   for (char& c : s) {
                                       c = static_cast<char>(
                                           std::toupper(static_cast<unsigned char>(c)));
                                   }
                                   return s;
                               }}),
    [](const auto& info) { return std::string(info.param.name); });

// Windows takes the folder from %LOCALAPPDATA% alone; the XDG variables and HOME mean nothing.
TEST_F(WindowsFiles, TheApplicationDataFolderIsLocalAppDataAlone) {
    ScopedEnvironment xdg("XDG_DATA_HOME", folder.File("xdg"));
    ScopedEnvironment home("HOME", folder.File("home"));
    {
        ScopedEnvironment data("LOCALAPPDATA", std::nullopt);
        EXPECT_FALSE(config::LocalAppDataFolder());
        EXPECT_FALSE(config::PrepareConfigFile());
        EXPECT_EQ(FileName, "");
    }
    ScopedEnvironment data("LOCALAPPDATA", folder.File("local"));
    EXPECT_EQ(config::LocalAppDataFolder(), folder.File("local"));
    EXPECT_FALSE(fs::exists(folder.path() / "xdg"));
    EXPECT_FALSE(fs::exists(folder.path() / "home"));
}

TEST_F(WindowsFiles, ExportCopiesIntoAFolderNamedWithBackslashesOrSlashes) {
    FileName = folder.File("local/USBEchovaneUtilityCfg.ini");
    WriteBytes(FileName, kSaved);
    for (const std::string& usb : {folder.File("usb"), folder.path().generic_string() + "/usb/"}) {
        const config::ExportPlan plan = config::PlanExport(usb);
        ASSERT_FALSE(plan.message) << usb;
        ASSERT_FALSE(config::ExportCfgFile(plan.target).failed()) << usb;
        EXPECT_EQ(ReadBytes(folder.File("usb/USBEchovaneUtilityCfg.ini")), kSaved) << usb;
        EXPECT_EQ(fs::path(plan.target).filename(), "USBEchovaneUtilityCfg.ini");
        fs::remove(folder.File("usb/USBEchovaneUtilityCfg.ini"));
    }
}

TEST_F(WindowsFiles, ImportTakesAPathWithBackslashesOrSlashes) {
    FileName = folder.File("local/USBEchovaneUtilityCfg.ini");
    WriteBytes(FileName, "older");
    const std::string chosen = folder.File("usb/USBEchovaneUtilityCfg.ini");
    WriteBytes(chosen, kSaved);
    ASSERT_FALSE(config::ImportCfgFile(chosen).failed());
    EXPECT_EQ(ReadBytes(FileName), kSaved);

    WriteBytes(FileName, "older");
    ASSERT_FALSE(config::ImportCfgFile(fs::path(chosen).generic_string()).failed());
    EXPECT_EQ(ReadBytes(FileName), kSaved);

    // A folder named like the file is no file of that name.
    EXPECT_EQ(config::ImportCfgFile(chosen + "\\").message->text, "Incorrect Filename.\n");
}

// What another program holds open is not replaced: Export and Import say so, the held file
// stays as it was and nothing is left behind; once it is let go, the same copy succeeds.
TEST_F(WindowsFiles, AFileHeldOpenIsNotReplacedByExportOrImport) {
    FileName = folder.File("local/USBEchovaneUtilityCfg.ini");
    WriteBytes(FileName, kSaved);
    const std::string exported = folder.File("usb/USBEchovaneUtilityCfg.ini");
    WriteBytes(exported, "older");
    {
        HeldOpen hold(exported);
        ASSERT_TRUE(hold.held());
        EXPECT_EQ(config::ExportCfgFile(exported).message->text, "Failed to export the file\n");
        EXPECT_EQ(ReadBytes(exported), "older");
        EXPECT_EQ(Names(folder.path() / "usb"),
                  (std::vector<std::string>{"USBEchovaneUtilityCfg.ini"}));
    }
    ASSERT_FALSE(config::ExportCfgFile(exported).failed());
    EXPECT_EQ(ReadBytes(exported), kSaved);

    WriteBytes(FileName, "older");
    {
        HeldOpen hold(FileName);
        EXPECT_EQ(config::ImportCfgFile(exported).message->text, "Failed to copy the new file.\n");
        EXPECT_EQ(ReadBytes(FileName), "older");
        EXPECT_EQ(Names(folder.path() / "local"),
                  (std::vector<std::string>{"USBEchovaneUtilityCfg.ini"}));
    }
    ASSERT_FALSE(config::ImportCfgFile(exported).failed());
    EXPECT_EQ(ReadBytes(FileName), kSaved);
}

TEST_F(WindowsFiles, AReadOnlyFileIsNotReplacedAndStaysReadOnly) {
    const std::string file = folder.File("local/USBEchovaneUtilityCfg.ini");
    WriteBytes(file, kSaved);
    MakeReadOnly(file, true);
    FileName = file;
    EXPECT_FALSE(platform::ReplaceFileAtomically(file, "new"));
    EXPECT_TRUE(config::SetSettings(config::kKeypadLayoutKey, "5").failed());
    EXPECT_EQ(ReadBytes(file), kSaved);
    EXPECT_TRUE(ReadOnly(file));
    EXPECT_EQ(Names(folder.path() / "local"),
              (std::vector<std::string>{"USBEchovaneUtilityCfg.ini"}));

    // Reading it is another matter: the read-only file exports as it is.
    ASSERT_FALSE(config::ExportCfgFile(folder.File("usb/USBEchovaneUtilityCfg.ini")).failed());
    EXPECT_EQ(ReadBytes(folder.File("usb/USBEchovaneUtilityCfg.ini")), kSaved);

    MakeReadOnly(file, false);
    ASSERT_TRUE(platform::ReplaceFileAtomically(file, "new"));
    EXPECT_EQ(ReadBytes(file), "new");
}

// The replacement moves the whole new file over the old one and leaves nothing else behind.
TEST_F(WindowsFiles, AReplacementLeavesTheNewFileAlone) {
    const std::string file = folder.File("local/USBEchovaneUtilityCfg.ini");
    WriteBytes(file, kSaved);
    ASSERT_TRUE(platform::ReplaceFileAtomically(file, "new content\r\n"));
    EXPECT_EQ(ReadBytes(file), "new content\r\n");
    EXPECT_EQ(Names(folder.path() / "local"),
              (std::vector<std::string>{"USBEchovaneUtilityCfg.ini"}));
    // A name with a drive letter and forward slashes is the same file.
    ASSERT_TRUE(platform::ReplaceFileAtomically(fs::path(file).generic_string(), "again"));
    EXPECT_EQ(ReadBytes(file), "again");
}

} // namespace
