#include "WindowKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace ui {
namespace {

bool Pressable(const QAbstractButton* button) {
    return button != nullptr && button->isEnabled() && button->isVisible();
}

} // namespace

void EnterPressesFocusedButtons(QWidget& window) {
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        button->setAutoDefault(true);
    }
}

WindowKeys::WindowKeys(QWidget& window, QAbstractButton* closeButton, QPushButton* defaultButton)
    : QObject(&window), closeButton_(closeButton), defaultButton_(defaultButton) {
    EnterPressesFocusedButtons(window);
    if (defaultButton != nullptr) {
        defaultButton->setDefault(true);
        // As in a dialog: the default button looks it while Enter would press it, that is
        // while the focus is on no other button. Outside a dialog a button that had the focus
        // drops its default look when the focus leaves.
        connect(qApp, &QApplication::focusChanged, this, [this, &window](QWidget*, QWidget* now) {
            if (defaultButton_ == nullptr || now == nullptr || now->window() != &window) {
                return;
            }
            defaultButton_->setDefault(now == defaultButton_ ||
                                       qobject_cast<QPushButton*>(now) == nullptr);
        });
    }
    window.installEventFilter(this);
}

bool WindowKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    // Only what no control of the window took reaches the window itself.
    const auto* key = static_cast<const QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        return false;
    }
    if (key->key() == Qt::Key_Escape && Pressable(closeButton_)) {
        closeButton_->click();
        return true;
    }
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        Pressable(defaultButton_)) {
        defaultButton_->click();
        return true;
    }
    return false;
}

} // namespace ui
