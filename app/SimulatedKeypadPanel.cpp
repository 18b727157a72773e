#include "SimulatedKeypadPanel.h"

#include "app/DesktopKeyEvents.h"
#include "app/HidKeyEvents.h"
#include "emulator/VirtualBus.h"
#include "keypad/KeypadStatus.h"
#include "ui/ScreenFit.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <mutex>

namespace app {
namespace {

constexpr int kBusPollMs = 200;
constexpr int kPanelGap = 12;

// Where each key sits on the panel (row, column), like the keypad's face.
constexpr std::array<std::pair<int, int>, kPanelKeyCount> kKeyPlaces = {{
    {0, 1}, // Volume
    {2, 0}, // Left
    {2, 2}, // Right
    {3, 1}, // Down
    {1, 1}, // Up
    {2, 1}, // Enter
    {4, 0}, // Horizontal
    {4, 2}, // Vertical
    {5, 0}, // Jack IN
    {5, 2}, // Jack OUT
}};

} // namespace

SimulatedKeypadPanel::SimulatedKeypadPanel(std::shared_ptr<emulator::SimulatedKeypad> keypad,
                                           QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowDoesNotAcceptFocus), keypad_(std::move(keypad)) {
    setWindowTitle(QStringLiteral("Simulated keypad"));
    // Like the keypad's own keys, its buttons never take the focus: what they type goes to the
    // window that has it.
    setAccessibleDescription(QStringLiteral(
        "The demo keypad's cable (Ctrl+Shift+P) and its ten keys (Ctrl+Shift+F1 to F10): the "
        "buttons take no keyboard focus, so that the keys they press reach the window that has "
        "it"));
    // The program ends with its main window, not with this panel.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* layout = new QVBoxLayout(this);
    plugButton = new QPushButton(this);
    plugButton->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(plugButton);
    connect(plugButton, &QPushButton::clicked, this, [this]() { SetPlugged(!IsPlugged()); });
    AddKeyboardPath(*plugButton, Qt::Key_P);

    auto* keys = new QGridLayout;
    for (int key = 0; key < kPanelKeyCount; ++key) {
        auto* button = new QPushButton(QString::fromLatin1(kPanelKeyNames[key]), this);
        button->setFocusPolicy(Qt::NoFocus);
        button->setMinimumHeight(34);
        keys->addWidget(button, kKeyPlaces[key].first, kKeyPlaces[key].second);
        keyButtons[key] = button;
        // Ctrl+Shift+F1 for the first key of the table to Ctrl+Shift+F10 for the tenth.
        AddKeyboardPath(*button, Qt::Key_F1 + key);
        connect(button, &QPushButton::clicked, this, [this, key]() {
            switch (key) {
            case kHorizontalKey:
                SetHorizontal(true);
                break;
            case kVerticalKey:
                SetHorizontal(false);
                break;
            case kJackInKey:
                SetJackInserted(true);
                break;
            case kJackOutKey:
                SetJackInserted(false);
                break;
            default:
                PressKey(key);
                break;
            }
        });
    }
    layout->addLayout(keys);

    stateLabel = new QLabel(this);
    stateLabel->setWordWrap(true);
    layout->addWidget(stateLabel);

    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now != nullptr && now->window() != this) {
            lastFocus_ = now;
        }
    });

    // Scheduled bus events (a keypad coming back after its reboot) happen as time goes by.
    busTimer_ = new QTimer(this);
    busTimer_->setInterval(kBusPollMs);
    connect(busTimer_, &QTimer::timeout, this, &SimulatedKeypadPanel::UpdateState);
    busTimer_->start();
    UpdateState();
}

void SimulatedKeypadPanel::AddKeyboardPath(QPushButton& button, int key) {
    // The buttons take no focus, so their keys work from whichever window has it, and what
    // they type goes there.
    // Not Ctrl+Alt: on Windows that is AltGr, which types characters ("{" on a German keyboard).
    const QKeySequence keys(
        QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, static_cast<Qt::Key>(key)));
    if (keyboardPaths_.empty()) {
        // Not shortcuts: a modal message box keeps those from every other window.
        qApp->installEventFilter(this);
    }
    keyboardPaths_.emplace_back(keys[0], &button);
    const QString named = keys.toString(QKeySequence::NativeText);
    button.setToolTip(named);
    button.setAccessibleDescription(named);
}

