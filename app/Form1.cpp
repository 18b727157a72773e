#include "Form1.h"

#include "app/BleParams.h"
#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "ui/Dialogs.h"
#include "ui/about.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>

#include <algorithm>
#include <span>

namespace praxil_usb_encoder {
namespace {

constexpr int8_t kReadOk = 0;
constexpr int8_t kReadFailed = -1;

const QString kKeypadLayoutText = QStringLiteral("Keypad - Layout");
const QString kLedBrightnessText = QStringLiteral("LED Brightness");

QString Wide(const std::string& text) {
    return QString::fromLatin1(text.data(), text.size());
}

QPushButton* MakeButton(QWidget* parent, const char* text, int x, int y, int width, int height) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setGeometry(x, y, width, height);
    return button;
}

// One exchange as every sender makes it: 64-byte reply buffer, capacity 64, 5000 ms.
struct Reply {
    uint8_t data[kReportSize] = {};
    uint32_t length = 0;
    std::span<const uint8_t> bytes() const {
        return {data, std::min<size_t>(length, static_cast<size_t>(kReportSize))};
    }
};

int32_t Send(uint8_t command, const uint8_t* data, int32_t dataLength, Reply& reply) {
    return USBEncoderSendAndReceive_a(hid_handle.load(), command, data, dataLength, reply.data,
                                      kReportSize, &reply.length, kCommandTimeoutMs);
}

} // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
    setWindowTitle(QStringLiteral("Vexor Echovane Configuration Utility"));
    resize(kClientWidth, kClientHeight);
    setMinimumSize(kClientWidth, kClientHeight);
    setMaximumSize(kClientWidth, kClientMaxHeight);

    menuStrip1 = new QMenuBar(this);
    // Inside the window on every platform, above the controls' fixed places.
    menuStrip1->setNativeMenuBar(false);
    fileToolStripMenuItem = menuStrip1->addMenu(QStringLiteral("File"));
    aboutVexorUSBEncoderConfiguratorToolStripMenuItem =
        fileToolStripMenuItem->addAction(QStringLiteral("Import Cfg File"));
    exitToolStripMenuItem = fileToolStripMenuItem->addAction(QStringLiteral("Export Cfg File"));
    exitToolStripMenuItem1 = fileToolStripMenuItem->addAction(QStringLiteral("Exit"));
    helpToolStripMenuItem = menuStrip1->addMenu(QStringLiteral("Help"));
    aboutVexorUSBEncoderConfiguratorToolStripMenuItem1 =
        helpToolStripMenuItem->addAction(QStringLiteral("About Echovane Configuration Utility"));
    menuStrip1->setGeometry(0, 0, kClientWidth, menuStrip1->sizeHint().height());

    label1 = new QLabel(QStringLiteral("Vexor Echovane Configuration Utility"), this);
    label1->setGeometry(165, 33, 575, 37);
    label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont titleFont = label1->font();
    titleFont.setPointSize(18);
    titleFont.setBold(true);
    label1->setFont(titleFont);

    richTextBox1 = new QTextEdit(this);
    richTextBox1->setGeometry(158, 82, 680, 68);
    richTextBox1->setReadOnly(true);
    richTextBox1->setLineWrapMode(QTextEdit::NoWrap);
    richTextBox1->setAcceptRichText(false);

    button11 = MakeButton(this, "Scan For Device", 27, 82, 109, 67);

    ledBrightnessCbox = new QComboBox(this);
    ledBrightnessCbox->setGeometry(330, 173, 207, 28);
    for (int row = 0; row < kLedBrightnessRows; ++row) {
        ledBrightnessCbox->addItem(QString::fromStdString(app::LedBrightnessText(row)));
    }
    ledBrightnessCbox->setCurrentIndex(0);

    keypadTypeCbox = new QComboBox(this);
    keypadTypeCbox->setGeometry(27, 173, 207, 28);
    keypadTypeCbox->setPlaceholderText(QStringLiteral("Echovane - Layout"));
    keypadTypeCbox->setCurrentIndex(-1);

    button1 = MakeButton(this, "Customise Code Table", 28, 251, 206, 61);
    button2 = MakeButton(this, "Test Echovane", 633, 173, 206, 44);
    btnLoadFirmware = MakeButton(this, "Update Echovane Firmware", 28, 374, 206, 67);
    btnModifyBleParam = MakeButton(this, "Airlume Settings", 633, 308, 205, 44);
    button3 = MakeButton(this, "Reset From Configuration File", 330, 251, 203, 61);
    button8 = MakeButton(this, "Save Changes", 632, 236, 206, 50);
    button9 = MakeButton(this, "Reset To Factory Default", 330, 374, 206, 67);
    button10 = MakeButton(this, "Exit", 633, 374, 206, 67);

    for (QWidget* control : std::initializer_list<QWidget*>{ledBrightnessCbox, keypadTypeCbox,
                                                            button1, button2, button8, button9}) {
        control->setEnabled(false);
    }

    connect(button11, &QPushButton::clicked, this, &Form1::button11_Click);
    connect(button10, &QPushButton::clicked, this, &Form1::button10_Click);
    connect(button1, &QPushButton::clicked, this, &Form1::button1_Click);
    connect(button2, &QPushButton::clicked, this, &Form1::button2_Click);
    connect(button3, &QPushButton::clicked, this, &Form1::button3_Click);
    connect(button8, &QPushButton::clicked, this, &Form1::button8_Click);
    connect(button9, &QPushButton::clicked, this, &Form1::button9_Click);
    connect(btnLoadFirmware, &QPushButton::clicked, this, &Form1::btnLoadFirmware_MouseClick);
    connect(btnModifyBleParam, &QPushButton::clicked, this, &Form1::btnModifyBleName_Click);
    // `activated` comes only from the user's choice, never from setting a row in code.
    connect(ledBrightnessCbox, &QComboBox::activated, this,
            &Form1::ledBrightnessCbox_SelectionChangeCommitted);
    connect(keypadTypeCbox, &QComboBox::activated, this,
            &Form1::keypadTypeCbox_SelectionChangeCommitted);
    connect(aboutVexorUSBEncoderConfiguratorToolStripMenuItem, &QAction::triggered, this,
            &Form1::aboutVexorUSBEncoderConfiguratorToolStripMenuItem_Click);
    connect(exitToolStripMenuItem, &QAction::triggered, this, &Form1::exitToolStripMenuItem_Click);
    connect(exitToolStripMenuItem1, &QAction::triggered, this,
            &Form1::exitToolStripMenuItem1_Click);
    connect(aboutVexorUSBEncoderConfiguratorToolStripMenuItem1, &QAction::triggered, this,
            &Form1::aboutVexorUSBEncoderConfiguratorToolStripMenuItem1_Click);
}

