#include "firmware_upgrade.h"

#include "config/config_file.h"
#include "firmware/bsl430/bsl430.h"
#include "firmware/image_check.h"
#include "firmware/product_marker.h"
#include "firmware/settings_restore.h"
#include "platform/text/NarrowText.h"
#include "ui/Accessible.h"
#include "ui/BackgroundWorker.h"
#include "ui/Dialogs.h"
#include "ui/ScreenFit.h"
#include "ui/WindowKeys.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QVariantMap>

#include <algorithm>
#include <sstream>

namespace praxil_usb_encoder {

std::optional<std::string> firmware_upgrade::serialNumber;
int firmware_upgrade::keypadType = 0;
int firmware_upgrade::ledBrightness = 0;
std::array<uint8_t, firmware::kKeyCodesSize> firmware_upgrade::key_codes{};
bool firmware_upgrade::sharedStateKnown = false;
bool firmware_upgrade::keypadInLoader = false;

namespace {

constexpr int kLargeFontPoints = 12;
constexpr int kProgressStep = 5;
// Long enough for a screen reader to have handled the caret's move before the focus comes.
constexpr int kStatusFocusDelayMs = 300;
// The download worker's result.
constexpr char kResultDone[] = "done";
constexpr char kResultRestoreMessage[] = "restoreMessage";
constexpr char kResultRestored[] = "restored";
constexpr char kResultRestoreNotice[] = "restoreNotice";
constexpr char kResultStateKnown[] = "stateKnown";

QPushButton* MakeButton(QWidget* parent, const char* text, int x, int y, int w, int h) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setGeometry(x, y, w, h);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w, int h) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, w, h);
    return label;
}

void UseLargeFont(QWidget* widget) {
    QFont font = widget->font();
    font.setPointSize(kLargeFontPoints);
    widget->setFont(font);
}

} // namespace

bool firmware_upgrade::BootLoaderFilesReady(QWidget* parent) {
    const firmware::BootLoaderLookup lookup =
        firmware::FindBootLoaderFiles(firmware::DefaultBootLoaderSearch());
    if (!lookup.files) {
        ui::ShowWarning(parent, platform::FromUtf8(lookup.message));
        return false;
    }
    return true;
}

firmware::UpgradeState firmware_upgrade::SharedState() {
    firmware::UpgradeState state;
    state.known = sharedStateKnown;
    state.serialNumber = serialNumber;
    state.keypadType = keypadType;
    state.ledBrightness = ledBrightness;
    state.key_codes = key_codes;
    return state;
}

void firmware_upgrade::KeepSharedState(const firmware::UpgradeState& state) {
    sharedStateKnown = state.known;
    serialNumber = state.serialNumber;
    keypadType = state.keypadType;
    ledBrightness = state.ledBrightness;
    key_codes = state.key_codes;
}

