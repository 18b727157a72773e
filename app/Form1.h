#pragma once

// The main window: connects to the keypad, shows its status and opens every other window.

#include "keypad/StatusLines.h"
#include "keypad/StatusRead.h"
#include "keypad/TableKind.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <string>

class QAction;
class QComboBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QTextEdit;

namespace praxil_usb_encoder {

inline constexpr int kClientWidth = 891;
inline constexpr int kClientHeight = 484;
// The outer size may grow from 907 x 500 to 907 x 540, i.e. the client area by 40 pixels.
inline constexpr int kClientMaxHeight = kClientHeight + 40;

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // Controls, named as the window's designer named them.
    QMenuBar* menuStrip1;
    QMenu* fileToolStripMenuItem;
    QMenu* helpToolStripMenuItem;
    QAction* aboutVexorUSBEncoderConfiguratorToolStripMenuItem;  // "Import Cfg File"
    QAction* exitToolStripMenuItem;                              // "Export Cfg File"
    QAction* exitToolStripMenuItem1;                             // "Exit"
    QAction* aboutVexorUSBEncoderConfiguratorToolStripMenuItem1; // "About ..."
    QLabel* label1;
    QTextEdit* richTextBox1;
    QPushButton* button11;
    QComboBox* ledBrightnessCbox;
    QComboBox* keypadTypeCbox;
    QPushButton* button1;
    QPushButton* button2;
    QPushButton* btnLoadFirmware;
    QPushButton* btnModifyBleParam;
    QPushButton* button3;
    QPushButton* button8;
    QPushButton* button9;
    QPushButton* button10;

    // The keypad's state as last read; not cleared when a read fails.
    int prev_ledBrightness_index = 0;
    int prev_keypadType_index = 0;
    std::string Jack_status;
    std::string HV_status;
    std::array<uint8_t, keypad::kKeyCodeArraySize> keyCodeArray{};
    std::string firmwareVersion;
    std::string serialNumber;
    keypad::ExtraCodeBlock multipleKeyCodeArray{};
    // True once multipleKeyCodeArray holds a block read from the keypad.
    bool multipleKeyCodeArrayRead = false;
    int productType = 0;
    std::string bleName;
    std::string bleManufacturerData;
    std::string blePowerLevel;
    int bleEnable = 0;
    keypad::StatusLines configArray;
    // The self-test window last opened.
    QPointer<QWidget> selfTestFrm;
    // A self test has the keypad on its own table and brightness until its window is gone:
    // saving, editing, replaying or upgrading meanwhile would take those for the keypad's.
    bool selfTestOwnsKeypad = false;
    // The firmware upgrade window last opened.
    QPointer<QWidget> firmwareUpgradeFrm;

    // The four reads; 0 on success, negative on failure.
    int8_t GetDeviceStatusMessage();
    int8_t GetDeviceStatusMessage_2();
    int8_t GetDeviceStatusMessage_3();
    int8_t checkMulticodeInstalled();

    // The status box: the connected lines from the fields, or line 1 as not connected.
    void WriteConnectedStatusLines();
    void WriteNotConnectedStatusLine();

    void EnableDisableFunctionButtons(bool enable);

    // Shows a value in its picker without sending anything. A value without a row shows as
    // the picker's text with no row selected.
    void ShowLedBrightness(int ledBrightness);
    void ShowKeypadType(int tableKind);
    // Fills the kind picker from scratch: seven kinds, or three without multi-code tables.
    void FillKeypadTypes(bool multicode);
    // What a picker shows: its selected row, or its text when no row is selected.
    static QString PickerText(const QComboBox* picker);

    // The rescan sequence with its not-connected message; true when the keypad was opened.
    bool RescanWithMessage();
    // Status read and what follows it at load and scan: pickers, status lines, the function
    // buttons and the BLE read, or the not-connected state.
    void RefreshFromKeypad();

    // Handlers.
    void Form1_Load();
    void button11_Click();
    void button10_Click();
    void exitToolStripMenuItem1_Click();
    void button1_Click();
    void button2_Click();
    void button3_Click();
    void button8_Click();
    void button9_Click();
    void btnLoadFirmware_MouseClick();
    void btnModifyBleName_Click();
    void aboutVexorUSBEncoderConfiguratorToolStripMenuItem_Click();
    void exitToolStripMenuItem_Click();
    void aboutVexorUSBEncoderConfiguratorToolStripMenuItem1_Click();
    void ledBrightnessCbox_SelectionChangeCommitted();
    void keypadTypeCbox_SelectionChangeCommitted();

    // Points the self test's key prompt at Velt_test::CustomMessageBox.
    static void UseCustomMessageBoxForKeyPrompts();

    // Prepares the configuration file before the keypad is opened.
    void PrepareConfigFile();

    // Names, the tab chain in reading order, the focus mark and first focus.
    void MakeKeyboardAndScreenReaderReady();

    // True when the key press is handled here (kept from the picker).
    bool ledBrightnessCbox_KeyPress(QKeyEvent* event);
    bool keypadTypeCbox_KeyPress(QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // GetDeviceStatusMessage's read and the fields it fills, with the read itself for the
    // handlers that hand the state on.
    keypad::StatusRead ReadStatusIntoFields();
    void ConnectKeypad(bool rescanAfterFailedMulticode);
    void ShowNotConnected();

    bool loadStarted_ = false;
};

} // namespace praxil_usb_encoder
