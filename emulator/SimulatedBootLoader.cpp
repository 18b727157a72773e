#include "SimulatedBootLoader.h"

#include "emulator/SimulatedRamBsl.h"
#include "emulator/VirtualBus.h"
#include "platform/clock.h"

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

// Registers that take a write only with their password in the high byte; any other write is a
// security key violation, which resets the MCU (PUC). PMMCTL0's BOR and POR bits reset it by
// design.
struct ProtectedRegister {
    uint32_t address;
    uint8_t password;
};
constexpr ProtectedRegister kProtectedRegisters[] = {{kPmmControlAddress, 0xA5},
                                                     {kWatchdogControlAddress, 0x5A}};
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

// Inside the code of the RAM loader that runs while the RAM loader runs.
bool InRamLoader(uint32_t address) {
    return std::any_of(SimulatedRamBslSections().begin(), SimulatedRamBslSections().end(),
                       [address](const ImageSection& section) {
                           return address >= section.address &&
                                  address - section.address < section.bytes.size();
                       });
}

using Range = SimulatedBootLoader::Range;

// Adds [start, end) to sorted, non-touching ranges.
void AddRange(std::vector<Range>& ranges, uint32_t start, uint32_t end) {
    auto it = std::lower_bound(ranges.begin(), ranges.end(), start,
                               [](const Range& range, uint32_t at) { return range.end < at; });
    while (it != ranges.end() && it->start <= end) {
        start = std::min(start, it->start);
        end = std::max(end, it->end);
        it = ranges.erase(it);
    }
    ranges.insert(it, {start, end});
}

void RemoveRange(std::vector<Range>& ranges, uint32_t start, uint32_t end) {
    std::vector<Range> kept;
    for (const Range& range : ranges) {
        if (range.end <= start || range.start >= end) {
            kept.push_back(range);
            continue;
        }
        if (range.start < start) {
            kept.push_back({range.start, start});
        }
        if (range.end > end) {
            kept.push_back({end, range.end});
        }
    }
    ranges = std::move(kept);
}

bool Covered(const std::vector<Range>& ranges, const Range& wanted) {
    return std::any_of(ranges.begin(), ranges.end(), [&wanted](const Range& range) {
        return range.start <= wanted.start && wanted.end <= range.end;
    });
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
    loader->keypad_ = std::static_pointer_cast<SimulatedKeypad>(keypad.weak_from_this().lock());
    std::weak_ptr<SimulatedBootLoader> weak = loader;
    keypad.makeBootLoader = [weak](SimulatedKeypad& from) -> std::shared_ptr<SimulatedDevice> {
        auto self = weak.lock();
        if (!self) {
            return std::make_shared<SilentBootLoader>();
        }
        self->Enter(std::static_pointer_cast<SimulatedKeypad>(from.shared_from_this()));
        return self;
    };
    keypad.powerUp = [weak](SimulatedKeypad& from) {
        auto self = weak.lock();
        if (!self) {
            VirtualBus::Instance().Plug(from.shared_from_this());
            return;
        }
        self->keypad_ = std::static_pointer_cast<SimulatedKeypad>(from.shared_from_this());
        self->PowerUpNow();
    };
    return loader;
}

void SimulatedBootLoader::Enter(const std::shared_ptr<SimulatedKeypad>& keypad) {
    keypad_ = keypad;
    EnsureInstalled(*keypad);
    // The flash loader starts after a reset.
    ResetChip();
    StartSession(Mode::FlashBsl);
}

void SimulatedBootLoader::EnsureInstalled(const SimulatedKeypad& keypad) {
    if (!installed_) {
        // The flash holds the firmware the keypad has been running.
        memory_.InstallApplication(keypad.model.firmwareVersion, vectors_);
        installed_ = true;
    }
}