firmware_upgrade::firmware_upgrade(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromLatin1(kUpgradeTitle));
    setFixedSize(kUpgradeClientWidth, kUpgradeClientHeight);

    groupBox1 = new QGroupBox(QStringLiteral("Select which firmware to download"), this);
    groupBox1->setGeometry(12, 12, 492, 110);
    label1 = MakeLabel(groupBox1, QStringLiteral("Select Firmware"), 12, 28, 120, 23);
    btnBrowse = MakeButton(groupBox1, "&Browse", 140, 26, 90, 27);
    btnBrowse->setEnabled(false);
    label3 = MakeLabel(groupBox1, QStringLiteral("File to download"), 12, 68, 120, 23);
    filenameTextBox = new QLineEdit(groupBox1);
    filenameTextBox->setGeometry(140, 66, 340, 25);
    filenameTextBox->setReadOnly(true);

    btnUpgrade = MakeButton(this, "Upgrade Firmware", 12, 132, 240, 44);
    btnUpgrade->setEnabled(false);
    UseLargeFont(btnUpgrade);
    btnClose = MakeButton(this, "&Close", 264, 132, 240, 44);
    UseLargeFont(btnClose);

    progressBar = new QProgressBar(this);
    progressBar->setGeometry(12, 186, 492, 23);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
    progressBar->setProperty("step", kProgressStep);

    statusBox = new QPlainTextEdit(this);
    statusBox->setGeometry(12, 216, 492, 100);
    statusBox->setReadOnly(true);
    statusBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    label2 = MakeLabel(this, QStringLiteral("VID"), 12, 326, 30, 23);
    vidLbl = MakeLabel(this, QString(), 44, 326, 60, 23);
    label4 = MakeLabel(this, QStringLiteral("PID"), 116, 326, 30, 23);
    pidLbl = MakeLabel(this, QString(), 148, 326, 60, 23);
    labelNumOfDevices =
        MakeLabel(this, QString::fromLatin1(firmware::kSearchingText), 264, 326, 240, 23);

    connect(btnBrowse, &QPushButton::clicked, this, &firmware_upgrade::btnBrowse_Click);
    connect(btnUpgrade, &QPushButton::clicked, this, &firmware_upgrade::btnUpgrade_MouseClick);
    connect(btnClose, &QPushButton::clicked, this, &firmware_upgrade::btnClose_MouseClick);

    label3->setBuddy(filenameTextBox);
    ui::NameControl(filenameTextBox, QStringLiteral("Firmware file"),
                    QStringLiteral("File to download: the firmware image chosen with Browse"));
    ui::NameControl(progressBar, QStringLiteral("Upgrade progress"));
    ui::NameControl(statusBox, QStringLiteral("Upgrade status"),
                    QStringLiteral("What the upgrade has done so far, one line per step"));
    for (QWidget* textBox : std::initializer_list<QWidget*>{filenameTextBox, statusBox}) {
        textBox->setStyleSheet(
            ui::FocusMarkRule(QString::fromLatin1(textBox->metaObject()->className())));
    }
    ui::SetTabChain({btnBrowse, filenameTextBox, btnUpgrade, btnClose, statusBox});
    // No default button: Enter must not start an upgrade the focus is not on.
    new ui::WindowKeys(*this, btnClose);
    // Browse is off until a boot loader is counted; Close is the only way until then.
    btnClose->setFocus();

    InitializeVidPidFirmware();
    InitializeBackgroundWorker();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(kUpgradeClientWidth / 2, kUpgradeClientHeight / 2));
    }
    OnHandleCreated();
}

void firmware_upgrade::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ui::FitOnScreen(*this);
}

firmware_upgrade::~firmware_upgrade() {
    // No watcher callback may reach a window being torn down.
    UnRegisterUSBDevice();
}

void firmware_upgrade::InitializeVidPidFirmware() {
    ids = firmware::InitializeVidPidFirmware();
    vidLbl->setText(QString::fromStdString(ids.myVID));
    pidLbl->setText(QString::fromStdString(ids.myPID));
}

void firmware_upgrade::InitializeBackgroundWorker() {
    backgroundWorker1 = new ui::BackgroundWorker(this);
    backgroundWorker1->DoWork = [this](ui::BackgroundWorker& worker,
                                       ui::BackgroundWorker::WorkArgs& args) {
        const auto report = [&worker](int percent, const std::string& text) {
            worker.ReportProgress(percent, platform::FromUtf8(text));
        };
        QVariantMap result{{kResultDone, false}};
        const firmware::DownloadSlot slot;
        if (!slot.taken()) {
            report(0, std::string(kUpgradeRunningText) + "\r\n");
            args.result = result;
            return;
        }
        firmware::UpgradeSequence sequence(files_, report);
        const std::string path = args.argument.toByteArray().toStdString();
        // No file is the sequence's to report ("No file specified").
        const bool done = image_.ok ? sequence.Run(path, image_) : sequence.Run(path);
        result[kResultDone] = done;
        if (done) {
            // "Done!" ends without a line break.
            report(100, std::string("\r\n") + firmware::kWaitingForKeypadText);
            const firmware::RestoreResult restore = firmware::RestoreSettings(restoreState_);
            result[kResultRestoreMessage] = platform::FromUtf8(restore.message);
            result[kResultRestoreNotice] = platform::FromUtf8(restore.notice);
            result[kResultRestored] = restore.restored;
            result[kResultStateKnown] = restoreState_.known;
        }
        args.result = result;
    };
    connect(backgroundWorker1, &ui::BackgroundWorker::ProgressChanged, this,
            &firmware_upgrade::backgroundWorker1_ProgressChanged);
    connect(backgroundWorker1, &ui::BackgroundWorker::RunWorkerCompleted, this,
            &firmware_upgrade::backgroundWorker1_RunWorkerCompleted);

    backgroundWorkerCheckDevice = new ui::BackgroundWorker(this);
    const firmware::BootLoaderIds counted = ids;
    backgroundWorkerCheckDevice->DoWork = [counted](ui::BackgroundWorker&,
                                                    ui::BackgroundWorker::WorkArgs& args) {
        if (const auto count = firmware::CountBootLoaders(counted)) {
            args.result = QVariant::fromValue(*count);
        }
    };
    connect(backgroundWorkerCheckDevice, &ui::BackgroundWorker::RunWorkerCompleted, this,
            &firmware_upgrade::backgroundWorkerCheckDevice_RunWorkerCompleted);
    DescribeButtons();
}

