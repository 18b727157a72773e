// The one status read and the other reads a scan makes, against the simulated keypad.

#include "device/discovery.h"
#include "keypad/StatusRead.h"
#include "tests/support/EmulatorFixture.h"

#include <gmock/gmock.h>

#include <numeric>

namespace {

using emulator::Fault;
using emulator::FaultKind;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Bytes = std::vector<uint8_t>;

constexpr uint8_t kGetStatus = 0x01;
constexpr uint8_t kCheckMulticode = 0x03;
constexpr uint8_t kReadMulticodeTable = 0x0F;
constexpr uint8_t kGetBleParams = 0x10;
constexpr uint8_t kGetProductType = 0x17;

class StatusReadTest : public testsupport::EmulatorTest {
protected:
    void SetUp() override {
        keypad = ConnectKeypad();
        keypad->settings.ledBrightness = 4;
        std::iota(keypad->settings.customTable.begin(), keypad->settings.customTable.end(),
                  uint8_t{0x30});
        std::iota(keypad->settings.multicodeTable.begin(), keypad->settings.multicodeTable.end(),
                  uint8_t{0x50});
        std::iota(keypad->settings.multicodeExtra.begin(), keypad->settings.multicodeExtra.end(),
                  uint8_t{0x80});
        keypad->ClearReceived();
    }
    std::shared_ptr<emulator::SimulatedKeypad> keypad;
};

TEST_F(StatusReadTest, TheBlockComesAsTheKeypadSentIt) {
    const auto block = keypad::ReadStatusBlock();
    ASSERT_TRUE(block);
    EXPECT_EQ(*block, keypad->StatusBlock());
    EXPECT_THAT(keypad->ReceivedCodes(), ElementsAre(kGetStatus));
}

// Every kind but the customisable multi-code table is one exchange; kind 5 reads its extra
// code block as well.
class StatusReadByKind : public StatusReadTest, public ::testing::WithParamInterface<int> {};

TEST_P(StatusReadByKind, DecodesTheBlockAndReadsTheExtraCodesOnlyForKindFive) {
    keypad->settings.tableKind = static_cast<uint8_t>(GetParam());
    const keypad::StatusRead read = keypad::ReadStatus();
    ASSERT_TRUE(read.ok());
    ASSERT_TRUE(read.status);
    EXPECT_EQ(read.status->tableKind, GetParam());
    EXPECT_EQ(read.status->ledBrightness, 4);
    EXPECT_EQ(read.status->firmwareVersion, keypad->model.firmwareVersion);
    EXPECT_EQ(read.status->serialNumber, keypad->model.serialNumber);
    if (GetParam() == 5) {
        EXPECT_THAT(keypad->ReceivedCodes(), ElementsAre(kGetStatus, kReadMulticodeTable));
        ASSERT_TRUE(read.multipleCodeTable);
        EXPECT_THAT(*read.multipleCodeTable, ElementsAreArray(keypad->settings.multicodeExtra));
        EXPECT_THAT(read.status->keyCodeBlock, ElementsAreArray(keypad->settings.multicodeTable));
    } else {
        EXPECT_THAT(keypad->ReceivedCodes(), ElementsAre(kGetStatus));
        EXPECT_FALSE(read.multipleCodeTable);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, StatusReadByKind, ::testing::Range(0, 7));

class StatusReadFault : public StatusReadTest, public ::testing::WithParamInterface<FaultKind> {};

TEST_P(StatusReadFault, AFailedStatusExchangeReadsNothingMore) {
    keypad->settings.tableKind = 5;
    keypad->InjectFault(Fault{.kind = GetParam(), .command = kGetStatus});
    const keypad::StatusRead read = keypad::ReadStatus();
    EXPECT_FALSE(read.ok());
    EXPECT_FALSE(read.status);
    EXPECT_FALSE(read.multipleCodeTable);
    EXPECT_THAT(keypad->ReceivedCodes(), ElementsAre(kGetStatus));
    // Nothing of the failed read stays behind for the next one.
    EXPECT_TRUE(keypad::ReadStatusBlock());
}

TEST_P(StatusReadFault, AFailedMulticodeReadFailsTheReadButKeepsTheStatus) {
    keypad->settings.tableKind = 5;
    keypad->InjectFault(Fault{.kind = GetParam(), .command = kReadMulticodeTable});
    const keypad::StatusRead read = keypad::ReadStatus();
    EXPECT_FALSE(read.ok());
    ASSERT_TRUE(read.status);
    EXPECT_EQ(read.status->tableKind, 5);
    EXPECT_FALSE(read.multipleCodeTable);
}

TEST_P(StatusReadFault, TheOtherReadsGiveNothingWhenTheirExchangeFails) {
    for (const uint8_t command : {kGetBleParams, kGetProductType, kCheckMulticode}) {
        keypad->InjectFault(Fault{.kind = GetParam(), .command = command});
    }
    EXPECT_FALSE(keypad::ReadBleParams());
    EXPECT_FALSE(keypad::ReadProductType());
    EXPECT_NE(keypad::CheckMulticode(), 0);
}

INSTANTIATE_TEST_SUITE_P(Faults, StatusReadFault,
                         ::testing::Values(FaultKind::Refuse, FaultKind::Silent,
                                           FaultKind::BadChecksum, FaultKind::Abort,
                                           FaultKind::BadLength));

TEST_F(StatusReadTest, TheScanReadsGiveWhatTheKeypadHolds) {
    keypad->model.productType = 10;
    const auto type = keypad::ReadProductType();
    ASSERT_TRUE(type);
    EXPECT_EQ(*type, 10);

    const auto ble = keypad::ReadBleParams();
    ASSERT_TRUE(ble);
    EXPECT_EQ(ble->name, keypad->settings.ble.name);
    EXPECT_EQ(ble->manufacturerData, keypad->settings.ble.manufacturerData);
    EXPECT_EQ(ble->powerLevel, keypad->settings.ble.powerLevel);
    EXPECT_EQ(ble->enable, keypad->settings.ble.enabled);

    EXPECT_EQ(keypad::CheckMulticode(), 0);
    const auto received = keypad->received();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[2].command, kCheckMulticode);
    EXPECT_THAT(received[2].data, ElementsAre(0x01, 0x00));
}

TEST_F(StatusReadTest, AKeypadWithoutMulticodeTablesFailsTheCheck) {
    emulator::SimulatedKeypad::Model model;
    model.hasMulticode = false;
    CloseOpenKeypad();
    bus().Reset();
    PlugKeypad(model);
    ASSERT_TRUE(device::RescanForKeypad().found);
    EXPECT_NE(keypad::CheckMulticode(), 0);
}

} // namespace
