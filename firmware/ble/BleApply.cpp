#include "BleApply.h"

#include "device/commands.h"
#include "device/frame.h"
#include "keypad/Exchange.h"

namespace ble {

BleApplyResult ApplyBleParameters(const BleSelection& selection) {
    BleApplyResult result;
    const BleApplyPlan plan = PlanApply(selection);
    if (!plan.error.empty()) {
        result.message = plan.error + "\n";
        return result;
    }
    const struct {
        uint8_t command;
        const device::Payload& payload;
        const char* failure;
    } steps[] = {
        {CmdSetBleName, plan.name, kNameFailedText},
        {CmdSetBlePowerLevel, plan.powerLevel, kPowerLevelFailedText},
        {CmdSetBleOnOff, plan.onOff, kOnOffFailedText},
    };
    for (const auto& step : steps) {
        const int32_t status = keypad::Send(
            step.command, {step.payload.bytes.data(), static_cast<size_t>(step.payload.length)});
        if (status != kExchangeOk) {
            result.failedCommand = step.command;
            result.message = std::string(step.failure) + "\n";
            return result;
        }
        ++result.accepted;
    }
    result.ok = true;
    return result;
}

} // namespace ble
