// What an image must be before the keypad hears anything: a firmware file, a RAM boot loader and
// a password, each accepted or refused with a reason that names the problem.

#include "BootLoaderFixture.h"

#include "emulator/SimulatedRamBsl.h"
#include "firmware/bsl430/bsl430.h"
#include "firmware/image_check.h"

#include <gtest/gtest.h>

namespace {

using testsupport::Section;
using testsupport::TiTxt;

const Section kCode = {0x8000, std::vector<uint8_t>(64, 0x3F)};
const Section kResetVector = {0xFFFE, {0x00, 0x80}};

struct ImageCase {
    const char* name;
    std::string text;
    // Empty: accepted; else a piece of the reason.
    std::string reason;
};

void PrintTo(const ImageCase& c, std::ostream* os) {
    *os << c.name;
}

class FirmwareImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(FirmwareImage, IsAcceptedOrRefusedWithItsReason) {
    const firmware::ImageCheck check = firmware::CheckFirmwareText(GetParam().text);
    EXPECT_EQ(check.ok, GetParam().reason.empty()) << check.reason;
    EXPECT_NE(check.reason.find(GetParam().reason), std::string::npos) << check.reason;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FirmwareImage,
    ::testing::Values(
        ImageCase{"CodeAndResetVector", TiTxt({kCode, kResetVector}), ""},
        ImageCase{"InfoMemoryAndTheProductMarker",
                  TiTxt({{0x1800, {1, 2, 3}}, {0x7000, {0x01}}, kCode, kResetVector}), ""},
        ImageCase{"LowercaseAndLfOnly", "@8000\n00 01 02\n@fffe\n00 80\nq\n", ""},
        ImageCase{"ByteOrderMark", "\xEF\xBB\xBF" + TiTxt({kCode, kResetVector}),
                  "line 1: the file starts with a UTF-8 byte order mark"},
        ImageCase{"CrOnlyLineEnds", "@8000\r00 01\r@FFFE\r00 80\rq\r", "lines end in CR alone"},
        ImageCase{"NoEndMarker", "@8000\r\n00 01\r\n@FFFE\r\n00 80\r\n",
                  "the end marker \"q\" is missing"},
        ImageCase{"AnyTextFile", "keypad-lab\n", "line 1: \"keypad-lab\" comes before"},
        ImageCase{"BadHexByte", "@8000\r\n00 0G\r\nq\r\n", "line 2: \"0G\" is not a hex byte"},
        ImageCase{"NoBytes", "@8000\r\nq\r\n", "it holds no bytes"},
        ImageCase{"Ram", TiTxt({{0x2400, std::vector<uint8_t>(16, 1)}, kCode, kResetVector}),
                  "0x2400..0x240F is not flash"},
        ImageCase{"InfoSegmentA", TiTxt({{0x19FE, {1, 2}}, kCode, kResetVector}),
                  "it writes 0x19FE..0x19FF in information memory segment A (0x1980..0x19FF)"},
        ImageCase{"InfoSegmentsBToD",
                  TiTxt({{0x1800, std::vector<uint8_t>(0x180, 1)}, kCode, kResetVector}), ""},
        ImageCase{"BootLoaderFlash", TiTxt({{0x17FF, {1, 2}}, kCode, kResetVector}),
                  "0x17FF is not flash"},
        ImageCase{"PmmRegister", TiTxt({{0x0120, {0x04, 0xA5}}, kCode, kResetVector}),
                  "0x0120..0x0121 is not flash"},
        ImageCase{"PastTheMainFlash", TiTxt({kCode, kResetVector, {0x243FE, {1, 2, 3, 4}}}),
                  "0x24400..0x24401 is not flash"},
        ImageCase{"TwoSectionsOverlap",
                  TiTxt({kCode, {0x8030, std::vector<uint8_t>(32, 0)}, kResetVector}),
                  "it writes 0x8030..0x803F twice"},
        ImageCase{"SameSectionTwice", TiTxt({kCode, kResetVector, kCode}),
                  "it writes 0x8000..0x803F twice"},
        ImageCase{"NoResetVector", TiTxt({kCode}), "it has no reset vector at 0xFFFE..0xFFFF"},
        ImageCase{"HalfAResetVector", TiTxt({kCode, {0xFFFE, {0x00}}}), "no reset vector"},
        ImageCase{"ErasedResetVector", TiTxt({kCode, {0xFFFE, {0xFF, 0xFF}}}),
                  "its reset vector is erased"},
        ImageCase{"ResetVectorIntoNothing", TiTxt({kCode, {0xFFFE, {0x00, 0x90}}}),
                  "its reset vector 0x9000 points outside the image's code"},
        ImageCase{"ResetVectorIntoInfoMemory",
                  TiTxt({kCode, {0x1800, {1, 2}}, {0xFFFE, {0x00, 0x18}}}),
                  "its reset vector 0x1800 points outside"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FirmwareImageFile, GeneratedSamplesPassAndAMissingFileSaysSo) {
    for (const char* sample : {"Echovane_1.0.900.txt", "Echovane_1.0.901_product.txt"}) {
        const auto check =
            firmware::CheckFirmwareFile(std::string(FIRMWARE_SAMPLES_DIR) + "/" + sample);
        EXPECT_TRUE(check.ok) << sample << ": " << check.reason;
    }
    const auto missing = firmware::CheckFirmwareFile("/nonexistent/firmware.txt");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(firmware::FirmwareFileRefusal("/nonexistent/firmware.txt", missing),
              "Unable to use the firmware file..\n/nonexistent/firmware.txt: it cannot be "
              "read: No such file or directory\n");
}

std::string RamBsl(uint32_t address, std::vector<uint8_t> bytes) {
    return TiTxt({{address, std::move(bytes)}});
}

struct RamBslCase {
    const char* name;
    std::string text;
    std::string configuredVersion;
    std::string version; // when accepted
    std::string reason;  // when refused
};

void PrintTo(const RamBslCase& c, std::ostream* os) {
    *os << c.name;
}

class RamBslImage : public ::testing::TestWithParam<RamBslCase> {};

TEST_P(RamBslImage, GivesItsVersionOrItsReason) {
    const firmware::RamBslCheck check =
        firmware::CheckRamBslText(GetParam().text, GetParam().configuredVersion);
    EXPECT_EQ(check.ok, GetParam().reason.empty()) << check.reason;
    EXPECT_EQ(check.version, GetParam().version);
    EXPECT_NE(check.reason.find(GetParam().reason), std::string::npos) << check.reason;
}

const std::vector<uint8_t> kLoader = {0x00, 0x07, 0x08, 0x3a, 0x31, 0x40, 0x00, 0x34};

INSTANTIATE_TEST_SUITE_P(
    Texts, RamBslImage,
    ::testing::Values(
        RamBslCase{"TheSimulatedOne", std::string(emulator::SimulatedRamBslText()), "",
                   "00.06.05.34", ""},
        RamBslCase{"VersionInUpperCaseWhateverTheOptionSaid", RamBsl(0x2500, kLoader),
                   "00.07.08.3a", "00.07.08.3A", ""},
        RamBslCase{"ConfiguredVersionDiffers", RamBsl(0x2500, kLoader), "00.06.05.34", "",
                   "its first four bytes give the version 00.07.08.3A, not the configured "
                   "00.06.05.34"},
        RamBslCase{"NotAt0x2500", RamBsl(0x2400, kLoader), "", "",
                   "it must start with a section at 0x2500"},
        RamBslCase{"VersionButNoCode", RamBsl(0x2500, {0, 6, 5, 0x34, 0x31}), "", "",
                   "ends before the code at 0x2504"},
        RamBslCase{"PastTheRam",
                   TiTxt({{0x2500, kLoader}, {0x4300, std::vector<uint8_t>(0x200, 0)}}), "", "",
                   "0x4400..0x44FF lies outside the RAM (0x2400..0x43FF)"},
        RamBslCase{"AFirmwareImage", TiTxt({kCode, kResetVector}), "", "",
                   "it must start with a section at 0x2500"},
        RamBslCase{"TooBigForTheLoadersBuffer", RamBsl(0x2500, std::vector<uint8_t>(0x1A00, 0x11)),
                   "", "", "it is too large: the boot loader takes 19999 bytes of text at most"},
        RamBslCase{"NotTiTxt", "RAM BSL\n", "", "", "line 1"}),
    [](const auto& info) { return std::string(info.param.name); });

struct PasswordCase {
    const char* name;
    std::string text;
    bool ok;
};

void PrintTo(const PasswordCase& c, std::ostream* os) {
    *os << c.name;
}

class PasswordText : public ::testing::TestWithParam<PasswordCase> {};

TEST_P(PasswordText, IsTheThirtyTwoVectorBytes) {
    const firmware::ImageCheck check = firmware::CheckPasswordText(GetParam().text);
    EXPECT_EQ(check.ok, GetParam().ok) << check.reason;
    if (!check.ok) {
        EXPECT_FALSE(check.reason.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PasswordText,
    ::testing::Values(
        PasswordCase{"TheSimulatedOne", std::string(emulator::SimulatedPasswordText()), true},
        PasswordCase{"ErasedDevices", firmware::ErasedDevicePasswordText(), true},
        PasswordCase{"ThirtyOneBytes", TiTxt({{0xFFE0, std::vector<uint8_t>(31, 1)}}), false},
        PasswordCase{"WrongPlace", TiTxt({{0xFF80, std::vector<uint8_t>(32, 1)}}), false},
        PasswordCase{
            "InTwoSectionsThatJoin",
            TiTxt({{0xFFE0, std::vector<uint8_t>(16, 1)}, {0xFFF0, std::vector<uint8_t>(16, 1)}}),
            true},
        PasswordCase{"WithMoreThanTheVectors",
                     TiTxt({{0xFFE0, std::vector<uint8_t>(32, 1)}, {0x8000, {1}}}), false},
        PasswordCase{"NotTiTxt", "password\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ErasedDevicePassword, IsWhatTheLoaderLayerSendsForAnErasedDevice) {
    const DataBlock_ parsed = BSL_readTI_Text(firmware::ErasedDevicePasswordText().c_str(), 32);
    const DataBlock_ erased = BSL_getDefaultPass();
    ASSERT_EQ(parsed.numberOfBytes, 32u);
    EXPECT_EQ(parsed.startAddr, erased.startAddr);
    EXPECT_TRUE(std::equal(parsed.data, parsed.data + 32, erased.data));
}

} // namespace
