#include "Form1.h"

#include "app/BleParams.h"
#include "codetable/editor_opening.h"
#include "config/config_file.h"
#include "config/config_replay.h"
#include "config/config_transfer.h"
#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "firmware/ble/Bluetooth.h"
#include "firmware/firmware_upgrade.h"
#include "selftest/KeyPrompt.h"
#include "selftest/self_test.h"
#include "ui/CustomMessageBox.h"
#include "ui/Dialogs.h"
#include "ui/about.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>

#include <algorithm>
#include <span>

static_assert(app::kKeyCodeArraySize >= firmware::kRestoredKeyCodes);

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

ui::Answer ShowNotice(QWidget* parent, const config::Notice& notice) {
    const bool question = notice.buttons == config::NoticeButtons::YesNo;
    return ui::ShowMessage(
        parent,
        {QString::fromStdString(notice.text), QString::fromStdString(notice.caption),
         question ? ui::Buttons::YesNo : ui::Buttons::Ok,
         notice.icon == config::NoticeIcon::Question ? ui::Icon::Question : ui::Icon::Warning});
}

std::optional<std::string> Narrow(const std::optional<QString>& path) {
    if (!path) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(*path).toStdString();
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
    // Typed characters never reach the pickers: rows are chosen from the list only.
    ledBrightnessCbox->installEventFilter(this);
    keypadTypeCbox->installEventFilter(this);
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

void Form1::UseCustomMessageBoxForKeyPrompts() {
    // The self test's key prompt is the three-button box in its OK mode.
    SetKeyPromptFunction([](QWidget*, const QString& text) {
        Velt_test::CustomMessageBox::ShowBox(text, Velt_test::CustomMessageBox::kModeOk);
    });
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (watched == ledBrightnessCbox) {
            return ledBrightnessCbox_KeyPress(keyEvent);
        }
        if (watched == keypadTypeCbox) {
            return keypadTypeCbox_KeyPress(keyEvent);
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool Form1::ledBrightnessCbox_KeyPress(QKeyEvent* event) {
    return !event->text().isEmpty() && event->text().at(0).isPrint();
}

bool Form1::keypadTypeCbox_KeyPress(QKeyEvent* event) {
    return !event->text().isEmpty() && event->text().at(0).isPrint();
}

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
    // No application-data folder leaves FileName empty; every later write then says so.
    config::PrepareConfigFile();
}

void Form1::button1_Click() {
    const int8_t status = GetDeviceStatusMessage();
    codetable::OpenCodeTableEditor(this, status, prev_keypadType_index, keyCodeArray,
                                   multipleKeyCodeArray);
}

void Form1::button2_Click() {
    // The self test says "Unable to get device message.." itself when the read failed.
    const int8_t status = GetDeviceStatusMessage();
    if (self_test* window = OpenSelfTest(this, status)) {
        selfTestFrm = window;
    }
}

void Form1::button3_Click() {
    const config::Outcome outcome = config::ResetFromConfigurationFile();
    if (outcome.message) {
        ShowNotice(this, *outcome.message);
    }
    if (outcome.restoreLayoutSelector) {
        ShowKeypadType(prev_keypadType_index);
    }
    if (outcome.refreshStatus) {
        RefreshFromKeypad();
    }
}

void Form1::button8_Click() {
    const config::Outcome written = config::SendWriteDefault();
    if (written.message) {
        ShowNotice(this, *written.message);
        return;
    }
    std::optional<config::KeypadState> state;
    if (GetDeviceStatusMessage() == kReadOk) {
        state.emplace();
        state->keypadLayout = prev_keypadType_index;
        state->ledBrightness = prev_ledBrightness_index;
        std::copy_n(keyCodeArray.begin(), state->codeTable.size(), state->codeTable.begin());
        std::copy_n(multipleKeyCodeArray.begin(), state->multipleCodeTable.size(),
                    state->multipleCodeTable.begin());
        state->firmwareVersion = firmwareVersion;
        state->serialNumber = serialNumber;
    }
    const config::Outcome saved = config::SaveToConfigFile(state);
    if (saved.message) {
        ShowNotice(this, *saved.message);
    }
}

void Form1::button9_Click() {
    Reply reply;
    if (Send(CmdResetToDefault, nullptr, 0, reply) != kExchangeOk) {
        ui::ShowWarning(this, QStringLiteral("Unable to Reset to Default..\n"));
        return;
    }
    ui::ShowWarning(
        this, QStringLiteral("Please click on Scan For to re-connect after device reboot.\n"));
    keypadTypeCbox->setCurrentIndex(-1);
    keypadTypeCbox->setPlaceholderText(kKeypadLayoutText);
    ledBrightnessCbox->setCurrentIndex(-1);
    ledBrightnessCbox->setPlaceholderText(kLedBrightnessText);
    // The lines keep the values read before the reset.
    WriteConnectedStatusLines();
    EnableDisableFunctionButtons(false);
}

void Form1::ledBrightnessCbox_SelectionChangeCommitted() {
    const int row = ledBrightnessCbox->currentIndex();
    if (row < 0) {
        return;
    }
    const uint8_t data = static_cast<uint8_t>(row);
    Reply reply;
    if (Send(CmdSetLedBrightness, &data, 1, reply) != kExchangeOk) {
        ui::ShowWarning(this, QStringLiteral("Unable to set the LED Brightness..\n"));
        // Setting the row from code sends nothing.
        ShowLedBrightness(prev_ledBrightness_index);
        return;
    }
    prev_ledBrightness_index = row;
}

void Form1::keypadTypeCbox_SelectionChangeCommitted() {
    const int row = keypadTypeCbox->currentIndex();
    if (row < 0) {
        return;
    }
    const uint8_t data = static_cast<uint8_t>(row);
    Reply reply;
    if (Send(CmdSetKeypadType, &data, 1, reply) != kExchangeOk) {
        ui::ShowWarning(this, QStringLiteral("Unable to set Keypad Type..\n"));
        ShowKeypadType(prev_keypadType_index);
        return;
    }
    prev_keypadType_index = row;
    WriteConnectedStatusLines();
}

void Form1::btnLoadFirmware_MouseClick() {
    // Without the vendor's RAM boot loader nothing may reach the keypad.
    if (!firmware_upgrade::BootLoaderFilesReady(this)) {
        return;
    }
    if (GetDeviceStatusMessage() == kReadOk) {
        // Written back by the upgrade window once the new firmware runs.
        firmware_upgrade::keypadType = prev_keypadType_index;
        firmware_upgrade::ledBrightness = prev_ledBrightness_index;
        std::copy_n(keyCodeArray.begin(), firmware::kRestoredKeyCodes,
                    firmware_upgrade::key_codes.begin());
        firmware_upgrade::serialNumber = serialNumber;
    } else {
        ui::ShowWarning(this, QStringLiteral("Unable to get device status information\n"));
    }
    if (ui::AskYesNo(this, QStringLiteral("Are you sure you want to upgrade the firmware?"),
                     QStringLiteral("Firmware Upgrade")) != ui::Answer::Yes) {
        return;
    }
    // The window watches for the loader before the keypad leaves the bus for it.
    auto* window = new firmware_upgrade(this);
    firmwareUpgradeFrm = window;
    Reply reply;
    if (Send(CmdEnterBsl, nullptr, 0, reply) != kExchangeOk) {
        EnableDisableFunctionButtons(false);
    }
    window->show();
}

void Form1::btnModifyBleName_Click() {
    const int8_t status = GetDeviceStatusMessage_2();
    OpenBluetoothWindow(this, status, {bleName, bleManufacturerData, blePowerLevel, bleEnable});
}

void Form1::aboutVexorUSBEncoderConfiguratorToolStripMenuItem_Click() {
    // openFileDialogBrowse
    const auto chosen = ui::AskPath(this, {ui::FileRequest::Kind::OpenFile, QString(), QString(),
                                           QString::fromLatin1(config::kImportFileFilter)});
    const config::Outcome outcome = config::ImportCfgFile(Narrow(chosen));
    if (outcome.message) {
        ShowNotice(this, *outcome.message);
    }
}

void Form1::exitToolStripMenuItem_Click() {
    // folderBrowserDialog1; the home folder stands in for "C:\\" away from Windows.
#ifdef Q_OS_WIN
    const QString start = QStringLiteral("C:\\");
#else
    const QString start = QDir::homePath();
#endif
    const auto folder =
        ui::AskPath(this, {ui::FileRequest::Kind::Folder,
                           QString::fromLatin1(config::kExportFolderDialogText), start, QString()});
    const config::ExportPlan plan = config::PlanExport(Narrow(folder));
    if (plan.message) {
        ShowNotice(this, *plan.message);
        return;
    }
    if (plan.question && ShowNotice(this, *plan.question) != ui::Answer::Yes) {
        return;
    }
    const config::Outcome outcome = config::ExportCfgFile(plan.target);
    if (outcome.message) {
        ShowNotice(this, *outcome.message);
    }
}

void Form1::aboutVexorUSBEncoderConfiguratorToolStripMenuItem1_Click() {
    auto* box = new about(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->move(pos());
    box->show();
}

} // namespace praxil_usb_encoder
