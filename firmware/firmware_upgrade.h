#pragma once

// "Vexor Echovane Firmware Upgrade": counts the boot loaders attached, lets the user pick a
// TI-TXT image, runs the download on a worker and, once the new application runs, writes the
// keypad's settings back. The work itself is in the cores (UpgradeSequence, RestoreSettings,
// device_count, product_marker); the window shows what they report.

#include "firmware/device_count.h"
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
inline constexpr char kUpgradeRunningText[] =
    "The firmware upgrade is still running, please wait until it has finished..";

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
    static firmware::UpgradeState SharedState();
    static void KeepSharedState(const firmware::UpgradeState& state);

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

private:
    void StartDeviceCount();
    void AppendStatus(const QString& text);

    firmware::DeviceCountGate countGate_;
    bool registered_ = false;
};

} // namespace praxil_usb_encoder