Form1::~Form1() = default;

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (loadStarted_) {
        return;
    }
    loadStarted_ = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - frameGeometry().center() + frameGeometry().topLeft());
    }
    // Load once the window is on screen, so its messages have the window behind them.
    QMetaObject::invokeMethod(this, &Form1::Form1_Load, Qt::QueuedConnection);
}

void Form1::closeEvent(QCloseEvent* event) {
    // Closing the window ends the program as "Exit" does, whatever other windows are open.
    CloseKeypad();
    event->accept();
    QCoreApplication::quit();
}

int8_t Form1::GetDeviceStatusMessage() {
    Reply reply;
    if (Send(CmdGetStatus, nullptr, 0, reply) != kExchangeOk) {
        return kReadFailed;
    }
    const std::optional<app::KeypadStatus> status = app::DecodeStatusBlock(reply.bytes());
    if (!status) {
        return kReadFailed;
    }
    prev_ledBrightness_index = status->ledBrightness;
    prev_keypadType_index = status->tableKind;
    Jack_status = status->jackStatus;
    HV_status = status->hvStatus;
    std::copy(status->keyCodeBlock.begin(), status->keyCodeBlock.end(), keyCodeArray.begin());
    firmwareVersion = status->firmwareVersion;
    serialNumber = status->serialNumber;
    if (status->tableKind != app::kCustomiseMulticodeKind) {
        return kReadOk;
    }
    Reply multicode;
    if (Send(CmdReadMulticodeTable, nullptr, 0, multicode) != kExchangeOk) {
        return kReadFailed;
    }
    const auto block = app::DecodeExtraCodeBlock(multicode.bytes());
    if (!block) {
        return kReadFailed;
    }
    multipleKeyCodeArray = *block;
    multipleKeyCodeArrayRead = true;
    return kReadOk;
}

