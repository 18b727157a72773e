#include "self_test.h"

#include "keypad/TableKind.h"
#include "platform/audio/AudioSystem.h"
#include "platform/clock.h"
#include "platform/text/NarrowText.h"
#include "selftest/KeyPrompt.h"
#include "selftest/SelfTestFiles.h"
#include "selftest/SelfTestKeypad.h"
#include "selftest/SelfTestSequence.h"
#include "selftest/SelfTestTexts.h"
#include "selftest/VirtualKey.h"
#include "ui/Accessible.h"
#include "ui/BackgroundWorker.h"
#include "ui/Dialogs.h"
#include "ui/ScreenFit.h"
#include "ui/WindowKeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QThread>

#include <algorithm>
#include <vector>

namespace praxil_usb_encoder {
namespace {

constexpr int kClientWidth = 884;
constexpr int kClientHeight = 757;
constexpr int kMinimumWidth = 751;
constexpr int kMinimumHeight = 500;
constexpr int kMaximumWidth = 900;
constexpr int kMaximumHeight = 800;

constexpr int kTextX = 105;
constexpr int kValueX = 320;
constexpr int kCheckX = 400;
constexpr int kLedRowY = 70;
constexpr int kBrightnessRowY = 110;
constexpr int kAudioRowY = 160;
constexpr int kRowHeight = 26;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 30;
constexpr int kCloseX = 700;
constexpr int kCloseY = 690;
// Close keeps this distance from the window's lower right corner whatever the window's size.
constexpr int kCloseRightMargin = kClientWidth - kCloseX - kButtonWidth;
constexpr int kCloseBottomMargin = kClientHeight - kCloseY - kButtonHeight;

// Buttons of the window pressed with Alt and their underlined letter: Space and Enter are keypad
// codes here.
constexpr char kPlayLetter = 'P';
constexpr char kRecordLetter = 'R';
constexpr char kCloseLetter = 'C';

constexpr char kNotDetectedText[] = "Not detected yet";
constexpr char kDetectedText[] = "Detected";
constexpr char kRunningText[] = "Running";
constexpr char kPassedText[] = "Passed";

// The window thread rests this long after each change a setter makes.
constexpr uint32_t kSetterPauseMs = 80;

const QColor kLightGreen(0x90, 0xEE, 0x90);

// A marker's look (grey, or the marked image), outlined while it has the keyboard focus.
QString MarkerStyle(const QString& background) {
    return QStringLiteral("QPushButton { %1 }").arg(background) +
           ui::FocusMarkRuleOnColour(QStringLiteral("QPushButton"));
}
QString GreyMarkerStyle() {
    return MarkerStyle(QStringLiteral("background-color: #808080;"));
}

// Keys that stay with the window rather than the test: they move the focus (Tab, Shift+Tab) and
// end the test (Escape). The keypad sends none of them.
bool IsNavigationKey(const QKeyEvent& event) {
    const Qt::KeyboardModifiers held = event.modifiers() & ~Qt::KeypadModifier;
    switch (event.key()) {
    case Qt::Key_Escape:
        return held == Qt::NoModifier;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return held == Qt::NoModifier || held == Qt::ShiftModifier;
    default:
        return false;
    }
}

// The background a marker button has before it turns grey.
QColor ButtonColour() {
    return QApplication::palette().color(QPalette::Button);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int width) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(platform::FromLatin1(name));
    label->setGeometry(x, y, width, kRowHeight);
    label->setAutoFillBackground(true);
    return label;
}

QCheckBox* MakeIndicator(QWidget* parent, const char* name, int x, int y) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(platform::FromLatin1(name));
    box->setGeometry(x, y, kRowHeight, kRowHeight);
    // It shows what the test found; the user does not tick it.
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

// The words with their letter underlined; the words stay as they are.
QString WithLetter(const char* words, char letter) {
    QString text = platform::FromLatin1(words);
    if (const qsizetype at = text.indexOf(QLatin1Char(letter)); at >= 0) {
        text.insert(at, u'&');
    }
    return text;
}

// Record's words without the mark of its letter.
QString RecordWords(const QPushButton& button) {
    return QString(button.text()).remove(u'&');
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(platform::FromLatin1(name));
    button->setGeometry(x, y, kButtonWidth, kButtonHeight);
    return button;
}

QPointer<self_test>& OpenWindow() {
    static QPointer<self_test> window;
    return window;
}

} // namespace

