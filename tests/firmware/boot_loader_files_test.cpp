// Where the upgrade finds the RAM boot loader and the password, in which order, and what it says
// when one is missing or unusable.

#include "BootLoaderFixture.h"

#include "emulator/SimulatedRamBsl.h"
#include "firmware/boot_loader_files.h"
#include "tests/support/TempFolder.h"
#include "tests/support/test_environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace {

namespace fs = std::filesystem;
using firmware::BootLoaderSearch;
using firmware::EmbeddedBootLoaderFiles;
using firmware::FindBootLoaderFiles;
using testsupport::ScopedEnvironment;
using testsupport::TiTxt;

// Paths as the system writes them: a backslash on Windows.
const std::string kSeparator(1, static_cast<char>(fs::path::preferred_separator));

// A vendor-like RAM loader of our own: version 00.07.08.38 at 0x2500, code after it.
std::string OtherRamBsl(uint8_t last = 0x38) {
    return TiTxt({{0x2500, {0x00, 0x07, 0x08, last, 0x31, 0x40, 0x00, 0x34, 0x12, 0x34}}});
}

std::string Password(uint8_t fill) {
    return TiTxt({{0xFFE0, std::vector<uint8_t>(32, fill)}});
}

class BootLoaderFilesLookup : public ::testing::Test {
protected:
    BootLoaderFilesLookup() {
        // A folder of its own: ctest runs the cases of one table side by side in processes
        // that may place their fixture at the same address.
        user = (root_.path() / "user" / "echovane").string();
        system = (root_.path() / "system" / "echovane").string();
        fs::create_directories(user);
        fs::create_directories(system);
    }
    static void Write(const std::string& folder, const char* name, const std::string& text) {
        std::ofstream(fs::path(folder) / name, std::ios::binary) << text;
    }
    BootLoaderSearch Search(EmbeddedBootLoaderFiles embedded = {}) const {
        return {std::nullopt, {user, system}, embedded};
    }
    static EmbeddedBootLoaderFiles Simulated() {
        return {emulator::SimulatedRamBslText(),
                {},
                "the built-in RAM boot loader",
                emulator::SimulatedPasswordText(),
                "the built-in password"};
    }

    std::string user;
    std::string system;

private:
    testsupport::TempFolder root_;
};

TEST_F(BootLoaderFilesLookup, NoneAnywhereSaysWhatIsMissingAndWhereItGoes) {
    const auto lookup = FindBootLoaderFiles(Search());
    EXPECT_FALSE(lookup.files);
    EXPECT_EQ(lookup.message,
              "No RAM boot loader for the firmware upgrade..\n"
              "The upgrade needs the RAM boot loader of the MCU vendor's USB BSL package (a "
              "TI-TXT file that starts at 0x2500). Copy it as RAM_BSL.txt into " +
                  user + kSeparator + " (for you) or " + system + kSeparator +
                  " (for every user of this computer).\n");
}

// With no data folder at all, the message says which variable gives one.
TEST(BootLoaderFilesWithoutFolders, NameTheVariableThatGivesADataFolder) {
    const auto lookup = firmware::FindBootLoaderFiles({std::nullopt, {}, {}});
    EXPECT_FALSE(lookup.files);
#ifdef _WIN32
    EXPECT_NE(lookup.message.find("(set LOCALAPPDATA)."), std::string::npos) << lookup.message;
#else
    EXPECT_NE(lookup.message.find("(set XDG_DATA_HOME)."), std::string::npos) << lookup.message;
#endif
}

struct Placement {
    const char* name;
    bool inUser;
    bool inSystem;
    bool embedded;
    // Which one is used: 'u' user, 's' system, 'e' embedded.
    char used;
};

void PrintTo(const Placement& p, std::ostream* os) {
    *os << p.name;
}

class BootLoaderFilesOrder : public BootLoaderFilesLookup,
                             public ::testing::WithParamInterface<Placement> {};