int8_t Form1::GetDeviceStatusMessage_2() {
    Reply reply;
    if (Send(CmdGetBleParams, nullptr, 0, reply) != kExchangeOk) {
        return kReadFailed;
    }
    const app::BleParams params = app::DecodeBleParams(reply.bytes());
    bleName = params.name;
    bleManufacturerData = params.manufacturerData;
    blePowerLevel = params.powerLevel;
    bleEnable = params.enable;
    return kReadOk;
}

int8_t Form1::GetDeviceStatusMessage_3() {
    Reply reply;
    if (Send(CmdGetProductType, nullptr, 0, reply) != kExchangeOk || reply.length < 1) {
        productType = 0;
        return kReadFailed;
    }
    productType = reply.data[0];
    return kReadOk;
}

int8_t Form1::checkMulticodeInstalled() {
    Reply reply;
    return static_cast<int8_t>(Send(CmdCheckMulticode, kCheckMulticodeData.data(),
                                    static_cast<int32_t>(kCheckMulticodeData.size()), reply));
}

void Form1::WriteConnectedStatusLines() {
    const bool hasRow =
        prev_keypadType_index >= 0 && prev_keypadType_index < keypadTypeCbox->count();
    const std::string kindText = hasRow
                                     ? keypadTypeCbox->itemText(prev_keypadType_index).toStdString()
                                     : app::TableKindName(prev_keypadType_index);
    configArray =
        app::ConnectedStatusLines({firmwareVersion, kindText, app::ProductName(productType),
                                   serialNumber, Jack_status, HV_status});
    richTextBox1->setPlainText(
        QStringList{Wide(configArray[0]), Wide(configArray[1]), Wide(configArray[2])}.join(u'\n'));
}

void Form1::WriteNotConnectedStatusLine() {
    configArray[0] = app::NotConnectedStatusLine();
    richTextBox1->setPlainText(
        QStringList{Wide(configArray[0]), Wide(configArray[1]), Wide(configArray[2])}.join(u'\n'));
}

void Form1::EnableDisableFunctionButtons(bool enable) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{ledBrightnessCbox, keypadTypeCbox, button1, button8,
                                         button9, button2, button3, btnModifyBleParam}) {
        control->setEnabled(enable);
    }
}

void Form1::ShowLedBrightness(int ledBrightness) {
    if (ledBrightness >= 0 && ledBrightness < ledBrightnessCbox->count()) {
        ledBrightnessCbox->setCurrentIndex(ledBrightness);
        return;
    }
    ledBrightnessCbox->setCurrentIndex(-1);
    ledBrightnessCbox->setPlaceholderText(
        QString::fromStdString(app::LedBrightnessText(ledBrightness)));
}

void Form1::ShowKeypadType(int tableKind) {
    if (tableKind >= 0 && tableKind < keypadTypeCbox->count()) {
        keypadTypeCbox->setCurrentIndex(tableKind);
        return;
    }
    keypadTypeCbox->setCurrentIndex(-1);
    keypadTypeCbox->setPlaceholderText(QString::fromStdString(app::TableKindName(tableKind)));
}

void Form1::FillKeypadTypes(bool multicode) {
    keypadTypeCbox->clear();
    const size_t count = multicode ? app::kTableKindCount : app::kSingleCodeKindCount;
    for (size_t kind = 0; kind < count; ++kind) {
        keypadTypeCbox->addItem(QString::fromLatin1(app::kTableKindNames[kind].data(),
                                                    app::kTableKindNames[kind].size()));
    }
}

QString Form1::PickerText(const QComboBox* picker) {
    return picker->currentIndex() >= 0 ? picker->currentText() : picker->placeholderText();
}

bool Form1::RescanWithMessage() {
    const device::RescanResult result = device::RescanForKeypad();
    if (!result.found) {
        ui::ShowWarning(this, QString::fromStdString(device::NotConnectedMessage(result)));
    }
    return result.found;
}

