// Browse's product warnings, the device count texts, the padded ids and the built-in firmware
// resources.

#include "BootLoaderFixture.h"

#include "emulator/SimulatedRamBsl.h"
#include "firmware/boot_loader_files.h"
#include "firmware/bsl430/TiTxtReader.h"
#include "firmware/bsl430/bsl430.h"
#include "firmware/device_count.h"
#include "firmware/firmware_resources.h"
#include "firmware/product_marker.h"
#include "firmware/upgrade_state.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using namespace firmware;

struct MarkerCase {
    const char* name;
    std::string text;
    std::optional<int> product;
    std::string warning;
};

void PrintTo(const MarkerCase& c, std::ostream* os) {
    *os << c.name;
}

class ProductMarker : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(ProductMarker, PicksTheWarning) {
    std::istringstream text(GetParam().text);
    const ProductCheck check = CheckProductMarker(text);
    EXPECT_TRUE(check.readable);
    EXPECT_EQ(check.productIndex, GetParam().product);
    EXPECT_EQ(check.warning, GetParam().warning);
}

const std::string kVectaPad = "Warning!, you are upgrading with product file VectaPad, please make "
                              "sure you have correct hardware connected. do you want to continue?";
const std::string kGeneral = kGeneralWarningText;

INSTANTIATE_TEST_SUITE_P(
    Files, ProductMarker,
    ::testing::Values(
        MarkerCase{"VectaPadCrLf", "@8000\r\n01 02\r\n@7000\r\n03\r\n@9000\r\n04\r\nq\r\n", 3,
                   kVectaPad},
        MarkerCase{"VectaPadLf", "@7000\n03\nq\n", 3, kVectaPad},
        MarkerCase{"NoMarker", "@8000\r\n01 02\r\nq\r\n", std::nullopt, kGeneral},
        MarkerCase{"MarkerLineWithTrailingBlank", "@7000\r\n03 \r\nq\r\n", std::nullopt, kGeneral},
        MarkerCase{"MarkerLineOfFourBytes", "@7000\r\n03 04 05\r\nq\r\n", std::nullopt, kGeneral},
        MarkerCase{"LastProduct", "@7000\r\n11\r\nq\r\n", 11,
                   "Warning!, you are upgrading with product file Tenor Encoder, please make sure "
                   "you have correct hardware connected. do you want to continue?"},
        MarkerCase{"ProductTwelve", "@7000\r\n12\r\nq\r\n", std::nullopt,
                   "Warning!, the product marker \"12\" of this file names no known product, "
                   "please make sure you have correct hardware connected. do you want to "
                   "continue?"},
        MarkerCase{"NotDecimal", "@7000\r\nAB\r\nq\r\n", std::nullopt,
                   "Warning!, the product marker \"AB\" of this file names no known product, "
                   "please make sure you have correct hardware connected. do you want to "
                   "continue?"},
        MarkerCase{"MarkerIsTheLastLine", "@8000\r\n01\r\n@7000", std::nullopt,
                   "Warning!, the product marker of this file is missing after @7000, please "
                   "make sure you have correct hardware connected. do you want to continue?"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProductMarker, GeneratedSamplesCarryOrLackTheMarker) {
    const std::string folder = FIRMWARE_SAMPLES_DIR;
    std::ifstream product(folder + "/Echovane_1.0.901_product.txt", std::ios::binary);
    EXPECT_EQ(CheckProductMarker(product).productIndex, 1);
    std::ifstream plain(folder + "/Echovane_1.0.900.txt", std::ios::binary);
    const ProductCheck general = CheckProductMarker(plain);
    EXPECT_TRUE(general.readable);
    EXPECT_EQ(general.warning, kGeneral);
}

TEST(DeviceCountText, SingularPluralAndNone) {
    EXPECT_EQ(DeviceCountDisplay(1).label, "Found 1 device");
    EXPECT_EQ(DeviceCountDisplay(2).label, "Found 2 devices");
    EXPECT_TRUE(DeviceCountDisplay(2).browseEnabled);
    EXPECT_FALSE(DeviceCountDisplay(2).upgradeEnabled);
    EXPECT_EQ(DeviceCountDisplay(0).label, "No device connected");
    EXPECT_FALSE(DeviceCountDisplay(0).browseEnabled);
}

TEST(DeviceCountGate, ChangeWhileBusyCountsOnceMoreAfterward) {
    DeviceCountGate gate;
    EXPECT_TRUE(gate.OnDeviceChange(false));
    EXPECT_FALSE(gate.OnDeviceChange(true));
    EXPECT_FALSE(gate.OnDeviceChange(true));
    EXPECT_TRUE(gate.OnCountCompleted());
    EXPECT_FALSE(gate.OnCountCompleted());
    EXPECT_TRUE(IsDeviceChange(0x0219, 0x8000));
    EXPECT_TRUE(IsDeviceChange(0x0219, 0x8004));
    EXPECT_FALSE(IsDeviceChange(0x0219, 0x0007));
    EXPECT_FALSE(IsDeviceChange(0x0218, 0x8000));
}

TEST(PadHex, InsertsZerosAfterThePrefix) {
    EXPECT_EQ(padHexStringValue("0x200"), "0x0200");
    EXPECT_EQ(padHexStringValue("0x2047"), "0x2047");
    EXPECT_EQ(padHexStringValue("0x20"), "0x0020");
    EXPECT_EQ(padHexStringValue("0x2"), "0x0002");
    EXPECT_EQ(padHexStringValue("0x12345"), "0x12345");
    EXPECT_EQ(padHexStringValue(""), "000") << "short texts do not crash";
    const BootLoaderIds ids = InitializeVidPidFirmware();
    EXPECT_EQ(ConnectionText(ids), "PID=0x0200,VID=0x2047,DEVICEINDEX=0");
    EXPECT_FALSE(CountBootLoaders({"0xZZ", "0x0200", "0"}).has_value());
}

TEST(FirmwareResources, ShapedAsTheLoaderExpects) {
    EXPECT_EQ(FirmwareText(kResourceVid), "0x2047");
    EXPECT_EQ(FirmwareText(kResourcePid), "0x200");
    EXPECT_EQ(FirmwareText(kResourceForcedBor), "@0120\r\n04 A5 \r\nq");
    EXPECT_FALSE(FirmwareResource("nonsense").has_value());
    EXPECT_FALSE(FirmwareResource("RAM_BSL.Text").has_value()) << "never among the resources";
    EXPECT_FALSE(FirmwareResource("password.Text").has_value());
    EXPECT_EQ(productArray[3], std::string("VectaPad"));
}

TEST(SimulatedRamBsl, IsShapedAsTheVendorsAndOnlyTheSimulatorHasIt) {
    bsl430::TiTxtReader reader;
    ASSERT_EQ(reader.Parse(emulator::SimulatedPasswordText()), bsl430::TiTxtReader::Status::Ok);
    ASSERT_EQ(reader.segments().size(), 1u);
    EXPECT_EQ(reader.segments()[0].address, 0xFFE0u);
    EXPECT_EQ(reader.segments()[0].bytes, emulator::SimulatedPassword());

    ASSERT_EQ(reader.Parse(emulator::SimulatedRamBslText()), bsl430::TiTxtReader::Status::Ok);
    ASSERT_EQ(reader.segments().size(), 2u);
    EXPECT_EQ(reader.segments()[0].address, 0x2500u);
    EXPECT_EQ(reader.segments()[0].bytes.size(), 117u);
    EXPECT_EQ(reader.segments()[1].address, 0x2576u);
    EXPECT_EQ(reader.segments()[1].bytes.size(), 2676u);
    const auto& sections = emulator::SimulatedRamBslSections();
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[1].bytes, reader.segments()[1].bytes);
    // What this test executable carries is the simulator's; a product one carries none of it
    // (tests/packaging).
    EXPECT_EQ(EmbeddedBootLoader().ramBslText, emulator::SimulatedRamBslText());
    EXPECT_EQ(EmbeddedBootLoader().passwordText, emulator::SimulatedPasswordText());
}

} // namespace
