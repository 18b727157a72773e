#include "SimulatedBootLoader.h"

#include "emulator/VirtualBus.h"

#include <algorithm>

namespace emulator {
namespace {

constexpr uint8_t kReportId = 0x3F;
constexpr int kLengthOffset = 1;
constexpr int kCommandOffset = 2;
constexpr int kPayloadOffset = 3;
constexpr int kMaxCoreBytes = 62;
constexpr int kMaxTxData = 61;
constexpr int kAddressBytes = 3;
constexpr int kLengthBytes = 2;

constexpr uint8_t kRxDataBlock = 0x10;
constexpr uint8_t kRxPassword = 0x11;
constexpr uint8_t kEraseSegment = 0x12;
constexpr uint8_t kToggleInfoLock = 0x13;
constexpr uint8_t kMassErase = 0x15;
constexpr uint8_t kCrcCheck = 0x16;
constexpr uint8_t kLoadPc = 0x17;
constexpr uint8_t kTxDataBlock = 0x18;
constexpr uint8_t kTxBslVersion = 0x19;
constexpr uint8_t kRxDataBlockFast = 0x1B;

constexpr uint8_t kDataResponse = 0x3A;
constexpr uint8_t kMessageResponse = 0x3B;
constexpr uint8_t kOk = 0x00;
constexpr uint8_t kWriteCheckFailed = 0x01;
constexpr uint8_t kLocked = 0x04;
constexpr uint8_t kPasswordError = 0x05;
constexpr uint8_t kUnknownCommand = 0x07;
constexpr uint8_t kLengthExceedsBuffer = 0x08;

// PMMCTL0: the high byte must be the password 0xA5; BOR and POR bits in the low byte.
constexpr uint8_t kPmmPassword = 0xA5;
constexpr uint8_t kPmmSoftwareBor = 0x04;
constexpr uint8_t kPmmSoftwarePor = 0x08;
constexpr char kNoVersionText[] = "UNKNOWN";
constexpr uint32_t kCrcMismatchXor = 0x5AA5;

uint32_t Address(std::span<const uint8_t> payload) {
    return payload[0] | uint32_t{payload[1]} << 8 | uint32_t{payload[2]} << 16;
}

bool InRam(uint32_t address) {
    const auto area = McuMemory::AreaOf(address);
    return area == McuMemory::Area::Ram || area == McuMemory::Area::UsbRam;
}

} // namespace

SimulatedBootLoader::SimulatedBootLoader(std::span<const uint8_t> vectors, Options loaderOptions)
    : options(loaderOptions) {
    std::copy_n(vectors.begin(), std::min(vectors.size(), vectors_.size()), vectors_.begin());
}

std::shared_ptr<SimulatedBootLoader> SimulatedBootLoader::Attach(SimulatedKeypad& keypad,
                                                                 std::span<const uint8_t> vectors,
                                                                 Options options) {
    auto loader = std::make_shared<SimulatedBootLoader>(vectors, options);
    std::weak_ptr<SimulatedBootLoader> weak = loader;
    keypad.makeBootLoader = [weak](SimulatedKeypad& from) -> std::shared_ptr<SimulatedDevice> {
        auto self = weak.lock();
        if (!self) {
            return std::make_shared<SilentBootLoader>();
        }
        self->Enter(std::static_pointer_cast<SimulatedKeypad>(from.shared_from_this()));
        return self;
    };
    return loader;
}

void SimulatedBootLoader::Enter(const std::shared_ptr<SimulatedKeypad>& keypad) {
    keypad_ = keypad;
    if (!installed_) {
        // The flash holds the firmware the keypad has been running.
        memory_.InstallApplication(keypad->model.firmwareVersion, vectors_);
        installed_ = true;
    }
    StartSession(Mode::FlashBsl);
}

void SimulatedBootLoader::StartSession(Mode mode) {
    mode_ = mode;
    restarting_ = false;
    locked_ = mode == Mode::FlashBsl || !options.ramBslStartsUnlocked;
    if (mode == Mode::FlashBsl) {
        memory_.ClearRam();
        ramBslWritten_ = false;
    }
    lastReplyUs_ = 0;
}

void SimulatedBootLoader::InjectFault(const BootLoaderFault& fault) {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    faults_.push_back(fault);
}

void SimulatedBootLoader::ClearFaults() {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    faults_.clear();
}

SimulatedBootLoader::Mode SimulatedBootLoader::mode() const {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    return mode_;
}

bool SimulatedBootLoader::locked() const {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    return locked_;
}

McuMemory SimulatedBootLoader::memory() const {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    return memory_;
}

void SimulatedBootLoader::SetMemory(const McuMemory& memory) {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    memory_ = memory;
    installed_ = true;
}

std::vector<SimulatedBootLoader::Received> SimulatedBootLoader::received() const {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    return received_;
}

std::vector<uint8_t> SimulatedBootLoader::ReceivedCommands() const {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    std::vector<uint8_t> commands;
    for (const auto& entry : received_) {
        commands.push_back(entry.command);
    }
    return commands;
}

void SimulatedBootLoader::ClearReceived() {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    received_.clear();
}

int SimulatedBootLoader::massErases() const {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    return massErases_;
}

BootLoaderFault* SimulatedBootLoader::MatchFault(BootLoaderFaultKind kind, uint8_t command) {
    for (auto& fault : faults_) {
        if (fault.kind != kind || fault.times == 0 ||
            (fault.command != kAnyCommand && fault.command != command)) {
            continue;
        }
        if (fault.skip > 0) {
            --fault.skip;
            return nullptr;
        }
        if (fault.times > 0) {
            --fault.times;
        }
        return &fault;
    }
    return nullptr;
}

void SimulatedBootLoader::Message(uint8_t code, uint64_t arrivalUs,
                                  std::vector<TimedReport>& replies) {
    const uint8_t message[] = {code};
    Report report(kReportSize, 0);
    report[0] = kReportId;
    report[kLengthOffset] = 2;
    report[kCommandOffset] = kMessageResponse;
    report[kPayloadOffset] = message[0];
    const uint64_t due = std::max(NextFrameUs(arrivalUs), lastReplyUs_ + kFrameUs);
    replies.push_back({due, std::move(report)});
    lastReplyUs_ = due;
}

void SimulatedBootLoader::Data(std::span<const uint8_t> data, uint64_t arrivalUs,
                               std::vector<TimedReport>& replies) {
    // One IN report per frame, at most 61 data bytes each.
    std::size_t at = 0;
    do {
        const std::size_t count = std::min<std::size_t>(kMaxTxData, data.size() - at);
        Report report(kReportSize, 0);
        report[0] = kReportId;
        report[kLengthOffset] = static_cast<uint8_t>(1 + count);
        report[kCommandOffset] = kDataResponse;
        std::copy_n(data.begin() + static_cast<long>(at), count, report.begin() + kPayloadOffset);
        const uint64_t due = std::max(NextFrameUs(arrivalUs), lastReplyUs_ + kFrameUs);
        replies.push_back({due, std::move(report)});
        lastReplyUs_ = due;
        at += count;
    } while (at < data.size());
}

bool SimulatedBootLoader::WriteBlock(uint32_t address, std::span<const uint8_t> data,
                                     uint64_t arrivalUs, bool ramOnly) {
    bool allWritten = true;
    bool resets = false;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const uint32_t at = address + static_cast<uint32_t>(i);
        if (at == kPmmControlAddress && i + 1 < data.size()) {
            const uint8_t low = data[i];
            const uint8_t high = data[i + 1];
            // A wrong PMM password resets the MCU as well (PUC); the BOR or POR bit does so
            // by design. Either way the MCU restarts.
            resets = high != kPmmPassword || (low & (kPmmSoftwareBor | kPmmSoftwarePor)) != 0;
            ++i;
            continue;
        }
        if (ramOnly && !InRam(at)) {
            allWritten = false;
            continue;
        }
        if (at >= kRamBslAddress && at < kRamBslAddress + version_.size()) {
            ramBslWritten_ = true;
        }
        allWritten = memory_.Write(at, data[i]) && allWritten;
    }
    if (resets) {
        Restart(arrivalUs);
    }
    return allWritten;
}

