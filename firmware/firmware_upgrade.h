#pragma once

// "Vexor Echovane Firmware Upgrade": counts the boot loaders attached, lets the user pick a
// TI-TXT image, runs the download on a worker and, once the new application runs, writes the
// keypad's settings back (on the same worker: the keypad may take a while to come back). The
// work itself is in the cores (UpgradeSequence, RestoreSettings, device_count, product_marker,
// image_check, boot_loader_files); the window shows what they report. Every open window
// watches the bus for itself; one download runs at a time.

#include "firmware/UpgradeSequence.h"
#include "firmware/boot_loader_files.h"
#include "firmware/device_count.h"
#include "firmware/image_check.h"
#include "firmware/upgrade_state.h"

#include <QVariant>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QPlainTextEdit;

namespace ui {
class BackgroundWorker;
}

namespace praxil_usb_encoder {

inline constexpr int kUpgradeClientWidth = 516;
inline constexpr int kUpgradeClientHeight = 358;
inline constexpr char kUpgradeTitle[] = "Vexor Echovane Firmware Upgrade";
inline constexpr char kFirmwareFileFilter[] = "(*.txt);;All files (*.*)";
// The Browse dialog's title, which a screen reader says as it opens.
inline constexpr char kFirmwareFileDialogText[] = "Select Firmware - The File To Download";
using firmware::kUpgradeRunningText;

class firmware_upgrade final : public QWidget {
    Q_OBJECT
public:
    explicit firmware_upgrade(QWidget* parent = nullptr);
    ~firmware_upgrade() override;

    // What the main window hands over before it shows the window, written back after a
    // successful download. One set for the whole program.
    static std::optional<std::string> serialNumber;
    static int keypadType;
    static int ledBrightness;
    static std::array<uint8_t, firmware::kKeyCodesSize> key_codes;
    // The four were read from the keypad the upgrade is for; otherwise the restore writes none.
    static bool sharedStateKnown;
    static firmware::UpgradeState SharedState();
    static void KeepSharedState(const firmware::UpgradeState& state);
    // The main window sent a keypad whose settings it had read into its boot loader, and no
    // restore has written them back since.
    static bool keypadInLoader;

    // The RAM boot loader and password the upgrade needs are at hand; otherwise shows why
    // not and where they go, and returns false. Nothing is sent either way.
    static bool BootLoaderFilesReady(QWidget* parent);
    // A download (or its restore) runs in one of the windows.
    static bool AnyDownloadRunning() { return firmware::DownloadRunning(); }

    // Controls, named as the window's designer named them.
    QGroupBox* groupBox1 = nullptr;
    QLabel* label1 = nullptr;
    QPushButton* btnBrowse = nullptr;
    QLabel* label3 = nullptr;
    QLineEdit* filenameTextBox = nullptr;
    QPushButton* btnUpgrade = nullptr;
    QPushButton* btnClose = nullptr;
    QProgressBar* progressBar = nullptr;
    QPlainTextEdit* statusBox = nullptr;
    QLabel* label2 = nullptr;
    QLabel* vidLbl = nullptr;
    QLabel* label4 = nullptr;
    QLabel* pidLbl = nullptr;
    QLabel* labelNumOfDevices = nullptr;

    ui::BackgroundWorker* backgroundWorker1 = nullptr;
    ui::BackgroundWorker* backgroundWorkerCheckDevice = nullptr;

    firmware::BootLoaderIds ids;
    uint32_t numberOfUSBDevicesConnected = 0;
    bool scanDeviceAgain() const { return countGate_.scanDeviceAgain(); }
    // True from RegisterUSBDevice until teardown.
    bool registered() const { return registered_; }

    void InitializeVidPidFirmware();
    void InitializeBackgroundWorker();
    void OnHandleCreated();
    void RegisterUSBDevice();
    void UnRegisterUSBDevice();
    // Window thread: a device-change message starts the count, or is remembered while a
    // worker is busy.
    void ParseMessages(uint32_t message, uintptr_t parameter);

    // Asked before the program ends: while a download runs this says so with the window's own
    // message and returns true, and the program must not end.
    bool RefuseClosingDuringDownload();

    void btnBrowse_Click();
    void btnUpgrade_MouseClick();
    void btnClose_MouseClick();

    void backgroundWorkerCheckDevice_RunWorkerCompleted(const QVariant& result, bool cancelled,
                                                        const QString& error);
    void backgroundWorker1_ProgressChanged(int percent, const QVariant& userState);
    void backgroundWorker1_RunWorkerCompleted(const QVariant& result, bool cancelled,
                                              const QString& error);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void StartDeviceCount();
    // What a screen reader says with Browse and Upgrade: what is attached, and what has to come
    // first while a button is off (the window says so nowhere else).
    void DescribeButtons();
    void AppendStatus(const QString& text);
    // The focus on the status box's last line, where a screen reader reads it.
    void FocusLastStatusLine();

    firmware::DeviceCountGate countGate_;
    bool registered_ = false;
    // Browse has been offered once; the focus is moved to it only then.
    bool browseFocused_ = false;
    // What the running download sends and restores; set before the worker starts.
    firmware::BootLoaderFiles files_;
    // The file as read, checked and confirmed at Browse: what the download sends, once Upgrade
    // has found the file still the same.
    firmware::ImageCheck image_;
    firmware::UpgradeState restoreState_;
};

} // namespace praxil_usb_encoder
