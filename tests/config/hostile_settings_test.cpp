// Settings files as other editors and people leave them: commented-out keys, old Mac and mixed
// line ends, Notepad's "Unicode", a file far over the size of a real one. What is read from
// each, and what a save does to it.

#include "config/config_file.h"
#include "config/config_transfer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>
#include <string>
#include <vector>

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;

// Values read, by key; a key not listed is expected to read as "".
using Values = std::map<std::string, std::string>;

struct HostileCase {
    const char* name;
    std::string bytes;
    // Nothing is read and nothing is written when the file is refused.
    bool refused;
    Values read;
};

// The file's lines as a reader sees them: split at CR LF, LF or a lone CR, trimmed, blank ones
// left out.
std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::string line;
    const auto flush = [&] {
        const size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos) {
            lines.push_back(line.substr(first, line.find_last_not_of(" \t") - first + 1));
        }
        line.clear();
    };
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            flush();
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
        } else {
            line.push_back(bytes[i]);
        }
    }
    flush();
    return lines;
}

// Text as Notepad's "Unicode" saves it: a byte order mark, then two bytes per character.
std::string Utf16(const std::string& text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : text) {
        bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return bytes;
}

constexpr char kSavedKeys[][24] = {"FirstUp",         "KeypadLayout",    "LedBrightness",
                                   "CodeTableValues", "FirmwareVersion", "MultipleCodeTableValues",
                                   "SerialNumber"};

config::KeypadState SampleState() {
    config::KeypadState state;
    state.keypadLayout = 5;
    state.ledBrightness = 7;
    std::iota(state.codeTable.begin(), state.codeTable.end(), uint8_t{1});
    state.firmwareVersion = "VX0810";
    state.serialNumber = "12345678";
    return state;
}

// An active line the save writes a new value into.
bool IsSavedKeyLine(const std::string& line) {
    for (const char* key : kSavedKeys) {
        if (line.rfind(std::string(key) + "=", 0) == 0) {
            return true;
        }
    }
    return false;
}

class HostileSettings : public ::testing::TestWithParam<HostileCase> {
protected:
    HostileSettings() {
        path = folder.File("USBEchovaneUtilityCfg.ini");
        FileName = path;
        WriteBytes(path, GetParam().bytes);
    }
    ~HostileSettings() override { FileName.clear(); }

    testsupport::TempFolder folder;
    std::string path;
};

TEST_P(HostileSettings, ReadsOnlyActiveValuesAndASaveKeepsEveryOtherLine) {
    const HostileCase& c = GetParam();
    const config::SettingsRead read = config::ReadSettings(path);
    if (c.refused) {
        EXPECT_NE(read.state, config::SettingsRead::State::Read);
        EXPECT_EQ(config::GetSettings("FirstUp"), "");
        EXPECT_TRUE(config::SaveToConfigFile(SampleState()).failed());
        EXPECT_EQ(ReadBytes(path), c.bytes);
        return;
    }
    ASSERT_EQ(read.state, config::SettingsRead::State::Read);
    for (const char* key : {"FirstUp", "KeypadLayout", "LedBrightness", "SerialNumber"}) {
        const auto expected = c.read.find(key);
        EXPECT_EQ(read.Value(key), expected == c.read.end() ? "" : expected->second) << key;
    }

    const config::Outcome saved = config::SaveToConfigFile(SampleState());
    ASSERT_FALSE(saved.failed()) << saved.message->text;
    const std::string after = ReadBytes(path);
    const std::vector<std::string> lines = Lines(after);
    for (const std::string& line : Lines(c.bytes)) {
        if (!IsSavedKeyLine(line)) {
            EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end())
                << "lost: " << line << "\nsaved:\n"
                << after;
        }
    }
    const config::SettingsRead again = config::ReadSettings(path);
    EXPECT_EQ(again.Value("FirstUp"), "Yes");
    EXPECT_EQ(again.Value("KeypadLayout"), "5");
    EXPECT_EQ(again.Value("LedBrightness"), "7");
    EXPECT_EQ(again.Value("SerialNumber"), "12345678");
}

std::string OverTheLimit() {
    std::string bytes = "[appSettings]\r\nFirstUp=Yes\r\nKeypadLayout=1\r\nLedBrightness=3\r\n";
    while (bytes.size() <= config::kMaxImportBytes) {
        bytes += "; padding padding padding padding padding padding padding\r\n";
    }
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, HostileSettings,
    ::testing::Values(
        HostileCase{"OnlyCommentedOut",
                    "[appSettings]\r\n;LedBrightness=9\r\nFirstUp=Yes\r\nKeypadLayout=1\r\n",
                    false,
                    {{"FirstUp", "Yes"}, {"KeypadLayout", "1"}}},
        HostileCase{"CommentedOutAboveActive",
                    "[appSettings]\r\n;KeypadLayout=6\r\nKeypadLayout=2\r\n#FirstUp=Yes\r\n",
                    false,
                    {{"KeypadLayout", "2"}}},
        HostileCase{"CommentedOutHeader",
                    "[other]\r\nx=1\r\n;[appSettings]\r\nFirstUp=Yes\r\nLedBrightness=4\r\n",
                    false,
                    {}},
        HostileCase{"CommentedOutSectionAfterTheSettings",
                    "[appSettings]\r\nFirstUp=Yes\r\n#[old]\r\nLedBrightness=4\r\n",
                    false,
                    {{"FirstUp", "Yes"}, {"LedBrightness", "4"}}},
        HostileCase{"CrOnly",
                    "[appSettings]\r; notes\rBleName=Room12\rCustomKey=keepme\rFirstUp=Yes\r"
                    "KeypadLayout=1\rLedBrightness=3\rSerialNumber=42\r",
                    false,
                    {{"FirstUp", "Yes"},
                     {"KeypadLayout", "1"},
                     {"LedBrightness", "3"},
                     {"SerialNumber", "42"}}},
        HostileCase{"CrOnlyWithoutLastLineEnd",
                    "[appSettings]\rCustomKey=keepme\rFirstUp=Yes",
                    false,
                    {{"FirstUp", "Yes"}}},
        HostileCase{"MixedLineEnds",
                    "; top\r[appSettings]\r\nCustomKey=keepme\nFirstUp=Yes\r\rKeypadLayout=2\n"
                    "\r\nLedBrightness=1\r",
                    false,
                    {{"FirstUp", "Yes"}, {"KeypadLayout", "2"}, {"LedBrightness", "1"}}},
        HostileCase{"Utf16LittleEndian",
                    Utf16("[appSettings]\r\nFirstUp=Yes\r\nKeypadLayout=1\r\n", false),
                    true,
                    {}},
        HostileCase{"Utf16BigEndian",
                    Utf16("[appSettings]\r\nFirstUp=Yes\r\nKeypadLayout=1\r\n", true),
                    true,
                    {}},
        HostileCase{"OverTheSizeLimit", OverTheLimit(), true, {}}),
    [](const auto& info) { return info.param.name; });

} // namespace