selftest::KeyCodes self_test::actualKeyCode{};
std::array<bool, selftest::kInputCount> self_test::buttonArray{};
int self_test::installMode = 0;

self_test::self_test(QWidget* owner) : QWidget(owner, Qt::Window) {
    InitializeSelfTest();
    OpenSequence(owner);
}

self_test::~self_test() {
    qApp->removeEventFilter(this);
    StopWorker();
    if (sequenceStarted_ && !restored_) {
        selftest::RestoreKeypad(keypadType_index, ledBrightness_index);
        restored_ = true;
    }
    CloseAudio();
}

void self_test::InitializeSelfTest() {
    setObjectName(QStringLiteral("self_test"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(platform::FromLatin1(selftest::kWindowTitle));
    // No control box: the test ends through "Close".
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    setMaximumSize(kMaximumWidth, kMaximumHeight);
    resize(kClientWidth, kClientHeight);

    closeForm = 0;
    buttonArray.fill(false);

    // On a screen lower than the window the test scrolls; Close stays in the window's corner.
    QWidget* content = ui::ScrollingContent(*this, QSize(kClientWidth, kClientHeight));

    label3 = MakeLabel(content, "label3", platform::FromLatin1(selftest::kHeading), 360, 15, 200);
    QFont headingFont = label3->font();
    headingFont.setPointSize(headingFont.pointSize() + 6);
    headingFont.setBold(true);
    label3->setFont(headingFont);

    ledLbl = MakeLabel(content, "ledLbl", platform::FromLatin1(selftest::kTestingLedText), kTextX,
                       kLedRowY, 200);
    ledColourLbl = MakeLabel(content, "ledColourLbl", platform::FromLatin1(selftest::kLedText),
                             kValueX, kLedRowY, 60);
    ledCheckBox = MakeIndicator(content, "ledCheckBox", kCheckX, kLedRowY);
    ledBrightnessLbl = MakeLabel(content, "ledBrightnessLbl",
                                 platform::FromLatin1(selftest::kTestingBrightnessText), kTextX,
                                 kBrightnessRowY, 200);
    ledLevelLbl = MakeLabel(content, "ledLevelLbl", QString(), kValueX, kBrightnessRowY, 60);
    // Read out, the level alone ("5") would not say what it is.
    ledLevelLbl->setAccessibleDescription(QStringLiteral("LED brightness level under test"));
    brightnessCheckBox = MakeIndicator(content, "brightnessCheckBox", kCheckX, kBrightnessRowY);

    ledCheckBox->setChecked(false);
    brightnessCheckBox->setChecked(false);

    label1 = MakeLabel(content, "label1", platform::FromLatin1(selftest::kTestAudioText), kTextX,
                       kAudioRowY, 200);
    button17 = MakeButton(content, "button17", WithLetter(selftest::kPlayText, kPlayLetter),
                          kValueX, kAudioRowY - 2);
    button23 = MakeButton(content, "button23", WithLetter(selftest::kRecordText, kRecordLetter),
                          kValueX + kButtonWidth + 20, kAudioRowY - 2);
    button23->hide();
    endBtn = MakeButton(this, "endBtn", WithLetter(selftest::kCloseText, kCloseLetter), kCloseX,
                        kCloseY);
    endBtn->setEnabled(false);
    for (QLabel* label : {label3, ledLbl, ledColourLbl, ledBrightnessLbl, ledLevelLbl, label1}) {
        label->setAutoFillBackground(true);
        SetBackColour(label, ButtonColour());
    }
    connect(button17, &QPushButton::clicked, this, &self_test::button17_Click);
    connect(button23, &QPushButton::clicked, this, &self_test::button23_Click);
    connect(endBtn, &QPushButton::clicked, this, &self_test::endBtn_MouseClick_1);

    pictureBox1 = new QLabel(content);
    pictureBox1->setObjectName(QStringLiteral("pictureBox1"));
    pictureBox1->setGeometry(selftest::kPictureX, selftest::kPictureY, selftest::kPictureWidth,
                             selftest::kPictureHeight);
    pictureBox1->setPixmap(
        QPixmap(SelfTestFilePath(platform::FromLatin1(selftest::PictureForMode(installMode)))));

    for (int i = 0; i < selftest::kInputCount; ++i) {
        auto* marker = new QPushButton(platform::FromLatin1(selftest::kMarkerTexts[i]), content);
        marker->setObjectName(QStringLiteral("button%1").arg(i + 1));
        marker->resize(selftest::kMarkerWidth, selftest::kMarkerHeight);
        marker->setStyleSheet(GreyMarkerStyle());
        marker->hide();
        markers[i] = marker;
    }

    MakeKeyboardAndScreenReaderReady();

    // Every key-down reaches ProcessCmdKey before a control sees it.
    qApp->installEventFilter(this);
}

void self_test::MakeKeyboardAndScreenReaderReady() {
    endBtn->raise();
    // The underlined letters are the buttons' shortcuts (Alt+P, Alt+R, Alt+C); their names are
    // their words, Record's as they change.
    button17->setAccessibleDescription(QStringLiteral("Plays the test sound; Alt+P"));
    button23->setAccessibleDescription(
        QStringLiteral("Records from the keypad's microphone and plays it back; Alt+R"));
    endBtn->setAccessibleDescription(
        QStringLiteral("Ends the test and puts the keypad back as it was; Escape or Alt+C"));
    ui::NameControl(pictureBox1, QStringLiteral("Keypad picture"),
                    QStringLiteral("Each input's marker turns blue once its key code arrives"));
    ui::NameControl(ledCheckBox, QStringLiteral("LED blink passed"));
    ui::NameControl(brightnessCheckBox, QStringLiteral("LED brightness sweep passed"));
    for (int i = 0; i < selftest::kInputCount; ++i) {
        QPushButton* marker = markers[static_cast<size_t>(i)];
        // It shows; it is not pressed. Checked once its input has been detected.
        marker->setCheckable(true);
        marker->setAttribute(Qt::WA_TransparentForMouseEvents);
        ui::NameControl(marker, QStringLiteral("%1 input").arg(marker->text()),
                        QString::fromLatin1(kNotDetectedText));
    }
    // Escape ends the test as Close does; there is no default button, Enter is a keypad code.
    new ui::WindowKeys(*this, endBtn);
    SetTabChain();
    button17->setFocus();
}

void self_test::SetTabChain() {
    // Play and Record, the markers as they lie on the picture, then Close.
    std::vector<QWidget*> chain{button17, button23};
    for (QWidget* marker :
         ui::InReadingOrder(std::vector<QWidget*>(markers.begin(), markers.end()))) {
        chain.push_back(marker);
    }
    chain.push_back(endBtn);
    ui::SetTabChain(chain);
}

void self_test::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    endBtn->move(width() - kCloseRightMargin - kButtonWidth,
                 height() - kCloseBottomMargin - kButtonHeight);
}

void self_test::OpenSequence(QWidget* owner) {
    const auto status = selftest::GetDeviceStatusMessage();
    if (!status) {
        ui::ShowMessage(owner, {platform::FromLatin1(selftest::kStatusErrorText) + "\n",
                                platform::FromLatin1(selftest::kStatusErrorCaption),
                                ui::Buttons::Ok, ui::Icon::Warning});
        // Nothing ran, so "Close" has nothing to put back and closes at once.
        closeAllowed_ = true;
        return;
    }
    ledBrightness_index = status->ledBrightness_index;
    keypadType_index = status->keypadType_index;
    firmwareVersion = status->firmwareVersion;
    ledLevelLbl->setText(QString::number(ledBrightness_index));

    const selftest::SelfTestLayout layout = selftest::ChooseLayout(firmwareVersion, installMode);
    actualKeyCode = layout.actualKeyCode;
    installMode = layout.installMode;
    pictureBox1->setPixmap(QPixmap(SelfTestFilePath(platform::FromLatin1(layout.picture))));

    if (keypadType_index >= keypad::DefaultTable && keypadType_index <= keypad::CustomiseTable) {
        pictureBox1->move(selftest::kPictureX, selftest::kPictureY);
        for (int i = 0; i < selftest::kInputCount; ++i) {
            const selftest::MarkerPoint at = selftest::MarkerPosition(installMode, i);
            markers[i]->move(at.x, at.y);
            markers[i]->setText(platform::FromLatin1(selftest::kMarkerTexts[i]));
            markers[i]->setStyleSheet(GreyMarkerStyle());
            markers[i]->show();
            markers[i]->raise();
        }
        SetTabChain();
    }

    const QString caption = platform::FromLatin1(selftest::kAudioCaption);
    if (ui::ShowMessage(owner, {platform::FromLatin1(selftest::kMicrophoneQuestion), caption,
                                ui::Buttons::YesNo, ui::Icon::Warning}) == ui::Answer::Yes) {
        button23->show();
        ui::ShowMessage(owner, {platform::FromLatin1(selftest::kMicrophoneNotice), caption,
                                ui::Buttons::Ok, ui::Icon::None});
    }

    worker_ = new ui::BackgroundWorker(this);
    worker_->DoWork = [this](ui::BackgroundWorker&, ui::BackgroundWorker::WorkArgs&) {
        backgroundWorker1_DoWork();
    };
    connect(worker_, &ui::BackgroundWorker::RunWorkerCompleted, this,
            &self_test::backgroundWorker1_RunWorkerCompleted);
    sequenceStarted_ = worker_->RunWorkerAsync();
    closeAllowed_ = !sequenceStarted_;
}

void self_test::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        self_test_Load();
    }
}

