// The BSL_* operations against the simulated boot loader, and the guard that keeps a keypad
// rescan from shutting hidapi down under them.

#include "BootLoaderFixture.h"

#include "device/discovery.h"
#include "emulator/ScriptedDevice.h"
#include "emulator/SimulatedRamBsl.h"
#include "firmware/bsl430/ConnectionText.h"
#include "firmware/bsl430/bsl430.h"
#include "firmware/crc.h"
#include "tests/support/BoundedThread.h"

#include <hidapi/hidapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using bsl430::ConnectionText;
using emulator::SimulatedBootLoader;

constexpr char kConnection[] = "PID=0x0200,VID=0x2047,DEVICEINDEX=0";

struct ConnectionCase {
    const char* text;
    bool valid;
    uint16_t vid;
    uint16_t pid;
    int index;
};

class ConnectionTextParse : public ::testing::TestWithParam<ConnectionCase> {};

TEST_P(ConnectionTextParse, GivesTheIdsOrAReason) {
    std::string why;
    const auto parsed = ConnectionText::Parse(GetParam().text, &why);
    ASSERT_EQ(parsed.has_value(), GetParam().valid) << why;
    if (parsed) {
        EXPECT_EQ(parsed->vid, GetParam().vid);
        EXPECT_EQ(parsed->pid, GetParam().pid);
        EXPECT_EQ(parsed->deviceIndex, GetParam().index);
    } else {
        EXPECT_FALSE(why.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ConnectionTextParse,
    ::testing::Values(ConnectionCase{kConnection, true, 0x2047, 0x0200, 0},
                      ConnectionCase{" vid=2047 , pid=0X200 ,DeviceIndex=3", true, 0x2047, 0x200,
                                     3},
                      ConnectionCase{"PID=0x0200,VID=0x2047", true, 0x2047, 0x0200, 0},
                      ConnectionCase{"PID=0x0200", false, 0, 0, 0},
                      ConnectionCase{"PID=0x0200,VID=0x2047,VID=0x2047", false, 0, 0, 0},
                      ConnectionCase{"PID=0x10000,VID=0x2047", false, 0, 0, 0},
                      ConnectionCase{"PID=0x02G0,VID=0x2047", false, 0, 0, 0},
                      ConnectionCase{"PID=0x0200,VID=0x2047,DEVICEINDEX=-1", false, 0, 0, 0},
                      ConnectionCase{"PID=0x0200,VID=0x2047,SPEED=9600", false, 0, 0, 0},
                      ConnectionCase{"PID=,VID=0x2047", false, 0, 0, 0},
                      ConnectionCase{"PID 0x0200", false, 0, 0, 0},
                      ConnectionCase{"", false, 0, 0, 0}));

class Bsl430 : public testsupport::BootLoaderTest {
protected:
    int Open(uint32_t family = 3, uint32_t com = 2, const char* text = kConnection) {
        BSL_setFamily(family);
        BSL_setCom(com);
        return BSL_initialize_BSL(text);
    }
    DataBlock_ FilePassword() {
        return BSL_readTI_Text(std::string(emulator::SimulatedPasswordText()).c_str(), 32);
    }
    static std::string RamBsl() { return std::string(emulator::SimulatedRamBslText()); }
    // The flash loader, the password, the RAM loader up to Load PC.
    void LoadRamBsl() {
        ASSERT_EQ(Open(), 0);
        ASSERT_EQ(BSL_RX_Password(FilePassword()), 0);
        ASSERT_EQ(BSL_RX_TXT(RamBsl().c_str(), 1), 0);
        ASSERT_EQ(BSL_LoadPC(0x2504), 0);
        BSL_close_BSL();
    }
    // Then its restart and the password again, as hosts send it.
    void StartRamBsl() {
        LoadRamBsl();
        EXPECT_EQ(Open(), 1) << "still re-enumerating";
        Pass(loader->options.reenumerateMs);
        ASSERT_EQ(Open(), 0) << "reconnects once the RAM loader has re-enumerated";
        ASSERT_EQ(loader->mode(), SimulatedBootLoader::Mode::RamBsl);
        ASSERT_EQ(BSL_RX_Password(FilePassword()), 0);
    }
};

TEST_F(Bsl430, InitializeFailsWithOneForEveryUnusableSetup) {
    EXPECT_EQ(Open(), 1) << "no loader on the bus yet";
    EnterBootLoader();
    EXPECT_EQ(Open(4, 2), 1);
    EXPECT_EQ(Open(3, 1), 1);
    EXPECT_EQ(Open(3, 2, "PID=0x0200,VID=0x2047,DEVICEINDEX=1"), 1);
    EXPECT_EQ(Open(3, 2, "rubbish"), 1);
    EXPECT_EQ(Open(3, 2, nullptr), 1);
    EXPECT_NE(bsl430::LastError().find("connection text"), std::string::npos);
    EXPECT_EQ(Open(), 0);
}

TEST_F(Bsl430, BuiltInPasswordOpensTheFlashLoader) {
    EnterBootLoader();
    ASSERT_EQ(Open(), 0);
    const DataBlock_ password = FilePassword();
    EXPECT_EQ(password.numberOfBytes, 32u);
    EXPECT_EQ(password.startAddr, 0xFFE0u);
    EXPECT_EQ(BSL_RX_Password(password), 0);
    EXPECT_FALSE(loader->locked());
    EXPECT_EQ(loader->massErases(), 0);
}

TEST_F(Bsl430, WrongPasswordMassErasesAndTheDefaultThenFits) {
    EnterBootLoader();
    ASSERT_EQ(Open(), 0);
    DataBlock_ wrong = FilePassword();
    wrong.data[3] ^= 0x01;
    EXPECT_EQ(BSL_RX_Password(wrong), 5);
    EXPECT_EQ(loader->massErases(), 1);
    EXPECT_EQ(loader->memory().Read(0x8000), 0xFF);
    EXPECT_EQ(BSL_RX_Password(BSL_getDefaultPass()), 0);
}

TEST_F(Bsl430, PasswordOfTheWrongSizeIsNeverSent) {
    EnterBootLoader();
    ASSERT_EQ(Open(), 0);
    DataBlock_ shortPassword = FilePassword();
    shortPassword.numberOfBytes = 31;
    EXPECT_EQ(BSL_RX_Password(shortPassword), bsl430::kBslBadArgument);
    EXPECT_TRUE(loader->received().empty());
    EXPECT_EQ(loader->massErases(), 0);
}

TEST_F(Bsl430, FlashLoaderKnowsOnlyItsThreeCommands) {
    EnterBootLoader();
    ASSERT_EQ(Open(), 0);
    ASSERT_EQ(BSL_RX_Password(FilePassword()), 0);
    EXPECT_STREQ(BSL_TX_BSL_Version_String(), "ERROR");
    EXPECT_EQ(BSL_eraseSegment(0xFFFF), 7);
    EXPECT_EQ(BSL_CRC_Check(0x8000, 16), 7);
}

TEST_F(Bsl430, RamLoaderReenumeratesAndTellsItsVersion) {
    EnterBootLoader();
    StartRamBsl();
    const std::string version = BSL_TX_BSL_Version_String();
    EXPECT_EQ(version, "Vendor: 00, CI: 06, API: 05, PI: 34");
    EXPECT_EQ(version.substr(16, 2) + version.substr(25, 2) + version.substr(33, 2), "060534");
}

TEST_F(Bsl430, RamLoaderStartsUnlockedAsTheVendorsDoes) {
    EnterBootLoader();
    LoadRamBsl();
    Pass(loader->options.reenumerateMs);
    ASSERT_EQ(Open(), 0);
    EXPECT_FALSE(loader->locked());
    EXPECT_EQ(BSL_eraseSegment(0x8000), 0) << "no password needed";
    EXPECT_EQ(BSL_CRC_Check(0x8000, 16), 0);
    EXPECT_STREQ(BSL_TX_BSL_Version_String(), "Vendor: 00, CI: 06, API: 05, PI: 34");
    EXPECT_EQ(BSL_RX_Password(FilePassword()), 0) << "hosts that send it again get 3B 00";
}

TEST_F(Bsl430, LoadPcOnALockedLoaderIsRefusedNotRun) {
    EnterBootLoader();
    ASSERT_EQ(Open(), 0);
    ASSERT_EQ(BSL_RX_TXT(RamBsl().c_str(), 1), 0) << "dropped: nothing to answer";
    EXPECT_EQ(BSL_LoadPC(0x2504), bsl430::kMessageLocked);
    EXPECT_NE(bsl430::LastError().find("0x04"), std::string::npos) << bsl430::LastError();
    EXPECT_EQ(loader->mode(), SimulatedBootLoader::Mode::FlashBsl);
    EXPECT_TRUE(bus().IsPlugged(loader.get()));
}

TEST_F(Bsl430, EraseWriteAndCrcAgreeWithTheFlash) {
    EnterBootLoader();
    StartRamBsl();
    ASSERT_EQ(BSL_eraseSegment(0x8123), 0);
    const auto erased = loader->memory().Read(0x8000, 512);
    EXPECT_TRUE(std::all_of(erased.begin(), erased.end(), [](uint8_t b) { return b == 0xFF; }));
    EXPECT_NE(loader->memory().Read(0x8200), 0xFF) << "only the one segment";

    const auto image = testsupport::KeypadImage("VX1234", 700);
    const std::string path = WriteFile("image.txt", testsupport::TiTxt({image[0]}));
    ASSERT_EQ(BSL_RX_TXT_File(path.c_str(), 0), 1) << "the second segment was not erased";
    ASSERT_EQ(BSL_eraseSegment(0x8200), 0);
    ASSERT_EQ(BSL_RX_TXT_File(path.c_str(), 1), 0);
    // The CRC request flushes what the loader still buffers.
    ASSERT_EQ(BSL_CRC_Check(0x8000, 700), 0);
    EXPECT_EQ(loader->memory().Read(0x8000, 700), image[0].bytes);
    const uint8_t* buffer = BSL_get_RX_Buffer();
    const uint16_t device = static_cast<uint16_t>(buffer[5] | buffer[6] << 8);
    CRC local(0xFFFF);
    for (uint8_t b : image[0].bytes) {
        local.CrcInput(b);
    }
    EXPECT_EQ(device, local.GetCrcValue());
    EXPECT_EQ(buffer[4], 0x3A);
}

TEST_F(Bsl430, WritingOverUnerasedFlashOnlyClearsBitsAndMayNotSaySo) {
    EnterBootLoader();
    StartRamBsl();
    ASSERT_EQ(BSL_eraseSegment(0x9000), 0);
    ASSERT_EQ(BSL_RX_TXT("@9000\r\nF0\r\nq\r\n", 0), 0);
    // The RAM loader buffers: the second block only flushes the first, so both answer 00.
    EXPECT_EQ(BSL_RX_TXT("@9000\r\n0F\r\nq\r\n", 0), 0);
    EXPECT_EQ(loader->memory().Read(0x9000), 0xF0) << "still in the buffer";
    // The CRC flushes it: the failed write shows only in what the flash holds.
    ASSERT_EQ(BSL_CRC_Check(0x9000, 1), 0);
    EXPECT_EQ(loader->memory().Read(0x9000), 0x00);
    const uint8_t* buffer = BSL_get_RX_Buffer();
    CRC wanted(0xFFFF);
    wanted.CrcInput(0x0F);
    EXPECT_NE(static_cast<uint16_t>(buffer[5] | buffer[6] << 8), wanted.GetCrcValue());
}

TEST_F(Bsl430, MissingOrMalformedFilesAreRefusedBeforeAnythingIsSent) {
    EnterBootLoader();
    StartRamBsl();
    loader->ClearReceived();
    EXPECT_EQ(BSL_RX_TXT_File((scratch / "none.txt").string().c_str(), 1), -2);
    EXPECT_EQ(BSL_RX_TXT("@8000\r\n01 0\r\nq", 1), bsl430::kBslMalformedText);
    EXPECT_EQ(BSL_RX_TXT(nullptr, 1), bsl430::kBslBadArgument);
    EXPECT_TRUE(loader->received().empty());
}

TEST_F(Bsl430, LoaderLeavingTheBusFailsTheNextExchange) {
    EnterBootLoader();
    StartRamBsl();
    loader->InjectFault({emulator::BootLoaderFaultKind::Unplug});
    EXPECT_EQ(BSL_eraseSegment(0x8000), bsl430::kBslNotConnected);
    EXPECT_EQ(BSL_CRC_Check(0x8000, 2), bsl430::kBslNotConnected);
}

struct BadAnswer {
    const char* name;
    std::vector<uint8_t> report;
};

void PrintTo(const BadAnswer& b, std::ostream* os) {
    *os << b.name;
}

class Bsl430BadAnswers : public Bsl430, public ::testing::WithParamInterface<BadAnswer> {};

TEST_P(Bsl430BadAnswers, CountAsFailuresNotAsResults) {
    auto scripted = std::make_shared<emulator::ScriptedDevice>(
        0x2047, 0x0200, std::vector<emulator::InterfaceInfo>{{0, 0xFF00, 1}});
    bus().Plug(scripted);
    ASSERT_EQ(Open(), 0);
    emulator::Report report = GetParam().report;
    report.resize(64, 0);
    scripted->QueueAnswer({report});
    EXPECT_LT(BSL_CRC_Check(0x8000, 2), 0);
    scripted->QueueAnswer({report});
    EXPECT_STREQ(BSL_TX_BSL_Version_String(), "ERROR");
    scripted->QueueAnswer({report});
    EXPECT_NE(BSL_RX_Password(BSL_getDefaultPass()), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, Bsl430BadAnswers,
    ::testing::Values(BadAnswer{"WrongReportId", {0x3E, 0x03, 0x3A, 0x12, 0x34}},
                      BadAnswer{"ZeroLength", {0x3F, 0x00, 0x3A}},
                      BadAnswer{"LengthPastTheReport", {0x3F, 0x3F, 0x3A, 0x12}},
                      BadAnswer{"UnknownResponse", {0x3F, 0x03, 0x55, 0x12, 0x34}},
                      BadAnswer{"DataTooShort", {0x3F, 0x01, 0x3A}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Bsl430, SilentLoaderTimesOut) {
    auto scripted = std::make_shared<emulator::ScriptedDevice>(
        0x2047, 0x0200, std::vector<emulator::InterfaceInfo>{{0, 0xFF00, 1}});
    bus().Plug(scripted);
    ASSERT_EQ(Open(), 0);
    EXPECT_EQ(BSL_eraseSegment(0xFFFF), bsl430::kBslTimeout);
}

TEST_F(Bsl430, CountsTheAttachedLoaders) {
    EXPECT_EQ(BSL_NumOfUSBDevices(0x2047, 0x0200), 0u);
    EnterBootLoader();
    EXPECT_EQ(BSL_NumOfUSBDevices(0x2047, 0x0200), 1u);
    bus().Plug(std::make_shared<emulator::SilentBootLoader>());
    EXPECT_EQ(BSL_NumOfUSBDevices(0x2047, 0x0200), 2u);
    EXPECT_EQ(BSL_NumOfUSBDevices(0x2047, 0x0201), 0u);
}

TEST_F(Bsl430, WatcherReportsArrivalAndRemovalToEveryWindow) {
    using Messages = std::vector<std::pair<uint32_t, uintptr_t>>;
    Messages first;
    Messages second;
    ASSERT_EQ(BSL_RegisterUSBDeviceNotification(
                  &first, [&first](uint32_t m, uintptr_t p) { first.emplace_back(m, p); }),
              0);
    EXPECT_NE(BSL_RegisterUSBDeviceNotification(&first, [](uint32_t, uintptr_t) {}), 0)
        << "a window registers once";
    ASSERT_EQ(BSL_RegisterUSBDeviceNotification(
                  &second, [&second](uint32_t m, uintptr_t p) { second.emplace_back(m, p); }),
              0)
        << "a second window has its own";
    bsl430::PollDeviceNotification();
    EXPECT_TRUE(first.empty()) << "nothing changed";

    EnterBootLoader(); // the keypad leaves, the loader arrives
    bsl430::PollDeviceNotification();
    const Messages leftAndArrived = {{0x0219, 0x8004}, {0x0219, 0x8000}};
    EXPECT_EQ(first, leftAndArrived);
    EXPECT_EQ(second, leftAndArrived);

    BSL_UnRegisterUSBDeviceNotification(&first);
    first.clear();
    second.clear();
    bus().Unplug(loader.get());
    bsl430::PollDeviceNotification();
    EXPECT_TRUE(first.empty()) << "unregistered";
    EXPECT_EQ(second, (Messages{{0x0219, 0x8004}}));

    BSL_UnRegisterUSBDeviceNotification(&second);
    second.clear();
    bus().Plug(loader);
    bsl430::PollDeviceNotification();
    EXPECT_TRUE(second.empty());
    EXPECT_NE(BSL_RegisterUSBDeviceNotification(&first, nullptr), 0);
    EXPECT_EQ(BSL_RegisterUSBDeviceNotification(&first, [](uint32_t, uintptr_t) {}), 0)
        << "free again";
    BSL_UnRegisterUSBDeviceNotification(&first);
}

TEST_F(Bsl430, RescanIsRefusedWhileTheLoaderIsOpen) {
    EnterBootLoader();
    ASSERT_EQ(Open(), 0);
    const auto exitsBefore = bus().usage().exitCount;
    const device::RescanResult refused = device::RescanForKeypad();
    EXPECT_TRUE(refused.refused);
    EXPECT_FALSE(refused.found);
    EXPECT_EQ(device::NotConnectedMessage(refused),
              "The firmware upgrade is using the USB connection, please scan again when it has "
              "finished..\n");
    hid_exit_safely(nullptr);
    EXPECT_EQ(bus().usage().exitCount, exitsBefore) << "hidapi stays up under the loader";
    EXPECT_EQ(BSL_RX_Password(FilePassword()), 0);

    BSL_close_BSL();
    EXPECT_FALSE(device::RescanForKeypad().refused);
    EXPECT_EQ(bus().usage().useAfterExit, 0);
}

TEST_F(Bsl430, RescanDuringATransferIsRefusedAndNeverPullsHidapiAway) {
    EnterBootLoader();
    StartRamBsl();
    ASSERT_EQ(BSL_eraseSegment(0x8000), 0);
    ASSERT_EQ(BSL_eraseSegment(0x8200), 0);
    const auto image = testsupport::KeypadImage("VX0001", 20000);
    const std::string path = WriteFile("transfer.txt", testsupport::TiTxt({image[0]}));
    std::atomic<bool> running{true};
    std::atomic<int> transfer{-99};
    testsupport::BoundedThread worker("a transfer beside rescans", [&]() {
        transfer = BSL_RX_TXT_File(path.c_str(), 1);
        running = false;
    });
    int refusals = 0;
    while (running) {
        const auto result = device::RescanForKeypad();
        if (running) {
            EXPECT_TRUE(result.refused);
        }
        refusals += result.refused ? 1 : 0;
        std::this_thread::yield();
    }
    worker.Join();
    EXPECT_EQ(transfer, 0);
    EXPECT_GT(refusals, 0);
    EXPECT_EQ(bus().usage().useAfterExit, 0);
    ASSERT_EQ(BSL_CRC_Check(0x8000, 2), 0) << "flushes the loader's buffer";
    EXPECT_EQ(loader->memory().Read(0x8000, 20000), image[0].bytes) << "nothing lost";
}

} // namespace
