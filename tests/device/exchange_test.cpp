// The exchange against the simulated keypad: result codes, busy reports, the time-out count,
// stale replies and the lock that keeps exchanges and rescans apart.

#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "emulator/ScriptedDevice.h"
#include "tests/support/BoundedThread.h"
#include "tests/support/EmulatorFixture.h"

#include <hidapi/hidapi.h>

#include <atomic>
#include <condition_variable>
#include <thread>

namespace {

using emulator::Fault;
using emulator::FaultKind;
using Bytes = std::vector<uint8_t>;

class Exchange : public testsupport::EmulatorTest {
protected:
    // One exchange, on a bounded thread: a broken time-out fails the test instead of hanging it.
    int32_t Send(uint8_t command, const Bytes& data = {}, int32_t timeoutMs = kCommandTimeoutMs) {
        replyLength = 777;
        int32_t result = 0;
        testsupport::RunBounded(
            "an exchange with a " + std::to_string(timeoutMs) + " ms time-out", [&] {
                result = USBEncoderSendAndReceive_a(hid_handle, command, data.data(),
                                                    static_cast<int32_t>(data.size()), reply, 64,
                                                    &replyLength, timeoutMs);
            });
        return result;
    }
    uint8_t reply[64] = {};
    uint32_t replyLength = 0;
};

TEST_F(Exchange, SucceedsAndCarriesTheStatusBlock) {
    auto keypad = ConnectKeypad();
    keypad->settings.ledBrightness = 7;
    ASSERT_EQ(Send(CmdGetStatus), kExchangeOk);
    const Bytes expected = keypad->StatusBlock();
    ASSERT_EQ(replyLength, expected.size());
    EXPECT_EQ(Bytes(reply, reply + replyLength), expected);
    EXPECT_EQ(reply[0], 7);
}

TEST_F(Exchange, NullHandleFailsWithoutTouchingTheBus) {
    PlugKeypad();
    const auto before = bus().usage();
    EXPECT_EQ(USBEncoderSendAndReceive_a(nullptr, CmdGetStatus, nullptr, 0, reply, 64, &replyLength,
                                         kCommandTimeoutMs),
              kExchangeIoError);
    EXPECT_EQ(bus().usage().writes, before.writes);
    EXPECT_EQ(bus().usage().reads, before.reads);
}

TEST_F(Exchange, MoreThanFiftyFiveDataBytesAreRefusedWithoutTouchingTheBus) {
    auto keypad = ConnectKeypad();
    const auto before = bus().usage();
    EXPECT_EQ(Send(CmdWriteMulticodeTable, Bytes(56, 0)), kExchangeIoError);
    EXPECT_EQ(bus().usage().writes, before.writes);
    EXPECT_EQ(Send(CmdWriteMulticodeTable, Bytes(50, 0)), kExchangeOk);
}

struct FaultCase {
    const char* name;
    Fault fault;
    int32_t expected;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class ExchangeFault : public Exchange, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(ExchangeFault, GivesItsResultAndLeavesTheReplyLengthAlone) {
    auto keypad = ConnectKeypad();
    keypad->InjectFault(GetParam().fault);
    EXPECT_EQ(Send(CmdGetStatus), GetParam().expected);
    EXPECT_EQ(replyLength, 777u);
}

INSTANTIATE_TEST_SUITE_P(
    Results, ExchangeFault,
    ::testing::Values(
        FaultCase{"Refused", {FaultKind::Refuse}, kExchangeRefused},
        FaultCase{"Silent", {FaultKind::Silent}, kExchangeTimeout},
        FaultCase{"Abort0x0F", {FaultKind::Abort}, kExchangeRefused},
        FaultCase{"OversizeByteCount", {FaultKind::OversizeByteCount}, kExchangeBadByteCount},
        FaultCase{"BadChecksum", {FaultKind::BadChecksum}, kExchangeRefused},
        FaultCase{"MissingEtx", {FaultKind::BadEtx}, kExchangeRefused},
        FaultCase{"LengthZero", {FaultKind::BadLength, -1, 0, 1, 0}, kExchangeRefused},
        FaultCase{"LengthTooLong", {FaultKind::BadLength, -1, 0, 1, 56}, kExchangeRefused},
        FaultCase{"ReplyAfterTimeout", {FaultKind::LateReply, -1, 0, 1, 6000}, kExchangeTimeout},
        FaultCase{"UnpluggedMidExchange", {FaultKind::Unplug}, kExchangeGoneAfterRequest}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Exchange, ByteCountOfExactly0x40IsAccepted) {
    auto keypad = ConnectKeypad();
    keypad->InjectFault({FaultKind::OversizeByteCount, emulator::kAnyCommand, 0, 1, 0x40});
    EXPECT_EQ(Send(CmdGetStatus), kExchangeOk);
}

TEST_F(Exchange, TimeOutIsFiveHundredEmptyPolls) {
    auto keypad = ConnectKeypad();
    keypad->InjectFault({FaultKind::Silent});
    const auto readsBefore = bus().usage().reads;
    const uint64_t start = clock().NowUs();
    EXPECT_EQ(Send(CmdGetStatus), kExchangeTimeout);
    // One look for answers that came meanwhile, then the polls for this one.
    EXPECT_EQ(bus().usage().reads - readsBefore, 1 + 500);
    EXPECT_EQ(clock().NowUs() - start, 5'000'000u);
}

TEST_F(Exchange, EachBusyReportRestartsTheFullTimeOut) {
    auto keypad = ConnectKeypad();
    // Three busy reports 4 s apart: 12 s in all, yet never 5 s without a report.
    keypad->InjectFault({FaultKind::Busy, emulator::kAnyCommand, 0, 1, 3, 4000});
    const uint64_t start = clock().NowUs();
    EXPECT_EQ(Send(CmdGetStatus), kExchangeOk);
    EXPECT_GE(clock().NowUs() - start, 12'000'000u);
}

TEST_F(Exchange, BusyGapLongerThanTheTimeOutFails) {
    auto keypad = ConnectKeypad();
    keypad->InjectFault({FaultKind::Busy, emulator::kAnyCommand, 0, 1, 1, 6000});
    EXPECT_EQ(Send(CmdGetStatus), kExchangeTimeout);
}

TEST_F(Exchange, TimeOutZeroWaitsWithoutLimit) {
    auto keypad = ConnectKeypad();
    keypad->InjectFault({FaultKind::LateReply, emulator::kAnyCommand, 0, 1, 60'000});
    EXPECT_EQ(Send(CmdGetProductType, {}, 0), kExchangeOk);
    EXPECT_EQ(replyLength, 1u);
}

TEST_F(Exchange, ALateReplyIsTakenByTheNextExchange) {
    auto keypad = ConnectKeypad();
    keypad->model.productType = 9;
    keypad->InjectFault({FaultKind::LateReply, CmdGetProductType, 0, 1, 5200});
    EXPECT_EQ(Send(CmdGetProductType), kExchangeTimeout);
    // The status request is answered with the product type that was still on its way.
    ASSERT_EQ(Send(CmdGetStatus), kExchangeOk);
    EXPECT_EQ(replyLength, 1u);
    EXPECT_EQ(reply[0], 9);
}

// A reply the keypad sent while no handle was open waited in its endpoint (the host polls an
// interface only while it is open): a rescan, or the next run after one was killed, must not
// take it for the answer to its own first request, and every later one for the one before.
TEST_F(Exchange, AReplyLeftFromBeforeARescanIsNotTakenForTheNextOnes) {
    auto keypad = ConnectKeypad();
    keypad->model.productType = 9;
    keypad->InjectFault({FaultKind::LateReply, CmdGetProductType, 0, 1, 6000});
    EXPECT_EQ(Send(CmdGetProductType), kExchangeTimeout);
    CloseOpenKeypad();
    SleepMs(2000);
    ASSERT_TRUE(device::RescanForKeypad().found);
    for (int exchange = 0; exchange < 2; ++exchange) {
        ASSERT_EQ(Send(CmdGetStatus), kExchangeOk);
        EXPECT_EQ(Bytes(reply, reply + replyLength), keypad->StatusBlock()) << exchange;
    }
}

// Every handle open on the keypad gets a copy of each report it sends: an answer that came
// after its request had timed out, or the answers to another program's requests, wait in the
// handle's queue and must not be taken for the next request's.
TEST_F(Exchange, AnswersThatCameMeanwhileAreNotTakenForTheNextOnes) {
    auto keypad = ConnectKeypad();
    keypad->InjectFault({FaultKind::LateReply, CmdGetProductType, 0, 1, 6000});
    EXPECT_EQ(Send(CmdGetProductType), kExchangeTimeout);
    SleepMs(2000);
    ASSERT_EQ(Send(CmdGetStatus), kExchangeOk);
    EXPECT_EQ(Bytes(reply, reply + replyLength), keypad->StatusBlock()) << "after a late answer";

    const std::vector<std::string> paths = device::KeypadPaths();
    ASSERT_EQ(paths.size(), 1u);
    hid_device* otherProgram = hid_open_path(paths.front().c_str());
    ASSERT_NE(otherProgram, nullptr);
    for (const uint8_t level : {2, 5}) {
        const uint8_t data[] = {level};
        uint8_t report[kReportSize];
        ASSERT_TRUE(device::BuildRequestReport(CmdSetLedBrightness, data, 1, report));
        ASSERT_EQ(hid_write(otherProgram, report, sizeof report), kReportSize);
        EXPECT_GT(hid_read_timeout(otherProgram, report, sizeof report, 1000), 0);
    }
    for (int exchange = 0; exchange < 2; ++exchange) {
        ASSERT_EQ(Send(CmdGetStatus), kExchangeOk);
        EXPECT_EQ(Bytes(reply, reply + replyLength), keypad->StatusBlock())
            << "after another program's exchanges, " << exchange;
    }
    hid_close(otherProgram);
}

TEST_F(Exchange, EchoedCommandIsNotCompared) {
    auto scripted = std::make_shared<emulator::ScriptedDevice>(
        EncoderVid, EncoderPid, std::vector<emulator::InterfaceInfo>{{1, 0xFF00, 1}});
    bus().PlugBeforeStart(scripted);
    ASSERT_TRUE(device::RescanForKeypad().found);
    emulator::Report sample(64, 0);
    const Bytes head = {0x3F, 0x0A, 0x02, 0x31, 0x37, 0x30, 0x32, 0x00, 0x01, 0x03, 0x04};
    std::copy(head.begin(), head.end(), sample.begin());
    scripted->QueueAnswer({sample});
    ASSERT_EQ(Send(CmdGetStatus), kExchangeOk);
    EXPECT_EQ(replyLength, 1u);
    EXPECT_EQ(reply[0], 0x01);
}

TEST_F(Exchange, HandleClosedByARescanFailsInsteadOfUsingFreedMemory) {
    ConnectKeypad();
    hid_device* old = hid_handle;
    ASSERT_TRUE(device::RescanForKeypad().found);
    EXPECT_NE(hid_handle.load(), nullptr);
    EXPECT_EQ(USBEncoderSendAndReceive_a(old == hid_handle.load() ? nullptr : old, CmdGetStatus,
                                         nullptr, 0, reply, 64, &replyLength, kCommandTimeoutMs),
              kExchangeIoError);
}

// Holds the keypad's answer to the first request until released, to keep an exchange in
// flight while another thread tries its luck. Both waits are bounded, so a broken lock fails
// the test instead of hanging it.
struct Gate {
    std::mutex mutex;
    std::condition_variable cv;
    bool entered = false;
    bool released = false;
    void Enter() {
        std::unique_lock lock(mutex);
        entered = true;
        cv.notify_all();
        cv.wait_for(lock, testsupport::kStuckAfter, [this] { return released; });
    }
    bool WaitEntered() {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, testsupport::kStuckAfter, [this] { return entered; });
    }
    void Release() {
        std::lock_guard lock(mutex);
        released = true;
        cv.notify_all();
    }
};

TEST_F(Exchange, ASecondExchangeWaitsForTheFirst) {
    auto keypad = ConnectKeypad();
    Gate gate;
    std::atomic<int> calls{0};
    keypad->onCommand = [&](const emulator::ReceivedCommand&) {
        if (calls++ == 0) {
            gate.Enter();
        }
    };
    testsupport::BoundedThread first("the first of two exchanges", [&] {
        uint8_t buffer[64];
        uint32_t length = 0;
        EXPECT_EQ(USBEncoderSendAndReceive_a(hid_handle, CmdGetStatus, nullptr, 0, buffer, 64,
                                             &length, kCommandTimeoutMs),
                  kExchangeOk);
    });
    EXPECT_TRUE(gate.WaitEntered()) << "the first request never reached the keypad";
    testsupport::BoundedThread second("the second exchange, waiting for the first", [&] {
        uint8_t buffer[64];
        uint32_t length = 0;
        EXPECT_EQ(USBEncoderSendAndReceive_a(hid_handle, CmdGetProductType, nullptr, 0, buffer, 64,
                                             &length, kCommandTimeoutMs),
                  kExchangeOk);
        EXPECT_EQ(length, 1u);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(second.Done()) << "the second exchange did not wait for the first";
    EXPECT_EQ(calls.load(), 1) << "the second request must not reach the keypad yet";
    gate.Release();
    first.Join();
    second.Join();
    EXPECT_EQ(keypad->ReceivedCodes(), (Bytes{CmdGetStatus, CmdGetProductType}));
}

TEST_F(Exchange, ARescanWaitsForARunningExchange) {
    auto keypad = ConnectKeypad();
    Gate gate;
    std::atomic<int> calls{0};
    keypad->onCommand = [&](const emulator::ReceivedCommand&) {
        if (calls++ == 0) {
            gate.Enter();
        }
    };
    const int exitsBefore = bus().usage().exitCount;
    testsupport::BoundedThread exchange("an exchange a rescan waits for", [&] {
        uint8_t buffer[64];
        uint32_t length = 0;
        EXPECT_EQ(USBEncoderSendAndReceive_a(hid_handle, CmdGetStatus, nullptr, 0, buffer, 64,
                                             &length, kCommandTimeoutMs),
                  kExchangeOk);
    });
    EXPECT_TRUE(gate.WaitEntered()) << "the request never reached the keypad";
    testsupport::BoundedThread rescan("a rescan waiting for a running exchange",
                                      [&] { EXPECT_TRUE(device::RescanForKeypad().found); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(rescan.Done()) << "the rescan did not wait for the exchange";
    EXPECT_EQ(bus().usage().exitCount, exitsBefore) << "hidapi shut down under an exchange";
    gate.Release();
    exchange.Join();
    rescan.Join();
    EXPECT_EQ(bus().usage().useAfterExit, 0);
}

} // namespace