void self_test::self_test_Load() {
    endBtn->setEnabled(true);
    // The test sound starts as soon as the window shows.
    CloseAudio();
    player_ = platform::CurrentAudio().CreatePlayer();
    if (!player_->CanPlay()) {
        // Said where it is looked for rather than in a box over the test's own prompts; Play
        // says it again when pressed.
        const QString noOutput = platform::FromLatin1(selftest::kNoAudioOutputText);
        button17->setToolTip(noOutput);
        ui::TellDescription(button17,
                            button17->accessibleDescription() + QStringLiteral(". ") + noOutput);
        return;
    }
    player_->Play(
        SelfTestNativeFilePath(platform::FromLatin1(selftest::kTestSoundFile)).toStdString());
}

void self_test::backgroundWorker1_DoWork() {
    sequenceEnd_ = selftest::RunSelfTestSequence(ledBrightness_index, *this, closeForm);
}

void self_test::backgroundWorker1_RunWorkerCompleted() {
    bool putBack = true;
    if (!restored_) {
        putBack = selftest::RestoreKeypad(keypadType_index, ledBrightness_index);
        restored_ = true;
    }
    const char* failure = nullptr;
    if (sequenceEnd_ == selftest::SequenceEnd::CommandFailed) {
        failure = selftest::kSequenceFailedText;
    } else if (!putBack) {
        failure = selftest::kRestoreFailedText;
    }
    QWidget* const owner = parentWidget();
    closeAllowed_ = true;
    close();
    // The window is on its way out: nothing of it is used from here on.
    if (failure != nullptr) {
        ui::ShowMessage(owner, {platform::FromLatin1(failure) + "\n",
                                platform::FromLatin1(selftest::kEndCaption), ui::Buttons::Ok,
                                ui::Icon::Warning});
    }
}

