// The keypad's status, multi-code and BLE parameter blocks as any reply could hold them: the
// decoders must never read past the reply data, whatever texts lack their NUL.

#include "keypad/BleParams.h"
#include "keypad/KeypadStatus.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exactly sized heap copy lets AddressSanitizer see a read past the reply.
    const std::vector<uint8_t> reply(data, data + size);
    const std::span<const uint8_t> view(reply.data(), reply.size());
    if (const auto status = keypad::DecodeStatusBlock(view)) {
        if (status->firmwareVersion.size() + status->serialNumber.size() +
                status->temperature.size() >
            size) {
            __builtin_trap();
        }
    }
    (void)keypad::DecodeExtraCodeBlock(view);
    const keypad::BleParams ble = keypad::DecodeBleParams(view);
    if (ble.name.size() + ble.manufacturerData.size() + ble.powerLevel.size() > size) {
        __builtin_trap();
    }
    return 0;
}
