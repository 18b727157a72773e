// Until the main window exists: connect to the keypad and print what it reports.

#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"

#ifdef ECHOVANE_DEMO
#include "emulator/SimulatedKeypad.h"
#include "emulator/VirtualBus.h"
#endif

#include <cstdio>

int main() {
#ifdef ECHOVANE_DEMO
    emulator::VirtualBus::Instance().Plug(std::make_shared<emulator::SimulatedKeypad>());
#endif
    const device::RescanResult result = device::RescanForKeypad();
    if (!result.found) {
        std::fputs(device::NotConnectedMessage(result).c_str(), stderr);
        return 1;
    }
    uint8_t reply[kReportSize] = {};
    uint32_t length = 0;
    const int32_t status = USBEncoderSendAndReceive_a(hid_handle, CmdGetStatus, nullptr, 0, reply,
                                                      kReportSize, &length, kCommandTimeoutMs);
    std::printf("%s %s: status read %d, %u bytes:", result.manufacturer.c_str(),
                result.product.c_str(), status, length);
    for (uint32_t i = 0; i < length; ++i) {
        std::printf(" %02X", reply[i]);
    }
    std::printf("\n");
    hid_exit_safely(hid_handle);
    return status == 0 ? 0 : 1;
}
