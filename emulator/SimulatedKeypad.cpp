#include "SimulatedKeypad.h"

#include "emulator/HexDigits.h"
#include "emulator/VirtualBus.h"

#include <algorithm>
#include <cstring>

namespace emulator {
namespace {

constexpr uint8_t kCmdGetStatus = 0x01;
constexpr uint8_t kCmdSetLedBrightness = 0x02;
constexpr uint8_t kCmdCheckMulticode = 0x03;
constexpr uint8_t kCmdWriteCodeTable = 0x05;
constexpr uint8_t kCmdSetKeypadType = 0x07;
constexpr uint8_t kCmdWriteDefault = 0x09;
constexpr uint8_t kCmdResetToDefault = 0x0A;
constexpr uint8_t kCmdEnterBsl = 0x0C;
constexpr uint8_t kCmdSetSerialNumber = 0x0E;
constexpr uint8_t kCmdReadMulticodeTable = 0x0F;
constexpr uint8_t kCmdGetBleParams = 0x10;
constexpr uint8_t kCmdWriteMulticodeTable = 0x11;
constexpr uint8_t kCmdSetBleName = 0x12;
constexpr uint8_t kCmdSetBlePowerLevel = 0x13;
constexpr uint8_t kCmdSetBleOnOff = 0x14;
constexpr uint8_t kCmdGetProductType = 0x17;

constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kReportId = 0x3F;
constexpr int kRequestStxOffset = 2;
constexpr int kRequestCommandOffset = 3;
constexpr int kRequestLengthOffset = 5;
constexpr int kRequestDataOffset = 7;
constexpr int kMaxRequestData = 55;
constexpr int kMaxReplyData = 54;
constexpr int kReplyStxOffset = 2;
constexpr int kReplyByteCountOffset = 1;
constexpr int kSerialNumberSize = 12;
constexpr int kManufacturerDigits = 6;
// The module keeps any name its BLE block can report back in one reply: the name and its NUL,
// six digits and a NUL, two power digits and a NUL, the two flags. The window's ten-character
// limit is the window's, not the firmware's.
constexpr int kMaxBleName = kMaxReplyData - (1 + kManufacturerDigits + 1 + 2 + 1 + 2);
constexpr int kBlePowerLevels = 12;

// The fixed tables the firmware carries (modifier, key code per key), as the host reads them.
// The default table is what the self test expects of each key: Volume F17, the arrows, Enter,
// Horizontal F18, Vertical F19, jack in F15, jack out F16.
constexpr uint8_t kUsageF12 = 0x45;
constexpr uint8_t kUsageSpace = 0x2C;
constexpr int kVolumeCodeOffset = 1;
constexpr int kEnterCodeOffset = 11;
constexpr std::array<uint8_t, kKeyBlockSize> kDefaultTable = {
    0, 0x6C, 0, 0x50, 0, 0x4F, 0, 0x51, 0, 0x52, 0, 0x28, 0, 0x6D, 0, 0x6E, 0, 0x6A, 0, 0x6B};
// Builds 810 send Space for Enter and builds 828 F12 for Volume; a build with 778 in its
// number is one of the others. The build is told by the first six characters of the version,
// the part the host's self test reads.
constexpr size_t kBuildTextLength = 6;
constexpr std::array<uint8_t, kKeyBlockSize> kAlternateTable = {
    0, 0x3A, 0, 0x3B, 0, 0x3C, 0, 0x3D, 0, 0x3E, 0, 0x3F, 0, 0x40, 0, 0x41, 0, 0x42, 0, 0x43};
constexpr std::array<uint8_t, kKeyBlockSize> kMouseTable = {
    0, 0x01, 0, 0x02, 0, 0x03, 0, 0x04, 0, 0x05, 0, 0x06, 0, 0x07, 0, 0x08, 0, 0x09, 0, 0x0A};

void AppendText(std::vector<uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

// The NUL-terminated text at data[at...]; moves at past the NUL. False when there is none.
bool TakeText(const std::vector<uint8_t>& data, size_t& at, std::string& text) {
    auto nul = std::find(data.begin() + static_cast<long>(at), data.end(), 0);
    if (nul == data.end()) {
        return false;
    }
    text.assign(data.begin() + static_cast<long>(at), nul);
    at = static_cast<size_t>(nul - data.begin()) + 1;
    return true;
}

std::array<uint8_t, kKeyBlockSize> DefaultTableOf(const std::string& firmwareVersion) {
    const std::string build = firmwareVersion.substr(0, kBuildTextLength);
    auto has = [&build](const char* number) { return build.find(number) != std::string::npos; };
    std::array<uint8_t, kKeyBlockSize> table = kDefaultTable;
    if (has("778")) {
        return table;
    }
    if (has("810")) {
        table[kEnterCodeOffset] = kUsageSpace;
    } else if (has("828")) {
        table[kVolumeCodeOffset] = kUsageF12;
    }
    return table;
}

} // namespace

Report BuildReplyReport(uint8_t command, uint8_t status, const std::vector<uint8_t>& data) {
    Report report(kReportSize, 0);
    const size_t m = std::min(data.size(), static_cast<size_t>(kMaxReplyData));
    const int length = static_cast<int>(m) + 1;
    report[0] = kReportId;
    report[kReplyByteCountOffset] = static_cast<uint8_t>(9 + m);
    uint8_t* frame = report.data() + kReplyStxOffset;
    frame[0] = kStx;
    frame[1] = static_cast<uint8_t>(UpperHex(command >> 4));
    frame[2] = static_cast<uint8_t>(UpperHex(command));
    frame[3] = static_cast<uint8_t>(UpperHex(length >> 4));
    frame[4] = static_cast<uint8_t>(UpperHex(length));
    frame[5] = status;
    std::copy(data.begin(), data.begin() + static_cast<long>(m), frame + 6);
    frame[6 + m] = kEtx;
    uint8_t checksum = 0;
    for (size_t i = 0; i <= 6 + m; ++i) {
        checksum ^= frame[i];
    }
    frame[7 + m] = checksum;
    return report;
}

SimulatedKeypad::SimulatedKeypad() : SimulatedKeypad(Model{}) {}

SimulatedKeypad::SimulatedKeypad(Model keypadModel)
    : model(std::move(keypadModel)), settings(FactorySettings()), storedDefaults(settings) {}

KeypadSettings SimulatedKeypad::FactorySettings() {
    KeypadSettings factory;
    // The customisable tables leave the factory as F1..F10 without modifiers.
    factory.customTable = kAlternateTable;
    factory.multicodeTable = kAlternateTable;
    return factory;
}

std::vector<InterfaceInfo> SimulatedKeypad::Interfaces() const {
    // A keyboard interface first, as a real composite keypad lists it.
    return {{kKeyboardInterface, 0x01, 0x06}, {kVendorInterface, 0xFF00, 0x01}};
}

std::wstring SimulatedKeypad::Serial() const {
    return std::wstring(model.serialNumber.begin(), model.serialNumber.end());
}

void SimulatedKeypad::InjectFault(const Fault& fault) {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    faults_.push_back(fault);
}

void SimulatedKeypad::ClearFaults() {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    faults_.clear();
}

std::vector<ReceivedCommand> SimulatedKeypad::received() const {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    return received_;
}

std::vector<uint8_t> SimulatedKeypad::ReceivedCodes() const {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    std::vector<uint8_t> codes;
    for (const auto& entry : received_) {
        codes.push_back(entry.command);
    }
    return codes;
}

void SimulatedKeypad::ClearReceived() {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    received_.clear();
}

Fault* SimulatedKeypad::MatchFault(uint8_t command) {
    for (auto& fault : faults_) {
        if (fault.times == 0 || (fault.command != kAnyCommand && fault.command != command)) {
            continue;
        }
        if (fault.skip > 0) {
            --fault.skip;
            return nullptr;
        }
        return &fault;
    }
    return nullptr;
}

std::vector<uint8_t> SimulatedKeypad::StatusBlock() const {
    std::vector<uint8_t> block;
    block.push_back(settings.ledBrightness);
    block.push_back(settings.tableKind);
    block.push_back(jackInserted ? 0 : 1);
    block.push_back(horizontal ? 1 : 0);
    const std::array<uint8_t, kKeyBlockSize> defaultTable = DefaultTableOf(model.firmwareVersion);
    const std::array<uint8_t, kKeyBlockSize>* table = &defaultTable;
    switch (settings.tableKind) {
    case 1:
    case 4:
        table = &kAlternateTable;
        break;
    case kCustomSingleKind:
        table = &settings.customTable;
        break;
    case kCustomMultiKind:
        table = &settings.multicodeTable;
        break;
    case 6:
        table = &kMouseTable;
        break;
    default:
        break;
    }
    block.insert(block.end(), table->begin(), table->end());
    AppendText(block, model.firmwareVersion);
    AppendText(block, model.serialNumber);
    AppendText(block, model.temperature);
    block.resize(std::min(block.size(), static_cast<size_t>(kMaxReplyData)));
    return block;
}

std::vector<uint8_t> SimulatedKeypad::BleBlock() const {
    std::vector<uint8_t> block;
    if (model.hasBle) {
        AppendText(block, settings.ble.name);
        AppendText(block, settings.ble.manufacturerData);
        AppendText(block, settings.ble.powerLevel);
        block.push_back(settings.ble.enabled);
        block.push_back(1);
    } else {
        // Without a module the firmware answers with empty texts and the fitted flag clear.
        block = {0, 0, 0, 0, 0};
    }
    block.resize(std::min(block.size(), static_cast<size_t>(kMaxReplyData)));
    return block;
}

SimulatedKeypad::Answer SimulatedKeypad::Execute(uint8_t command,
                                                 const std::vector<uint8_t>& data) {
    Answer answer;
    auto refuse = [&answer]() {
        answer.status = kStatusRefused;
        return answer;
    };
    const size_t n = data.size();
    switch (command) {
    case kCmdGetStatus:
        answer.data = StatusBlock();
        return answer;
    case kCmdSetLedBrightness:
        if (n != 1 || data[0] >= kLedLevels) {
            return refuse();
        }
        settings.ledBrightness = data[0];
        return answer;
    case kCmdCheckMulticode:
        if (!model.hasMulticode || n != 2 || data[0] != 0x01 || data[1] != 0x00) {
            return refuse();
        }
        return answer;
    case kCmdWriteCodeTable:
        if (n != kKeyBlockSize) {
            return refuse();
        }
        if (settings.tableKind == kCustomMultiKind) {
            std::copy(data.begin(), data.end(), settings.multicodeTable.begin());
        } else {
            std::copy(data.begin(), data.end(), settings.customTable.begin());
        }
        return answer;
    case kCmdSetKeypadType:
        if (n != 1 || data[0] >= kTableKinds ||
            (data[0] > kCustomSingleKind && !model.hasMulticode)) {
            return refuse();
        }
        settings.tableKind = data[0];
        return answer;
    case kCmdWriteDefault:
        storedDefaults = settings;
        return answer;
    case kCmdResetToDefault:
        settings = FactorySettings();
        storedDefaults = settings;
        answer.rebootAfter = true;
        return answer;
    case kCmdEnterBsl:
        answer.enterBootLoaderAfter = true;
        return answer;
    case kCmdSetSerialNumber: {
        if (n != kSerialNumberSize) {
            return refuse();
        }
        auto end = std::find(data.begin(), data.end(), 0);
        model.serialNumber.assign(data.begin(), end);
        return answer;
    }
    case kCmdReadMulticodeTable:
        if (!model.hasMulticode) {
            return refuse();
        }
        answer.data.assign(settings.multicodeExtra.begin(), settings.multicodeExtra.end());
        return answer;
    case kCmdGetBleParams:
        answer.data = BleBlock();
        return answer;
    case kCmdWriteMulticodeTable:
        if (!model.hasMulticode || n != kExtraBlockSize) {
            return refuse();
        }
        std::copy(data.begin(), data.end(), settings.multicodeExtra.begin());
        return answer;
    case kCmdSetBleName: {
        size_t at = 0;
        std::string name;
        std::string manufacturer;
        if (!model.hasBle || !TakeText(data, at, name) || !TakeText(data, at, manufacturer) ||
            at != n || name.size() > static_cast<size_t>(kMaxBleName) ||
            manufacturer.size() != static_cast<size_t>(kManufacturerDigits)) {
            return refuse();
        }
        bool ok = true;
        for (char c : manufacturer) {
            HexValue(static_cast<uint8_t>(c), &ok);
        }
        if (!ok) {
            return refuse();
        }
        settings.ble.name = name;
        settings.ble.manufacturerData = manufacturer;
        return answer;
    }
    case kCmdSetBlePowerLevel: {
        size_t at = 0;
        std::string level;
        if (!model.hasBle || !TakeText(data, at, level) || at != n || level.empty() ||
            level.size() > 2 || !std::all_of(level.begin(), level.end(), ::isdigit)) {
            return refuse();
        }
        const int value = std::stoi(level);
        if (value < 1 || value > kBlePowerLevels) {
            return refuse();
        }
        settings.ble.powerLevel = level;
        return answer;
    }
    case kCmdSetBleOnOff:
        if (!model.hasBle || n != 1 || data[0] > 1) {
            return refuse();
        }
        settings.ble.enabled = data[0];
        return answer;
    case kCmdGetProductType:
        answer.data = {model.productType};
        return answer;
    default:
        return refuse();
    }
}

void SimulatedKeypad::PlugIn() {
    if (powerUp) {
        powerUp(*this);
        return;
    }
    // Bus powered: what the firmware had not kept is gone.
    settings = storedDefaults;
    VirtualBus::Instance().Plug(shared_from_this());
}

void SimulatedKeypad::LeaveBus(uint64_t atUs, bool asBootLoader) {
    auto self = std::static_pointer_cast<SimulatedKeypad>(shared_from_this());
    VirtualBus::Instance().Schedule(atUs, [self, atUs, asBootLoader]() {
        auto& bus = VirtualBus::Instance();
        bus.Unplug(self.get());
        if (asBootLoader) {
            std::shared_ptr<SimulatedDevice> loader = self->makeBootLoader
                                                          ? self->makeBootLoader(*self)
                                                          : std::make_shared<SilentBootLoader>();
            bus.Schedule(atUs + uint64_t{self->bootLoaderDelayMs} * 1000,
                         [loader]() { VirtualBus::Instance().Plug(loader); });
        } else {
            bus.Schedule(atUs + uint64_t{self->rebootMs} * 1000,
                         [self]() { VirtualBus::Instance().Plug(self); });
        }
    });
}

void SimulatedKeypad::OnOutputReport(int iface, std::span<const uint8_t> report, uint64_t arrivalUs,
                                     std::vector<TimedReport>& replies) {
    if (iface != kVendorInterface) {
        return; // the keyboard interface takes only LED output reports
    }
    // Parse the request frame; the firmware refuses one it cannot read.
    bool wellFormed =
        report.size() >= 9 && report[0] == kReportId && report[kRequestStxOffset] == kStx;
    uint8_t command = 0;
    std::vector<uint8_t> data;
    if (wellFormed) {
        bool ok = true;
        command = static_cast<uint8_t>(HexValue(report[kRequestCommandOffset], &ok) << 4 |
                                       HexValue(report[kRequestCommandOffset + 1], &ok));
        const int n = HexValue(report[kRequestLengthOffset], &ok) << 4 |
                      HexValue(report[kRequestLengthOffset + 1], &ok);
        const size_t etx = static_cast<size_t>(kRequestDataOffset + n);
        wellFormed = ok && n <= kMaxRequestData && etx + 1 < report.size() && report[etx] == kEtx;
        if (wellFormed) {
            uint8_t checksum = 0;
            for (size_t i = kRequestStxOffset; i <= etx; ++i) {
                checksum ^= report[i];
            }
            wellFormed = checksum == report[etx + 1];
            data.assign(report.begin() + kRequestDataOffset,
                        report.begin() + static_cast<long>(etx));
        }
    }
    uint64_t dueUs = std::max(NextFrameUs(arrivalUs + processingUs), lastReplyUs_ + kFrameUs);
    if (!wellFormed) {
        ++malformedRequests_;
        replies.push_back({dueUs, BuildReplyReport(command, kStatusRefused, {})});
        lastReplyUs_ = dueUs;
        return;
    }

    ReceivedCommand entry{command, data, arrivalUs};
    received_.push_back(entry);
    if (onCommand) {
        onCommand(entry);
    }

    Fault* matched = MatchFault(command);
    Fault fault;
    const bool faulty = matched != nullptr;
    if (faulty) {
        fault = *matched;
        if (matched->times > 0) {
            --matched->times;
        }
    }

    if (faulty && fault.kind == FaultKind::Unplug) {
        auto self = shared_from_this();
        auto& bus = VirtualBus::Instance();
        bus.Unplug(this);
        if (fault.param > 0) {
            // Plugged in again: power returns.
            bus.Schedule(arrivalUs + uint64_t(fault.param) * 1000,
                         [self]() { std::static_pointer_cast<SimulatedKeypad>(self)->PlugIn(); });
        }
        return;
    }
    if (faulty && fault.kind == FaultKind::Silent) {
        return;
    }
    if (faulty && fault.kind == FaultKind::Refuse) {
        const uint8_t status =
            fault.param != 0 ? static_cast<uint8_t>(fault.param) : kStatusRefused;
        replies.push_back({dueUs, BuildReplyReport(command, status, {})});
        lastReplyUs_ = dueUs;
        return;
    }
    if (faulty && fault.kind == FaultKind::Abort) {
        Report abort(kReportSize, 0);
        abort[0] = kReportId;
        abort[kReplyByteCountOffset] = 0x02;
        abort[kReplyStxOffset] = 0x0F;
        replies.push_back({dueUs, abort});
        lastReplyUs_ = dueUs;
        return;
    }

    const KeypadSettings settingsBefore = settings;
    const KeypadSettings storedBefore = storedDefaults;
    const std::string serialBefore = model.serialNumber;
    const Answer answer = Execute(command, data);
    if (onChange && (settings != settingsBefore || storedDefaults != storedBefore ||
                     model.serialNumber != serialBefore)) {
        onChange();
    }
    if (faulty && fault.kind == FaultKind::Busy) {
        for (int i = 0; i < fault.param; ++i) {
            Report busy(kReportSize, 0);
            busy[0] = kReportId;
            busy[kReplyByteCountOffset] = 0x02;
            busy[kReplyStxOffset] = 0x06;
            replies.push_back({dueUs, busy});
            dueUs += uint64_t(std::max(fault.intervalMs, 1)) * 1000;
        }
    }
    if (faulty && fault.kind == FaultKind::LateReply) {
        dueUs += uint64_t(std::max(fault.param, 0)) * 1000;
    }
    Report reply = BuildReplyReport(command, answer.status, answer.data);
    const size_t etx = kReplyStxOffset + 6 + std::min(answer.data.size(), size_t{kMaxReplyData});
    if (faulty) {
        switch (fault.kind) {
        case FaultKind::OversizeByteCount:
            reply[kReplyByteCountOffset] =
                static_cast<uint8_t>(fault.param != 0 ? fault.param : 0x41);
            break;
        case FaultKind::BadChecksum:
            reply[etx + 1] ^= 0xFF;
            break;
        case FaultKind::BadEtx:
            reply[etx] = 0x00;
            break;
        case FaultKind::BadLength: {
            const int length = fault.param;
            reply[kReplyStxOffset + 3] = static_cast<uint8_t>(UpperHex(length >> 4));
            reply[kReplyStxOffset + 4] = static_cast<uint8_t>(UpperHex(length));
            break;
        }
        default:
            break;
        }
    }
    replies.push_back({dueUs, std::move(reply)});
    lastReplyUs_ = dueUs;
    if (answer.status == 0 && (answer.rebootAfter || answer.enterBootLoaderAfter)) {
        LeaveBus(dueUs + kFrameUs, answer.enterBootLoaderAfter);
    }
}

} // namespace emulator