void firmware_upgrade::OnHandleCreated() {
    RegisterUSBDevice();
}

void firmware_upgrade::RegisterUSBDevice() {
    // The watcher calls from its own thread; the message is handled on the window's.
    const int result =
        BSL_RegisterUSBDeviceNotification(this, [this](uint32_t message, uintptr_t parameter) {
            QMetaObject::invokeMethod(
                this, [this, message, parameter] { ParseMessages(message, parameter); },
                Qt::QueuedConnection);
        });
    if (result != 0) {
        labelNumOfDevices->setText(QString::fromLatin1(firmware::kUnableToRegisterText));
        return;
    }
    registered_ = true;
    StartDeviceCount();
}

void firmware_upgrade::UnRegisterUSBDevice() {
    if (registered_) {
        BSL_UnRegisterUSBDeviceNotification(this);
        registered_ = false;
    }
}

void firmware_upgrade::ParseMessages(uint32_t message, uintptr_t parameter) {
    if (!firmware::IsDeviceChange(message, parameter)) {
        return;
    }
    const bool busy = backgroundWorker1->IsBusy() || backgroundWorkerCheckDevice->IsBusy();
    if (countGate_.OnDeviceChange(busy)) {
        StartDeviceCount();
    }
}

void firmware_upgrade::StartDeviceCount() {
    backgroundWorkerCheckDevice->RunWorkerAsync();
}

void firmware_upgrade::backgroundWorkerCheckDevice_RunWorkerCompleted(const QVariant& result,
                                                                      bool cancelled,
                                                                      const QString& error) {
    if (!cancelled && error.isEmpty() && result.isValid()) {
        numberOfUSBDevicesConnected = result.toUInt();
        const firmware::DeviceCountView view =
            firmware::DeviceCountDisplay(numberOfUSBDevicesConnected);
        labelNumOfDevices->setText(QString::fromStdString(view.label));
        // No new file may be picked while a download runs.
        btnBrowse->setEnabled(view.browseEnabled && !backgroundWorker1->IsBusy());
        btnUpgrade->setEnabled(view.upgradeEnabled);
        // The first count that finds a loader moves the focus from Close on to Browse, the
        // first thing to do here.
        if (!browseFocused_ && btnBrowse->isEnabled() &&
            (focusWidget() == btnClose || focusWidget() == nullptr)) {
            btnBrowse->setFocus();
        }
        browseFocused_ = browseFocused_ || btnBrowse->isEnabled();
        DescribeButtons();
    }
    if (countGate_.OnCountCompleted()) {
        StartDeviceCount();
    }
}

