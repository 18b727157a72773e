#pragma once

// Escape and Enter in a window that is not a dialog, as they work in one: Escape presses the
// window's Close (which keeps its own rules, such as refusing during a download), Enter the
// window's default button when the control with the focus has no use for it. Buttons take Enter
// themselves while they have the focus.

#include <QObject>
#include <QPointer>

class QAbstractButton;
class QPushButton;
class QWidget;

namespace ui {

// Enter presses the focused button of window, as Space does: outside a dialog a focused button
// ignores Enter unless told otherwise.
void EnterPressesFocusedButtons(QWidget& window);

class WindowKeys final : public QObject {
    Q_OBJECT
public:
    // Either button may be null. Owned by window.
    WindowKeys(QWidget& window, QAbstractButton* closeButton, QPushButton* defaultButton = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QAbstractButton> closeButton_;
    QPointer<QPushButton> defaultButton_;
};

} // namespace ui
