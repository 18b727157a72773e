// The configuration file: location, first run, reading and saving the keypad's settings.

#include "config/config_file.h"
#include "config/config_transfer.h"
#include "platform/Utf8Path.h"
#include "tests/support/EmulatorFixture.h"
#include "tests/support/TempFolder.h"
#include "tests/support/test_environment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <optional>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

constexpr char kFreshFile[] = " [appSettings]\r\n"
                              " ProductType=\r\n"
                              " BleEnable=\r\n"
                              " BlePowerLevel=\r\n"
                              " BleManufacturerData=\r\n"
                              " BleName=\r\n"
                              " SerialNumber=\r\n"
                              " FirmwareVersion=\r\n"
                              " MultipleCodeTableValues=\r\n"
                              " CodeTableValues=\r\n"
                              " LedBrightness=\r\n"
                              " KeypadLayout=0\r\n"
                              " FirstUp=\r\n";

config::KeypadState SampleState() {
    config::KeypadState state;
    state.keypadLayout = 5;
    state.ledBrightness = 7;
    std::iota(state.codeTable.begin(), state.codeTable.end(), uint8_t{0xF0});
    std::iota(state.multipleCodeTable.begin(), state.multipleCodeTable.end(), uint8_t{1});
    state.firmwareVersion = "VX0810";
    state.serialNumber = "12345678";
    return state;
}

class ConfigFileTest : public testsupport::EmulatorTest {
protected:
    ConfigFileTest() { FileName.clear(); }
    ~ConfigFileTest() override { FileName.clear(); }

    std::string Prepared() {
        EXPECT_TRUE(config::PrepareConfigFile(platform::Utf8FromPath(folder.path())));
        return FileName;
    }

    testsupport::TempFolder folder;
};

TEST_F(ConfigFileTest, FirstRunCreatesTheFolderAndTheFreshFileInItsOrder) {
    const std::string data = folder.File("share/deeper");
    ASSERT_TRUE(config::PrepareConfigFile(data));
    EXPECT_EQ(FileName, (fs::path(data) / "VexorInterface" / "USBEchovaneUtilityCfg.ini").string());
    EXPECT_EQ(ReadBytes(FileName), kFreshFile);
    EXPECT_EQ(config::GetSettings("KeypadLayout"), "0");
    EXPECT_EQ(config::GetSettings("FirstUp"), "");
}

TEST_F(ConfigFileTest, AnExistingFileIsLeftAsItIs) {
    fs::create_directories(folder.path() / "VexorInterface");
    const std::string path = folder.File("VexorInterface/USBEchovaneUtilityCfg.ini");
    for (const std::string bytes : {"[appSettings]\nFirstUp=Yes\n", "[broken\n", ""}) {
        WriteBytes(path, bytes);
        ASSERT_TRUE(config::PrepareConfigFile(platform::Utf8FromPath(folder.path())));
        EXPECT_EQ(ReadBytes(path), bytes);
    }
}

TEST_F(ConfigFileTest, WithoutAUsableFolderNothingIsWritten) {
    EXPECT_FALSE(config::PrepareConfigFile(""));
    EXPECT_EQ(FileName, "");
    // "VexorInterface" taken by a file: the configuration file cannot be made.
    WriteBytes(folder.File("VexorInterface"), "x");
    EXPECT_FALSE(config::PrepareConfigFile(platform::Utf8FromPath(folder.path())));
    EXPECT_EQ(ReadBytes(folder.File("VexorInterface")), "x");
}

#ifdef _WIN32
TEST_F(ConfigFileTest, TheDataFolderIsLocalAppData) {
    {
        testsupport::ScopedEnvironment local("LOCALAPPDATA", folder.File("local"));
        EXPECT_EQ(config::LocalAppDataFolder(), folder.File("local"));
    }
    testsupport::ScopedEnvironment local("LOCALAPPDATA", std::nullopt);
    EXPECT_FALSE(config::LocalAppDataFolder());
}
#else
TEST_F(ConfigFileTest, TheDataFolderFollowsXdgDataHomeThenHome) {
    {
        testsupport::ScopedEnvironment home("HOME", folder.File("home"));
        {
            testsupport::ScopedEnvironment xdg("XDG_DATA_HOME", folder.File("xdg"));
            EXPECT_EQ(config::LocalAppDataFolder(), folder.File("xdg"));
            ASSERT_TRUE(config::PrepareConfigFile());
            EXPECT_EQ(FileName, folder.File("xdg/VexorInterface/USBEchovaneUtilityCfg.ini"));
            EXPECT_EQ(ReadBytes(FileName), kFreshFile);
        }
        {
            // Not absolute: ignored, as the XDG rules say.
            testsupport::ScopedEnvironment xdg("XDG_DATA_HOME", "relative/path");
            EXPECT_EQ(config::LocalAppDataFolder(), folder.File("home/.local/share"));
        }
        testsupport::ScopedEnvironment xdg("XDG_DATA_HOME", std::nullopt);
        EXPECT_EQ(config::LocalAppDataFolder(), folder.File("home/.local/share"));
    }
    testsupport::ScopedEnvironment xdg("XDG_DATA_HOME", std::nullopt);
    testsupport::ScopedEnvironment home("HOME", std::nullopt);
    EXPECT_FALSE(config::LocalAppDataFolder());
    FileName.clear();
    EXPECT_FALSE(config::PrepareConfigFile());
    EXPECT_EQ(FileName, "");
}
#endif

