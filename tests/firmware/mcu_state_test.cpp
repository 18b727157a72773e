// The demo's state file keeps the MCU as an upgrade left it: memory, what it runs, its lock and
// what its RAM loader still holds back, so the next run finds the same chip on the bus.

#include "BootLoaderFixture.h"

#include "emulator/KeypadStateFile.h"
#include "emulator/SimulatedRamBsl.h"
#include "firmware/bsl430/bsl430.h"
#include "platform/Utf8Path.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

namespace {

using emulator::SimulatedBootLoader;
using Mode = SimulatedBootLoader::Mode;

constexpr char kConnection[] = "PID=0x0200,VID=0x2047,DEVICEINDEX=0";

class McuState : public testsupport::BootLoaderTest {
public:
    using BootLoaderTest::EnterBootLoader;
    void Connect() {
        BSL_setFamily(3);
        BSL_setCom(2);
        ASSERT_EQ(BSL_initialize_BSL(kConnection), 0);
    }
    DataBlock_ Password() {
        return BSL_readTI_Text(std::string(emulator::SimulatedPasswordText()).c_str(), 32);
    }
    void StartRamBsl() {
        EnterBootLoader();
        Connect();
        ASSERT_EQ(BSL_RX_Password(Password()), 0);
        BSL_RX_TXT(std::string(emulator::SimulatedRamBslText()).c_str(), 1);
        BSL_LoadPC(0x2504);
        BSL_close_BSL();
        Pass(loader->options.reenumerateMs);
        Connect();
    }

protected:
    // The next run: a new keypad and MCU read from the file and put on the bus as kept.
    struct NextRun {
        std::shared_ptr<emulator::SimulatedKeypad> keypad;
        std::shared_ptr<SimulatedBootLoader> loader;
        bool loaded = false;
    };
    NextRun Reload() {
        BSL_close_BSL();
        const std::string path = platform::Utf8FromPath(scratch / "demo.state");
        EXPECT_TRUE(emulator::SaveKeypadState(*keypad, path, loader.get()));
        bus().Reset();
        NextRun next;
        next.keypad = std::make_shared<emulator::SimulatedKeypad>();
        next.loader = SimulatedBootLoader::Attach(*next.keypad, testsupport::BuiltInPassword());
        next.loaded = emulator::LoadKeypadState(*next.keypad, path, next.loader.get());
        next.loader->Resume();
        return next;
    }
};

struct LeftCase {
    const char* name;
    std::function<void(McuState&)> leave;
    Mode mode;
    // What is on the bus in the next run: 'k' the keypad, 'l' its loader, '-' nothing.
    char onBus;
};

void PrintTo(const LeftCase& c, std::ostream* os) {
    *os << c.name;
}

class McuStateKept : public McuState, public ::testing::WithParamInterface<LeftCase> {};

TEST_P(McuStateKept, TheNextRunFindsTheChipAsItWasLeft) {
    GetParam().leave(*this);
    const SimulatedBootLoader::SavedState before = loader->Saved();
    const NextRun next = Reload();
    ASSERT_TRUE(next.loaded);
    const SimulatedBootLoader::SavedState after = next.loader->Saved();
    EXPECT_EQ(after.mode, GetParam().mode);
    EXPECT_EQ(after.locked, before.locked);
    EXPECT_EQ(after.installed, before.installed);
    EXPECT_EQ(after.applicationChanged, before.applicationChanged);
    EXPECT_EQ(after.version, before.version);
    EXPECT_EQ(after.bufferStart, before.bufferStart);
    EXPECT_EQ(after.buffer, before.buffer);
    EXPECT_EQ(after.memory.Read(0, emulator::kMainFlashEnd),
              before.memory.Read(0, emulator::kMainFlashEnd));
    EXPECT_EQ(bus().IsPlugged(next.keypad.get()), GetParam().onBus == 'k');
    EXPECT_EQ(bus().IsPlugged(next.loader.get()), GetParam().onBus == 'l');
}

INSTANTIATE_TEST_SUITE_P(
    Left, McuStateKept,
    ::testing::Values(LeftCase{"NeverInItsLoader", [](McuState&) {}, Mode::Application, 'k'},
                      LeftCase{"FlashLoaderAfterAMassErase",
                               [](McuState& t) {
                                   t.EnterBootLoader();
                                   t.Connect();
                                   ASSERT_EQ(BSL_RX_Password(BSL_getDefaultPass()), 5);
                               },
                               Mode::FlashBsl, 'l'},
                      LeftCase{"RamLoaderWithAWriteHeldBack",
                               [](McuState& t) {
                                   t.StartRamBsl();
                                   ASSERT_EQ(BSL_eraseSegment(0xFFFF), 0);
                                   ASSERT_EQ(BSL_RX_TXT("@9001\r\n11 22 33\r\nq\r\n", 1), 0);
                               },
                               Mode::RamBsl, 'l'},
                      LeftCase{"Crashed",
                               [](McuState& t) {
                                   t.EnterBootLoader();
                                   t.Connect();
                                   ASSERT_EQ(BSL_RX_Password(t.Password()), 0);
                                   ASSERT_EQ(BSL_RX_TXT("@2500\r\n00 06 05 34 31 A9\r\nq", 1), 0);
                                   BSL_LoadPC(0x2504);
                               },
                               Mode::Crashed, '-'}),
    [](const auto& info) { return std::string(info.param.name); });

// The run ends between the reset the upgrade writes and the power-on: the next run finds the
// chip come up, not still in the RAM loader.
TEST_F(McuState, AResetUnderWayHasHappenedByTheNextRun) {
    StartRamBsl();
    // The second write sends the first on: the reset.
    BSL_RX_TXT("@0120\r\n04 A5\r\nq\r\n", 1);
    BSL_RX_TXT("@0120\r\n04 A5\r\nq\r\n", 1);
    const NextRun next = Reload();
    ASSERT_TRUE(next.loaded);
    EXPECT_EQ(next.loader->Saved().mode, Mode::Application);
    EXPECT_TRUE(bus().IsPlugged(next.keypad.get()));
    EXPECT_FALSE(bus().IsPlugged(next.loader.get()));
}

TEST_F(McuState, AFileWithoutTheChipLeavesAFreshOne) {
    const std::string path = platform::Utf8FromPath(scratch / "old.state");
    keypad->model.serialNumber = "00077777";
    ASSERT_TRUE(emulator::SaveKeypadState(*keypad, path));
    bus().Reset();
    auto next = std::make_shared<emulator::SimulatedKeypad>();
    auto mcu = SimulatedBootLoader::Attach(*next, testsupport::BuiltInPassword());
    ASSERT_TRUE(emulator::LoadKeypadState(*next, path, mcu.get()));
    mcu->Resume();
    EXPECT_EQ(next->model.serialNumber, "00077777");
    EXPECT_TRUE(bus().IsPlugged(next.get()));
    EXPECT_FALSE(mcu->Saved().installed);
}

// The demo's state is replaced and read again in a folder named in any script (std::rename
// would not replace the file on Windows, and the narrow names there are in the ANSI code page).
TEST_F(McuState, IsReplacedAndReadInAFolderNamedInAnyScript) {
    const auto folder = scratch / platform::PathFromUtf8(testsupport::kNameInManyScripts);
    std::filesystem::create_directory(folder);
    const std::string path = platform::Utf8FromPath(folder / "demo.state");
    for (const char* serialNumber : {"00011111", "00022222"}) {
        keypad->model.serialNumber = serialNumber;
        ASSERT_TRUE(emulator::SaveKeypadState(*keypad, path)) << serialNumber;
    }
    bus().Reset();
    auto next = std::make_shared<emulator::SimulatedKeypad>();
    ASSERT_TRUE(emulator::LoadKeypadState(*next, path));
    EXPECT_EQ(next->model.serialNumber, "00022222");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1)
        << "nothing left beside the state file";
}

