#include "AccessibleComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeySequence>
#include <QLineEdit>

#include <algorithm>

namespace ui {
namespace {

QAccessibleInterface* MakeInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("QComboBox")) {
        if (auto* comboBox = qobject_cast<QComboBox*>(object)) {
            return new AccessibleComboBox(comboBox);
        }
    }
    return nullptr;
}

} // namespace

AccessibleComboBox::AccessibleComboBox(QComboBox* comboBox)
    : QAccessibleWidget(comboBox, QAccessible::ComboBox) {}

void AccessibleComboBox::Install() {
    static bool installed = false;
    // Factories installed last are asked first: after QApplication's own.
    if (installed || qApp == nullptr) {
        return;
    }
    QAccessible::installFactory(MakeInterface);
    installed = true;
}

QComboBox* AccessibleComboBox::comboBox() const {
    return static_cast<QComboBox*>(object());
}

QString AccessibleComboBox::Shown() const {
    const QComboBox* box = comboBox();
    if (box->isEditable()) {
        return box->lineEdit()->text();
    }
    // Without a row the picker shows its placeholder ("LED Brightness", "Select Code").
    return box->currentIndex() >= 0 ? box->currentText() : box->placeholderText();
}

void* AccessibleComboBox::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) {
        return static_cast<QAccessibleTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QString AccessibleComboBox::text(QAccessible::Text kind) const {
    switch (kind) {
    case QAccessible::Value:
        return Shown();
    case QAccessible::Accelerator:
        return QKeySequence(Qt::Key_Down).toString(QKeySequence::NativeText);
    default:
        return QAccessibleWidget::text(kind);
    }
}

bool AccessibleComboBox::ListShown() const {
    return comboBox()->view() != nullptr && comboBox()->view()->isVisible();
}

QAccessible::State AccessibleComboBox::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.hasPopup = true;
    state.expanded = ListShown();
    state.collapsed = !ListShown();
    return state;
}

// The list is a child only while it is open: closed, its rows are nothing a user can reach, and
// a screen reader would take them for controls of the window.
int AccessibleComboBox::childCount() const {
    return ListShown() ? 1 : 0;
}

QAccessibleInterface* AccessibleComboBox::child(int index) const {
    if (index != 0 || !ListShown()) {
        return nullptr;
    }
    return QAccessible::queryAccessibleInterface(comboBox()->view());
}

int AccessibleComboBox::indexOfChild(const QAccessibleInterface* child) const {
    return child != nullptr && child->object() == comboBox()->view() ? 0 : -1;
}

QStringList AccessibleComboBox::actionNames() const {
    return {showMenuAction(), pressAction()};
}

void AccessibleComboBox::doAction(const QString& actionName) {
    if (actionName != showMenuAction() && actionName != pressAction()) {
        return;
    }
    if (comboBox()->view()->isVisible()) {
        comboBox()->hidePopup();
    } else {
        comboBox()->showPopup();
    }
}

QStringList AccessibleComboBox::keyBindingsForAction(const QString& actionName) const {
    (void)actionName;
    return {};
}

void AccessibleComboBox::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    (void)selectionIndex;
    *startOffset = 0;
    *endOffset = 0;
}

QString AccessibleComboBox::text(int startOffset, int endOffset) const {
    const QString shown = Shown();
    const int start = std::clamp(startOffset, 0, static_cast<int>(shown.size()));
    const int end = endOffset < 0 ? static_cast<int>(shown.size())
                                  : std::clamp(endOffset, start, static_cast<int>(shown.size()));
    return shown.mid(start, end - start);
}

int AccessibleComboBox::characterCount() const {
    return static_cast<int>(Shown().size());
}

QRect AccessibleComboBox::characterRect(int offset) const {
    (void)offset;
    return {};
}

int AccessibleComboBox::offsetAtPoint(const QPoint& point) const {
    (void)point;
    return -1;
}

QString AccessibleComboBox::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = std::max(offset, characterCount());
    return {};
}

} // namespace ui
