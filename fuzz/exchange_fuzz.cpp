// Whole exchanges against a device that answers with arbitrary reports: the exchange must
// end with one of its results, never hang, crash or overrun.

#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "emulator/ScriptedDevice.h"
#include "platform/clock.h"
#include <hidapi/hidapi.h>

#include <memory>

namespace {

struct Harness {
    platform::VirtualClock clock;
    std::shared_ptr<emulator::ScriptedDevice> device;
    Harness() {
        platform::InstallClock(&clock);
        device = std::make_shared<emulator::ScriptedDevice>(
            EncoderVid, EncoderPid, std::vector<emulator::InterfaceInfo>{{1, 0xFF00, 1}});
        emulator::VirtualBus::Instance().Plug(device);
        device::RescanForKeypad();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Harness harness;
    if (size < 2) {
        return 0;
    }
    // Byte 0: the request's data length; then up to four reports of 64 bytes.
    const int32_t requestLength = data[0] % 60;
    std::vector<emulator::Report> reports;
    for (size_t at = 1; at < size && reports.size() < 4; at += kReportSize) {
        emulator::Report report(kReportSize, 0);
        const size_t n = std::min<size_t>(kReportSize, size - at);
        std::copy(data + at, data + at + n, report.begin());
        reports.push_back(report);
    }
    harness.device->QueueAnswer(reports, 4000);
    uint8_t request[64] = {};
    uint8_t reply[kReportSize];
    uint32_t length = 0;
    const int32_t result =
        USBEncoderSendAndReceive_a(hid_handle, CmdGetStatus, request, requestLength, reply,
                                   kReportSize, &length, kCommandTimeoutMs);
    if (result != kExchangeOk && result != kExchangeIoError &&
        result != kExchangeGoneAfterRequest && result != kExchangeTimeout &&
        result != kExchangeBadByteCount && result != kExchangeRefused) {
        __builtin_trap();
    }
    if (result == kExchangeOk && length > kMaxReplyData) {
        __builtin_trap();
    }
    // Drain whatever the device still had queued so the next input starts clean, and drop
    // the answer of a request that was refused before it was sent.
    harness.device->ClearAnswers();
    harness.clock.AdvanceMs(20000);
    uint8_t drain[kReportSize];
    while (hid_read_timeout(hid_handle, drain, sizeof drain, 0) > 0) {
    }
    return 0;
}