// Addresses are read in either case and with up to six digits, whatever the file itself writes.
// A run with fewer keypads than the last one keeps the state of those it did not have.
TEST_F(McuState, ARunWithFewerKeypadsKeepsTheOthers) {
    const std::string path = platform::Utf8FromPath(scratch / "many.state");
    std::array<emulator::SimulatedKeypad, 3> before;
    for (size_t i = 0; i < before.size(); ++i) {
        before[i].settings.ledBrightness = static_cast<uint8_t>(6 + i);
    }
    const std::vector<emulator::KeptKeypad> three{
        {&before[0], nullptr}, {&before[1], nullptr}, {&before[2], nullptr}};
    ASSERT_TRUE(emulator::SaveKeypadStates(three, path));
    before[0].settings.ledBrightness = 3;
    ASSERT_TRUE(emulator::SaveKeypadStates({three.data(), 1}, path));

    std::array<emulator::SimulatedKeypad, 3> after;
    const std::vector<emulator::KeptKeypad> again{
        {&after[0], nullptr}, {&after[1], nullptr}, {&after[2], nullptr}};
    const emulator::StateFileLoad load = emulator::LoadKeypadStates(again, path);
    ASSERT_EQ(load.outcome, emulator::StateFileLoad::Outcome::Read) << load.problem;
    EXPECT_EQ(after[0].settings.ledBrightness, 3);
    EXPECT_EQ(after[1].settings.ledBrightness, 7);
    EXPECT_EQ(after[2].settings.ledBrightness, 8);
}