void self_test::EndForExit() {
    CloseAudio();
    StopWorker();
    if (sequenceStarted_ && !restored_) {
        selftest::RestoreKeypad(keypadType_index, ledBrightness_index);
        restored_ = true;
    }
    closeAllowed_ = true;
    close();
}

void self_test::StopWorker() {
    closeForm = 1;
    {
        std::lock_guard lock(promptMutex_);
        promptDone_ = true;
    }
    promptCondition_.notify_all();
    if (worker_ != nullptr) {
        worker_->Wait();
    }
}

bool self_test::PostedToWindowThread(std::function<void()> change) {
    if (QThread::currentThread() == thread()) {
        return false;
    }
    QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
    return true;
}

void self_test::AddTextToObject(QLabel* txtBox, const QString& str) {
    if (PostedToWindowThread([this, txtBox, str] { AddTextToObject(txtBox, str); })) {
        return;
    }
    txtBox->setText(str);
    SleepMs(kSetterPauseMs);
}

void self_test::AmendCheckBox(QCheckBox* chkBox, bool checked, const QString& str) {
    if (PostedToWindowThread(
            [this, chkBox, checked, str] { AmendCheckBox(chkBox, checked, str); })) {
        return;
    }
    chkBox->setChecked(checked);
    SleepMs(kSetterPauseMs);
}

