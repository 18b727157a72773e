// The boot loader's answers as any device could send them: each read ends with one of the
// link's results and a reply that fits its buffer, never a hang, crash or overrun. Nothing
// piles up from one input to the next: the device keeps only its last reports, and the
// harness drops unused answers and drains what the link left unread.

#include "emulator/ScriptedDevice.h"
#include "emulator/VirtualBus.h"
#include "firmware/bsl430/UsbBslLink.h"
#include "platform/clock.h"

#include <memory>

namespace {

struct Harness {
    platform::VirtualClock clock;
    std::shared_ptr<emulator::ScriptedDevice> device;
    bsl430::UsbBslLink link;
    Harness() {
        platform::InstallClock(&clock);
        device = std::make_shared<emulator::ScriptedDevice>(
            bsl430::kBootLoaderVid, bsl430::kBootLoaderPid,
            std::vector<emulator::InterfaceInfo>{{0, 0xFF00, 1}});
        emulator::VirtualBus::Instance().Plug(device);
        if (!link.Open(bsl430::kBootLoaderVid, bsl430::kBootLoaderPid, 0)) {
            __builtin_trap();
        }
    }
};

bool Known(int result) {
    return result >= 0 || result == bsl430::kBslNotConnected || result == bsl430::kBslTimeout ||
           result == bsl430::kBslBadReply || result == bsl430::kBslBadArgument;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Harness harness;
    if (size < 2) {
        return 0;
    }
    // Byte 0 picks the call; then up to three reports of 64 bytes.
    const uint8_t call = data[0] % 3;
    std::vector<emulator::Report> reports;
    for (size_t at = 1; at < size && reports.size() < 3; at += bsl430::kReportSize) {
        emulator::Report report(bsl430::kReportSize, 0);
        const size_t n = std::min<size_t>(bsl430::kReportSize, size - at);
        std::copy(data + at, data + at + n, report.begin());
        reports.push_back(report);
    }
    harness.device->QueueAnswer(reports, 1);
    const uint8_t payload[4] = {0x00, 0x80, 0x00, 0x02};
    bsl430::UsbBslLink::Reply reply;
    int result = 0;
    if (call == 0) {
        result = harness.link.Exchange(bsl430::kCmdCrcCheck, payload, reply);
    } else if (call == 1) {
        result = harness.link.ExchangeForMessage(bsl430::kCmdEraseSegment, payload);
    } else {
        result = harness.link.Exchange(bsl430::kCmdTxBslVersion, {}, reply);
        if (result == bsl430::kBslOk) {
            result = harness.link.Receive(reply, 5);
        }
    }
    if (!Known(result) || reply.length < 0 || reply.length > bsl430::kMaxPayload) {
        __builtin_trap();
    }
    harness.device->ClearAnswers();
    harness.link.DiscardPending();
    harness.clock.AdvanceMs(100);
    harness.link.DiscardPending();
    return 0;
}