TEST_F(ConfigFileTest, SaveWritesTheSevenValuesInTheirPlaces) {
    const std::string path = Prepared();
    ASSERT_FALSE(config::SaveToConfigFile(SampleState()).failed());
    EXPECT_EQ(ReadBytes(path),
              " [appSettings]\r\n"
              " ProductType=\r\n BleEnable=\r\n BlePowerLevel=\r\n BleManufacturerData=\r\n"
              " BleName=\r\n"
              " SerialNumber=12345678\r\n"
              " FirmwareVersion=VX0810\r\n"
              " MultipleCodeTableValues=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,"
              "22,23,24,25,26,27,28,29,30,31,32,33,34,35,36,37,38,39,40,41,42,43,44,45,46,47,48,"
              "49,50,\r\n"
              " CodeTableValues=240,241,242,243,244,245,246,247,248,249,250,251,252,253,254,255,"
              "0,1,2,3,\r\n"
              " LedBrightness=7\r\n"
              " KeypadLayout=5\r\n"
              " FirstUp=Yes\r\n");
}

TEST_F(ConfigFileTest, SaveKeepsAFirmwareFileEntryAndAddsMissingKeysAtTheTop) {
    const std::string path = Prepared();
    WriteBytes(path, " [appSettings]\r\n FirmwareFile=fw[2].txt\r\n KeypadLayout=0\r\n");
    ASSERT_FALSE(config::SaveToConfigFile(SampleState()).failed());
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.rfind(" [appSettings]\r\n SerialNumber=12345678\r\n FirmwareVersion=", 0), 0u);
    EXPECT_NE(bytes.find(" FirmwareFile=fw[2].txt\r\n KeypadLayout=5\r\n"), std::string::npos);
}

TEST_F(ConfigFileTest, AFailedStatusReadWritesNothing) {
    const std::string path = Prepared();
    EXPECT_EQ(config::SaveToConfigFile(std::nullopt).message->text,
              "Unable to Save Config file.\n");
    EXPECT_EQ(ReadBytes(path), kFreshFile);
}

TEST_F(ConfigFileTest, ASaveThatCannotBeWrittenChangesNothingAndSaysSoOnce) {
    const std::string path = Prepared();
    config::KeypadState state = SampleState();
    state.serialNumber = "1234\n[x"; // a keypad text that would split its line
    config::Outcome outcome = config::SaveToConfigFile(state);
    ASSERT_TRUE(outcome.message);
    EXPECT_EQ(*outcome.message,
              config::Warning("Failed to update USBEchovaneUtilityCfg.ini file."));
    EXPECT_EQ(ReadBytes(path), kFreshFile);

    FileName.clear(); // the data folder was not found
    EXPECT_EQ(config::SaveToConfigFile(SampleState()).message->text,
              "Failed to update USBEchovaneUtilityCfg.ini file.\n");
    EXPECT_EQ(config::SetSettings("FirstUp", "Yes").message->text,
              "Failed to update USBEchovaneUtilityCfg.ini file.\n");
    EXPECT_EQ(config::GetSettings("FirstUp"), "");
}

TEST_F(ConfigFileTest, ADamagedFileIsReportedAndLeftAlone) {
    const std::string path = Prepared();
    const std::string damaged = " [appSettings\r\n FirstUp=Yes\r\n";
    WriteBytes(path, damaged);
    const std::string expected = "Failed to update USBEchovaneUtilityCfg.ini file.\n"
                                 "USBEchovaneUtilityCfg.ini file is incorrect format.\n" +
                                 path + " has a section line without \"]\" (line 1).\n";
    EXPECT_EQ(config::SaveToConfigFile(SampleState()).message->text, expected);
    EXPECT_EQ(config::SetSettings("FirmwareFile", "fw.txt").message->text, expected);
    EXPECT_EQ(config::GetSettings("FirstUp"), "");
    EXPECT_EQ(config::ReadSettings(path).state, config::SettingsRead::State::Damaged);
    EXPECT_EQ(ReadBytes(path), damaged);
}

// A data folder and a USB stick named in any script: the file is made and saved in the one and
// exported to and imported from the other (Windows would read such names in its ANSI code page).
TEST_F(ConfigFileTest, FoldersNamedInAnyScriptHoldTheFile) {
#ifdef _WIN32
    constexpr char kDataFolderVariable[] = "LOCALAPPDATA";
#else
    constexpr char kDataFolderVariable[] = "XDG_DATA_HOME";
#endif
    const std::string data = folder.File(testsupport::kNameInManyScripts);
    testsupport::ScopedEnvironment dataFolder(kDataFolderVariable, data);
    ASSERT_TRUE(config::PrepareConfigFile());
    EXPECT_EQ(FileName, folder.File(std::string(testsupport::kNameInManyScripts) +
                                    "/VexorInterface/USBEchovaneUtilityCfg.ini"));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{testsupport::kNameInManyScripts});
    ASSERT_FALSE(config::SetSettings(config::kLedBrightnessKey, "6").failed());
    EXPECT_EQ(config::GetSettings(config::kLedBrightnessKey), "6");

    const std::string stick = folder.File("stick " + std::string(testsupport::kNameInManyScripts));
    fs::create_directory(platform::PathFromUtf8(stick));
    const config::ExportPlan plan = config::PlanExport(stick);
    ASSERT_FALSE(plan.message);
    ASSERT_FALSE(config::ExportCfgFile(plan.target).failed());
    EXPECT_EQ(ReadBytes(plan.target), ReadBytes(FileName));

    const std::string exported = ReadBytes(plan.target);
    WriteBytes(FileName, "older");
    ASSERT_FALSE(config::ImportCfgFile(plan.target).failed());
    EXPECT_EQ(ReadBytes(FileName), exported);
}

} // namespace