void self_test::SetBackColour(QWidget* control, const QColor& colour) {
    if (PostedToWindowThread([this, control, colour] { SetBackColour(control, colour); })) {
        return;
    }
    QPalette palette = control->palette();
    palette.setColor(QPalette::Window, colour);
    control->setPalette(palette);
}

void self_test::TellPhase(QWidget* label, const char* state) {
    if (PostedToWindowThread([this, label, state] { TellPhase(label, state); })) {
        return;
    }
    // The green a sighted user sees, in words.
    ui::TellDescription(label, QString::fromLatin1(state));
}

void self_test::BlinkStarted() {
    SetBackColour(ledLbl, kLightGreen);
    SetBackColour(ledColourLbl, kLightGreen);
    TellPhase(ledLbl, kRunningText);
}

void self_test::BlinkPassed() {
    AmendCheckBox(ledCheckBox, true, QString());
    SetBackColour(ledBrightnessLbl, kLightGreen);
    SetBackColour(ledLevelLbl, kLightGreen);
    TellPhase(ledLbl, kPassedText);
    TellPhase(ledBrightnessLbl, kRunningText);
}

void self_test::SweepLevel(int level) {
    AddTextToObject(ledLevelLbl, QString::number(level));
}

void self_test::SweepPassed() {
    AmendCheckBox(brightnessCheckBox, true, QString());
    TellPhase(ledBrightnessLbl, kPassedText);
}

void self_test::PromptForKeys() {
    {
        std::lock_guard lock(promptMutex_);
        if (promptDone_) {
            return; // the window is going away
        }
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            {
                std::lock_guard lock(promptMutex_);
                if (promptDone_) {
                    return; // the test ended before the prompt came up
                }
            }
            const QPointer<self_test> alive(this);
            ShowKeyPrompt(this, platform::FromLatin1(selftest::kKeyPromptText));
            if (!alive) {
                return;
            }
            {
                std::lock_guard lock(promptMutex_);
                promptDone_ = true;
            }
            promptCondition_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(promptMutex_);
    promptCondition_.wait(lock, [this] { return promptDone_; });
}

bool self_test::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) {
        return false;
    }
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (event->type() == QEvent::KeyPress) {
        ProcessCmdKey(key);
    }
    // Every key the keypad can send is an input here: arrows, Enter and Space neither move the
    // focus nor press a button. Tab, Shift+Tab and Escape go on to the window.
    return !IsNavigationKey(key);
}

void self_test::ProcessCmdKey(const QKeyEvent& event) {
    const int input = selftest::MatchKeyDown(actualKeyCode, buttonArray, VirtualKeyOf(event),
                                             ModifierHeld(event));
    if (input >= 0) {
        MarkInput(input);
    }
}