void firmware_upgrade::btnBrowse_Click() {
    const auto described = qScopeGuard([this] { DescribeButtons(); });
    const auto chosen = ui::AskPath(this, {ui::FileRequest::Kind::OpenFile,
                                           QString::fromLatin1(kFirmwareFileDialogText), QString(),
                                           QString::fromLatin1(kFirmwareFileFilter)});
    if (!chosen) {
        return;
    }
    // A new choice must be confirmed again before it can be downloaded.
    btnUpgrade->setEnabled(false);
    image_ = {};
    const std::string path = platform::CoreFileName(*chosen);
    if (const auto problem = firmware::FirmwarePathProblem(path)) {
        filenameTextBox->clear();
        ui::ShowWarning(this, platform::FromUtf8(*problem + "\n"));
        return;
    }
    // Read and checked whole before the keypad can be touched: a file the loader cannot take
    // is refused here with its reason, not found out after the erase.
    const firmware::ImageCheck image = firmware::CheckFirmwareFile(path);
    if (!image.ok) {
        filenameTextBox->clear();
        ui::ShowWarning(this, platform::FromUtf8(firmware::FirmwareFileRefusal(path, image)));
        return;
    }
    filenameTextBox->setText(QDir::toNativeSeparators(*chosen));

    const config::Outcome stored = config::SetSettings(
        config::kFirmwareFileKey, platform::CoreFileName(QFileInfo(*chosen).fileName()));
    if (stored.message) {
        ui::ShowMessage(this, {QString::fromStdString(stored.message->text),
                               QString::fromStdString(stored.message->caption), ui::Buttons::Ok,
                               ui::Icon::Warning});
    }

    // The warning for the text just checked, not for a second read of the file.
    std::istringstream text(image.text);
    const firmware::ProductCheck check = firmware::CheckProductMarker(text);
    if (ui::AskBeforeIrreversible(this, platform::FromUtf8(check.warning),
                                  QString::fromLatin1(firmware::kUpgradeCaption)) ==
        ui::Answer::Yes) {
        image_ = image;
        btnUpgrade->setEnabled(true);
        // The next step; after No, Browse stays where the way on is.
        btnUpgrade->setFocus(Qt::OtherFocusReason);
    }
}

void firmware_upgrade::btnUpgrade_MouseClick() {
    const auto described = qScopeGuard([this] { DescribeButtons(); });
    if (backgroundWorker1->IsBusy()) {
        return;
    }
    if (AnyDownloadRunning()) {
        ui::ShowWarning(this, QString::fromLatin1(kUpgradeRunningText) + QStringLiteral("\n"));
        return;
    }
    // Both may have changed since Browse.
    const firmware::BootLoaderLookup lookup =
        firmware::FindBootLoaderFiles(firmware::DefaultBootLoaderSearch());
    if (!lookup.files) {
        ui::ShowWarning(this, platform::FromUtf8(lookup.message));
        return;
    }
    const std::string path = platform::CoreFileName(filenameTextBox->text());
    // No file is the worker's to report ("No file specified"). A file rebuilt or replaced
    // since Browse was not what the user confirmed.
    if (!path.empty()) {
        const firmware::ImageCheck again = firmware::RecheckFirmwareFile(path, image_);
        if (!again.ok) {
            btnUpgrade->setEnabled(false);
            ui::ShowWarning(this, platform::FromUtf8(firmware::FirmwareFileRefusal(path, again)));
            return;
        }
    }
    files_ = *lookup.files;
    restoreState_ = SharedState();
    btnUpgrade->setEnabled(false);
    btnBrowse->setEnabled(false);
    progressBar->setValue(0);
    statusBox->clear();
    AppendStatus(QString::fromLatin1(firmware::kStartingText));
    backgroundWorker1->RunWorkerAsync(QByteArray::fromStdString(path));
}

void firmware_upgrade::AppendStatus(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    statusBox->moveCursor(QTextCursor::End);
    statusBox->insertPlainText(shown);
    statusBox->moveCursor(QTextCursor::End);
}

void firmware_upgrade::backgroundWorker1_ProgressChanged(int percent, const QVariant& userState) {
    progressBar->setValue(std::clamp(percent, 0, 100));
    const QString text = userState.toString();
    if (!text.isEmpty()) {
        AppendStatus(text);
    }
}