void SimulatedBootLoader::CheckPassword(std::span<const uint8_t> password, uint64_t arrivalUs,
                                        std::vector<TimedReport>& replies) {
    const auto expected = memory_.Read(kPasswordStart, kPasswordLength);
    const bool forcedWrong =
        MatchFault(BootLoaderFaultKind::RefusePassword, kRxPassword) != nullptr;
    if (!forcedWrong && password.size() == kPasswordLength &&
        std::equal(password.begin(), password.end(), expected.begin())) {
        locked_ = false;
        Message(kOk, arrivalUs, replies);
        return;
    }
    // A wrong password erases the main flash, so the vectors become 32 x 0xFF.
    locked_ = true;
    memory_.MassErase();
    ++massErases_;
    Message(kPasswordError, arrivalUs, replies);
}

void SimulatedBootLoader::LoadPc(uint32_t address, uint64_t arrivalUs) {
    if (address == kRamBslEntry && ramBslWritten_) {
        for (std::size_t i = 0; i < version_.size(); ++i) {
            version_[i] = memory_.Read(kRamBslAddress + static_cast<uint32_t>(i));
        }
        // The RAM loader takes the USB module over: the device leaves and re-enumerates.
        restarting_ = true;
        auto self = std::static_pointer_cast<SimulatedBootLoader>(shared_from_this());
        auto& bus = VirtualBus::Instance();
        bus.Schedule(arrivalUs, [self, arrivalUs]() {
            auto& bus = VirtualBus::Instance();
            bus.Unplug(self.get());
            self->StartSession(Mode::RamBsl);
            bus.Schedule(arrivalUs + uint64_t{self->options.reenumerateMs} * 1000,
                         [self]() { VirtualBus::Instance().Plug(self); });
        });
        return;
    }
    // Anywhere else: the code there runs, which for this model is a restart.
    Restart(arrivalUs);
}

