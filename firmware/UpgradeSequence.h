#pragma once

// The download the upgrade window's worker runs: start the boot loader (password, RAM loader,
// reconnect), erase, write, verify, reset into the new application. Each step reports a
// percentage and a status line through the callback; the window only shows them.

#include "firmware/device_count.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct DataBlock_;

namespace firmware {

// The boot loader takes a file name of at most 199 bytes and a NUL.
inline constexpr std::size_t kFileNameBufferSize = 200;
inline constexpr uint32_t kRamBslStart = 0x2504;
inline constexpr uint32_t kResetVectorSegment = 0xFFFF;
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

// The message for a path the boot loader cannot take; nothing when it fits.
std::optional<std::string> FirmwarePathProblem(const std::string& path);

class UpgradeSequence {
public:
    // percent 0..100 and a status line ("" only moves the bar).
    using ProgressReport = std::function<void(int percent, const std::string& text)>;
    using Sleep = std::function<void(uint32_t ms)>;

    explicit UpgradeSequence(ProgressReport report);
    // The fixed waits go through sleep (SleepMs unless given); the benchmark leaves them out.
    UpgradeSequence(ProgressReport report, Sleep sleep);

    // backgroundWorker1_DoWork with the file name of filenameTextBox. True = "Done!". The boot
    // loader connection is closed at the end whatever the outcome.
    bool Run(const std::string& fileName);

    // The steps, callable one by one (tests, benchmark).
    bool CustomSelectedFirmware(const std::string& fileName);
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
    bool SendPassword(bool useDefault);

    ProgressReport report_;
    Sleep sleep_;
    std::string passwordText_;
    std::string ramBslText_;
    std::string ramBslVersion_;
    std::string forcedBorText_;
};

} // namespace firmware
