#include "Form1.h"

#include "app/ProgramExit.h"
#include "codetable/editor_opening.h"
#include "config/config_file.h"
#include "config/config_replay.h"
#include "config/config_transfer.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "firmware/ble/Bluetooth.h"
#include "firmware/firmware_upgrade.h"
#include "firmware/settings_restore.h"
#include "keypad/KeypadCommands.h"
#include "platform/text/NarrowText.h"
#include "selftest/KeyPrompt.h"
#include "selftest/self_test.h"
#include "ui/Accessible.h"
#include "ui/CustomMessageBox.h"
#include "ui/Dialogs.h"
#include "ui/FocusMarkStyle.h"
#include "ui/ScreenFit.h"
#include "ui/WindowKeys.h"
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
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextEdit>

#include <algorithm>

namespace praxil_usb_encoder {
namespace {

constexpr int8_t kReadOk = 0;
constexpr int8_t kReadFailed = -1;

const QString kKeypadLayoutText = QStringLiteral("Keypad - Layout");
const QString kLedBrightnessText = QStringLiteral("LED Brightness");

constexpr auto kImportKeys = Qt::CTRL | Qt::Key_O;
constexpr auto kExportKeys = Qt::CTRL | Qt::Key_E;
constexpr auto kExitKeys = Qt::CTRL | Qt::Key_Q;
constexpr auto kAboutKeys = Qt::Key_F1;

// Whether Alt on its own moves to the menu bar is the style's choice (Linux styles mostly say
// no); this menu bar says yes on every platform. Over the focus-marking style, which shows the
// menu Alt went to.
class MenuBarKeysStyle final : public QProxyStyle {
public:
    explicit MenuBarKeysStyle(QObject* owner) : QProxyStyle(new ui::FocusMarkStyle) {
        setParent(owner);
    }
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_MenuBar_AltKeyNavigation) {
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QPushButton* MakeButton(QWidget* parent, const char* text, int x, int y, int width, int height) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setGeometry(x, y, width, height);
    return button;
}

ui::Answer ShowNotice(QWidget* parent, const config::Notice& notice) {
    return ui::ShowMessage(
        parent,
        {QString::fromStdString(notice.text), QString::fromStdString(notice.caption),
         notice.buttons == config::NoticeButtons::YesNo ? ui::Buttons::YesNo : ui::Buttons::Ok,
         notice.icon == config::NoticeIcon::Question ? ui::Icon::Question : ui::Icon::Warning,
         notice.noByDefault});
}

std::optional<std::string> Narrow(const std::optional<QString>& path) {
    if (!path) {
        return std::nullopt;
    }
    return platform::CoreFileName(*path);
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
    // Owned by the window, which outlives its menu bar.
    menuStrip1->setStyle(new MenuBarKeysStyle(this));
    // The underlined letters open the menus and run their items (Alt+F, then I).
    fileToolStripMenuItem = menuStrip1->addMenu(QStringLiteral("&File"));
    aboutVexorUSBEncoderConfiguratorToolStripMenuItem =
        fileToolStripMenuItem->addAction(QStringLiteral("&Import Cfg File"));
    aboutVexorUSBEncoderConfiguratorToolStripMenuItem->setShortcut(QKeySequence(kImportKeys));
    exitToolStripMenuItem = fileToolStripMenuItem->addAction(QStringLiteral("&Export Cfg File"));
    exitToolStripMenuItem->setShortcut(QKeySequence(kExportKeys));
    exitToolStripMenuItem1 = fileToolStripMenuItem->addAction(QStringLiteral("E&xit"));
    exitToolStripMenuItem1->setShortcut(QKeySequence(kExitKeys));
    helpToolStripMenuItem = menuStrip1->addMenu(QStringLiteral("&Help"));
    aboutVexorUSBEncoderConfiguratorToolStripMenuItem1 =
        helpToolStripMenuItem->addAction(QStringLiteral("&About Echovane Configuration Utility"));
    aboutVexorUSBEncoderConfiguratorToolStripMenuItem1->setShortcut(QKeySequence(kAboutKeys));
    menuStrip1->setGeometry(0, 0, kClientWidth, menuStrip1->sizeHint().height());
    // F10 opens the first menu, as on the desktops this runs on.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this,
            [this] { menuStrip1->setActiveAction(fileToolStripMenuItem->menuAction()); });

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
    for (int row = 0; row < keypad::kLedBrightnessLevels; ++row) {
        ledBrightnessCbox->addItem(QString::fromStdString(keypad::LedBrightnessText(row)));
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

    MakeKeyboardAndScreenReaderReady();
}

void Form1::MakeKeyboardAndScreenReaderReady() {
    ui::NameControl(richTextBox1, QStringLiteral("Keypad status"),
                    QStringLiteral("Firmware version, product, code table, serial number, jack "
                                   "and orientation of the keypad"));
    // Read line by line with the arrow keys, and outlined while it has the focus.
    richTextBox1->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    richTextBox1->setStyleSheet(ui::FocusMarkRule(QStringLiteral("QTextEdit")));
    // The pickers show their values; their names say what the values are of.
    ui::NameControl(keypadTypeCbox, QStringLiteral("Code table"),
                    QStringLiteral("The code table the keypad uses"));
    ui::NameControl(ledBrightnessCbox, QStringLiteral("LED brightness"));
    ui::NameControl(btnModifyBleParam, btnModifyBleParam->text(),
                    QStringLiteral("Bluetooth parameters of the keypad"));
    // Row by row, left to right, as the window reads.
    ui::SetTabChain({button11, richTextBox1, keypadTypeCbox, ledBrightnessCbox, button2, button1,
                     button3, button8, btnModifyBleParam, btnLoadFirmware, button9, button10});
    // The first thing a user does here: find the keypad.
    button11->setFocus();
    // Enter presses the button with the focus, as Space does (the system's windows did).
    ui::EnterPressesFocusedButtons(*this);
}

Form1::~Form1() {
    // A self test still open goes with this window's children: nothing is left to show then.
    if (selfTestFrm) {
        selfTestFrm->disconnect(this);
    }
}

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
    ui::FitOnScreen(*this);
    // Load once the window is on screen, so its messages have the window behind them.
    QMetaObject::invokeMethod(this, &Form1::Form1_Load, Qt::QueuedConnection);
}

void Form1::closeEvent(QCloseEvent* event) {
    // Closing the window ends the program as "Exit" does, whatever other windows are open.
    if (!app::PrepareForExit()) {
        event->ignore();
        return;
    }
    CloseOpenKeypad();
    event->accept();
    app::EndEventLoops();
}

keypad::StatusRead Form1::ReadStatusIntoFields() {
    const keypad::StatusRead read = keypad::ReadStatus();
    if (!read.status) {
        return read;
    }
    const keypad::KeypadStatus& status = *read.status;
    prev_ledBrightness_index = status.ledBrightness;
    prev_keypadType_index = status.tableKind;
    Jack_status = status.jackStatus;
    HV_status = status.hvStatus;
    std::copy(status.keyCodeBlock.begin(), status.keyCodeBlock.end(), keyCodeArray.begin());
    firmwareVersion = status.firmwareVersion;
    serialNumber = status.serialNumber;
    // A failed multi-code read fails the whole read; the fields above keep their new values.
    if (read.multipleCodeTable) {
        multipleKeyCodeArray = *read.multipleCodeTable;
        multipleKeyCodeArrayRead = true;
    }
    return read;
}

int8_t Form1::GetDeviceStatusMessage() {
    return ReadStatusIntoFields().ok() ? kReadOk : kReadFailed;
}

int8_t Form1::GetDeviceStatusMessage_2() {
    const std::optional<keypad::BleParams> params = keypad::ReadBleParams();
    if (!params) {
        return kReadFailed;
    }
    bleName = params->name;
    bleManufacturerData = params->manufacturerData;
    blePowerLevel = params->powerLevel;
    bleEnable = params->enable;
    return kReadOk;
}

int8_t Form1::GetDeviceStatusMessage_3() {
    const std::optional<int> type = keypad::ReadProductType();
    productType = type.value_or(0);
    return type ? kReadOk : kReadFailed;
}

int8_t Form1::checkMulticodeInstalled() {
    return static_cast<int8_t>(keypad::CheckMulticode());
}

void Form1::WriteConnectedStatusLines() {
    const bool hasRow =
        prev_keypadType_index >= 0 && prev_keypadType_index < keypadTypeCbox->count();
    const std::string kindText = hasRow
                                     ? keypadTypeCbox->itemText(prev_keypadType_index).toStdString()
                                     : keypad::TableKindName(prev_keypadType_index);
    configArray =
        keypad::ConnectedStatusLines({firmwareVersion, kindText, keypad::ProductName(productType),
                                      serialNumber, Jack_status, HV_status});
    richTextBox1->setPlainText(QStringList{platform::FromLatin1(configArray[0]),
                                           platform::FromLatin1(configArray[1]),
                                           platform::FromLatin1(configArray[2])}
                                   .join(u'\n'));
}

void Form1::WriteNotConnectedStatusLine() {
    configArray[0] = keypad::NotConnectedStatusLine();
    richTextBox1->setPlainText(QStringList{platform::FromLatin1(configArray[0]),
                                           platform::FromLatin1(configArray[1]),
                                           platform::FromLatin1(configArray[2])}
                                   .join(u'\n'));
}

void Form1::EnableDisableFunctionButtons(bool enable) {
    enable = enable && !selfTestOwnsKeypad;
    bool focusLost = false;
    for (QWidget* control :
         std::initializer_list<QWidget*>{ledBrightnessCbox, keypadTypeCbox, button1, button8,
                                         button9, button2, button3, btnModifyBleParam}) {
        // The window's focus widget, not hasFocus(): after a message box the window is often
        // not active again yet, and the control it comes back to is the one that matters.
        focusLost = focusLost || (!enable && focusWidget() == control);
        control->setEnabled(enable);
    }
    // Qt would pass the focus on to the next control, Exit at the end of the row, where the next
    // Space or Enter ends the program; what is left to do is to scan again.
    if (focusLost) {
        button11->setFocus(Qt::OtherFocusReason);
    }
}

void Form1::ShowLedBrightness(int ledBrightness) {
    if (ledBrightness >= 0 && ledBrightness < ledBrightnessCbox->count()) {
        ledBrightnessCbox->setCurrentIndex(ledBrightness);
        return;
    }
    ledBrightnessCbox->setCurrentIndex(-1);
    ledBrightnessCbox->setPlaceholderText(
        QString::fromStdString(keypad::LedBrightnessText(ledBrightness)));
}

void Form1::ShowKeypadType(int tableKind) {
    if (tableKind >= 0 && tableKind < keypadTypeCbox->count()) {
        keypadTypeCbox->setCurrentIndex(tableKind);
        return;
    }
    keypadTypeCbox->setCurrentIndex(-1);
    keypadTypeCbox->setPlaceholderText(QString::fromStdString(keypad::TableKindName(tableKind)));
}

void Form1::FillKeypadTypes(bool multicode) {
    keypadTypeCbox->clear();
    const int count = multicode ? keypad::kTableKindCount : keypad::kSingleCodeTableKindCount;
    for (int kind = 0; kind < count; ++kind) {
        keypadTypeCbox->addItem(platform::FromLatin1(keypad::kTableKindNames[kind]));
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

void Form1::button10_Click() {
    if (!app::PrepareForExit()) {
        return;
    }
    CloseOpenKeypad();
    app::EndEventLoops();
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
    self_test* window = OpenSelfTest(this, status);
    if (window == nullptr) {
        return;
    }
    selfTestFrm = window;
    if (selfTestOwnsKeypad || !window->SequenceStarted()) {
        return;
    }
    selfTestOwnsKeypad = true;
    EnableDisableFunctionButtons(false);
    btnLoadFirmware->setEnabled(false);
    // Gone, the window has put the keypad's table and brightness back: show them as they are.
    connect(window, &QObject::destroyed, this, [this] {
        selfTestOwnsKeypad = false;
        btnLoadFirmware->setEnabled(true);
        RefreshFromKeypad();
    });
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
    const keypad::CommandResult written = keypad::WriteDefault();
    if (!written.ok()) {
        ui::ShowWarning(this, platform::FromLatin1(written.message));
        return;
    }
    std::optional<config::KeypadState> state;
    if (const keypad::StatusRead read = ReadStatusIntoFields(); read.ok()) {
        // The multi-code table is the one last read in this run.
        state = config::StateToSave(*read.status, multipleKeyCodeArray);
    }
    // A file removed since the start (its folder too) is made again as at the start.
    PrepareConfigFile();
    const config::Outcome saved = config::SaveToConfigFile(state);
    if (saved.message) {
        ShowNotice(this, *saved.message);
    }
}

void Form1::button9_Click() {
    // One mis-click would lose the customised tables: ask first.
    if (ui::AskBeforeIrreversible(this, QString::fromLatin1(keypad::kResetToDefaultQuestion),
                                  ui::kCaption) != ui::Answer::Yes) {
        return;
    }
    const keypad::CommandResult reset = keypad::ResetToDefault();
    // The re-connect notice after a reset, or the failure.
    ui::ShowWarning(this, platform::FromLatin1(reset.message));
    if (!reset.ok()) {
        return;
    }
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
    if (const keypad::CommandResult set = keypad::SetLedBrightness(row); !set.ok()) {
        ui::ShowWarning(this, platform::FromLatin1(set.message));
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
    if (const keypad::CommandResult set = keypad::SetKeypadType(row); !set.ok()) {
        ui::ShowWarning(this, platform::FromLatin1(set.message));
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
    const keypad::StatusRead read = ReadStatusIntoFields();
    // Written back by the upgrade window once the new firmware runs.
    firmware_upgrade::KeepSharedState(
        firmware::StateForUpgrade(firmware_upgrade::SharedState(), firmware_upgrade::keypadInLoader,
                                  read.ok() ? read.status : std::nullopt));
    if (!read.ok()) {
        ui::ShowWarning(this,
                        platform::FromLatin1(std::string(keypad::kStatusReadFailedText) + "\n"));
    }
    if (ui::AskBeforeIrreversible(this,
                                  QStringLiteral("Are you sure you want to upgrade the firmware?"),
                                  QStringLiteral("Firmware Upgrade")) != ui::Answer::Yes) {
        return;
    }
    // The window watches for the loader before the keypad leaves the bus for it.
    auto* window = new firmware_upgrade(this);
    firmwareUpgradeFrm = window;
    // Closed, it says to scan for the keypad again: that is where the focus waits. Tied to the
    // button, so that nothing is done with it once it is gone (at the program's end).
    connect(window, &QObject::destroyed, button11,
            [scan = button11] { scan->setFocus(Qt::OtherFocusReason); });
    if (keypad::EnterBsl() != kExchangeOk) {
        EnableDisableFunctionButtons(false);
    }
    if (firmware_upgrade::sharedStateKnown) {
        // Whether it answered or left at once, the keypad whose settings are kept is on its way
        // to its loader.
        firmware_upgrade::keypadInLoader = true;
    }
    window->show();
}

void Form1::btnModifyBleName_Click() {
    const int8_t status = GetDeviceStatusMessage_2();
    OpenBluetoothWindow(this, status, {bleName, bleManufacturerData, blePowerLevel, bleEnable});
}

void Form1::aboutVexorUSBEncoderConfiguratorToolStripMenuItem_Click() {
    // openFileDialogBrowse
    const auto chosen = ui::AskPath(
        this, {ui::FileRequest::Kind::OpenFile, QString::fromLatin1(config::kImportFileDialogText),
               QString(), QString::fromLatin1(config::kImportFileFilter)});
    if (chosen) {
        // The copy goes where the file was made at the start, even if it was removed since.
        PrepareConfigFile();
    }
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
    // One box: asked again, the open one comes forward.
    for (about* open : findChildren<about*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (open->isVisible()) {
            open->raise();
            open->activateWindow();
            return;
        }
    }
    auto* box = new about(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->move(pos());
    box->show();
    ui::FitOnScreen(*box);
}

} // namespace praxil_usb_encoder