bool SimulatedKeypadPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        for (const auto& [keys, button] : keyboardPaths_) {
            if (key->keyCombination() == keys) {
                if (!key->isAutoRepeat()) {
                    button->click();
                }
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SimulatedKeypadPanel::ShowBeside(QWidget& window) {
    adjustSize();
    const QRect frame = window.frameGeometry();
    move(frame.right() + kPanelGap, frame.top());
    show();
    // Right of the window where there is room, else left of it; where neither side has room
    // but the screen has for both, the window moves over; else over its margin. Its own frame is
    // known once it shows.
    if (const QScreen* screen = window.screen()) {
        const QRect area = screen->availableGeometry();
        const int width = frameGeometry().width();
        const int both = frame.width() + kPanelGap + width;
        if (frameGeometry().right() > area.right()) {
            if (frame.left() - kPanelGap - width >= area.left()) {
                move(frame.left() - kPanelGap - width, y());
            } else if (both <= area.width()) {
                window.move(area.left() + (area.width() - both) / 2, window.y());
                move(window.frameGeometry().right() + kPanelGap, y());
            }
        }
    }
    ui::FitOnScreen(*this);
}

QWidget* SimulatedKeypadPanel::KeyTarget() const {
    if (explicitTarget_) {
        return explicitTarget_;
    }
    if (lastFocus_ && lastFocus_->isVisible()) {
        return lastFocus_;
    }
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && focus->window() != this) {
        return focus;
    }
    QWidget* active = QApplication::activeWindow();
    return active != this ? active : nullptr;
}

bool SimulatedKeypadPanel::IsPlugged() const {
    // The cable: the keypad, its MCU in a boot loader, or a loader re-enumerating and off the
    // bus for a moment, all powered; unplugging any of them is a power cut.
    return plugged_;
}

void SimulatedKeypadPanel::SetPlugged(bool plugged) {
    plugged_ = plugged;
    auto& bus = emulator::VirtualBus::Instance();
    {
        std::lock_guard lock(bus.mutex());
        // Whatever the keypad has become (its boot loader, one re-enumerating) leaves with it.
        bus.CutPortPower();
        if (plugged) {
            // Power returns: the application, or the MCU's flash loader when it has none.
            bus.RestorePortPower();
            keypad_->PlugIn();
        }
    }
    UpdateState();
}

void SimulatedKeypadPanel::SetJackInserted(bool inserted) {
    {
        std::lock_guard lock(emulator::VirtualBus::Instance().mutex());
        keypad_->jackInserted = inserted;
    }
    DeliverKey(inserted ? kJackInKey : kJackOutKey);
    UpdateState();
}

void SimulatedKeypadPanel::SetHorizontal(bool horizontal) {
    {
        std::lock_guard lock(emulator::VirtualBus::Instance().mutex());
        keypad_->horizontal = horizontal;
    }
    DeliverKey(horizontal ? kHorizontalKey : kVerticalKey);
    UpdateState();
}

void SimulatedKeypadPanel::PressKey(int keyIndex) {
    DeliverKey(keyIndex);
}

void SimulatedKeypadPanel::DeliverKey(int keyIndex) {
    // Only the keypad's application types; its MCU in a boot loader does not.
    if (!emulator::VirtualBus::Instance().IsPlugged(keypad_.get())) {
        return;
    }
    KeyStroke stroke;
    {
        std::lock_guard lock(emulator::VirtualBus::Instance().mutex());
        const std::vector<uint8_t> status = keypad_->StatusBlock();
        if (status.size() < keypad::kStatusTextsOffset) {
            return;
        }
        const int kind = keypad_->settings.tableKind;
        const uint8_t* extra =
            kind == emulator::kCustomMultiKind ? keypad_->settings.multicodeExtra.data() : nullptr;
        stroke =
            KeyStrokeOfKey(kind, status.data() + keypad::kStatusKeyBlockOffset, extra, keyIndex);
    }
    QWidget* target = KeyTarget();
    if (target == nullptr) {
        return;
    }
    // As the desktop delivers a real keypad's keys: scan code, keymap symbol and text.
    for (const DesktopKeyEvent& event : KeyEventsOfStroke(stroke)) {
        QCoreApplication::postEvent(target, MakeQKeyEvent(event));
    }
}

void SimulatedKeypadPanel::UpdateState() {
    const bool plugged = IsPlugged();
    auto& bus = emulator::VirtualBus::Instance();
    const bool running = bus.IsPlugged(keypad_.get());
    const bool inLoader = plugged && !running && !bus.Devices().empty();
    bool jack = false;
    bool horizontal = false;
    int kind = 0;
    {
        std::lock_guard lock(emulator::VirtualBus::Instance().mutex());
        jack = keypad_->jackInserted;
        horizontal = keypad_->horizontal;
        kind = keypad_->settings.tableKind;
    }
    plugButton->setText(plugged ? QStringLiteral("Unplug keypad")
                                : QStringLiteral("Plug keypad in"));
    stateLabel->setText(
        QStringLiteral("%1, jack %2, %3\nActive table: %4")
            .arg(inLoader  ? QStringLiteral("Plugged in, in its boot loader")
                 : running ? QStringLiteral("Plugged in")
                 : plugged ? QStringLiteral("Plugged in, starting up")
                           : QStringLiteral("Unplugged"),
                 jack ? QStringLiteral("in") : QStringLiteral("out"),
                 horizontal ? QStringLiteral("horizontal") : QStringLiteral("vertical"),
                 QString::fromStdString(keypad::TableKindName(kind))));
}

} // namespace app
