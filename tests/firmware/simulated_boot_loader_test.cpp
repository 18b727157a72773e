// The simulated boot loader held to what the real loaders do: only its own RAM loader runs, a
// crash needs a power cycle, the lock and password rules, the RAM loader's write buffer with
// the resets it holds back, and the bus timing it keeps.

#include "BootLoaderFixture.h"

#include "device/discovery.h"
#include "device/frame.h"
#include "emulator/SimulatedRamBsl.h"
#include "firmware/bsl430/UsbBslLink.h"
#include "firmware/bsl430/bsl430.h"

#include <hidapi/hidapi.h>

#include <gtest/gtest.h>

#include <functional>

namespace {

using emulator::BootLoaderFaultKind;
using emulator::SimulatedBootLoader;
using Mode = SimulatedBootLoader::Mode;

constexpr char kConnection[] = "PID=0x0200,VID=0x2047,DEVICEINDEX=0";
constexpr char kBor[] = "@0120\r\n04 A5 \r\nq";

class SimulatedLoader : public testsupport::BootLoaderTest {
protected:
    int Connect() {
        BSL_setFamily(3);
        BSL_setCom(2);
        return BSL_initialize_BSL(kConnection);
    }
    static std::string RamBsl() { return std::string(emulator::SimulatedRamBslText()); }
    // Writes ramText into RAM through the unlocked flash loader and jumps to address.
    void LoadAndJump(const std::string& ramText, uint32_t address = 0x2504) {
        ASSERT_EQ(Connect(), 0);
        ASSERT_EQ(BSL_RX_Password(Password()), 0);
        ASSERT_EQ(BSL_RX_TXT(ramText.c_str(), 1), 0);
        BSL_LoadPC(address);
        BSL_close_BSL();
    }
    void StartRamBsl() {
        LoadAndJump(RamBsl());
        Pass(loader->options.reenumerateMs);
        ASSERT_EQ(Connect(), 0);
        ASSERT_EQ(loader->mode(), Mode::RamBsl);
    }
    // The RAM loader running and a raw link to it: the BSL_* layer would not send some reports.
    void OpenRawLinkToRamBsl(bsl430::UsbBslLink& link) {
        EnterBootLoader();
        StartRamBsl();
        BSL_close_BSL();
        ASSERT_TRUE(link.Open(0x2047, 0x0200, 0));
    }
    DataBlock_ Password() {
        return BSL_readTI_Text(std::string(emulator::SimulatedPasswordText()).c_str(), 32);
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
    // The verify pass: the device's CRC of every section.
    void Verify(const std::vector<testsupport::Section>& image) {
        for (const auto& section : image) {
            ASSERT_EQ(BSL_CRC_Check(section.address, static_cast<uint32_t>(section.bytes.size())),
                      0);
        }
    }
    // The forced reset as the upgrade sends it to this loader version: written twice.
    void ForcedReset() {
        ASSERT_EQ(BSL_RX_TXT(kBor, 1), 0);
        ASSERT_EQ(BSL_RX_TXT(kBor, 1), 0);
        BSL_close_BSL();
    }
};

TEST_F(SimulatedLoader, EnteredFromTheKeypadWithItsFirmwareInFlash) {
    keypad->model.firmwareVersion = "VX0777";
    EnterBootLoader();
    EXPECT_EQ(loader->mode(), Mode::FlashBsl);
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
    Verify(testsupport::KeypadImage("VX0950"));
    ForcedReset();
    Pass(loader->options.restartMs + emulator::SimulatedDevice::kAccessAfterPlugMs + 10);
    ASSERT_TRUE(bus().IsPlugged(keypad.get()));
    EXPECT_FALSE(bus().IsPlugged(loader.get()));
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0950");
    EXPECT_EQ(keypad->model.serialNumber, "");
    EXPECT_EQ(keypad->settings.ledBrightness,
              emulator::SimulatedKeypad::FactorySettings().ledBrightness);
    EXPECT_EQ(keypad->settings.tableKind, 0);
    EXPECT_EQ(loader->mode(), Mode::Application);
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
    ForcedReset();
    Pass(loader->options.restartMs + 10);
    EXPECT_FALSE(bus().IsPlugged(keypad.get()));
    ASSERT_TRUE(bus().IsPlugged(loader.get()));
    EXPECT_EQ(loader->mode(), Mode::FlashBsl);
    EXPECT_TRUE(loader->locked());
}

struct JumpCase {
    const char* name;
    // What the flash loader writes into RAM before Load PC.
    std::function<std::string()> ram;
    uint32_t address;
    bool runs;
};

void PrintTo(const JumpCase& c, std::ostream* os) {
    *os << c.name;
}

std::string RamBslWithByteChanged(std::size_t section, std::size_t index) {
    auto sections = emulator::SimulatedRamBslSections();
    sections[section].bytes[index] ^= 0x01;
    std::vector<testsupport::Section> image;
    for (const auto& s : sections) {
        image.push_back({s.address, s.bytes});
    }
    return testsupport::TiTxt(image);
}

class SimulatedLoaderJump : public SimulatedLoader,
                            public ::testing::WithParamInterface<JumpCase> {};

TEST_P(SimulatedLoaderJump, RunsOnlyItsOwnRamLoaderAndCrashesOnAnythingElse) {
    EnterBootLoader();
    LoadAndJump(GetParam().ram(), GetParam().address);
    Pass(60'000);
    if (GetParam().runs) {
        EXPECT_EQ(loader->mode(), Mode::RamBsl);
        EXPECT_TRUE(bus().IsPlugged(loader.get()));
        return;
    }
    EXPECT_EQ(loader->mode(), Mode::Crashed);
    EXPECT_FALSE(bus().IsPlugged(loader.get())) << "a crashed MCU never comes back by itself";
    EXPECT_FALSE(bus().IsPlugged(keypad.get()));
    // A power cycle brings back what the flash holds: here the untouched application, as it
    // was.
    loader->PowerCycle();
    Pass(loader->options.restartMs + 10);
    ASSERT_TRUE(bus().IsPlugged(keypad.get()));
    EXPECT_EQ(keypad->model.serialNumber, "12345678") << "the same application, not a new one";
}

INSTANTIATE_TEST_SUITE_P(
    RamContents, SimulatedLoaderJump,
    ::testing::Values(
        JumpCase{"OwnRamLoader", [] { return std::string(emulator::SimulatedRamBslText()); },
                 0x2504, true},
        JumpCase{"OneByteAt0x2500", [] { return std::string("@2500\r\n00\r\nq\r\n"); }, 0x2504,
                 false},
        JumpCase{"VersionOnly", [] { return std::string("@2500\r\n00 06 05 34 31 A9\r\nq\r\n"); },
                 0x2504, false},
        JumpCase{"OneCodeByteChanged", [] { return RamBslWithByteChanged(1, 100); }, 0x2504, false},
        JumpCase{"OwnRamLoaderStartedAtItsVersion",
                 [] { return std::string(emulator::SimulatedRamBslText()); }, 0x2500, false},
        JumpCase{"JumpIntoTheApplication",
                 [] { return std::string(emulator::SimulatedRamBslText()); }, 0x8000, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimulatedLoader, CrashAfterAMassEraseComesBackAsTheFlashLoaderOnAPowerCycle) {
    EnterBootLoader();
    ASSERT_EQ(Connect(), 0);
    DataBlock_ wrong = Password();
    wrong.data[0] ^= 0xFF;
    EXPECT_EQ(BSL_RX_Password(wrong), bsl430::kMessagePasswordError);
    ASSERT_EQ(BSL_RX_Password(BSL_getDefaultPass()), 0);
    ASSERT_EQ(BSL_RX_TXT("@2500\r\n00 06 05 34 31 A9\r\nq\r\n", 1), 0);
    BSL_LoadPC(0x2504);
    BSL_close_BSL();
    Pass(60'000);
    EXPECT_TRUE(bus().Devices().empty()) << "no answers, no re-enumeration";
    loader->PowerCycle(500);
    Pass(400);
    EXPECT_TRUE(bus().Devices().empty()) << "still off";
    Pass(200 + loader->options.restartMs);
    ASSERT_TRUE(bus().IsPlugged(loader.get()));
    EXPECT_EQ(loader->mode(), Mode::FlashBsl);
}

TEST_F(SimulatedLoader, PluggingTheKeypadInPowersUpWhatTheFlashHolds) {
    EnterBootLoader();
    StartRamBsl();
    ASSERT_EQ(BSL_eraseSegment(0xFFFF), 0);
    BSL_close_BSL();
    bus().Unplug(loader.get());
    keypad->PlugIn();
    EXPECT_FALSE(bus().IsPlugged(keypad.get())) << "the application is gone";
    ASSERT_TRUE(bus().IsPlugged(loader.get()));
    EXPECT_EQ(loader->mode(), Mode::FlashBsl);
}

TEST_F(SimulatedLoader, UnplugFaultWithReturnStartsAsAfterPowerOn) {
    EnterBootLoader();
    StartRamBsl();
    loader->InjectFault({BootLoaderFaultKind::Unplug, 0x12, 1, 1, 500});
    EXPECT_EQ(BSL_eraseSegment(0xFFFF), 0);
    EXPECT_EQ(BSL_eraseSegment(0x8000), bsl430::kBslNotConnected) << "unplugged on the second";
    Pass(510);
    EXPECT_TRUE(bus().IsPlugged(loader.get())) << "no reset vector: the flash loader";
    EXPECT_EQ(loader->mode(), Mode::FlashBsl);
}

TEST_F(SimulatedLoader, FaultsHitTheirOwnRequests) {
    EnterBootLoader();
    loader->InjectFault({BootLoaderFaultKind::RefusePassword});
    ASSERT_EQ(Connect(), 0);
    EXPECT_EQ(BSL_RX_Password(Password()), 5);
    EXPECT_EQ(loader->massErases(), 1);
    EXPECT_EQ(BSL_RX_Password(BSL_getDefaultPass()), 0);
    BSL_close_BSL();

    loader->InjectFault(
        {BootLoaderFaultKind::WrongVersion, emulator::kAnyCommand, 0, 1, 0x00060533});
    loader->InjectFault({BootLoaderFaultKind::CrcMismatch, emulator::kAnyCommand, 1});
    ASSERT_EQ(Connect(), 0);
    BSL_RX_TXT(RamBsl().c_str(), 1);
    BSL_LoadPC(0x2504);
    BSL_close_BSL();
    Pass(loader->options.reenumerateMs);
    ASSERT_EQ(Connect(), 0);
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

TEST_F(SimulatedLoader, LockedFlashLoaderDropsDataAndRefusesLoadPc) {
    EnterBootLoader();
    ASSERT_EQ(Connect(), 0);
    BSL_RX_TXT(RamBsl().c_str(), 1);
    EXPECT_EQ(BSL_LoadPC(0x2504), bsl430::kMessageLocked);
    Pass(2000);
    EXPECT_TRUE(bus().IsPlugged(loader.get()));
    EXPECT_EQ(loader->mode(), Mode::FlashBsl);
    EXPECT_EQ(loader->memory().Read(0x2500), 0x00);
}

TEST_F(SimulatedLoader, WrongPasswordMassErasesButLeavesTheLockAsItWas) {
    EnterBootLoader();
    ASSERT_EQ(Connect(), 0);
    DataBlock_ wrong = Password();
    wrong.data[5] ^= 0x10;
    EXPECT_EQ(BSL_RX_Password(wrong), bsl430::kMessagePasswordError);
    EXPECT_TRUE(loader->locked()) << "locked before, locked after";
    ASSERT_EQ(BSL_RX_Password(BSL_getDefaultPass()), 0);
    EXPECT_FALSE(loader->locked());
    EXPECT_EQ(BSL_RX_Password(wrong), bsl430::kMessagePasswordError);
    EXPECT_EQ(loader->massErases(), 2);
    EXPECT_FALSE(loader->locked()) << "unlocked before, unlocked after";
}

struct LockedCase {
    const char* name;
    uint8_t command;
    std::vector<uint8_t> payload;
    // The 0x3B message expected; -1: no answer at all.
    int answer;
};

void PrintTo(const LockedCase& c, std::ostream* os) {
    *os << c.name;
}

class SimulatedLoaderLocked : public SimulatedLoader,
                              public ::testing::WithParamInterface<LockedCase> {};

// A RAM loader starts unlocked; one kept locked (the state file can hold any state) checks the
// lock on every memory access.
TEST_P(SimulatedLoaderLocked, RamLoaderChecksTheLockOnEveryMemoryAccess) {
    EnterBootLoader();
    StartRamBsl();
    BSL_close_BSL();
    SimulatedBootLoader::SavedState state = loader->Saved();
    state.locked = true;
    loader->Restore(state);
    const auto before = loader->memory().Read(0x2400, 0x100);
    // A raw link: the BSL_* layer would not send some of these.
    bsl430::UsbBslLink link;
    ASSERT_TRUE(link.Open(0x2047, 0x0200, 0));
    bsl430::UsbBslLink::Reply reply;
    const int result = link.Exchange(GetParam().command, GetParam().payload, reply);
    if (GetParam().answer < 0) {
        EXPECT_EQ(result, bsl430::kBslTimeout);
    } else {
        ASSERT_EQ(result, bsl430::kBslOk);
        EXPECT_EQ(reply.code, 0x3B);
        EXPECT_EQ(reply.data[0], GetParam().answer);
    }
    EXPECT_EQ(loader->memory().Read(0x2400, 0x100), before) << "nothing written";
    EXPECT_EQ(loader->mode(), Mode::RamBsl);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SimulatedLoaderLocked,
    ::testing::Values(LockedCase{"TxBslVersion", 0x19, {}, 0x04},
                      LockedCase{"TxDataBlock", 0x18, {0x00, 0x80, 0x00, 0x10, 0x00}, 0x04},
                      LockedCase{"CrcCheck", 0x16, {0x00, 0x80, 0x00, 0x10, 0x00}, 0x04},
                      LockedCase{"EraseSegment", 0x12, {0x00, 0x80, 0x00}, 0x04},
                      LockedCase{"RxDataBlock", 0x10, {0x00, 0x24, 0x00, 0x55}, 0x04},
                      LockedCase{"RxDataBlockFast", 0x1B, {0x00, 0x24, 0x00, 0x55}, -1},
                      LockedCase{"LoadPc", 0x17, {0x04, 0x25, 0x00}, 0x04},
                      LockedCase{"MassEraseNeedsNoPassword", 0x15, {}, 0x00},
                      LockedCase{"UnknownCommand", 0x42, {}, 0x07}),
    [](const auto& info) { return std::string(info.param.name); });

struct FlushCase {
    const char* name;
    // After the one PMMCTL0 write: what else the host sends.
    std::function<void()> then;
    bool resets;
};

void PrintTo(const FlushCase& c, std::ostream* os) {
    *os << c.name;
}

class SimulatedLoaderBuffer : public SimulatedLoader,
                              public ::testing::WithParamInterface<FlushCase> {};

TEST_P(SimulatedLoaderBuffer, PmmResetTakesEffectOnlyWhenTheBufferIsFlushed) {
    EnterBootLoader();
    StartRamBsl();
    ASSERT_EQ(BSL_RX_TXT(kBor, 1), 0);
    GetParam().then();
    BSL_close_BSL();
    Pass(loader->options.restartMs + 10);
    EXPECT_EQ(bus().IsPlugged(keypad.get()), GetParam().resets);
    EXPECT_EQ(loader->mode(), GetParam().resets ? Mode::Application : Mode::RamBsl);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, SimulatedLoaderBuffer,
    ::testing::Values(
        FlushCase{"AloneStaysInTheBuffer", [] {}, false},
        FlushCase{"WrittenTwice", [] { BSL_RX_TXT(kBor, 1); }, true},
        FlushCase{"ThenAWriteElsewhere", [] { BSL_RX_TXT("@2400\r\n01\r\nq\r\n", 1); }, true},
        FlushCase{"ThenTheContiguousByte", [] { BSL_RX_TXT("@0122\r\n00\r\nq\r\n", 1); }, false},
        FlushCase{"ThenACrc", [] { BSL_CRC_Check(0x8000, 2); }, true},
        FlushCase{"ThenAnErase", [] { BSL_eraseSegment(0x9000); }, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct RegisterCase {
    const char* name;
    const char* text;
    bool resets;
};

void PrintTo(const RegisterCase& c, std::ostream* os) {
    *os << c.name;
}

class SimulatedLoaderRegisters : public SimulatedLoader,
                                 public ::testing::WithParamInterface<RegisterCase> {};

TEST_P(SimulatedLoaderRegisters, PasswordProtectedWritesResetOnAViolation) {
    EnterBootLoader();
    StartRamBsl();
    ASSERT_EQ(BSL_RX_TXT(GetParam().text, 1), 0);
    // The CRC request flushes the write; a reset takes the loader off the bus unanswered.
    ASSERT_EQ(BSL_CRC_Check(0x8000, 2), GetParam().resets ? bsl430::kBslNotConnected : 0);
    BSL_close_BSL();
    Pass(loader->options.restartMs + 10);
    EXPECT_EQ(bus().IsPlugged(keypad.get()), GetParam().resets);
}

INSTANTIATE_TEST_SUITE_P(
    Registers, SimulatedLoaderRegisters,
    ::testing::Values(RegisterCase{"WatchdogWithoutPassword", "@015C\r\n00 00\r\nq", true},
                      RegisterCase{"WatchdogHeldWithItsPassword", "@015C\r\n80 5A\r\nq", false},
                      RegisterCase{"WatchdogLowByteAlone", "@015C\r\n80\r\nq", true},
                      RegisterCase{"PmmWithPasswordNoResetBit", "@0120\r\n00 A5\r\nq", false},
                      RegisterCase{"PmmSoftwarePor", "@0120\r\n08 A5\r\nq", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimulatedLoader, WritesReachMemoryAt128ByteBoundariesAndBeforeACrc) {
    EnterBootLoader();
    StartRamBsl();
    ASSERT_EQ(BSL_eraseSegment(0x9000), 0);
    ASSERT_EQ(BSL_eraseSegment(0x9100), 0);
    const std::vector<uint8_t> bytes(300, 0x3C); // 0x9010..0x913B
    ASSERT_EQ(BSL_RX_TXT(testsupport::TiTxt({{0x9010, bytes}}).c_str(), 0), 0);
    const emulator::McuMemory memory = loader->memory();
    EXPECT_EQ(memory.Read(0x9010, 0xF0), std::vector<uint8_t>(0xF0, 0x3C)) << "up to 0x9100";
    EXPECT_EQ(memory.Read(0x9100, 0x3C), std::vector<uint8_t>(0x3C, 0xFF)) << "still buffered";
    ASSERT_EQ(BSL_CRC_Check(0x9010, 300), 0);
    EXPECT_EQ(loader->memory().Read(0x9010, 300), bytes);
}

TEST_F(SimulatedLoader, EmptyTxDataBlockAndZeroLengthReportsAnswerAsTheLoaderDoes) {
    bsl430::UsbBslLink link;
    ASSERT_NO_FATAL_FAILURE(OpenRawLinkToRamBsl(link));
    bsl430::UsbBslLink::Reply reply;
    const std::vector<uint8_t> none = {0x00, 0x80, 0x00, 0x00, 0x00};
    EXPECT_EQ(link.Exchange(0x18, none, reply), bsl430::kBslTimeout) << "no report at all";
    link.Close();

    // N = 0: the loader takes the next byte as the command and knows nothing to do with it.
    hid_device_info* devices = hid_enumerate(0x2047, 0x0200);
    ASSERT_NE(devices, nullptr);
    hid_device* raw = hid_open_path(devices->path);
    hid_free_enumeration(devices);
    ASSERT_NE(raw, nullptr);
    uint8_t report[64] = {0x3F, 0x00, 0x19};
    ASSERT_EQ(hid_write(raw, report, sizeof report), 64);
    uint8_t answer[64] = {};
    ASSERT_EQ(hid_read_timeout(raw, answer, sizeof answer, 100), 64);
    EXPECT_EQ(answer[2], 0x3B);
    EXPECT_EQ(answer[3], 0x07);
    hid_close(raw);
}

// Information memory segment A is locked from every reset until Toggle INFO_A lock: what is
// written or erased there does not take, while segment B takes it either way.
TEST_F(SimulatedLoader, InfoSegmentATakesNothingUntilItsLockIsToggled) {
    bsl430::UsbBslLink link;
    ASSERT_NO_FATAL_FAILURE(OpenRawLinkToRamBsl(link));
    bsl430::UsbBslLink::Reply reply;
    const auto send = [&](uint8_t command, const std::vector<uint8_t>& payload) {
        EXPECT_EQ(link.Exchange(command, payload, reply), bsl430::kBslOk);
        return reply.length > 0 ? int{reply.data[0]} : -1;
    };
    // Two bytes at address, then a CRC request, which sends the buffered write on.
    const auto write = [&](uint32_t address) {
        const uint8_t low = address & 0xFF;
        const uint8_t high = (address >> 8) & 0xFF;
        send(0x10, {low, high, 0x00, 0x12, 0x34});
        send(0x16, {low, high, 0x00, 0x02, 0x00});
        return loader->memory().Read(address, 2);
    };
    const std::vector<uint8_t> erased = {0xFF, 0xFF};
    const std::vector<uint8_t> written = {0x12, 0x34};
    EXPECT_EQ(write(0x1980), erased) << "segment A, locked";
    EXPECT_EQ(write(0x1900), written) << "segment B";
    EXPECT_EQ(send(0x13, {}), 0x00);
    EXPECT_EQ(write(0x1980), written) << "segment A, unlocked";
    EXPECT_EQ(send(0x13, {}), 0x00);
    EXPECT_EQ(send(0x12, {0x80, 0x19, 0x00}), 0x00);
    EXPECT_EQ(loader->memory().Read(0x1980, 2), written) << "locked again: no erase";
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