TEST_P(BootLoaderFilesOrder, TakesTheUsersThenTheSystemsThenTheBuiltInOne) {
    if (GetParam().inUser) {
        Write(user, "RAM_BSL.txt", OtherRamBsl(0x01));
        Write(user, "BSL_password.txt", Password(0x01));
    }
    if (GetParam().inSystem) {
        Write(system, "RAM_BSL.txt", OtherRamBsl(0x02));
        Write(system, "BSL_password.txt", Password(0x02));
    }
    const auto lookup =
        FindBootLoaderFiles(Search(GetParam().embedded ? Simulated() : EmbeddedBootLoaderFiles{}));
    ASSERT_TRUE(lookup.files) << lookup.message;
    switch (GetParam().used) {
    case 'u':
        EXPECT_EQ(lookup.files->ramBslVersion, "00.07.08.01");
        EXPECT_EQ(lookup.files->passwordText, Password(0x01));
        break;
    case 's':
        EXPECT_EQ(lookup.files->ramBslVersion, "00.07.08.02");
        EXPECT_EQ(lookup.files->passwordText, Password(0x02));
        break;
    default:
        EXPECT_EQ(lookup.files->ramBslVersion, "00.06.05.34");
        EXPECT_EQ(lookup.files->ramBslText, emulator::SimulatedRamBslText());
        EXPECT_EQ(lookup.files->passwordText, emulator::SimulatedPasswordText());
    }
}