void SimulatedBootLoader::StartSession(Mode mode) {
    mode_ = mode;
    restarting_ = false;
    // The flash loader starts locked, a RAM loader in its default unlocked state.
    locked_ = mode == Mode::FlashBsl;
    buffer_.clear();
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

bool SimulatedBootLoader::poweringUp() const {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    return poweringUp_;
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

SimulatedBootLoader::SavedState SimulatedBootLoader::Saved() const {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    return {mode_,   locked_,  installed_, applicationChanged_, version_,    bufferStart_, buffer_,
            memory_, written_, verified_,  writeFailures_,      poweringUp_, infoALocked_};
}

void SimulatedBootLoader::Restore(const SavedState& state) {
    std::lock_guard lock(VirtualBus::Instance().mutex());
    mode_ = state.mode;
    locked_ = state.locked;
    installed_ = state.installed;
    applicationChanged_ = state.applicationChanged;
    version_ = state.version;
    // More than the buffer holds cannot have been kept.
    bufferStart_ = state.bufferStart;
    buffer_.assign(state.buffer.begin(),
                   state.buffer.begin() +
                       std::min<std::size_t>(state.buffer.size(), kWriteBufferSize));
    memory_ = state.memory;
    // Kept ranges may come from a file: take them in one by one, so they are sorted again.
    written_.clear();
    for (const Range& range : state.written) {
        AddRange(written_, range.start, range.end);
    }
    verified_.clear();
    for (const Range& range : state.verified) {
        AddRange(verified_, range.start, range.end);
    }
    writeFailures_ = state.writeFailures;
    std::sort(writeFailures_.begin(), writeFailures_.end());
    writeFailures_.erase(std::unique(writeFailures_.begin(), writeFailures_.end()),
                         writeFailures_.end());
    restarting_ = false;
    poweringUp_ = state.poweringUp;
    infoALocked_ = state.infoALocked;
}

void SimulatedBootLoader::Resume() {
    auto& bus = VirtualBus::Instance();
    std::lock_guard lock(bus.mutex());
    // What was under way when the last run ended has happened since.
    if (poweringUp_) {
        PowerOnNow();
        return;
    }
    switch (mode_) {
    case Mode::Application:
        if (keypad_) {
            bus.Plug(keypad_);
        }
        return;
    case Mode::FlashBsl:
    case Mode::RamBsl:
        bus.Plug(shared_from_this());
        return;
    case Mode::Crashed:
        return;
    }
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
    Report report(kReportSize, 0);
    report[0] = kReportId;
    report[kLengthOffset] = 2;
    report[kCommandOffset] = kMessageResponse;
    report[kPayloadOffset] = code;
    const uint64_t due = std::max(NextFrameUs(arrivalUs), lastReplyUs_ + kFrameUs);
    replies.push_back({due, std::move(report)});
    lastReplyUs_ = due;
}

void SimulatedBootLoader::Data(std::span<const uint8_t> data, uint64_t arrivalUs,
                               std::vector<TimedReport>& replies) {
    // One IN report per frame, at most 61 data bytes each.
    for (std::size_t at = 0; at < data.size();) {
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
    }
}

void SimulatedBootLoader::WriteRam(uint32_t address, std::span<const uint8_t> data) {
    for (std::size_t i = 0; i < data.size(); ++i) {
        const uint32_t at = address + static_cast<uint32_t>(i);
        if (InRam(at)) {
            memory_.Write(at, data[i]);
        }
    }
}

bool SimulatedBootLoader::BufferWrite(uint32_t address, std::span<const uint8_t> data,
                                      uint64_t atUs) {
    bool written = true;
    for (std::size_t i = 0; i < data.size() && !restarting_; ++i) {
        const uint32_t at = address + static_cast<uint32_t>(i);
        if (!buffer_.empty() && at != bufferStart_ + buffer_.size()) {
            written = Flush(atUs) && written; // a jump in address
            if (restarting_) {
                break;
            }
        }
        if (buffer_.empty()) {
            bufferStart_ = at;
        }
        buffer_.push_back(data[i]);
        if ((at + 1) % kWriteBufferSize == 0) {
            written = Flush(atUs) && written;
        }
    }
    return written;
}

bool SimulatedBootLoader::ResetsMcu(uint32_t address, std::span<const uint8_t> bytes,
                                    std::size_t at, std::size_t& used) {
    used = 1;
    for (const auto& reg : kProtectedRegisters) {
        if (address == reg.address) {
            if (at + 1 >= bytes.size()) {
                return true; // the low byte alone carries no password
            }
            used = 2;
            const uint8_t low = bytes[at];
            const uint8_t high = bytes[at + 1];
            return high != reg.password || (reg.address == kPmmControlAddress &&
                                            (low & (kPmmSoftwareBor | kPmmSoftwarePor)) != 0);
        }
        if (address == reg.address + 1) {
            return bytes[at] != reg.password;
        }
    }
    return false;
}

bool SimulatedBootLoader::Flush(uint64_t atUs) {
    if (buffer_.empty()) {
        return true;
    }
    const std::vector<uint8_t> bytes = std::move(buffer_);
    const uint32_t start = bufferStart_;
    buffer_.clear();
    bool written = true;
    bool resets = false;
    bool overwritesItself = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const uint32_t at = start + static_cast<uint32_t>(i);
        if (McuMemory::AreaOf(at) == McuMemory::Area::Peripherals) {
            std::size_t used = 1;
            resets = ResetsMcu(at, bytes, i, used) || resets;
            i += used;
            continue;
        }
        const uint8_t before = memory_.Read(at);
        if (InRamLoader(at) && before != bytes[i]) {
            overwritesItself = true;
        }
        const bool took = infoALocked_ && McuMemory::InInfoA(at) ? before == bytes[i]
                                                                 : memory_.Write(at, bytes[i]);
        written = took && written;
        if (McuMemory::AreaOf(at) == McuMemory::Area::MainFlash) {
            if (memory_.Read(at) != before) {
                ChangeMainFlash();
            }
            NoteWritten(at, took);
        }
        ++i;
    }
    if (overwritesItself) {
        Crash(atUs);
    } else if (resets) {
        Restart(atUs);
    }
    return written;
}

void SimulatedBootLoader::ChangeMainFlash() {
    applicationChanged_ = true;
    // What a CRC check confirmed is no longer what the flash holds.
    verified_.clear();
}

void SimulatedBootLoader::NoteWritten(uint32_t address, bool took) {
    AddRange(written_, address, address + 1);
    const auto failure = std::lower_bound(writeFailures_.begin(), writeFailures_.end(), address);
    const bool listed = failure != writeFailures_.end() && *failure == address;
    if (!took && !listed) {
        writeFailures_.insert(failure, address);
    } else if (took && listed) {
        writeFailures_.erase(failure);
    }
}

void SimulatedBootLoader::NoteErased(uint32_t start, uint32_t end) {
    RemoveRange(written_, start, end);
    std::erase_if(writeFailures_,
                  [start, end](uint32_t address) { return address >= start && address < end; });
}

void SimulatedBootLoader::NoteCrcChecked(uint32_t start, uint32_t end) {
    // The host's own CRC of what it wrote matches the device's only where every write took.
    const auto failure = std::lower_bound(writeFailures_.begin(), writeFailures_.end(), start);
    if (failure == writeFailures_.end() || *failure >= end) {
        AddRange(verified_, start, end);
    }
}

bool SimulatedBootLoader::ImageComplete() const {
    if (!applicationChanged_) {
        return true;
    }
    return writeFailures_.empty() &&
           std::all_of(written_.begin(), written_.end(),
                       [this](const Range& range) { return Covered(verified_, range); });
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
    // A wrong password erases the main flash, so the vectors become 32 x 0xFF; the lock stays
    // as it was.
    memory_.MassErase();
    ChangeMainFlash();
    NoteErased(kMainFlashStart, kMainFlashEnd);
    ++massErases_;
    Message(kPasswordError, arrivalUs, replies);
}

bool SimulatedBootLoader::RamHoldsRamLoader() const {
    const auto& sections = SimulatedRamBslSections();
    return !sections.empty() &&
           std::all_of(sections.begin(), sections.end(), [this](const ImageSection& section) {
               return memory_.Read(section.address, static_cast<uint32_t>(section.bytes.size())) ==
                      section.bytes;
           });
}

void SimulatedBootLoader::LoadPc(uint32_t address, uint64_t arrivalUs) {
    if (address != kRamBslEntry || !RamHoldsRamLoader()) {
        // Whatever is there runs; for anything but our RAM loader that is a crash.
        Crash(arrivalUs);
        return;
    }
    for (std::size_t i = 0; i < version_.size(); ++i) {
        version_[i] = memory_.Read(kRamBslAddress + static_cast<uint32_t>(i));
    }
    // The RAM loader takes the USB module over: the device leaves and re-enumerates.
    restarting_ = true;
    auto self = std::static_pointer_cast<SimulatedBootLoader>(shared_from_this());
    VirtualBus::Instance().Schedule(arrivalUs, [self, arrivalUs]() {
        auto& bus = VirtualBus::Instance();
        bus.Unplug(self.get());
        self->StartSession(Mode::RamBsl);
        self->Notify();
        bus.Schedule(arrivalUs + uint64_t{self->options.reenumerateMs} * 1000,
                     [self]() { VirtualBus::Instance().Plug(self); });
    });
}

void SimulatedBootLoader::Crash(uint64_t atUs) {
    mode_ = Mode::Crashed;
    restarting_ = true;
    buffer_.clear();
    auto self = shared_from_this();
    VirtualBus::Instance().Schedule(atUs, [self]() { VirtualBus::Instance().Unplug(self.get()); });
}

void SimulatedBootLoader::Restart(uint64_t atUs) {
    // Reports still on their way when the MCU resets reach no one.
    restarting_ = true;
    poweringUp_ = true;
    buffer_.clear();
    auto self = std::static_pointer_cast<SimulatedBootLoader>(shared_from_this());
    VirtualBus::Instance().Schedule(atUs, [self, atUs]() {
        VirtualBus::Instance().Unplug(self.get());
        self->PowerOn(atUs + uint64_t{self->options.restartMs} * 1000);
    });
}

void SimulatedBootLoader::PowerCycle(uint32_t offMs) {
    auto& bus = VirtualBus::Instance();
    std::lock_guard lock(bus.mutex());
    bus.Unplug(this);
    if (keypad_) {
        bus.Unplug(keypad_.get());
    }
    buffer_.clear();
    PowerOn(platform::NowUs() + uint64_t{offMs} * 1000);
}

void SimulatedBootLoader::PowerUpNow() {
    auto& bus = VirtualBus::Instance();
    std::lock_guard lock(bus.mutex());
    if (!installed_ && keypad_) {
        // Nothing has touched the flash: the keypad's application, without what it had not
        // kept.
        mode_ = Mode::Application;
        keypad_->settings = keypad_->storedDefaults;
        bus.Plug(keypad_);
        return;
    }
    PowerOnNow();
}

void SimulatedBootLoader::PowerOnNow() {
    PowerOn(VirtualBus::Instance().EventTimeUs());
    VirtualBus::Instance().RunDue();
}

void SimulatedBootLoader::PowerOn(uint64_t atUs) {
    // Reports still on their way reach no one until the MCU is up again.
    restarting_ = true;
    poweringUp_ = true;
    auto self = std::static_pointer_cast<SimulatedBootLoader>(shared_from_this());
    VirtualBus::Instance().Schedule(atUs, [self]() {
        auto& bus = VirtualBus::Instance();
        self->poweringUp_ = false;
        self->ResetChip();
        auto keypad = self->keypad_;
        if (keypad) {
            self->EnsureInstalled(*keypad);
        }
        if (keypad && self->memory_.HasResetVector() && self->ImageComplete()) {
            if (self->applicationChanged_) {
                // The new application: its own version, factory settings, no serial number.
                const std::string version = self->memory_.ApplicationVersion();
                keypad->model.firmwareVersion = version.empty() ? kNoVersionText : version;
                keypad->model.serialNumber.clear();
                keypad->settings = SimulatedKeypad::FactorySettings();
                keypad->storedDefaults = keypad->settings;
                self->applicationChanged_ = false;
            } else {
                // The same application after a power loss: what it had not kept is gone.
                keypad->settings = keypad->storedDefaults;
            }
            self->written_.clear();
            self->verified_.clear();
            self->writeFailures_.clear();
            self->mode_ = Mode::Application;
            self->restarting_ = false;
            bus.Plug(keypad);
            self->Notify();
            return;
        }
        // No application to start: the MCU stays in its flash loader.
        self->StartSession(Mode::FlashBsl);
        bus.Plug(self);
        self->Notify();
    });
}

void SimulatedBootLoader::Notify() const {
    if (onChange) {
        onChange();
    }
}

void SimulatedBootLoader::ResetChip() {
    infoALocked_ = true;
    memory_.ClearRam();
    buffer_.clear();
}

void SimulatedBootLoader::OnOutputReport(int iface, std::span<const uint8_t> report,
                                         uint64_t arrivalUs, std::vector<TimedReport>& replies) {
    // Whatever the report did, the chip's state may have changed.
    struct NotifyAtEnd {
        const SimulatedBootLoader& loader;
        ~NotifyAtEnd() { loader.Notify(); }
    } notify{*this};
    if (iface != kBootLoaderInterface || report.size() < static_cast<std::size_t>(kPayloadOffset) ||
        report[0] != kReportId || restarting_ || mode_ == Mode::Crashed ||
        mode_ == Mode::Application) {
        return;
    }
    const int n = report[kLengthOffset];
    if (n == 0) {
        // The loader takes the next byte as the command with a length it cannot use.
        Message(kUnknownCommand, arrivalUs, replies);
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
        buffer_.clear();
        if (backAfterMs > 0) {
            PowerOn(arrivalUs + uint64_t{backAfterMs} * 1000);
        }
        return;
    }
    if (const BootLoaderFault* refuse = MatchFault(BootLoaderFaultKind::Refuse, command)) {
        Message(static_cast<uint8_t>(refuse->param), arrivalUs, replies);
        return;
    }
    if (mode_ == Mode::FlashBsl) {
        OnFlashLoaderReport(command, payload, arrivalUs, replies);
    } else {
        OnRamLoaderReport(command, payload, arrivalUs, replies);
    }
}

void SimulatedBootLoader::OnFlashLoaderReport(uint8_t command, std::span<const uint8_t> payload,
                                              uint64_t arrivalUs,
                                              std::vector<TimedReport>& replies) {
    const bool hasAddress = payload.size() >= static_cast<std::size_t>(kAddressBytes);
    switch (command) {
    case kRxPassword:
        CheckPassword(payload, arrivalUs, replies);
        return;
    case kRxDataBlockFast:
        // No answer either way; a locked loader drops the data.
        if (!locked_ && hasAddress) {
            WriteRam(Address(payload), payload.subspan(kAddressBytes));
        }
        return;
    case kLoadPc:
        if (!hasAddress) {
            Message(kLengthExceedsBuffer, arrivalUs, replies);
        } else if (locked_) {
            Message(kLocked, arrivalUs, replies);
        } else {
            LoadPc(Address(payload), arrivalUs);
        }
        return;
    default:
        Message(kUnknownCommand, arrivalUs, replies);
        return;
    }
}

void SimulatedBootLoader::OnRamLoaderReport(uint8_t command, std::span<const uint8_t> payload,
                                            uint64_t arrivalUs, std::vector<TimedReport>& replies) {
    const bool hasAddress = payload.size() >= static_cast<std::size_t>(kAddressBytes);
    const bool hasRange = payload.size() >= static_cast<std::size_t>(kAddressBytes + kLengthBytes);
    switch (command) {
    case kRxPassword:
        CheckPassword(payload, arrivalUs, replies);
        return;
    case kMassErase:
        memory_.MassErase();
        ChangeMainFlash();
        NoteErased(kMainFlashStart, kMainFlashEnd);
        ++massErases_;
        Message(kOk, arrivalUs, replies);
        return;
    case kRxDataBlockFast:
    case kRxDataBlock:
    case kEraseSegment:
    case kToggleInfoLock:
    case kCrcCheck:
    case kLoadPc:
    case kTxDataBlock:
    case kTxBslVersion:
        break;
    default:
        Message(kUnknownCommand, arrivalUs, replies);
        return;
    }
    // Every memory access checks the lock; a fast block has no answer to say so.
    if (locked_) {
        if (command != kRxDataBlockFast) {
            Message(kLocked, arrivalUs, replies);
        }
        return;
    }
    if (!hasAddress && command != kToggleInfoLock && command != kTxBslVersion) {
        if (command != kRxDataBlockFast) {
            Message(kLengthExceedsBuffer, arrivalUs, replies);
        }
        return;
    }
    switch (command) {
    case kRxDataBlockFast:
        BufferWrite(Address(payload), payload.subspan(kAddressBytes), arrivalUs);
        return;
    case kRxDataBlock: {
        const bool written =
            BufferWrite(Address(payload), payload.subspan(kAddressBytes), arrivalUs);
        if (!restarting_) {
            Message(written ? kOk : kWriteCheckFailed, arrivalUs, replies);
        }
        return;
    }
    case kEraseSegment: {
        const uint32_t address = Address(payload);
        if (!(infoALocked_ && McuMemory::InInfoA(address)) && memory_.EraseSegment(address) &&
            McuMemory::AreaOf(address) == McuMemory::Area::MainFlash) {
            ChangeMainFlash();
            const uint32_t start = address - (address - kMainFlashStart) % kMainSegmentSize;
            NoteErased(start, start + kMainSegmentSize);
        }
        Message(kOk, arrivalUs, replies);
        return;
    }
    case kToggleInfoLock:
        infoALocked_ = !infoALocked_;
        Message(kOk, arrivalUs, replies);
        return;
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
    default:
        break;
    }
    // CRC, TX data block and Load PC see memory only after what the buffer holds is written.
    Flush(arrivalUs);
    if (restarting_) {
        return;
    }
    if (command == kLoadPc) {
        LoadPc(Address(payload), arrivalUs);
        return;
    }
    if (!hasRange) {
        Message(kLengthExceedsBuffer, arrivalUs, replies);
        return;
    }
    const uint32_t length = payload[3] | uint32_t{payload[4]} << 8;
    if (command == kCrcCheck) {
        uint16_t crc = memory_.Crc(Address(payload), length);
        if (MatchFault(BootLoaderFaultKind::CrcMismatch, command) != nullptr) {
            crc ^= kCrcMismatchXor;
        } else {
            NoteCrcChecked(Address(payload), Address(payload) + length);
        }
        const uint8_t answer[] = {static_cast<uint8_t>(crc), static_cast<uint8_t>(crc >> 8)};
        Data(answer, arrivalUs, replies);
        return;
    }
    // TX data block; a length of 0 sends nothing at all.
    Data(memory_.Read(Address(payload), length), arrivalUs, replies);
}

} // namespace emulator
