#include "BleParameters.h"

#include "device/frame.h"

#include <cctype>

namespace ble {
namespace {

std::vector<std::string> NumberItems(int first, int count, int step) {
    std::vector<std::string> items;
    for (int i = 0; i < count; ++i) {
        items.push_back(std::to_string(first + i * step));
    }
    return items;
}

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

BlePick Pick(int index) {
    return BlePick{index, {}};
}

BlePick Unlisted(const std::string& read, std::optional<int> reported = std::nullopt) {
    return BlePick{kNoSelection, read + kNotInListSuffix, reported};
}

BlePick Unreadable() {
    return BlePick{kNoSelection, kUnreadableText};
}

// The index as a drop-down row when it is one, else the read value shown in its place.
BlePick PickInRange(int index, int count, const std::string& read, int reported) {
    return index >= 0 && index < count ? Pick(index) : Unlisted(read, reported);
}

} // namespace

const std::vector<std::string>& NoYesItems() {
    static const std::vector<std::string> items = {"No", "Yes"};
    return items;
}

const std::vector<std::string>& ProductTypeItems() {
    static const std::vector<std::string> items = {
        "Echovane     - Portraite",
        "Echovane     - Landscape",
        "EchovaneQT - Portraite",
        "EchovaneQT - Landscape",
        "Vecta  \t    - Portraite",
        "Vecta\t    - Landscape",
        "Vectapad-8way",
        "Vectapad-6way",
        "VectabarLT ",
        "Vectabar ",
        "Echovane     - Portraite (Upside Down)",
        "Echovane     - Landscape (Upside Down)",
        "EchovaneQT - Portraite (Upside Down)",
        "EchovaneQT - Landscape (Upside Down)",
    };
    return items;
}

const std::vector<std::string>& RssiItems() {
    static const std::vector<std::string> items =
        NumberItems(kRssiMinDbm, kRssiMaxDbm - kRssiMinDbm + 1, 1);
    return items;
}

const std::vector<std::string>& PowerLevelItems() {
    static const std::vector<std::string> items = {
        "-19.5dbm", "-13.5dbm", "-10dbm", "-7dbm", "-5dbm",  " -3dbm",
        "-2dbm",    " -1dbm",   " 0dbm",  " 1dbm", "1.5dbm", "2.5dbm",
    };
    return items;
}

const std::vector<std::string>& MarginItems() {
    static const std::vector<std::string> items = NumberItems(kMarginMinDbm, kMarginCount, 1);
    return items;
}

const std::vector<std::string>& TimeoutItems() {
    static const std::vector<std::string> items =
        NumberItems(0, kTimeoutCount, kTimeoutStepSeconds);
    return items;
}

std::optional<std::array<uint8_t, kManufacturerByteCount>>
UnpackManufacturerData(const std::string& digits) {
    if (digits.size() != static_cast<size_t>(kManufacturerDataDigits)) {
        return std::nullopt;
    }
    for (char c : digits) {
        if (!IsHexDigit(c)) {
            return std::nullopt;
        }
    }
    std::array<uint8_t, kManufacturerByteCount> bytes{};
    Asc_To_Bcd_N_Digits(digits.c_str(), kManufacturerDataDigits, bytes.data());
    return bytes;
}

std::optional<int> ParsePowerLevel(const std::string& text) {
    // Two digits cover every level; more would only be a larger wrong number.
    if (text.empty() || text.size() > 2) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

bool IsNameCharacter(char32_t c) {
    return c >= 0x20 && c <= 0x7E;
}

std::string TypedNameProblem(const std::string& name) {
    if (name.empty()) {
        return kNameEmptyText;
    }
    if (name.size() > static_cast<size_t>(kNameMaxLength)) {
        return kNameTooLongText;
    }
    for (char c : name) {
        if (!IsNameCharacter(static_cast<unsigned char>(c))) {
            return kNameCharactersText;
        }
    }
    return {};
}

std::string ItemDisplayText(const std::string& item) {
    constexpr size_t kTabStop = 8;
    std::string shown;
    for (char c : item) {
        if (c == '\t') {
            shown.append(kTabStop - shown.size() % kTabStop, ' ');
        } else {
            shown.push_back(c);
        }
    }
    return shown;
}

BleSelection LoadSelection(const BleHandOver& values) {
    BleSelection selection;
    selection.name = values.bleName;
    selection.nameAsRead = true;

    if (auto bytes = UnpackManufacturerData(values.bleManufacturerData)) {
        const uint8_t timing = (*bytes)[kTimingByte];
        const int rssi = (*bytes)[kRssiByte];
        const uint8_t product = (*bytes)[kProductByte];
        selection.timeout = Pick(timing >> kTimeoutShift);
        selection.margin = Pick(timing & kNibbleMask);
        selection.rssiRange = PickInRange(rssi - kRssiMinDbm, kRssiMaxDbm - kRssiMinDbm + 1,
                                          std::to_string(rssi), rssi);
        const int productType = product & kProductTypeMask;
        selection.productType =
            PickInRange(productType, kProductTypeCount, std::to_string(productType), productType);
        selection.trackpad = Pick(product >> kTrackpadShift);
    } else {
        selection.timeout = Unreadable();
        selection.margin = Unreadable();
        selection.rssiRange = Unreadable();
        selection.productType = Unreadable();
        selection.trackpad = Unreadable();
    }

    if (auto level = ParsePowerLevel(values.blePowerLevel)) {
        selection.powerLevel =
            PickInRange(*level - 1, kPowerLevelCount, values.blePowerLevel, *level);
    } else {
        selection.powerLevel = Unlisted("\"" + values.blePowerLevel + "\"");
    }
    selection.enable = PickInRange(values.bleEnable, static_cast<int>(NoYesItems().size()),
                                   std::to_string(values.bleEnable), values.bleEnable);
    return selection;
}

BleApplyPlan PlanApply(const BleSelection& selection) {
    BleApplyPlan plan;
    const struct {
        const BlePick& pick;
        int count;
        const char* label;
    } picks[] = {
        {selection.enable, static_cast<int>(NoYesItems().size()), kEnableLabel},
        {selection.productType, kProductTypeCount, kProductTypeLabel},
        {selection.trackpad, static_cast<int>(NoYesItems().size()), kTrackpadLabel},
        {selection.rssiRange, kRssiMaxDbm - kRssiMinDbm + 1, kRssiLabel},
        {selection.powerLevel, kPowerLevelCount, kPowerLevelLabel},
        {selection.margin, kMarginCount, kMarginLabel},
        {selection.timeout, kTimeoutCount, kTimeoutLabel},
    };
    for (const auto& entry : picks) {
        if (entry.pick.index < 0 || entry.pick.index >= entry.count) {
            plan.error = std::string(kSelectValuePrefix) + entry.label + "..";
            return plan;
        }
    }
    if (!selection.nameAsRead) {
        plan.error = TypedNameProblem(selection.name);
        if (!plan.error.empty()) {
            return plan;
        }
    }

    const auto timing =
        static_cast<uint8_t>(selection.timeout.index << kTimeoutShift | selection.margin.index);
    const auto rssi = static_cast<uint8_t>(kRssiMinDbm + selection.rssiRange.index);
    auto product = static_cast<uint8_t>(selection.productType.index);
    if (selection.trackpad.index == 1) {
        product |= kTrackpadBit;
    }
    // A typed name is at most ten characters without NUL; a name as read came NUL-terminated
    // in one report, so only a payload too long for one request can be refused.
    const auto name = device::BuildBleNamePayload(selection.name, timing, rssi, product);
    if (!name) {
        plan.error = kNameUnsendableText;
        return plan;
    }
    plan.name = *name;
    plan.powerLevel = *device::BuildBlePowerLevelPayload(selection.powerLevel.index);
    plan.onOff.bytes[0] = static_cast<uint8_t>(selection.enable.index);
    plan.onOff.length = 1;
    return plan;
}

} // namespace ble
