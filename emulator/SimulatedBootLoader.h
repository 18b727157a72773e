#pragma once

// The keypad's MSP430 as its USB boot loader (0x2047:0x0200) shows it to the host, held to what
// the vendor's loaders do. It starts as the loader resident in flash, which understands only RX
// data block fast into RAM, RX password and Load PC. Load PC at 0x2504 runs whatever RAM holds
// there: our simulated RAM loader (emulator/SimulatedRamBsl.h) re-enumerates, unlocked, with the
// full command set; anything else crashes the MCU, which then leaves the bus until a power
// cycle. The RAM loader writes through a 128-byte buffer, so a write (a PMMCTL0 reset among
// them) takes effect only when a later write, CRC, TX data block or Load PC flushes it. A reset
// (software BOR, PMM or watchdog password violation) restarts the MCU: with a reset vector the
// keypad application comes back, the new one with its firmware version read from the image at
// kAppVersionAddress, factory settings and no serial number; without one the flash loader.
//
// One per keypad, made by Attach(): it keeps the MCU's memory and mode across boot-loader
// sessions (and, through the state file, across demo runs) and its faults until used up.

#include "emulator/McuMemory.h"
#include "emulator/SimulatedDevice.h"
#include "emulator/SimulatedKeypad.h"

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace emulator {

inline constexpr uint16_t kBootLoaderVid = 0x2047;
inline constexpr uint32_t kRamBslAddress = 0x2500;
inline constexpr uint32_t kRamBslEntry = 0x2504;
inline constexpr int kBootLoaderInterface = 0;
inline constexpr uint32_t kWriteBufferSize = 128;

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
    // The matching report is not carried out but answered with the 0x3B message param.
    Refuse,
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
        // From a reset (or a power cycle) until the application or the flash loader is back.
        uint32_t restartMs = 1000;
    };

    // What the MCU runs.
    enum class Mode {
        Application,
        FlashBsl,
        RamBsl,
        // Jumped into something that is not code: off the bus until a power cycle.
        Crashed,
    };

    struct Received {
        uint8_t command = 0;
        std::vector<uint8_t> payload;
        uint64_t atUs = 0;
    };

    // A stretch of main flash [start, end).
    struct Range {
        uint32_t start = 0;
        uint32_t end = 0;
        bool operator==(const Range&) const = default;
    };

    // Everything the state file keeps; the chip stays powered between two demo runs.
    struct SavedState {
        Mode mode = Mode::Application;
        bool locked = true;
        // The flash holds an image (the keypad's own until the first boot-loader session).
        bool installed = false;
        // Main flash changed since the application last started.
        bool applicationChanged = false;
        std::array<uint8_t, 4> version{};
        uint32_t bufferStart = 0;
        std::vector<uint8_t> buffer;
        McuMemory memory;
        // Since the application last started: what the host wrote into main flash, what a CRC
        // check has since confirmed, and where a write did not take (flash only clears bits).
        std::vector<Range> written;
        std::vector<Range> verified;
        std::vector<uint32_t> writeFailures;
        // A reset or power cut was under way: the chip comes up whether or not a host is
        // there to see it.
        bool poweringUp = false;
        // Information memory segment A takes no writes or erases (LOCKA, set by every reset).
        bool infoALocked = true;
    };

    SimulatedBootLoader(std::span<const uint8_t> vectors, Options options);

    // Gives keypad its boot loader: its flash holds an application of the keypad's firmware
    // version whose interrupt vectors end in these 32 password bytes. CmdEnterBsl brings this
    // loader onto the bus, and plugging the keypad in powers this MCU up. The caller keeps the
    // loader alive (the keypad holds it weakly).
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

    // Takes the MCU off the bus now (RAM and the write buffer are lost, flash stays) and powers
    // it up again after offMs: the application when a reset vector is programmed and the image
    // is complete, else the flash loader.
    void PowerCycle(uint32_t offMs = 0);
    // The flash holds an image that was written whole and verified since it last changed (or
    // was not changed since the application last started). A real MCU would jump into a half
    // written image; the model lets it come up as the flash loader, which is where a cut during
    // the download leaves a real keypad in practice (the reset vector is erased first and
    // written last).
    bool ImageComplete() const;

    // Called after each report the loader took in and whenever the MCU starts something else
    // (bus lock held), so a caller can keep the chip's state, e.g. the demo's state file.
    std::function<void()> onChange;

    SavedState Saved() const;
    void Restore(const SavedState& state);
    // Puts on the bus what the restored MCU runs: the keypad, this loader, or nothing.
    void Resume();

    // State for tests, read under the bus lock.
    Mode mode() const;
    bool locked() const;
    // A reset or power cut is under way: the MCU comes up by itself.
    bool poweringUp() const;
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
    void OnFlashLoaderReport(uint8_t command, std::span<const uint8_t> payload, uint64_t arrivalUs,
                             std::vector<TimedReport>& replies);
    void OnRamLoaderReport(uint8_t command, std::span<const uint8_t> payload, uint64_t arrivalUs,
                           std::vector<TimedReport>& replies);
    // The flash loader writes RAM at once and ignores every other address.
    void WriteRam(uint32_t address, std::span<const uint8_t> data);
    // The RAM loader's buffered write; false when a flush it caused failed its write check.
    bool BufferWrite(uint32_t address, std::span<const uint8_t> data, uint64_t atUs);
    bool Flush(uint64_t atUs);
    // A word or byte written to a password-protected register: true when it resets the MCU.
    static bool ResetsMcu(uint32_t address, std::span<const uint8_t> bytes, std::size_t at,
                          std::size_t& used);
    void CheckPassword(std::span<const uint8_t> password, uint64_t arrivalUs,
                       std::vector<TimedReport>& replies);
    bool RamHoldsRamLoader() const;
    void LoadPc(uint32_t address, uint64_t arrivalUs);
    void Crash(uint64_t atUs);
    void ChangeMainFlash();
    // Bookkeeping of one byte the host had written into main flash.
    void NoteWritten(uint32_t address, bool took);
    void NoteErased(uint32_t start, uint32_t end);
    void NoteCrcChecked(uint32_t start, uint32_t end);
    // The MCU restarts at atUs: off the bus, then after restartMs the application or the
    // flash loader.
    void Restart(uint64_t atUs);
    // The MCU comes up at atUs as after a power-on; until then it takes no reports.
    void PowerOn(uint64_t atUs);
    // Powers on now and lets the bus run what is due, so the MCU is back before this returns.
    void PowerOnNow();
    // What every reset does to the chip: RAM and the write buffer are lost, and the flash
    // controller locks information segment A again (LOCKA).
    void ResetChip();
    void Notify() const;
    // Plugging the keypad in: the application as it was when nothing changed it, else a
    // power-on.
    void PowerUpNow();
    // Until the first boot-loader session nothing has touched the flash: it holds the image of
    // the firmware keypad runs.
    void EnsureInstalled(const SimulatedKeypad& keypad);

    McuMemory memory_;
    std::array<uint8_t, kPasswordLength> vectors_{};
    bool installed_ = false;
    Mode mode_ = Mode::Application;
    bool locked_ = true;
    bool applicationChanged_ = false;
    // Between a reset (or the RAM loader's start) and the next session.
    bool restarting_ = false;
    // A reset or power cut, with the power-on still to come.
    bool poweringUp_ = false;
    bool infoALocked_ = true;
    std::array<uint8_t, 4> version_{};
    uint32_t bufferStart_ = 0;
    std::vector<uint8_t> buffer_;
    std::vector<Range> written_;
    std::vector<Range> verified_;
    std::vector<uint32_t> writeFailures_;
    std::shared_ptr<SimulatedKeypad> keypad_;
    std::vector<BootLoaderFault> faults_;
    std::vector<Received> received_;
    int massErases_ = 0;
    uint64_t lastReplyUs_ = 0;
};

} // namespace emulator
