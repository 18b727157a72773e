#pragma once

// "Bluetooth Parameters": shows the BLE values the main window read and writes them back.

#include "firmware/ble/BleParameters.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace praxil_usb_encoder {

class Bluetooth final : public QDialog {
    Q_OBJECT
public:
    Bluetooth(QWidget* owner, const ble::BleHandOver& values);

    // The handed-over values; Apply stores what it sent.
    std::string bleName;
    std::string bleManufacturerData;
    std::string blePowerLevelText;
    int blePowerLevel = 0;
    int bleEnable = 0;

    QComboBox* comboBox1 = nullptr; // product type
    QComboBox* comboBox2 = nullptr; // RSSI level range
    QComboBox* comboBox3 = nullptr; // power level
    QComboBox* comboBox4 = nullptr; // disconnection timeout (hidden)
    QComboBox* comboBox5 = nullptr; // RSSI disconnect margin
    QComboBox* comboBox6 = nullptr; // trackpad
    QComboBox* comboBox7 = nullptr; // enable
    QLineEdit* bleTextBox = nullptr;
    QLabel* label5 = nullptr;
    QPushButton* button1 = nullptr; // Apply
    QPushButton* button2 = nullptr; // Cancel

    // The controls as Apply reads them.
    ble::BleSelection CurrentSelection() const;

public slots:
    void Bluetooth_Load();
    void button1_Click();
    void button2_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FitControlsToProductTypes();
    // The name box's text as loaded: while it reads the same, Apply sends bleName unchanged.
    QString loadedName_;
    QComboBox* AddRow(int row, const char* objectName, const char* labelName, const char* text,
                      const std::vector<std::string>& items, QLabel** label = nullptr);
};

// Form1's btnModifyBleName_Click once it has read the BLE block again: readResult is that
// read's result (GetDeviceStatusMessage_2), values what it filled. On a failed read shows
// "Bluetooth Parameter-Unable to get device status.." and opens nothing.
Bluetooth* OpenBluetoothWindow(QWidget* owner, int readResult, const ble::BleHandOver& values);

} // namespace praxil_usb_encoder
