#pragma once

// The download the upgrade window's worker runs: check the image, start the boot loader
// (password, RAM loader, reconnect), erase, write, verify, reset into the new application. Each
// step reports a percentage and a status line through the callback; the window only shows them.
// Waits follow the device: the loader is looked for until it is back, within a bound.

#include "firmware/boot_loader_files.h"
#include "firmware/device_count.h"
#include "firmware/image_check.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct DataBlock_;

namespace firmware {

// The upgrade takes a firmware path of at most 199 characters (and a NUL), as it always has.
inline constexpr std::size_t kFileNameBufferSize = 200;
inline constexpr uint32_t kResetVectorSegment = 0xFFFF;
// A RAM loader re-enumerates within a few seconds; a busy hub or host controller can take longer.
inline constexpr uint32_t kBootLoaderReturnWaitMs = 15000;
inline constexpr uint32_t kBootLoaderPollMs = 100;
// A keypad sent to its loader (CmdEnterBsl) is back as the loader after about a second; the
// first time a PC meets the loader, Windows may take half a minute to set it up.
inline constexpr uint32_t kKeypadToLoaderWaitMs = 30000;
inline constexpr int kEraseBlockBytes = 512;
inline constexpr int kVerifyBlockBytes = 5000;
inline constexpr uint32_t kCrcRequestFailed = 0xFFFFFFFF;
inline constexpr uint16_t kCrcInitial = 0xFFFF;
inline constexpr int kVersionTextLength = 35;
inline constexpr char kVendorRamBslVersion[] = "00.06.05.34";

inline constexpr char kStartingText[] = "Starting\r\n";
inline constexpr char kNoFileText[] = "No file specified\r\n";
inline constexpr char kPathTooLongText[] =
    "The firmware file path is too long (199 characters at most), please move the file to a "
    "folder with a shorter path..";
inline constexpr char kRestartingText[] = "Unsuccessful in starting the BSL. Restarting. \r\n";
inline constexpr char kErasingText[] = "Erasing memory segments \r\n";
inline constexpr char kFirmwareSentText[] = "Firmware Sent\r\n";
inline constexpr char kVerifyingText[] = "Verifying memory\r\n";
inline constexpr char kVerifyErrorText[] = "Memory verification error\r\n";
inline constexpr char kVerifiedText[] = "Memory successfully verified\r\n";
inline constexpr char kDoneText[] = "Done!";
inline constexpr char kUnpluggedText[] = "USB device was unplugged!\r\n";
inline constexpr char kMassEraseText[] = "Mass erase occured!\r\n";
inline constexpr char kPasswordFailedText[] = "Password FAILED!\r\n";
inline constexpr char kPasswordSentText[] = "Password Sent Successfully\r\n";
inline constexpr char kRamBslReadFailedText[] = "Failed to read data from RAM BSL\r\n";
inline constexpr char kPasswordFailedAfterRamBslText[] =
    "Password FAILED after sending RAM BSL!\r\n";
inline constexpr char kResetVectorEraseFailedText[] = "Failed to erase reset vector\r\n";
inline constexpr char kResettingText[] = "Resetting Device...\r\nStarting application\r\n";
inline constexpr char kRamBslStartFailedText[] = "Failed to start RAM BSL\r\n";
inline constexpr char kUpgradeRunningText[] =
    "The firmware upgrade is still running, please wait until it has finished..";

// The message for a path the boot loader cannot take; nothing when it fits.
std::optional<std::string> FirmwarePathProblem(const std::string& path);

// The boot loader connection is one per program: one download at a time. A window or command
// holds the slot from the download's start until its restore is through.
class DownloadSlot {
public:
    DownloadSlot();
    ~DownloadSlot();
    DownloadSlot(const DownloadSlot&) = delete;
    DownloadSlot& operator=(const DownloadSlot&) = delete;
    // False when another download held it already.
    bool taken() const { return taken_; }

private:
    bool taken_ = false;
};
bool DownloadRunning();

class UpgradeSequence {
public:
    // percent 0..100 and a status line ("" only moves the bar).
    using ProgressReport = std::function<void(int percent, const std::string& text)>;
    using Sleep = std::function<void(uint32_t ms)>;

    // files: the RAM boot loader and password to send (FindBootLoaderFiles). Waits go through
    // sleep, SleepMs unless given.
    UpgradeSequence(BootLoaderFiles files, ProgressReport report, Sleep sleep = {});

    // backgroundWorker1_DoWork with the file name of filenameTextBox. True = "Done!". The file
    // is read once and checked before the boot loader hears anything; what was checked is what
    // gets written and verified. The boot loader connection is closed at the end whatever the
    // outcome.
    bool Run(const std::string& fileName);
    // As Run, with the file's text read and checked by the caller before it sent the keypad to
    // its loader (CheckFirmwareFile): nothing is read again. A failed check is reported as such.
    bool Run(const std::string& fileName, const ImageCheck& image);

    // The steps, callable one by one (tests, benchmark). imagePath is what is read, fileName
    // what the status lines name.
    bool CustomSelectedFirmware(const std::string& fileName);
    bool CustomSelectedFirmware(const std::string& fileName, const std::string& imagePath);
    bool DownloadStartUp(bool& massErase);
    int EraseDataSegment_File(const std::string& fileName);
    int CRC_Check_File(const std::string& fileName);
    // The device's CRC of the range, or kCrcRequestFailed.
    static uint32_t CRC_Check(uint32_t address, uint32_t length);
    static uint16_t Calculate_CRC(const DataBlock_& block);
    bool TriggerForcedBOR();

    BootLoaderIds ids;
    uint32_t startProgramTime = 0;
    uint32_t stopProgramTime = 0;
    uint32_t totalProgramTime = 0;

private:
    void Report(int percent, const std::string& text) const;
    // Each reports why, as the download's first and only line.
    bool NameRefused(const std::string& fileName) const;
    bool Refused(const std::string& fileName, const ImageCheck& image) const;
    // Connects to the loader once one is on the bus, looking for it up to
    // kBootLoaderReturnWaitMs.
    bool Connect(const std::string& connection);
    // Opens the loader on the bus as the keypad's USB loader; false when it cannot be opened.
    bool OpenLoader(const std::string& connection);

    ProgressReport report_;
    Sleep sleep_;
    std::string passwordText_;
    std::string ramBslText_;
    std::string ramBslVersion_;
    std::string forcedBorText_;
};

} // namespace firmware