void Form1::RefreshFromKeypad() {
    if (GetDeviceStatusMessage() != kReadOk) {
        ShowNotConnected();
        return;
    }
    EnableDisableFunctionButtons(true);
    ShowLedBrightness(prev_ledBrightness_index);
    ShowKeypadType(prev_keypadType_index);
    WriteConnectedStatusLines();
    // The BLE fields are refreshed when the keypad has them; a failure changes nothing.
    GetDeviceStatusMessage_2();
}

void Form1::ShowNotConnected() {
    keypadTypeCbox->setCurrentIndex(-1);
    keypadTypeCbox->setPlaceholderText(kKeypadLayoutText);
    ledBrightnessCbox->setCurrentIndex(-1);
    ledBrightnessCbox->setPlaceholderText(kLedBrightnessText);
    WriteNotConnectedStatusLine();
    EnableDisableFunctionButtons(false);
}

void Form1::ConnectKeypad(bool rescanAfterFailedMulticode) {
    RescanWithMessage();
    const bool multicode = checkMulticodeInstalled() == kReadOk;
    if (!multicode && rescanAfterFailedMulticode) {
        RescanWithMessage();
    }
    FillKeypadTypes(multicode);
    if (GetDeviceStatusMessage_3() != kReadOk) {
        RescanWithMessage();
    }
    RefreshFromKeypad();
}

void Form1::Form1_Load() {
    PrepareConfigFile();
    ConnectKeypad(true);
}

void Form1::button11_Click() {
    ConnectKeypad(false);
}

void Form1::CloseKeypad() {
    hid_device* handle = hid_handle.exchange(nullptr);
    if (handle != nullptr) {
        hid_exit_safely(handle);
    }
}

void Form1::button10_Click() {
    CloseKeypad();
    QCoreApplication::quit();
}

void Form1::exitToolStripMenuItem1_Click() {
    button10_Click();
}

void Form1::PrepareConfigFile() {
    // The configuration file (USBEchovaneUtilityCfg.ini) is located and created here.
}

void Form1::button1_Click() {
    // "Customise Code Table": opens the code-table editor.
}

void Form1::button2_Click() {
    if (GetDeviceStatusMessage() != kReadOk) {
        ui::ShowWarning(
            this, QStringLiteral(
                      "Unable to get device message..Please click on Scan for and try again..\n"));
        return;
    }
    // The self-test window opens here, at this window's position, kept in selfTestFrm.
}

void Form1::button3_Click() {
    // "Reset From Configuration File": replays the configuration file onto the keypad.
}

void Form1::button8_Click() {
    // "Save Changes": CmdWriteDefault, then the configuration file.
}

void Form1::button9_Click() {
    // "Reset To Factory Default".
}

void Form1::ledBrightnessCbox_SelectionChangeCommitted() {
    // Sends CmdSetLedBrightness for the chosen row.
}

void Form1::keypadTypeCbox_SelectionChangeCommitted() {
    // Sends CmdSetKeypadType for the chosen row.
}

void Form1::btnLoadFirmware_MouseClick() {
    if (GetDeviceStatusMessage() == kReadOk) {
        // The upgrade window's shared settings (kind, brightness, key code block, serial
        // number) are handed over here, to be written back after the upgrade.
    } else {
        ui::ShowWarning(this, QStringLiteral("Unable to get device status information\n"));
    }
    if (ui::AskYesNo(this, QStringLiteral("Are you sure you want to upgrade the firmware?"),
                     QStringLiteral("Firmware Upgrade")) != ui::Answer::Yes) {
        return;
    }
    // The firmware upgrade window is created here and CmdEnterBsl sent.
}

void Form1::btnModifyBleName_Click() {
    if (GetDeviceStatusMessage_2() != kReadOk) {
        ui::ShowWarning(this,
                        QStringLiteral("Bluetooth Parameter-Unable to get device status..\n"));
        return;
    }
    // The BLE parameters window opens here, owned by this window, with the BLE fields.
}

void Form1::aboutVexorUSBEncoderConfiguratorToolStripMenuItem_Click() {
    // "Import Cfg File".
}

void Form1::exitToolStripMenuItem_Click() {
    // "Export Cfg File".
}

void Form1::aboutVexorUSBEncoderConfiguratorToolStripMenuItem1_Click() {
    auto* box = new about(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->move(pos());
    box->show();
}

} // namespace praxil_usb_encoder