void firmware_upgrade::backgroundWorker1_RunWorkerCompleted(const QVariant& result, bool cancelled,
                                                            const QString& error) {
    if (cancelled || !error.isEmpty()) {
        return;
    }
    const QVariantMap outcome = result.toMap();
    const QString restoreMessage = outcome.value(kResultRestoreMessage).toString();
    const QString restoreNotice = outcome.value(kResultRestoreNotice).toString();
    if (outcome.value(kResultDone).toBool()) {
        const bool restored = outcome.value(kResultRestored).toBool();
        const bool known = outcome.value(kResultStateKnown).toBool();
        if (!restoreNotice.isEmpty()) {
            AppendStatus(restoreNotice);
        } else if (restored && known) {
            AppendStatus(QString::fromLatin1(firmware::kSettingsWrittenBackText));
        }
        if (!restoreMessage.isEmpty()) {
            QString message = restoreMessage;
            if (known) {
                // What the window read before the upgrade is kept until it is written back.
                const QString notAllBack =
                    platform::FromUtf8(firmware::NotAllBackText(restoreState_));
                AppendStatus(notAllBack + QStringLiteral("\r\n"));
                message +=
                    notAllBack +
                    QStringLiteral(" With the keypad plugged in, click on Scan For Device and "
                                   "run the upgrade again before closing this program: that "
                                   "writes them back.\n");
            }
            ui::ShowWarning(this, message);
        }
        // The keypad that went into its loader has its settings back.
        if (restored && known) {
            keypadInLoader = false;
        }
    }
    // How the download ended is the status box's last line. A screen reader speaks only what
    // changes where the focus is (and the progress bar), so the focus goes there.
    FocusLastStatusLine();
    // The loader has gone (or failed): what is attached now decides what Browse may do.
    StartDeviceCount();
}

void firmware_upgrade::FocusLastStatusLine() {
    QTextCursor cursor = statusBox->textCursor();
    cursor.movePosition(QTextCursor::End);
    // The text ends with a line break: the last line with words is before it.
    while (cursor.block().text().trimmed().isEmpty() &&
           cursor.movePosition(QTextCursor::PreviousBlock)) {
    }
    cursor.movePosition(QTextCursor::StartOfBlock);
    statusBox->setTextCursor(cursor);
    // The focus comes a moment after the caret: a screen reader that sees the caret move in the
    // box it is about to focus takes the focus there without a word (Orca does), and reads the
    // line only for a focus it is told of on its own.
    QTimer::singleShot(kStatusFocusDelayMs, statusBox, [box = statusBox] {
        // Already there, the focus would not be told again.
        if (box->hasFocus()) {
            box->clearFocus();
        }
        box->setFocus(Qt::OtherFocusReason);
    });
}

void firmware_upgrade::DescribeButtons() {
    ui::TellDescription(btnBrowse, labelNumOfDevices->text());
    QString upgrade;
    if (backgroundWorker1->IsBusy()) {
        upgrade = QStringLiteral("A download is running");
    } else if (!btnUpgrade->isEnabled()) {
        upgrade = btnBrowse->isEnabled()
                      ? QStringLiteral("Off until a firmware file is chosen with Browse and its "
                                       "warning answered Yes")
                      : labelNumOfDevices->text();
    }
    ui::TellDescription(btnUpgrade, upgrade);
}

void firmware_upgrade::btnClose_MouseClick() {
    if (backgroundWorker1->IsBusy()) {
        ui::ShowWarning(this, QString::fromLatin1(kUpgradeRunningText) + QStringLiteral("\n"));
        return;
    }
    ui::ShowMessage(this, {QString::fromLatin1(firmware::kCloseText) + QStringLiteral("\n"),
                           QString::fromLatin1(firmware::kCloseCaption), ui::Buttons::Ok,
                           ui::Icon::Warning});
    close();
}

bool firmware_upgrade::RefuseClosingDuringDownload() {
    if (!backgroundWorker1->IsBusy()) {
        return false;
    }
    raise();
    ui::ShowWarning(this, QString::fromLatin1(kUpgradeRunningText) + QStringLiteral("\n"));
    return true;
}

void firmware_upgrade::closeEvent(QCloseEvent* event) {
    // Closing mid-download would leave the keypad half programmed.
    if (backgroundWorker1->IsBusy()) {
        ui::ShowWarning(this, QString::fromLatin1(kUpgradeRunningText) + QStringLiteral("\n"));
        event->ignore();
        return;
    }
    UnRegisterUSBDevice();
    event->accept();
}

} // namespace praxil_usb_encoder
