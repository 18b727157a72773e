#pragma once

// Finding and opening the keypad's vendor interface, and the one process-wide handle.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct hid_device_;
typedef struct hid_device_ hid_device;

inline constexpr int EncoderVid = 0x2047;
inline constexpr int EncoderPid = 0x09D0;
// The framed protocol lives on the second interface of the composite keypad.
inline constexpr int EncoderInterface = 1;
// Caller buffers for the identification strings: 47 characters and a NUL.
inline constexpr int kIdentificationTextSize = 48;
inline constexpr int kDescriptorStringMax = 255;

inline constexpr char kNoneText[] = "None";
inline constexpr char kUnableToFindText[] = "Unable To Find";

// The open keypad handle shared by every window; null until a scan succeeds and after a scan
// fails. Atomic because the self-test worker reads it while the window thread may rescan.
extern std::atomic<hid_device*> hid_handle;

// Opens the first interface-1 device with the given ids (in enumeration order), fills the two
// 48-byte texts and returns the handle in non-blocking mode; null and "None" when none opens.
hid_device* ScanForUSBDevice_a(int vendorId, int productId, char* manufacturer, char* product);

// Closes handle when it is not null, then shuts hidapi down, unless the boot-loader layer still
// has it in use.
void hid_exit_safely(hid_device* handle);

// Closes the keypad open in hid_handle as hid_exit_safely does; nothing when none is open.
void CloseOpenKeypad();

namespace device {

// Why a scan found nothing usable.
enum class ScanOutcome {
    Opened,
    NotPresent,
    // Enumerated but hid_open_path failed: on Linux usually missing udev rules.
    FoundButDenied,
    FoundButUnopenable,
    // No keypad, but a boot loader: a keypad an upgrade took there (or left there).
    BootLoaderOnly,
};

struct ScanReport {
    ScanOutcome outcome = ScanOutcome::NotPresent;
    std::string devicePath; // of the interface that could not be opened
    std::string openError;  // hidapi's text for the failed open
    // The path asked for is this other interface of a keypad, not the one the utility talks to.
    std::optional<int> otherInterface;
};

hid_device* ScanForDevice(int vendorId, int productId, char* manufacturer, char* product,
                          ScanReport* report);

struct RescanResult {
    bool found = false;
    // The boot loader holds hidapi (a firmware upgrade is running): nothing was closed or
    // opened and hid_handle is unchanged.
    bool refused = false;
    ScanReport scan;
    std::string manufacturer;
    std::string product;
};

// The rescan sequence: closes the old handle (shutting hidapi down), opens the keypad anew and
// stores it in hid_handle. Waits for a running exchange; never closes a handle under one. Refused
// while the boot-loader layer has hidapi in use.
RescanResult RescanForKeypad();
// The same for the keypad whose vendor interface is at path (as hidapi enumerates it); not
// found when no keypad interface has that path.
RescanResult RescanForKeypadAt(const std::string& path);

// The paths of every keypad's vendor interface, in enumeration order; nothing is opened.
std::vector<std::string> KeypadPaths();
// The paths of every boot loader on the bus, as ListDevices gives them; nothing is opened.
std::vector<std::string> BootLoaderPaths();

inline constexpr char kNotConnectedText[] = "Vexor Echovane not connected..";
inline constexpr char kRescanRefusedText[] =
    "The firmware upgrade is using the USB connection, please scan again when it has finished..";

// The text of the not-connected message box for a failed rescan: the fixed line and, when the
// keypad is plugged in but cannot be opened, one more line naming the cause and the fix. A
// refused rescan gives the refusal line instead.
std::string NotConnectedMessage(const RescanResult& result);

// The extra line alone (empty when the keypad is simply absent).
std::string OpenFailureHint(const ScanReport& scan);

inline constexpr int BootLoaderPid = 0x0200;

// One HID interface of a keypad or boot loader, and whether this process can open it.
struct DeviceListing {
    enum class Kind { Keypad, BootLoader };
    Kind kind = Kind::Keypad;
    std::string path;
    int interfaceNumber = -1;
    bool protocolInterface = false; // the interface the utility talks to
    bool openable = false;
    std::string whyNot; // when not openable
};

// Every keypad and boot-loader interface on the bus. Opens each briefly to tell whether it can
// be used; takes the link lock, so it never runs beside an exchange.
std::vector<DeviceListing> ListDevices();

} // namespace device