void self_test::MarkInput(int input) {
    QPushButton* marker = markers[input];
    const bool visible = !marker->isHidden();
    const QPoint inPicture = pictureBox1->mapFrom(marker->parentWidget(), marker->pos());
    marker->setParent(pictureBox1);
    marker->move(inPicture);
    marker->setStyleSheet(
        MarkerStyle(QStringLiteral("background-image: url(\"%1\");")
                        .arg(SelfTestFilePath(platform::FromLatin1(selftest::kMarkedImageFile)))));
    marker->setVisible(visible);
    buttonArray[input] = true;
    // The blue a sighted user sees, for a screen reader: checked, and said in words.
    marker->setChecked(true);
    ui::TellDescription(marker, QString::fromLatin1(kDetectedText));
    // A new parent puts the marker at the end of the chain: back to its place.
    SetTabChain();
    // The focus goes to the input just detected: a screen reader speaks only what changes where
    // the focus is, so each key pressed on the keypad is heard as its marker.
    if (visible) {
        marker->setFocus(Qt::OtherFocusReason);
    }
}

void self_test::CloseAudio() {
    player_.reset();
    recorder_.reset();
}

void self_test::button17_Click() {
    CloseAudio();
    player_ = platform::CurrentAudio().CreatePlayer();
    if (!player_->CanPlay()) {
        ui::ShowWarning(this, platform::FromLatin1(selftest::kNoAudioOutputText) + "\n");
        markers[0]->setFocus();
        return;
    }
    player_->Play(
        SelfTestNativeFilePath(platform::FromLatin1(selftest::kTestSoundFile)).toStdString());
    markers[0]->setFocus();
}

void self_test::button23_Click() {
    const QString state = RecordWords(*button23);
    const QString cannotRecord = platform::FromLatin1(selftest::kCannotRecordText) + "\n";
    if (state == platform::FromLatin1(selftest::kStartRecordText)) {
        // "Play" in between closed the recorder: open a new one.
        if (!recorder_) {
            CloseAudio();
            recorder_ = platform::CurrentAudio().CreateRecorder();
        }
        if (recorder_->CanRecord() && recorder_->Start()) {
            button23->setText(WithLetter(selftest::kStopRecordText, kRecordLetter));
        } else {
            ui::ShowWarning(this, cannotRecord);
            button23->setText(WithLetter(selftest::kRecordText, kRecordLetter));
        }
        return;
    }
    if (state == platform::FromLatin1(selftest::kStopRecordText)) {
        if (recorder_) {
            if (recorder_->Stop()) {
                if (recorder_->CanSave()) {
                    recorder_->PlayBack();
                }
            } else {
                ui::ShowWarning(this, cannotRecord);
            }
        }
        button23->setText(WithLetter(selftest::kRecordText, kRecordLetter));
        return;
    }
    CloseAudio();
    recorder_ = platform::CurrentAudio().CreateRecorder();
    if (recorder_->CanRecord()) {
        button23->setText(WithLetter(selftest::kStartRecordText, kRecordLetter));
    } else {
        ui::ShowWarning(this, cannotRecord);
    }
    markers[0]->setFocus();
}

void self_test::endBtn_MouseClick_1() {
    endBtn->setEnabled(false);
    CloseAudio();
    closeForm = 1;
    if (closeAllowed_) {
        close();
    }
}

void self_test::closeEvent(QCloseEvent* event) {
    if (closeAllowed_) {
        CloseAudio();
        event->accept();
        return;
    }
    // Closed some other way while the sequence runs: end it as "Close" does; the window
    // closes once the keypad is put back.
    event->ignore();
    endBtn_MouseClick_1();
}

self_test* OpenSelfTest(QWidget* mainWindow, int statusReadResult) {
    if (statusReadResult != 0) {
        ui::ShowWarning(mainWindow, platform::FromLatin1(selftest::kMainStatusFailedText) + "\n");
        return nullptr;
    }
    QPointer<self_test>& open = OpenWindow();
    if (open) {
        open->raise();
        open->activateWindow();
        return open;
    }
    auto* window = new self_test(mainWindow);
    if (mainWindow != nullptr) {
        window->move(mainWindow->pos());
    }
    window->show();
    // At the main window's place it can reach past the bottom of a 1366 x 768 screen.
    ui::FitOnScreen(*window);
    open = window;
    return window;
}

} // namespace praxil_usb_encoder
