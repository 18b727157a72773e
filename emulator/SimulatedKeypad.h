#pragma once

// A ten-key keypad's application firmware as the host sees it over interface 1.

#include "emulator/Fault.h"
#include "emulator/SimulatedDevice.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace emulator {

inline constexpr uint16_t kKeypadVid = 0x2047;
inline constexpr uint16_t kKeypadPid = 0x09D0;
inline constexpr uint16_t kBootLoaderPid = 0x0200;
inline constexpr int kKeyboardInterface = 0;
inline constexpr int kVendorInterface = 1;

inline constexpr int kKeyCount = 10;
inline constexpr int kKeyBlockSize = 20;
inline constexpr int kExtraBlockSize = 50;
inline constexpr int kLedLevels = 10;
inline constexpr int kTableKinds = 7;
inline constexpr int kCustomSingleKind = 2;
inline constexpr int kCustomMultiKind = 5;
inline constexpr uint8_t kStatusRefused = 0x01;

struct BleSettings {
    std::string name = "Echovane";
    std::string manufacturerData = "5F6E8D"; // six hex digits
    std::string powerLevel = "8";
    uint8_t enabled = 1;
    bool operator==(const BleSettings&) const = default;
};

// What CmdWriteDefault keeps and CmdResetToDefault puts back.
struct KeypadSettings {
    uint8_t ledBrightness = 5;
    uint8_t tableKind = 0;
    std::array<uint8_t, kKeyBlockSize> customTable{};    // kind 2: (modifier code, key code)
    std::array<uint8_t, kKeyBlockSize> multicodeTable{}; // kind 5: (modifier mask, key code)
    std::array<uint8_t, kExtraBlockSize> multicodeExtra{};
    BleSettings ble;
    bool operator==(const KeypadSettings&) const = default;
};

struct ReceivedCommand {
    uint8_t command = 0;
    std::vector<uint8_t> data;
    uint64_t atUs = 0;
};

class SimulatedKeypad : public SimulatedDevice {
public:
    struct Model {
        bool hasMulticode = true;
        bool hasBle = true;
        uint8_t productType = 1;
        std::string firmwareVersion = "VX0810";
        std::string serialNumber = "12345678";
        std::string temperature = "25";
    };

    SimulatedKeypad();
    explicit SimulatedKeypad(Model model);

    static KeypadSettings FactorySettings();

    uint16_t VendorId() const override { return kKeypadVid; }
    uint16_t ProductId() const override { return kKeypadPid; }
    std::vector<InterfaceInfo> Interfaces() const override;
    std::wstring Manufacturer() const override { return L"Vexor"; }
    std::wstring Product() const override { return L"Echovane"; }
    std::wstring Serial() const override;
    void OnOutputReport(int iface, std::span<const uint8_t> report, uint64_t arrivalUs,
                        std::vector<TimedReport>& replies) override;

    // Faults to apply to the coming requests, in the order given.
    void InjectFault(const Fault& fault);
    void ClearFaults();

    // Called with each well-formed request as it arrives (bus lock held); tests use it to
    // hold an exchange in flight.
    std::function<void(const ReceivedCommand&)> onCommand;
    // Called after a request changed the settings, the stored defaults or the serial number
    // (bus lock held), so a caller can keep them, e.g. the demo's state file.
    std::function<void()> onChange;

    std::vector<ReceivedCommand> received() const;
    std::vector<uint8_t> ReceivedCodes() const;
    void ClearReceived();
    int malformedRequests() const { return malformedRequests_; }

    // The keypad's state; tests and the demo panel read and change it directly.
    Model model;
    KeypadSettings settings;
    KeypadSettings storedDefaults;
    bool jackInserted = false;
    bool horizontal = false;
    // Time the firmware takes to work on a request before it answers.
    uint32_t processingUs = 0;
    // How long the keypad stays off the bus after a factory reset, and until its boot loader
    // shows up after CmdEnterBsl.
    uint32_t rebootMs = 1500;
    uint32_t bootLoaderDelayMs = 1000;

    // Builds what appears on the bus after CmdEnterBsl; by default a boot loader that does
    // not answer.
    std::function<std::shared_ptr<SimulatedDevice>(SimulatedKeypad&)> makeBootLoader;
    // What plugging the keypad in powers up, set by the boot loader that models its MCU: the
    // application, or the flash loader when there is none. Unset: the keypad itself.
    std::function<void(SimulatedKeypad&)> powerUp;
    // Plugs the keypad in, which powers it up: through powerUp when set; the settings it had
    // not kept (CmdWriteDefault) are gone.
    void PlugIn();

    // The reply data the keypad would send for these requests in its current state.
    std::vector<uint8_t> StatusBlock() const;
    std::vector<uint8_t> BleBlock() const;

private:
    struct Answer {
        uint8_t status = 0;
        std::vector<uint8_t> data;
        bool rebootAfter = false;
        bool enterBootLoaderAfter = false;
    };
    Answer Execute(uint8_t command, const std::vector<uint8_t>& data);
    Fault* MatchFault(uint8_t command);
    void LeaveBus(uint64_t atUs, bool asBootLoader);

    std::vector<Fault> faults_;
    std::vector<ReceivedCommand> received_;
    int malformedRequests_ = 0;
    // The firmware answers one request at a time: a reply never overtakes an earlier one.
    uint64_t lastReplyUs_ = 0;
};

// An encoded reply report for the keypad protocol.
Report BuildReplyReport(uint8_t command, uint8_t status, const std::vector<uint8_t>& data);

// A boot loader that enumerates but never answers.
class SilentBootLoader : public SimulatedDevice {
public:
    uint16_t VendorId() const override { return kKeypadVid; }
    uint16_t ProductId() const override { return kBootLoaderPid; }
    std::vector<InterfaceInfo> Interfaces() const override { return {{0, 0xFF00, 0x01}}; }
    std::wstring Product() const override { return L"MSP430-USB Example"; }
    std::wstring Manufacturer() const override { return L"Texas Instruments"; }
    void OnOutputReport(int, std::span<const uint8_t>, uint64_t,
                        std::vector<TimedReport>&) override {}
};

} // namespace emulator
