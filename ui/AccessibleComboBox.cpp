#include "AccessibleComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeySequence>
#include <QLineEdit>

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

QString AccessibleComboBox::text(QAccessible::Text kind) const {
    const QComboBox* box = comboBox();
    switch (kind) {
    case QAccessible::Value:
        if (box->isEditable()) {
            return box->lineEdit()->text();
        }
        // Without a row the picker shows its placeholder ("LED Brightness", "Select Code").
        return box->currentIndex() >= 0 ? box->currentText() : box->placeholderText();
    case QAccessible::Accelerator:
        return QKeySequence(Qt::Key_Down).toString(QKeySequence::NativeText);
    default:
        return QAccessibleWidget::text(kind);
    }
}

int AccessibleComboBox::childCount() const {
    return comboBox()->view() != nullptr ? 1 : 0;
}

QAccessibleInterface* AccessibleComboBox::child(int index) const {
    if (index != 0 || comboBox()->view() == nullptr) {
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

} // namespace ui
