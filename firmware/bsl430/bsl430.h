#pragma once

// The MSP430 USB boot-strap loader operations the firmware upgrade uses, with the names and
// results of the vendor's BSL430 library, over hidapi on every platform. One loader
// connection per process; the calls may come from any one thread at a time (they serialise).

#include "firmware/bsl430/protocol.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// A block of image bytes as the library hands it out: numberOfBytes bytes of data starting at
// startAddr.
struct DataBlock_ {
    uint8_t data[10240];
    uint32_t numberOfBytes;
    uint32_t startAddr;
};
static_assert(offsetof(DataBlock_, numberOfBytes) == 10240);
static_assert(offsetof(DataBlock_, startAddr) == 10244);
static_assert(sizeof(DataBlock_) == 10248);

inline constexpr int kDataBlockCapacity = 10240;

// The receive buffer after an exchange: [0] 0x00, [1] 0x80, [2..3] length of what follows
// (response code and data, low byte first), [4] response code, [5...] data. After a CRC
// request bytes 5 (low) and 6 (high) hold the device's CRC.
inline constexpr int kRxBufferSize = 72;
inline constexpr int kRxBufferHeaderOffset = 1;
inline constexpr int kRxBufferLengthOffset = 2;
inline constexpr int kRxBufferCodeOffset = 4;
inline constexpr int kRxBufferDataOffset = 5;
inline constexpr uint8_t kRxBufferHeader = 0x80;

// Device-change messages as the operating system posts them to a window.
inline constexpr uint32_t kDeviceChangeMessage = 0x0219;
inline constexpr uintptr_t kDeviceArrival = 0x8000;
inline constexpr uintptr_t kDeviceRemoveComplete = 0x8004;

// Called on the watcher's own thread; a window passes the message on to its own thread.
using DeviceChangeHandler = std::function<void(uint32_t message, uintptr_t parameter)>;

// 0 = registered: handler receives an arrival or removal message whenever a HID device comes
// or goes, until the window unregisters. Every window registers its own; nonzero when handler
// is empty or this window is registered already.
int BSL_RegisterUSBDeviceNotification(const void* window, DeviceChangeHandler handler);
// Once it returns, the window's handler is not called again.
void BSL_UnRegisterUSBDeviceNotification(const void* window);

// Number of attached loaders with these ids.
uint32_t BSL_NumOfUSBDevices(uint16_t vid, uint16_t pid);

void BSL_setFamily(uint32_t family);
void BSL_setCom(uint32_t com);
// Connects to the loader named by the connection text ("PID=0x0200,VID=0x2047,DEVICEINDEX=0")
// for the family and communication set before, if it is on the bus now. 1 = no device or
// failure, 0 = connected.
int BSL_initialize_BSL(const char* connection);
int BSL_close_BSL();

// The first block (at most maxBytes bytes) of a TI-TXT text; no bytes when it is malformed.
DataBlock_ BSL_readTI_Text(const char* text, int maxBytes);
// 32 bytes of 0xFF at 0xFFE0: the password of an erased device.
DataBlock_ BSL_getDefaultPass();
// 0 = accepted. A refused password makes the loader erase the main flash.
int BSL_RX_Password(const DataBlock_& password);

// Writes every byte of a TI-TXT text; fast != 0 sends unacknowledged blocks. 0 = written.
int BSL_RX_TXT(const char* text, int fast);
// Same for a TI-TXT file; kBslCannotOpenFile when it cannot be opened or read as TI-TXT.
int BSL_RX_TXT_File(const char* fileName, int fast);
// Starts execution at address (0x2504 starts a RAM loader, which then re-enumerates). Returns
// 0 once the loader has left the bus (or is still there after kLoadPcDropWaitMs), the message
// code when it answered instead (0x04: locked), negative when the command could not be sent.
// The caller looks for the loader again before it connects.
int BSL_LoadPC(uint32_t address);
// "Vendor: 00, CI: 06, API: 05, PI: 34" (the digit pairs at 16-17, 25-26 and 33-34), or
// "ERROR". Valid until the next call.
const char* BSL_TX_BSL_Version_String();
// 0 = the segment holding address is erased.
int BSL_eraseSegment(uint32_t address);
// 0 = the device computed the CRC of length bytes from address into the receive buffer.
int BSL_CRC_Check(uint32_t address, uint32_t length);
const uint8_t* BSL_get_RX_Buffer();

// Block-wise reading of a TI-TXT file. kBslCannotOpenFile (-2) when the file cannot be opened
// or is not valid TI-TXT (nothing is read from a malformed file).
int BSL_openTI_TextForRead(const char* fileName);
int BSL_moreDataToRead_TextFile();
DataBlock_ BSL_readTI_TextFile(int maxBytes);
void BSL_closeTI_Text();

namespace bsl430 {

// Why the last failed operation failed, for logs ("line 7: \"0G\" is not a hex byte").
std::string LastError();

// The device watcher polls hidapi's enumeration this often on its own thread (wall time). 0
// starts no thread: the owner calls PollDeviceNotification() itself (tests on virtual time).
void SetDeviceNotificationInterval(uint32_t intervalMs);
void PollDeviceNotification();

} // namespace bsl430