void SimulatedBootLoader::Restart(uint64_t atUs) {
    // Reports still on their way when the MCU resets reach no one.
    restarting_ = true;
    auto self = std::static_pointer_cast<SimulatedBootLoader>(shared_from_this());
    VirtualBus::Instance().Schedule(atUs, [self, atUs]() {
        VirtualBus::Instance().Unplug(self.get());
        self->PowerOn(atUs + uint64_t{self->options.restartMs} * 1000);
    });
}

void SimulatedBootLoader::PowerOn(uint64_t atUs) {
    auto self = std::static_pointer_cast<SimulatedBootLoader>(shared_from_this());
    VirtualBus::Instance().Schedule(atUs, [self]() {
        auto& bus = VirtualBus::Instance();
        auto keypad = self->keypad_;
        if (keypad && self->memory_.HasResetVector()) {
            // The new application: its own version, factory settings, no serial number yet.
            const std::string version = self->memory_.ApplicationVersion();
            keypad->model.firmwareVersion = version.empty() ? kNoVersionText : version;
            keypad->model.serialNumber.clear();
            keypad->settings = SimulatedKeypad::FactorySettings();
            keypad->storedDefaults = keypad->settings;
            bus.Plug(keypad);
            return;
        }
        // No application to start: the MCU stays in its flash loader.
        self->StartSession(Mode::FlashBsl);
        bus.Plug(self);
    });
}

