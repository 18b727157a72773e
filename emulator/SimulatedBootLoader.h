#pragma once

// The keypad's MSP430 USB boot loader (0x2047:0x0200) as the host sees it. It starts as the
// loader resident in flash, which understands only RX data block fast into RAM, RX password and
// Load PC; a RAM loader written to 0x2500 and started at 0x2504 re-enumerates with the full
// command set. A software BOR through PMMCTL0 (0x0120) restarts the MCU: with a reset vector the
// keypad application comes back, reading its firmware version from the image at
// kAppVersionAddress, with its settings at factory values and no serial number; without one the
// flash loader comes back.
//
// One loader per keypad, made by Attach(): it keeps the MCU's memory across boot-loader
// sessions and its faults until they are used up.

#include "emulator/McuMemory.h"
#include "emulator/SimulatedDevice.h"
#include "emulator/SimulatedKeypad.h"

#include <array>
#include <memory>
#include <vector>

namespace emulator {

inline constexpr uint16_t kBootLoaderVid = 0x2047;
inline constexpr uint32_t kRamBslAddress = 0x2500;
inline constexpr uint32_t kRamBslEntry = 0x2504;
inline constexpr int kBootLoaderInterface = 0;

enum class BootLoaderFaultKind {
    // The next RX password is treated as wrong whatever it holds (answer 0x05, mass erase).
    RefusePassword,
    // TX BSL version answers the four bytes of param (0xVVCCAAPP) instead of the RAM loader's.
    WrongVersion,
    // The matching CRC check answers a CRC that does not fit the memory.
    CrcMismatch,
    // The loader leaves the bus on the matching report; param > 0 plugs the MCU back in after
    // param ms (it then starts as after a power-on).
    Unplug,
};

struct BootLoaderFault {
    BootLoaderFaultKind kind = BootLoaderFaultKind::Unplug;
    // Reports with this command byte count (kAnyCommand: all). RefusePassword, WrongVersion and
    // CrcMismatch imply theirs.
    int command = kAnyCommand;
    // Let this many matching reports through first: CRC mismatch on block k is skip k-1.
    int skip = 0;
    int times = 1;
    uint32_t param = 0;
};

class SimulatedBootLoader : public SimulatedDevice {
public:
    struct Options {
        // From the start of the RAM loader until it is back on the bus.
        uint32_t reenumerateMs = 800;
        // From a reset until the application (or the flash loader) is back on the bus.
        uint32_t restartMs = 1000;
        // The vendor's RAM loader starts unlocked; ours asks for the password again.
        bool ramBslStartsUnlocked = false;
    };

    enum class Mode {
        FlashBsl,
        RamBsl,
    };

    struct Received {
        uint8_t command = 0;
        std::vector<uint8_t> payload;
        uint64_t atUs = 0;
    };

    SimulatedBootLoader(std::span<const uint8_t> vectors, Options options);

    // Gives keypad its boot loader: its flash holds an application of the keypad's firmware
    // version whose interrupt vectors end in these 32 password bytes. CmdEnterBsl brings this
    // loader onto the bus. The caller keeps the loader alive (the keypad holds it weakly).
    static std::shared_ptr<SimulatedBootLoader>
    Attach(SimulatedKeypad& keypad, std::span<const uint8_t> vectors, Options options);
    static std::shared_ptr<SimulatedBootLoader> Attach(SimulatedKeypad& keypad,
                                                       std::span<const uint8_t> vectors) {
        return Attach(keypad, vectors, Options{});
    }

    uint16_t VendorId() const override { return kBootLoaderVid; }
    uint16_t ProductId() const override { return kBootLoaderPid; }
    std::vector<InterfaceInfo> Interfaces() const override {
        return {{kBootLoaderInterface, 0xFF00, 0x01}};
    }
    std::wstring Manufacturer() const override { return L"Texas Instruments"; }
    std::wstring Product() const override { return L"MSP430-USB Example"; }
    void OnOutputReport(int iface, std::span<const uint8_t> report, uint64_t arrivalUs,
                        std::vector<TimedReport>& replies) override;

    void InjectFault(const BootLoaderFault& fault);
    void ClearFaults();

    // State for tests, read under the bus lock.
    Mode mode() const;
    bool locked() const;
    McuMemory memory() const;
    // Replaces the flash contents (before the first session: instead of the keypad's own).
    void SetMemory(const McuMemory& memory);
    std::vector<Received> received() const;
    std::vector<uint8_t> ReceivedCommands() const;
    void ClearReceived();
    int massErases() const;

    Options options;

private:
    void Enter(const std::shared_ptr<SimulatedKeypad>& keypad);
    void StartSession(Mode mode);
    BootLoaderFault* MatchFault(BootLoaderFaultKind kind, uint8_t command);
    void Message(uint8_t code, uint64_t arrivalUs, std::vector<TimedReport>& replies);
    void Data(std::span<const uint8_t> data, uint64_t arrivalUs, std::vector<TimedReport>& replies);
    bool WriteBlock(uint32_t address, std::span<const uint8_t> data, uint64_t arrivalUs,
                    bool ramOnly);
    void CheckPassword(std::span<const uint8_t> password, uint64_t arrivalUs,
                       std::vector<TimedReport>& replies);
    void LoadPc(uint32_t address, uint64_t arrivalUs);
    // The MCU restarts at atUs: off the bus, then after restartMs the application or the
    // flash loader.
    void Restart(uint64_t atUs);
    void PowerOn(uint64_t atUs);

    McuMemory memory_;
    std::array<uint8_t, kPasswordLength> vectors_{};
    // The first session finds the keypad's running firmware in the flash.
    bool installed_ = false;
    Mode mode_ = Mode::FlashBsl;
    bool locked_ = true;
    bool ramBslWritten_ = false;
    // Between a reset (or the RAM loader's start) and the next session.
    bool restarting_ = false;
    std::array<uint8_t, 4> version_{};
    std::shared_ptr<SimulatedKeypad> keypad_;
    std::vector<BootLoaderFault> faults_;
    std::vector<Received> received_;
    int massErases_ = 0;
    uint64_t lastReplyUs_ = 0;
};

} // namespace emulator