TEST_F(McuState, ReadsAddressesOfEitherCaseWithUpToSixDigits) {
    const std::string path = platform::Utf8FromPath(scratch / "addresses.state");
    ASSERT_TRUE(emulator::SaveKeypadState(*keypad, path, loader.get()));
    std::ofstream(path, std::ios::app) << "mcu.memory.00a0f0=5A\nmcu.memory.A0F1=C3\n";
    auto next = std::make_shared<emulator::SimulatedKeypad>();
    auto mcu = SimulatedBootLoader::Attach(*next, testsupport::BuiltInPassword());
    ASSERT_TRUE(emulator::LoadKeypadState(*next, path, mcu.get()));
    EXPECT_EQ(mcu->memory().Read(0xA0F0, 2), (std::vector<uint8_t>{0x5A, 0xC3}));
}

struct BrokenCase {
    const char* name;
    std::string line;
};

void PrintTo(const BrokenCase& c, std::ostream* os) {
    *os << c.name;
}

class McuStateBroken : public McuState, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(McuStateBroken, IsNotLoadedAtAllAndChangesNothing) {
    const std::string path = platform::Utf8FromPath(scratch / "broken.state");
    keypad->model.serialNumber = "00011111";
    ASSERT_TRUE(emulator::SaveKeypadState(*keypad, path, loader.get()));
    std::ofstream(path, std::ios::app) << GetParam().line << "\n";
    auto next = std::make_shared<emulator::SimulatedKeypad>();
    auto mcu = SimulatedBootLoader::Attach(*next, testsupport::BuiltInPassword());
    EXPECT_FALSE(emulator::LoadKeypadState(*next, path, mcu.get()));
    EXPECT_EQ(next->model.serialNumber, "12345678");
    EXPECT_FALSE(mcu->Saved().installed);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, McuStateBroken,
    ::testing::Values(BrokenCase{"UnknownMode", "mcu.mode=asleep"},
                      BrokenCase{"OddHexDigits", "mcu.memory.08000=ABC"},
                      BrokenCase{"PastTheMemory", "mcu.memory.243FF=0102"},
                      BrokenCase{"BufferTooBig", "mcu.buffer=09000:" + std::string(258, 'A')},
                      BrokenCase{"AddressNotHex", "mcu.memory.08G00=01"},
                      BrokenCase{"AddressSigned", "mcu.buffer=+9000:01"},
                      BrokenCase{"AddressTooLong", "mcu.memory.0008000=01"},
                      BrokenCase{"AddressMissing", "mcu.writeFailures=08000,,08002"},
                      BrokenCase{"RangeEndNotHex", "mcu.written=08000-08 00"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
