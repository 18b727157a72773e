#include "UpgradeSequence.h"

#include "firmware/bsl430/bsl430.h"
#include "firmware/bsl430/protocol.h"
#include "firmware/crc.h"
#include "firmware/firmware_resources.h"
#include "firmware/image_check.h"
#include "firmware/mcu_memory_map.h"

#include "platform/Utf8Path.h"
#include "platform/clock.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

namespace firmware {
namespace {

constexpr uint32_t kMassEraseWaitMs = 2000;
// Where the version text of the RAM loader holds its last three digit pairs.
constexpr std::size_t kInterpreterOffset = 16;
constexpr std::size_t kApiOffset = 25;
constexpr std::size_t kPeripheralOffset = 33;
// Verify result for an image without a single byte: nothing was written, nothing can pass.
constexpr int kVerifyNothingToCheck = 2;

// The version "00.CI.AP.PI" from the loader's text; nothing when the text is too short.
std::optional<std::string> VersionFromText(const std::string& text) {
    if (text.size() < static_cast<std::size_t>(kVersionTextLength)) {
        return std::nullopt;
    }
    return "00." + text.substr(kInterpreterOffset, 2) + "." + text.substr(kApiOffset, 2) + "." +
           text.substr(kPeripheralOffset, 2);
}

uint32_t SegmentBytes(uint32_t address) {
    return InInfoFlash(address) ? kInfoSegmentBytes : kMainSegmentBytes;
}

// Closes the open TI-TXT file on every return.
struct TextFileCloser {
    ~TextFileCloser() { BSL_closeTI_Text(); }
};

std::atomic<bool> downloadRunning{false};

// Status lines end in CR LF.
std::string StatusLines(std::string text) {
    std::string lines;
    for (char c : text) {
        if (c == '\n') {
            lines += "\r";
        }
        lines += c;
    }
    return lines;
}

// A private copy of the checked image for the three passes, so a file changed or replaced
// during the download cannot be half written; removed at the end of the run. Empty path when
// it could not be written (the passes then read the file itself).
class WorkingCopy {
public:
    explicit WorkingCopy(const std::string& text) {
        std::error_code error;
        const auto folder = std::filesystem::temp_directory_path(error);
        if (error) {
            return;
        }
        std::random_device random;
        const auto candidate = folder / ("echovane-image-" + std::to_string(random()) +
                                         std::to_string(random()) + ".txt");
        std::ofstream out(candidate, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        path_ = platform::Utf8FromPath(candidate);
        if (!out || FirmwarePathProblem(path_)) {
            Remove();
        }
    }
    ~WorkingCopy() { Remove(); }
    WorkingCopy(const WorkingCopy&) = delete;
    WorkingCopy& operator=(const WorkingCopy&) = delete;
    const std::string& path() const { return path_; }

private:
    void Remove() {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove(platform::PathFromUtf8(path_), ignored);
            path_.clear();
        }
    }
    std::string path_;
};

} // namespace

DownloadSlot::DownloadSlot() {
    bool expected = false;
    taken_ = downloadRunning.compare_exchange_strong(expected, true);
}

DownloadSlot::~DownloadSlot() {
    if (taken_) {
        downloadRunning = false;
    }
}

bool DownloadRunning() {
    return downloadRunning;
}

std::optional<std::string> FirmwarePathProblem(const std::string& path) {
    // Characters, as the message says: the path is UTF-8 text, where one may take four bytes.
    const auto characters = std::count_if(path.begin(), path.end(), [](char c) {
        constexpr unsigned char kContinuationMask = 0xC0;
        constexpr unsigned char kContinuation = 0x80;
        return (static_cast<unsigned char>(c) & kContinuationMask) != kContinuation;
    });
    if (static_cast<std::size_t>(characters) >= kFileNameBufferSize) {
        return std::string(kPathTooLongText);
    }
    return std::nullopt;
}

UpgradeSequence::UpgradeSequence(BootLoaderFiles files, ProgressReport report, Sleep sleep)
    : ids(InitializeVidPidFirmware()), report_(std::move(report)),
      sleep_(sleep ? std::move(sleep) : Sleep([](uint32_t ms) { SleepMs(ms); })),
      passwordText_(std::move(files.passwordText)), ramBslText_(std::move(files.ramBslText)),
      ramBslVersion_(std::move(files.ramBslVersion)),
      forcedBorText_(FirmwareText(kResourceForcedBor)) {}

void UpgradeSequence::Report(int percent, const std::string& text) const {
    if (report_) {
        report_(percent, text);
    }
}

bool UpgradeSequence::NameRefused(const std::string& fileName) const {
    if (fileName.empty()) {
        Report(0, kNoFileText);
        return true;
    }
    if (const auto problem = FirmwarePathProblem(fileName)) {
        Report(0, *problem + "\r\n");
        return true;
    }
    return false;
}

bool UpgradeSequence::Refused(const std::string& fileName, const ImageCheck& image) const {
    if (image.ok) {
        return false;
    }
    Report(0, StatusLines(FirmwareFileRefusal(fileName, image)));
    return true;
}

bool UpgradeSequence::Run(const std::string& fileName) {
    // Nothing reaches the loader (whose first act may be a mass erase) before the image is
    // known good.
    return !NameRefused(fileName) && Run(fileName, CheckFirmwareFile(fileName));
}

bool UpgradeSequence::Run(const std::string& fileName, const ImageCheck& image) {
    // Only a check of the file's own text (CheckFirmwareFile) says what the download sends.
    if (NameRefused(fileName) || Refused(fileName, image) ||
        (image.text.empty() &&
         Refused(fileName, {false, "it was not read before the download", {}}))) {
        return false;
    }
    const WorkingCopy copy(image.text);
    // Without a copy (no temporary folder to write) the passes read the file itself, as long as
    // it still holds what was checked.
    if (copy.path().empty() && Refused(fileName, RecheckFirmwareFile(fileName, image))) {
        return false;
    }
    const bool done =
        CustomSelectedFirmware(fileName, copy.path().empty() ? fileName : copy.path());
    // A connection left open would keep every rescan refused, and the restore needs one.
    BSL_closeTI_Text();
    BSL_close_BSL();
    return done;
}

bool UpgradeSequence::CustomSelectedFirmware(const std::string& fileName) {
    return CustomSelectedFirmware(fileName, fileName);
}

bool UpgradeSequence::CustomSelectedFirmware(const std::string& fileName,
                                             const std::string& imagePath) {
    bool massErase = false;
    if (!DownloadStartUp(massErase)) {
        BSL_close_BSL();
        Report(50, kRestartingText);
        if (!DownloadStartUp(massErase)) {
            return false;
        }
    }
    if (!massErase) {
        Report(60, kErasingText);
        EraseDataSegment_File(imagePath);
    }
    Report(70, "Sending " + fileName + "\r\n");
    BSL_RX_TXT_File(imagePath.c_str(), 1);
    Report(75, kFirmwareSentText);
    Report(80, kVerifyingText);
    if (CRC_Check_File(imagePath) != 0) {
        Report(85, kVerifyErrorText);
        return false;
    }
    Report(85, kVerifiedText);
    stopProgramTime = TickCountMs();
    totalProgramTime = (stopProgramTime - startProgramTime) / 1000;
    Report(90, "Total programming time is " + std::to_string(totalProgramTime) + "s \r\n");
    TriggerForcedBOR();
    Report(100, kDoneText);
    return true;
}

bool UpgradeSequence::Connect(const std::string& connection) {
    // Whether or not the loader was seen to leave (after Load PC, or in a retry after a failed
    // start), look for it until it is back rather than for a fixed time.
    return WaitForBootLoader(ids, kBootLoaderReturnWaitMs, kBootLoaderPollMs, sleep_) &&
           OpenLoader(connection);
}

bool UpgradeSequence::OpenLoader(const std::string& connection) {
    BSL_setFamily(bsl430::kFamilyF5xxUsb);
    BSL_setCom(bsl430::kComUsbHid);
    return BSL_initialize_BSL(connection.c_str()) != bsl430::kBslInitializeFailed;
}

bool UpgradeSequence::DownloadStartUp(bool& massErase) {
    const std::string connection = ConnectionText(ids);
    if (!Connect(connection)) {
        Report(0, kUnpluggedText);
        return false;
    }
    // DataBlock_ is 10 KB; keep the two passwords off the worker's stack.
    const auto filePassword =
        std::make_unique<DataBlock_>(BSL_readTI_Text(passwordText_.c_str(), bsl430::kPasswordSize));
    const auto defaultPassword = std::make_unique<DataBlock_>(BSL_getDefaultPass());
    Report(5, "");

    const int first = BSL_RX_Password(*filePassword);
    if (first != 0) {
        // Only the loader's own "password error" means it erased the flash; a lost or silent
        // device did not, and the erase pass must not be skipped for it.
        if (first != bsl430::kMessagePasswordError) {
            Report(10, kPasswordFailedText);
            return false;
        }
        massErase = true;
        Report(5, kMassEraseText);
        sleep_(kMassEraseWaitMs);
        if (BSL_RX_Password(*defaultPassword) != 0) {
            Report(10, kPasswordFailedText);
            return false;
        }
    }

    Report(10, kPasswordSentText);
    Report(20, "Sending RAM BSL v" + ramBslVersion_ + "\r\n");
    BSL_RX_TXT(ramBslText_.c_str(), 1);
    // A loader that answers instead of leaving the bus did not start the RAM loader (3B 04:
    // still locked).
    if (BSL_LoadPC(kRamBslStart) > 0) {
        Report(30, kRamBslStartFailedText);
        return false;
    }
    Report(30, "Done RAM BSL v" + ramBslVersion_ + "\r\n");
    BSL_close_BSL();

    Report(35, "");
    const bool back = WaitForBootLoader(ids, kBootLoaderReturnWaitMs, kBootLoaderPollMs, sleep_);
    Report(40, "");

    startProgramTime = TickCountMs();

    if (!back || !OpenLoader(connection)) {
        Report(50, kUnpluggedText);
        return false;
    }
    Report(45, "");
    const bool accepted = BSL_RX_Password(massErase ? *defaultPassword : *filePassword) == 0;

    const std::string versionText = BSL_TX_BSL_Version_String();
    const auto version = VersionFromText(versionText);
    if (versionText == "ERROR" || !version || *version != ramBslVersion_) {
        Report(50, kRamBslReadFailedText);
        return false;
    }
    if (!accepted) {
        Report(50, kPasswordFailedAfterRamBslText);
        return false;
    }
    if (BSL_eraseSegment(kResetVectorSegment) != 0) {
        Report(50, kResetVectorEraseFailedText);
    }
    return true;
}

int UpgradeSequence::EraseDataSegment_File(const std::string& fileName) {
    if (BSL_openTI_TextForRead(fileName.c_str()) != 0) {
        return bsl430::kBslCannotOpenFile;
    }
    TextFileCloser closer;
    auto block = std::make_unique<DataBlock_>();
    while (BSL_moreDataToRead_TextFile() != 0) {
        *block = BSL_readTI_TextFile(kEraseBlockBytes);
        if (block->numberOfBytes == 0) {
            break;
        }
        // Every segment the block touches, not only the one it starts in: a block that ends
        // in the next segment would otherwise be written over old bytes there.
        const uint32_t first = block->startAddr;
        const uint32_t last = first + block->numberOfBytes - 1;
        for (uint32_t address = first; address <= last;) {
            BSL_eraseSegment(address);
            const uint32_t size = SegmentBytes(address);
            address = (address / size + 1) * size;
        }
    }
    return 0;
}

int UpgradeSequence::CRC_Check_File(const std::string& fileName) {
    const int opened = BSL_openTI_TextForRead(fileName.c_str());
    if (opened != 0) {
        return opened;
    }
    TextFileCloser closer;
    auto block = std::make_unique<DataBlock_>();
    bool checkedAny = false;
    while (BSL_moreDataToRead_TextFile() != 0) {
        *block = BSL_readTI_TextFile(kVerifyBlockBytes);
        if (block->numberOfBytes == 0) {
            break;
        }
        const uint32_t device = CRC_Check(block->startAddr, block->numberOfBytes);
        const uint32_t local = Calculate_CRC(*block);
        if (device != local) {
            return 1;
        }
        checkedAny = true;
    }
    return checkedAny ? 0 : kVerifyNothingToCheck;
}

uint32_t UpgradeSequence::CRC_Check(uint32_t address, uint32_t length) {
    if (BSL_CRC_Check(address, length) != 0) {
        return kCrcRequestFailed;
    }
    const uint8_t* buffer = BSL_get_RX_Buffer();
    return static_cast<uint32_t>(buffer[kRxBufferDataOffset] | buffer[kRxBufferDataOffset + 1]
                                                                   << 8);
}

uint16_t UpgradeSequence::Calculate_CRC(const DataBlock_& block) {
    CRC crc(0);
    crc.CrcInit(kCrcInitial);
    const uint32_t count = std::min<uint32_t>(block.numberOfBytes, kDataBlockCapacity);
    for (uint32_t i = 0; i < count; ++i) {
        crc.CrcInput(block.data[i]);
    }
    return crc.GetCrcValue();
}

bool UpgradeSequence::TriggerForcedBOR() {
    Report(90, kResettingText);
    if (BSL_RX_TXT(forcedBorText_.c_str(), 1) != 0) {
        return false;
    }
    // The vendor's RAM loader of this version needs the reset written twice.
    if (ramBslVersion_.find(kVendorRamBslVersion) != std::string::npos) {
        BSL_RX_TXT(forcedBorText_.c_str(), 1);
    }
    return true;
}

} // namespace firmware
