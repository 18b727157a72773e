// The BLE window's unpacking of whatever the keypad reported: every pick is a row of its list
// or unselected, the name is kept as read, and Apply's plan fits one request.

#include "device/frame.h"
#include "firmware/ble/BleParameters.h"

#include <string>

namespace {

void CheckPick(const ble::BlePick& pick, const std::vector<std::string>& items) {
    if (pick.index != ble::kNoSelection &&
        (pick.index < 0 || static_cast<size_t>(pick.index) >= items.size())) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    // Byte 0: the enable value; byte 1 and 2: where the text splits into the three values.
    ble::BleHandOver values;
    values.bleEnable = static_cast<int8_t>(data[0]);
    const std::string rest(reinterpret_cast<const char*>(data + 3), size - 3);
    const size_t first = std::min<size_t>(data[1], rest.size());
    const size_t second = std::min<size_t>(first + data[2], rest.size());
    values.bleName = rest.substr(0, first);
    values.bleManufacturerData = rest.substr(first, second - first);
    values.blePowerLevel = rest.substr(second);

    (void)ble::UnpackManufacturerData(values.bleManufacturerData);
    (void)ble::ParsePowerLevel(values.blePowerLevel);
    const ble::BleSelection selection = ble::LoadSelection(values);
    CheckPick(selection.productType, ble::ProductTypeItems());
    CheckPick(selection.rssiRange, ble::RssiItems());
    CheckPick(selection.powerLevel, ble::PowerLevelItems());
    CheckPick(selection.timeout, ble::TimeoutItems());
    CheckPick(selection.margin, ble::MarginItems());
    CheckPick(selection.trackpad, ble::NoYesItems());
    CheckPick(selection.enable, ble::NoYesItems());
    // The name as read is kept byte for byte; only what the plan would send must fit a report.
    if (!selection.nameAsRead || selection.name != values.bleName) {
        __builtin_trap();
    }
    const ble::BleApplyPlan plan = ble::PlanApply(selection);
    if (plan.error.empty() && plan.name.length > kMaxRequestData) {
        __builtin_trap();
    }
    return 0;
}
