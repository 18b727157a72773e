// The simulated boot loader's own behaviour: the reset into the new application, power-on
// without one, its faults and the bus timing it keeps.

#include "BootLoaderFixture.h"

#include "device/discovery.h"
#include "device/frame.h"
#include "firmware/bsl430/bsl430.h"
#include "firmware/firmware_resources.h"

#include <gtest/gtest.h>

namespace {

using emulator::BootLoaderFaultKind;
using emulator::SimulatedBootLoader;

constexpr char kConnection[] = "PID=0x0200,VID=0x2047,DEVICEINDEX=0";
constexpr char kBor[] = "@0120\r\n04 A5 \r\nq";

class SimulatedLoader : public testsupport::BootLoaderTest {
protected:
    void Connect() {
        BSL_setFamily(3);
        BSL_setCom(2);
        ASSERT_EQ(BSL_initialize_BSL(kConnection), 0);
    }
    void StartRamBsl() {
        Connect();
        ASSERT_EQ(BSL_RX_Password(Password()), 0);
        BSL_RX_TXT(firmware::FirmwareText(firmware::kResourceRamBsl).c_str(), 1);
        BSL_LoadPC(0x2504);
        BSL_close_BSL();
        Connect();
        ASSERT_EQ(BSL_RX_Password(Password()), 0);
    }
    DataBlock_ Password() {
        return BSL_readTI_Text(firmware::FirmwareText(firmware::kResourcePassword).c_str(), 32);
    }
    void Program(const std::vector<testsupport::Section>& image) {
        for (const auto& section : image) {
            for (uint32_t a = section.address; a < section.address + section.bytes.size();
                 a += 512) {
                ASSERT_EQ(BSL_eraseSegment(a), 0);
            }
        }
        ASSERT_EQ(BSL_RX_TXT(testsupport::TiTxt(image).c_str(), 1), 0);
    }
};

TEST_F(SimulatedLoader, EnteredFromTheKeypadWithItsFirmwareInFlash) {
    keypad->model.firmwareVersion = "VX0777";
    EnterBootLoader();
    EXPECT_EQ(loader->mode(), SimulatedBootLoader::Mode::FlashBsl);
    EXPECT_TRUE(loader->locked());
    EXPECT_EQ(loader->memory().ApplicationVersion(), "VX0777");
    EXPECT_EQ(loader->memory().Read(0xFFE0, 32), testsupport::BuiltInPassword());
}

TEST_F(SimulatedLoader, SoftwareBorBringsTheNewApplicationBackAtFactorySettings) {
    keypad->settings.ledBrightness = 9;
    keypad->settings.tableKind = 2;
    EnterBootLoader();
    StartRamBsl();
    Program(testsupport::KeypadImage("VX0950"));
    ASSERT_EQ(BSL_RX_TXT(kBor, 1), 0);
    BSL_close_BSL();
    Pass(loader->options.restartMs + 10);
    ASSERT_TRUE(bus().IsPlugged(keypad.get()));
    EXPECT_FALSE(bus().IsPlugged(loader.get()));
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0950");
    EXPECT_EQ(keypad->model.serialNumber, "");
    EXPECT_EQ(keypad->settings.ledBrightness,
              emulator::SimulatedKeypad::FactorySettings().ledBrightness);
    EXPECT_EQ(keypad->settings.tableKind, 0);
    // The same keypad object answers again.
    ASSERT_TRUE(device::RescanForKeypad().found);
    uint8_t reply[64];
    uint32_t length = 0;
    EXPECT_EQ(USBEncoderSendAndReceive_a(hid_handle, 0x01, nullptr, 0, reply, 64, &length, 5000),
              0);
}

TEST_F(SimulatedLoader, ResetWithoutAResetVectorStaysInTheFlashLoader) {
    EnterBootLoader();
    StartRamBsl();
    ASSERT_EQ(BSL_eraseSegment(0xFFFF), 0);
    ASSERT_EQ(BSL_RX_TXT(kBor, 1), 0);
    BSL_close_BSL();
    Pass(loader->options.restartMs + 10);
    EXPECT_FALSE(bus().IsPlugged(keypad.get()));
    ASSERT_TRUE(bus().IsPlugged(loader.get()));
    EXPECT_EQ(loader->mode(), SimulatedBootLoader::Mode::FlashBsl);
    EXPECT_TRUE(loader->locked());
}

TEST_F(SimulatedLoader, UnplugFaultWithReturnStartsAsAfterPowerOn) {
    EnterBootLoader();
    StartRamBsl();
    loader->InjectFault({BootLoaderFaultKind::Unplug, 0x12, 1, 1, 500});
    EXPECT_EQ(BSL_eraseSegment(0xFFFF), 0);
    EXPECT_EQ(BSL_eraseSegment(0x8000), bsl430::kBslNotConnected) << "unplugged on the second";
    Pass(510);
    EXPECT_TRUE(bus().IsPlugged(loader.get())) << "no reset vector: the flash loader";
    EXPECT_EQ(loader->mode(), SimulatedBootLoader::Mode::FlashBsl);
}

TEST_F(SimulatedLoader, FaultsHitTheirOwnRequests) {
    EnterBootLoader();
    loader->InjectFault({BootLoaderFaultKind::RefusePassword});
    Connect();
    EXPECT_EQ(BSL_RX_Password(Password()), 5);
    EXPECT_EQ(loader->massErases(), 1);
    EXPECT_EQ(BSL_RX_Password(BSL_getDefaultPass()), 0);
    BSL_close_BSL();

    loader->InjectFault(
        {BootLoaderFaultKind::WrongVersion, emulator::kAnyCommand, 0, 1, 0x00060533});
    loader->InjectFault({BootLoaderFaultKind::CrcMismatch, emulator::kAnyCommand, 1});
    Connect();
    BSL_RX_TXT(firmware::FirmwareText(firmware::kResourceRamBsl).c_str(), 1);
    BSL_LoadPC(0x2504);
    BSL_close_BSL();
    Connect();
    EXPECT_EQ(BSL_RX_Password(BSL_getDefaultPass()), 0);
    EXPECT_STREQ(BSL_TX_BSL_Version_String(), "Vendor: 00, CI: 06, API: 05, PI: 33");
    EXPECT_STREQ(BSL_TX_BSL_Version_String(), "Vendor: 00, CI: 06, API: 05, PI: 34");
    const uint16_t expected = loader->memory().Crc(0x8000, 64);
    auto deviceCrc = []() {
        EXPECT_EQ(BSL_CRC_Check(0x8000, 64), 0);
        return static_cast<uint16_t>(BSL_get_RX_Buffer()[5] | BSL_get_RX_Buffer()[6] << 8);
    };
    EXPECT_EQ(deviceCrc(), expected) << "block 1";
    EXPECT_NE(deviceCrc(), expected) << "block 2 mismatches";
    EXPECT_EQ(deviceCrc(), expected) << "block 3";
}

TEST_F(SimulatedLoader, LockedFlashLoaderIgnoresDataAndLoadPc) {
    EnterBootLoader();
    Connect();
    BSL_RX_TXT(firmware::FirmwareText(firmware::kResourceRamBsl).c_str(), 1);
    BSL_LoadPC(0x2504);
    Pass(2000);
    EXPECT_TRUE(bus().IsPlugged(loader.get()));
    EXPECT_EQ(loader->mode(), SimulatedBootLoader::Mode::FlashBsl);
    EXPECT_EQ(loader->memory().Read(0x2500), 0x00);
}

TEST_F(SimulatedLoader, FastWritesTakeOneFramePerReport) {
    EnterBootLoader();
    StartRamBsl();
    ASSERT_EQ(BSL_eraseSegment(0x9000), 0);
    const std::string block = testsupport::TiTxt({{0x9000, std::vector<uint8_t>(58 * 100, 0x5A)}});
    const uint64_t start = clock().NowUs();
    ASSERT_EQ(BSL_RX_TXT(block.c_str(), 1), 0);
    const uint64_t elapsed = clock().NowUs() - start;
    EXPECT_GE(elapsed, 99'000u);
    EXPECT_LE(elapsed, 101'000u);
}

} // namespace