void SimulatedBootLoader::OnOutputReport(int iface, std::span<const uint8_t> report,
                                         uint64_t arrivalUs, std::vector<TimedReport>& replies) {
    if (iface != kBootLoaderInterface || report.size() < static_cast<std::size_t>(kPayloadOffset) ||
        report[0] != kReportId || restarting_) {
        return;
    }
    const int n = report[kLengthOffset];
    if (n == 0) {
        return;
    }
    if (n > kMaxCoreBytes || kCommandOffset + static_cast<std::size_t>(n) > report.size()) {
        Message(kLengthExceedsBuffer, arrivalUs, replies);
        return;
    }
    const uint8_t command = report[kCommandOffset];
    const std::span<const uint8_t> payload = report.subspan(kPayloadOffset, n - 1);
    received_.push_back({command, {payload.begin(), payload.end()}, arrivalUs});

    if (const BootLoaderFault* unplug = MatchFault(BootLoaderFaultKind::Unplug, command)) {
        const uint32_t backAfterMs = unplug->param;
        VirtualBus::Instance().Unplug(this);
        if (backAfterMs > 0) {
            PowerOn(arrivalUs + uint64_t{backAfterMs} * 1000);
        }
        return;
    }

    const bool full = mode_ == Mode::RamBsl;
    switch (command) {
    case kRxPassword:
        CheckPassword(payload, arrivalUs, replies);
        return;
    case kRxDataBlockFast:
        // No answer either way; a locked loader drops the data.
        if (!locked_ && payload.size() >= static_cast<std::size_t>(kAddressBytes)) {
            WriteBlock(Address(payload), payload.subspan(kAddressBytes), arrivalUs, !full);
        }
        return;
    case kLoadPc:
        if (!locked_ && payload.size() >= static_cast<std::size_t>(kAddressBytes)) {
            LoadPc(Address(payload), arrivalUs);
        }
        return;
    default:
        break;
    }
    if (!full) {
        Message(kUnknownCommand, arrivalUs, replies);
        return;
    }
    const bool hasAddress = payload.size() >= static_cast<std::size_t>(kAddressBytes);
    const bool hasRange = payload.size() >= static_cast<std::size_t>(kAddressBytes + kLengthBytes);
    switch (command) {
    case kTxBslVersion: {
        std::array<uint8_t, 4> version = version_;
        if (const BootLoaderFault* wrong = MatchFault(BootLoaderFaultKind::WrongVersion, command)) {
            for (int i = 0; i < 4; ++i) {
                version[static_cast<std::size_t>(i)] =
                    static_cast<uint8_t>(wrong->param >> (24 - 8 * i));
            }
        }
        Data(version, arrivalUs, replies);
        return;
    }
    case kMassErase:
        memory_.MassErase();
        ++massErases_;
        Message(kOk, arrivalUs, replies);
        return;
    default:
        break;
    }
    if (locked_) {
        Message(kLocked, arrivalUs, replies);
        return;
    }
    switch (command) {
    case kRxDataBlock:
        if (!hasAddress) {
            Message(kLengthExceedsBuffer, arrivalUs, replies);
            return;
        }
        Message(WriteBlock(Address(payload), payload.subspan(kAddressBytes), arrivalUs, false)
                    ? kOk
                    : kWriteCheckFailed,
                arrivalUs, replies);
        return;
    case kEraseSegment:
        if (!hasAddress) {
            Message(kLengthExceedsBuffer, arrivalUs, replies);
            return;
        }
        memory_.EraseSegment(Address(payload));
        Message(kOk, arrivalUs, replies);
        return;
    case kToggleInfoLock:
        Message(kOk, arrivalUs, replies);
        return;
    case kCrcCheck: {
        if (!hasRange) {
            Message(kLengthExceedsBuffer, arrivalUs, replies);
            return;
        }
        const uint32_t length = payload[3] | uint32_t{payload[4]} << 8;
        uint16_t crc = memory_.Crc(Address(payload), length);
        if (MatchFault(BootLoaderFaultKind::CrcMismatch, command) != nullptr) {
            crc ^= kCrcMismatchXor;
        }
        const uint8_t answer[] = {static_cast<uint8_t>(crc), static_cast<uint8_t>(crc >> 8)};
        Data(answer, arrivalUs, replies);
        return;
    }
    case kTxDataBlock: {
        if (!hasRange) {
            Message(kLengthExceedsBuffer, arrivalUs, replies);
            return;
        }
        const uint32_t length = payload[3] | uint32_t{payload[4]} << 8;
        Data(memory_.Read(Address(payload), length), arrivalUs, replies);
        return;
    }
    default:
        Message(kUnknownCommand, arrivalUs, replies);
        return;
    }
}

} // namespace emulator
