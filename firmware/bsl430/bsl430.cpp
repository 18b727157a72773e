#include "bsl430.h"

#include "firmware/bsl430/ConnectionText.h"
#include "firmware/bsl430/TiTxtReader.h"
#include "firmware/bsl430/UsbBslLink.h"
#include "firmware/bsl430/UsbDeviceWatcher.h"

#include "device/link_lock.h"
#include "platform/clock.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

using bsl430::ConnectionText;
using bsl430::TiTxtReader;
using bsl430::UsbBslLink;

namespace {

constexpr char kVersionError[] = "ERROR";
constexpr uint32_t kDefaultNotificationIntervalMs = 500;
constexpr uint32_t kMaxCrcLength = 0xFFFF;
constexpr uint8_t kErasedByte = 0xFF;

struct Session {
    std::recursive_mutex mutex;
    uint32_t family = 0;
    uint32_t com = 0;
    UsbBslLink link;
    std::array<uint8_t, kRxBufferSize> rxBuffer{};
    std::string version = kVersionError;
    TiTxtReader fileReader;
    std::string lastError;
};

// Never destroyed: the loader link must not be closed after hidapi is gone at exit.
Session& TheSession() {
    static Session* session = new Session;
    return *session;
}

// One watcher for the program, its messages handed to every registered window.
struct Watching {
    std::mutex mutex;
    uint32_t intervalMs = kDefaultNotificationIntervalMs;
    std::shared_ptr<bsl430::UsbDeviceWatcher> watcher;
    // Held while handlers run, so none runs after its window has unregistered.
    std::mutex dispatch;
    std::map<const void*, DeviceChangeHandler> handlers;
};

Watching& TheWatching() {
    static Watching* watching = new Watching;
    return *watching;
}

DataBlock_ EmptyBlock() {
    DataBlock_ block;
    std::memset(&block, 0, sizeof block);
    return block;
}

DataBlock_ ToDataBlock(const TiTxtReader::Block& from) {
    DataBlock_ block = EmptyBlock();
    const std::size_t count = std::min<std::size_t>(from.bytes.size(), kDataBlockCapacity);
    if (count > 0) {
        std::memcpy(block.data, from.bytes.data(), count);
    }
    block.numberOfBytes = static_cast<uint32_t>(count);
    block.startAddr = from.address;
    return block;
}

std::size_t BlockLimit(int maxBytes) {
    return static_cast<std::size_t>(std::clamp(maxBytes, 1, kDataBlockCapacity));
}

void StoreReply(Session& s, const UsbBslLink::Reply& reply) {
    s.rxBuffer.fill(0);
    const int length = 1 + reply.length;
    s.rxBuffer[kRxBufferHeaderOffset] = kRxBufferHeader;
    s.rxBuffer[kRxBufferLengthOffset] = static_cast<uint8_t>(length);
    s.rxBuffer[kRxBufferLengthOffset + 1] = static_cast<uint8_t>(length >> 8);
    s.rxBuffer[kRxBufferCodeOffset] = reply.code;
    std::memcpy(s.rxBuffer.data() + kRxBufferDataOffset, reply.data.data(),
                static_cast<std::size_t>(reply.length));
}

std::string Hex(uint32_t value, int digits) {
    char text[12];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

int Failed(Session& s, int result, const std::string& what) {
    if (result != bsl430::kBslOk) {
        if (result > 0) {
            s.lastError = what + ": the boot loader answered message 0x" +
                          Hex(static_cast<uint32_t>(result), 2);
        } else if (result == bsl430::kBslTimeout) {
            s.lastError = what + ": the boot loader did not answer";
        } else if (result == bsl430::kBslBadReply) {
            s.lastError = what + ": the boot loader's answer is malformed";
        } else if (result == bsl430::kBslNotConnected) {
            s.lastError = what + ": the boot loader is not connected" +
                          (s.link.lastError().empty() ? "" : " (" + s.link.lastError() + ")");
        }
    }
    return result;
}

// Sends every byte of an image in reports of at most 58 data bytes.
int WriteImage(Session& s, const TiTxtReader& image, bool fast) {
    if (!s.link.IsOpen()) {
        return Failed(s, bsl430::kBslNotConnected, "write");
    }
    std::array<uint8_t, bsl430::kMaxPayload> payload{};
    for (const auto& segment : image.segments()) {
        for (std::size_t at = 0; at < segment.bytes.size();) {
            const std::size_t count =
                std::min<std::size_t>(bsl430::kMaxRxDataPerReport, segment.bytes.size() - at);
            const uint32_t address = segment.address + static_cast<uint32_t>(at);
            const auto addressBytes = UsbBslLink::AddressBytes(address);
            std::copy(addressBytes.begin(), addressBytes.end(), payload.begin());
            std::memcpy(payload.data() + bsl430::kAddressBytes, segment.bytes.data() + at, count);
            const std::span<const uint8_t> report(payload.data(), bsl430::kAddressBytes + count);
            const int result = fast ? s.link.Send(bsl430::kCmdRxDataBlockFast, report)
                                    : s.link.ExchangeForMessage(bsl430::kCmdRxDataBlock, report);
            if (result != bsl430::kBslOk) {
                return Failed(s, result, "write at 0x" + Hex(address, 5));
            }
            at += count;
        }
    }
    return bsl430::kBslOk;
}

} // namespace

int BSL_RegisterUSBDeviceNotification(const void* window, DeviceChangeHandler handler) {
    if (!handler) {
        return 1;
    }
    Watching& w = TheWatching();
    std::shared_ptr<bsl430::UsbDeviceWatcher> started;
    uint32_t interval = 0;
    {
        std::lock_guard lock(w.mutex);
        {
            std::lock_guard dispatch(w.dispatch);
            if (!w.handlers.emplace(window, std::move(handler)).second) {
                return 1;
            }
        }
        if (w.watcher) {
            return 0;
        }
        // Every HID device, as the operating system's notification reports them.
        w.watcher = std::make_shared<bsl430::UsbDeviceWatcher>(
            0, 0, [&w](uint32_t message, uintptr_t parameter) {
                std::lock_guard dispatch(w.dispatch);
                for (const auto& [registered, notify] : w.handlers) {
                    notify(message, parameter);
                }
            });
        started = w.watcher;
        interval = w.intervalMs;
    }
    if (interval > 0) {
        started->Start(interval);
    } else {
        started->Poll();
    }
    return 0;
}

void BSL_UnRegisterUSBDeviceNotification(const void* window) {
    std::shared_ptr<bsl430::UsbDeviceWatcher> stopped;
    {
        Watching& w = TheWatching();
        std::lock_guard lock(w.mutex);
        {
            std::lock_guard dispatch(w.dispatch);
            w.handlers.erase(window);
            if (!w.handlers.empty()) {
                return;
            }
        }
        stopped = std::move(w.watcher);
    }
    if (stopped) {
        stopped->Stop();
    }
}

uint32_t BSL_NumOfUSBDevices(uint16_t vid, uint16_t pid) {
    // Under the link lock so a rescan cannot shut hidapi down in the middle.
    device::LinkLock lock = device::LockLink();
    uint32_t count = 0;
    hid_device_info* devices = hid_enumerate(vid, pid);
    for (hid_device_info* info = devices; info != nullptr; info = info->next) {
        ++count;
    }
    hid_free_enumeration(devices);
    return count;
}

void BSL_setFamily(uint32_t family) {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    s.family = family;
}

void BSL_setCom(uint32_t com) {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    s.com = com;
}

int BSL_initialize_BSL(const char* connection) {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    s.lastError.clear();
    s.link.Close();
    std::string why;
    const auto parsed =
        connection != nullptr ? ConnectionText::Parse(connection, &why) : std::nullopt;
    if (!parsed) {
        s.lastError = "connection text: " + (connection != nullptr ? why : "none given");
        return bsl430::kBslInitializeFailed;
    }
    if (s.family != bsl430::kFamilyF5xxUsb || s.com != bsl430::kComUsbHid) {
        s.lastError = "family " + std::to_string(s.family) + " with communication " +
                      std::to_string(s.com) + " is not supported (only family 3, USB 2)";
        return bsl430::kBslInitializeFailed;
    }
    if (s.link.Open(parsed->vid, parsed->pid, parsed->deviceIndex)) {
        return bsl430::kBslOk;
    }
    s.lastError = "connect: " + s.link.lastError();
    return bsl430::kBslInitializeFailed;
}

int BSL_close_BSL() {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    s.link.Close();
    return bsl430::kBslOk;
}

DataBlock_ BSL_readTI_Text(const char* text, int maxBytes) {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    if (text == nullptr) {
        s.lastError = "no TI-TXT text given";
        return EmptyBlock();
    }
    TiTxtReader reader;
    if (reader.Parse(text) != TiTxtReader::Status::Ok) {
        s.lastError = "TI-TXT text " + reader.error();
        return EmptyBlock();
    }
    return ToDataBlock(reader.Next(BlockLimit(maxBytes)));
}

DataBlock_ BSL_getDefaultPass() {
    DataBlock_ block = EmptyBlock();
    std::memset(block.data, kErasedByte, bsl430::kPasswordSize);
    block.numberOfBytes = bsl430::kPasswordSize;
    block.startAddr = bsl430::kPasswordAddress;
    return block;
}

int BSL_RX_Password(const DataBlock_& password) {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    // A short or long block is never sent: a wrong password erases the flash.
    if (password.numberOfBytes != static_cast<uint32_t>(bsl430::kPasswordSize)) {
        s.lastError =
            "password: " + std::to_string(password.numberOfBytes) + " bytes instead of 32";
        return bsl430::kBslBadArgument;
    }
    return Failed(
        s,
        s.link.ExchangeForMessage(bsl430::kCmdRxPassword, {password.data, bsl430::kPasswordSize}),
        "password");
}

int BSL_RX_TXT(const char* text, int fast) {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    if (text == nullptr) {
        return bsl430::kBslBadArgument;
    }
    TiTxtReader reader;
    if (reader.Parse(text) != TiTxtReader::Status::Ok) {
        s.lastError = "TI-TXT text " + reader.error();
        return bsl430::kBslMalformedText;
    }
    return WriteImage(s, reader, fast != 0);
}

int BSL_RX_TXT_File(const char* fileName, int fast) {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    if (fileName == nullptr) {
        return bsl430::kBslBadArgument;
    }
    TiTxtReader reader;
    if (reader.Load(fileName) != TiTxtReader::Status::Ok) {
        s.lastError = reader.error();
        return bsl430::kBslCannotOpenFile;
    }
    return WriteImage(s, reader, fast != 0);
}

int BSL_LoadPC(uint32_t address) {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    if (address >= bsl430::kAddressSpaceEnd) {
        return bsl430::kBslBadArgument;
    }
    const auto bytes = UsbBslLink::AddressBytes(address);
    s.link.DiscardPending();
    const int sent = s.link.Send(bsl430::kCmdLoadPc, bytes);
    if (sent != bsl430::kBslOk) {
        return Failed(s, sent, "load PC");
    }
    // Wait for the old device to go, so looking for the new one cannot find it still there. A
    // loader that answers refused the jump.
    const int left = s.link.AwaitLeaving(bsl430::kLoadPcDropWaitMs);
    return left > 0 ? Failed(s, left, "load PC") : bsl430::kBslOk;
}

const char* BSL_TX_BSL_Version_String() {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    UsbBslLink::Reply reply;
    const int result = s.link.Exchange(bsl430::kCmdTxBslVersion, {}, reply);
    s.version = kVersionError;
    if (Failed(s, result, "version") != bsl430::kBslOk) {
        return s.version.c_str();
    }
    StoreReply(s, reply);
    if (reply.code != bsl430::kDataResponse || reply.length < bsl430::kVersionBytes) {
        s.lastError = "version: no version in the boot loader's answer";
        return s.version.c_str();
    }
    char text[48];
    std::snprintf(text, sizeof text, "Vendor: %02X, CI: %02X, API: %02X, PI: %02X", reply.data[0],
                  reply.data[1], reply.data[2], reply.data[3]);
    s.version = text;
    return s.version.c_str();
}

int BSL_eraseSegment(uint32_t address) {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    if (address >= bsl430::kAddressSpaceEnd) {
        return bsl430::kBslBadArgument;
    }
    const auto bytes = UsbBslLink::AddressBytes(address);
    return Failed(s, s.link.ExchangeForMessage(bsl430::kCmdEraseSegment, bytes), "erase");
}

int BSL_CRC_Check(uint32_t address, uint32_t length) {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    if (address >= bsl430::kAddressSpaceEnd || length > kMaxCrcLength) {
        return bsl430::kBslBadArgument;
    }
    const auto a = UsbBslLink::AddressBytes(address);
    const std::array<uint8_t, 5> payload = {a[0], a[1], a[2], static_cast<uint8_t>(length),
                                            static_cast<uint8_t>(length >> 8)};
    UsbBslLink::Reply reply;
    const int result = s.link.Exchange(bsl430::kCmdCrcCheck, payload, reply);
    if (Failed(s, result, "CRC") != bsl430::kBslOk) {
        return result;
    }
    StoreReply(s, reply);
    if (reply.code == bsl430::kMessageResponse && reply.length >= 1) {
        return Failed(s, reply.data[0] != 0 ? reply.data[0] : bsl430::kBslBadReply, "CRC");
    }
    if (reply.code != bsl430::kDataResponse || reply.length < 2) {
        return Failed(s, bsl430::kBslBadReply, "CRC");
    }
    return bsl430::kBslOk;
}

const uint8_t* BSL_get_RX_Buffer() {
    return TheSession().rxBuffer.data();
}

int BSL_openTI_TextForRead(const char* fileName) {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    if (fileName == nullptr || s.fileReader.Load(fileName) != TiTxtReader::Status::Ok) {
        s.lastError = fileName == nullptr ? "no file name given" : s.fileReader.error();
        return bsl430::kBslCannotOpenFile;
    }
    return bsl430::kBslOk;
}

int BSL_moreDataToRead_TextFile() {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    return s.fileReader.MoreData() ? 1 : 0;
}

DataBlock_ BSL_readTI_TextFile(int maxBytes) {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    return ToDataBlock(s.fileReader.Next(BlockLimit(maxBytes)));
}

void BSL_closeTI_Text() {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    s.fileReader = TiTxtReader{};
}

namespace bsl430 {

std::string LastError() {
    Session& s = TheSession();
    std::lock_guard lock(s.mutex);
    return s.lastError;
}

void SetDeviceNotificationInterval(uint32_t intervalMs) {
    Watching& w = TheWatching();
    std::lock_guard lock(w.mutex);
    w.intervalMs = intervalMs;
}

void PollDeviceNotification() {
    std::shared_ptr<UsbDeviceWatcher> watcher;
    {
        Watching& w = TheWatching();
        std::lock_guard lock(w.mutex);
        watcher = w.watcher;
    }
    if (watcher) {
        watcher->Poll();
    }
}

} // namespace bsl430