INSTANTIATE_TEST_SUITE_P(Places, BootLoaderFilesOrder,
                         ::testing::Values(Placement{"UserOverAll", true, true, true, 'u'},
                                           Placement{"SystemOverBuiltIn", false, true, true, 's'},
                                           Placement{"UserAlone", true, false, false, 'u'},
                                           Placement{"BuiltInAlone", false, false, true, 'e'}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BootLoaderFilesLookup, AFileTheUserNamesComesFirst) {
    Write(user, "RAM_BSL.txt", OtherRamBsl(0x01));
    const std::string named = (fs::path(system) / "mine.txt").string();
    Write(system, "mine.txt", OtherRamBsl(0x09));
    BootLoaderSearch search = Search(Simulated());
    search.ramBslFile = named;
    const auto lookup = FindBootLoaderFiles(search);
    ASSERT_TRUE(lookup.files) << lookup.message;
    EXPECT_EQ(lookup.files->ramBslVersion, "00.07.08.09");

    search.ramBslFile = named + ".none";
    EXPECT_EQ(FindBootLoaderFiles(search).message,
              "Unable to use the RAM boot loader..\n" + named +
                  ".none: it cannot be read: No such file or directory\n");
}

TEST_F(BootLoaderFilesLookup, AnUnusableFileIsRefusedRatherThanPassedOver) {
    Write(user, "RAM_BSL.txt", TiTxt({{0x2400, {1, 2, 3, 4, 5, 6}}}));
    const auto lookup = FindBootLoaderFiles(Search(Simulated()));
    EXPECT_FALSE(lookup.files);
    EXPECT_EQ(lookup.message.rfind("Unable to use the RAM boot loader..\n" + user + kSeparator +
                                       "RAM_BSL.txt: it must start with a section at 0x2500",
                                   0),
              0u)
        << lookup.message;
    EXPECT_TRUE(lookup.aboutRamBsl);

    fs::remove(fs::path(user) / "RAM_BSL.txt");
    Write(system, "BSL_password.txt", TiTxt({{0xFFE0, {1, 2, 3}}}));
    const auto password = FindBootLoaderFiles(Search(Simulated()));
    EXPECT_FALSE(password.files);
    EXPECT_EQ(password.message.rfind("Unable to use the boot loader password..\n" + system +
                                         kSeparator + "BSL_password.txt: it must hold the 32 bytes",
                                     0),
              0u)
        << password.message;
    // so the command line does not offer --ram-bsl for it.
    EXPECT_FALSE(password.aboutRamBsl);
}

TEST_F(BootLoaderFilesLookup, WithoutAPasswordAnywhereTheErasedDevicesIsSent) {
    Write(user, "RAM_BSL.txt", OtherRamBsl());
    const auto lookup = FindBootLoaderFiles(Search());
    ASSERT_TRUE(lookup.files) << lookup.message;
    EXPECT_EQ(lookup.files->passwordText, firmware::ErasedDevicePasswordText());
}

TEST_F(BootLoaderFilesLookup, AConfiguredVersionBindsOnlyTheBuiltInImage) {
    EmbeddedBootLoaderFiles embedded = Simulated();
    embedded.ramBslVersion = "00.06.05.35";
    const auto refused = FindBootLoaderFiles(Search(embedded));
    EXPECT_FALSE(refused.files);
    EXPECT_EQ(refused.message, "Unable to use the RAM boot loader..\nthe built-in RAM boot "
                               "loader: its first four bytes give the version 00.06.05.34, not "
                               "the configured 00.06.05.35\n");
    embedded.ramBslVersion = "00.06.05.34";
    EXPECT_TRUE(FindBootLoaderFiles(Search(embedded)).files);
    embedded.ramBslVersion = "00.06.05.35";
    Write(user, "RAM_BSL.txt", OtherRamBsl());
    EXPECT_TRUE(FindBootLoaderFiles(Search(embedded)).files) << "an installed one is its own";
}

struct FolderCase {
    const char* name;
    std::optional<std::string> dataHome;
    std::optional<std::string> dataDirs;
    std::vector<std::string> folders;
};

void PrintTo(const FolderCase& c, std::ostream* os) {
    *os << c.name;
}

class BootLoaderFolders : public ::testing::TestWithParam<FolderCase> {};

TEST_P(BootLoaderFolders, FollowTheXdgRules) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no XDG folders: the user's and the machine's application-data "
                    "folders (WindowsBootLoaderFolders)";
#endif
    ScopedEnvironment home("HOME", "/home/tech");
    ScopedEnvironment dataHome("XDG_DATA_HOME", GetParam().dataHome);
    ScopedEnvironment dataDirs("XDG_DATA_DIRS", GetParam().dataDirs);
    EXPECT_EQ(firmware::BootLoaderFolders(), GetParam().folders);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, BootLoaderFolders,
    ::testing::Values(FolderCase{"Defaults",
                                 std::nullopt,
                                 std::nullopt,
                                 {"/home/tech/.local/share/echovane", "/usr/local/share/echovane",
                                  "/usr/share/echovane"}},
                      FolderCase{"Given",
                                 "/data",
                                 "/opt/share:/srv",
                                 {"/data/echovane", "/opt/share/echovane", "/srv/echovane"}},
                      FolderCase{"RelativeOnesAreIgnored",
                                 "relative",
                                 "share:/usr/share:",
                                 {"/home/tech/.local/share/echovane", "/usr/share/echovane"}},
                      FolderCase{"EmptyMeansTheDefault",
                                 "",
                                 "",
                                 {"/home/tech/.local/share/echovane", "/usr/local/share/echovane",
                                  "/usr/share/echovane"}}),
    [](const auto& info) { return std::string(info.param.name); });

#ifdef _WIN32
// %LOCALAPPDATA%\echovane for the user, then %PROGRAMDATA%\echovane for every user; a variable
// that is not set adds no folder.
TEST(WindowsBootLoaderFolders, AreTheUsersThenTheMachinesApplicationDataFolders) {
    ScopedEnvironment local("LOCALAPPDATA", "C:\\Users\\tech\\AppData\\Local");
    ScopedEnvironment program("PROGRAMDATA", "D:\\ProgramData");
    EXPECT_EQ(firmware::BootLoaderFolders(),
              (std::vector<std::string>{"C:\\Users\\tech\\AppData\\Local\\echovane",
                                        "D:\\ProgramData\\echovane"}));
    {
        ScopedEnvironment noLocal("LOCALAPPDATA", std::nullopt);
        EXPECT_EQ(firmware::BootLoaderFolders(),
                  (std::vector<std::string>{"D:\\ProgramData\\echovane"}));
    }
    ScopedEnvironment noProgram("PROGRAMDATA", std::nullopt);
    EXPECT_EQ(firmware::BootLoaderFolders(),
              (std::vector<std::string>{"C:\\Users\\tech\\AppData\\Local\\echovane"}));
}
#endif

} // namespace
