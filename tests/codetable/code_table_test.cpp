// Writing the ten-key table back to the simulated keypad.

#include "codetable/code_table.h"
#include "device/commands.h"
#include "device/discovery.h"
#include "tests/support/EmulatorFixture.h"

#include <gmock/gmock.h>

namespace {

using namespace codetable;
using emulator::Fault;
using emulator::FaultKind;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class TableWriteTest : public testsupport::EmulatorTest {
protected:
    void SetUp() override {
        keypad = ConnectKeypad();
        for (int key = 0; key < kKeyCount; ++key) {
            modifiers[key] = key % 3;
            codes[key] = {0x04 + key, 0x10 + key, 0, 0x20 + key, 0, 0x73};
        }
        keypad->ClearReceived();
    }

    std::shared_ptr<emulator::SimulatedKeypad> keypad;
    Modifiers modifiers{};
    TenKeyCodes codes{};
};

TEST_F(TableWriteTest, SingleCodeSendsOnlyTheKeyCodeBlock) {
    keypad->settings.tableKind = CustomiseTable;
    EXPECT_EQ(WriteTenKeyTable(hid_handle, EditorMode::SingleCode, modifiers, codes),
              TableWriteResult::Written);
    const auto received = keypad->received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].command, CmdWriteCodeTable);
    // Index 1 and 2 become left control and left shift.
    EXPECT_THAT(received[0].data,
                ElementsAre(0, 0x04, 0xE0, 0x05, 0xE1, 0x06, 0, 0x07, 0xE0, 0x08, 0xE1, 0x09, 0,
                            0x0A, 0xE0, 0x0B, 0xE1, 0x0C, 0, 0x0D));
    EXPECT_THAT(keypad->settings.customTable, ElementsAreArray(received[0].data));
}

TEST_F(TableWriteTest, MultiCodeSendsBothBlocksInOrder) {
    keypad->settings.tableKind = CustomiseMulticodeTable;
    modifiers[9] = 0x42;
    EXPECT_EQ(WriteTenKeyTable(hid_handle, EditorMode::MultiCode, modifiers, codes),
              TableWriteResult::Written);
    const auto received = keypad->received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].command, CmdWriteCodeTable);
    EXPECT_EQ(received[0].data[18], 0x42); // a bit mask travels as it is
    EXPECT_EQ(received[1].command, CmdWriteMulticodeTable);
    ASSERT_EQ(received[1].data.size(), 50u);
    EXPECT_THAT(std::vector<uint8_t>(received[1].data.begin() + 45, received[1].data.end()),
                ElementsAre(0x19, 0, 0x29, 0, 0x73));
    EXPECT_THAT(keypad->settings.multicodeExtra, ElementsAreArray(received[1].data));
}

class CodeTableFailureTest : public TableWriteTest,
                             public ::testing::WithParamInterface<FaultKind> {};

TEST_P(CodeTableFailureTest, NoMulticodeTableFollowsAFailedCodeTable) {
    keypad->settings.tableKind = CustomiseMulticodeTable;
    keypad->InjectFault(Fault{.kind = GetParam(), .command = CmdWriteCodeTable});
    const TableWriteResult result =
        WriteTenKeyTable(hid_handle, EditorMode::MultiCode, modifiers, codes);
    EXPECT_EQ(result, TableWriteResult::CodeTableFailed);
    EXPECT_EQ(TableWriteMessage(result), "Unable to Load Table..\n");
    EXPECT_THAT(keypad->ReceivedCodes(), ElementsAre(CmdWriteCodeTable));
}

INSTANTIATE_TEST_SUITE_P(Faults, CodeTableFailureTest,
                         ::testing::Values(FaultKind::Refuse, FaultKind::Silent,
                                           FaultKind::BadChecksum, FaultKind::Abort));

TEST_F(TableWriteTest, FailedMulticodeTableIsReportedAsSuch) {
    keypad->settings.tableKind = CustomiseMulticodeTable;
    keypad->InjectFault(Fault{.kind = FaultKind::Refuse, .command = CmdWriteMulticodeTable});
    const TableWriteResult result =
        WriteTenKeyTable(hid_handle, EditorMode::MultiCode, modifiers, codes);
    EXPECT_EQ(result, TableWriteResult::MulticodeTableFailed);
    EXPECT_EQ(TableWriteMessage(result), "Unable to Load multicode Table..\n");
    EXPECT_THAT(keypad->ReceivedCodes(), ElementsAre(CmdWriteCodeTable, CmdWriteMulticodeTable));
}

TEST_F(TableWriteTest, NoKeypadMeansTheCodeTableFailed) {
    EXPECT_EQ(WriteTenKeyTable(nullptr, EditorMode::SingleCode, modifiers, codes),
              TableWriteResult::CodeTableFailed);
    EXPECT_TRUE(keypad->received().empty());
}

} // namespace
