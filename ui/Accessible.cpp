#include "Accessible.h"

#include "ui/AccessibleComboBox.h"
#include "ui/FocusMarkStyle.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QColor>
#include <QComboBox>
#include <QPalette>
#include <QWidget>

#include <algorithm>

namespace ui {
namespace {

// Dark blue: at least 3:1 against the light greys, white and aqua the controls stand on.
constexpr char kFocusMarkColour[] = "#1a4fa0";
// Three pixels: the first only turns the control's own dark border into the mark's colour.
constexpr int kFocusMarkWidth = 3;
// Black: at least 3:1 against the grey marker and the blues of a marked one.
constexpr char kFocusMarkOnColour[] = "#000000";
constexpr int kFocusMarkOnColourWidth = 3;

QString FocusRule(const QString& selector, int width, const char* colour) {
    return QStringLiteral("%1:focus { border: %2px solid %3; }")
        .arg(selector)
        .arg(width)
        .arg(QString::fromLatin1(colour));
}

} // namespace

void NameControl(QWidget* control, const QString& name, const QString& description) {
    if (control == nullptr) {
        return;
    }
    if (auto* comboBox = qobject_cast<QComboBox*>(control)) {
        AccessibleComboBox::Install();
        // Its list, open, is what a screen reader is in: named as the drop-down it belongs to.
        comboBox->view()->setAccessibleName(name);
    }
    control->setAccessibleName(name);
    if (!description.isEmpty()) {
        control->setAccessibleDescription(description);
    }
}

void TellDescription(QWidget* control, const QString& description) {
    if (control != nullptr && control->accessibleDescription() != description) {
        control->setAccessibleDescription(description);
    }
}

void SetTabChain(std::span<QWidget* const> controls) {
    QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (control == nullptr) {
            continue;
        }
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, control);
        }
        previous = control;
    }
}

std::vector<QWidget*> InReadingOrder(std::vector<QWidget*> controls) {
    std::stable_sort(controls.begin(), controls.end(), [](const QWidget* a, const QWidget* b) {
        const QPoint pa = a->mapTo(a->window(), QPoint(0, 0));
        const QPoint pb = b->mapTo(b->window(), QPoint(0, 0));
        return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
    });
    return controls;
}

QString FocusMarkRule(const QString& selector) {
    return FocusRule(selector, kFocusMarkWidth, kFocusMarkColour);
}

QString FocusMarkRuleOnColour(const QString& selector) {
    return FocusRule(selector, kFocusMarkOnColourWidth, kFocusMarkOnColour);
}

QColor FocusMarkColour() {
    return QColor(QString::fromLatin1(kFocusMarkColour));
}

void SetUpAccessibility() {
    static bool done = false;
    if (done || qApp == nullptr) {
        return;
    }
    AccessibleComboBox::Install();
    // Asked for each class of an object from the most derived up: "QWidget" is reached only by
    // widgets Qt has no interface of its own for (dialogs, message boxes and menus have).
    QAccessible::installFactory([](const QString& className, QObject* object) {
        auto* widget = qobject_cast<QWidget*>(object);
        if (className != QLatin1String("QWidget") || widget == nullptr || !widget->isWindow() ||
            widget->windowType() != Qt::Window) {
            return static_cast<QAccessibleInterface*>(nullptr);
        }
        return static_cast<QAccessibleInterface*>(
            new QAccessibleWidget(widget, QAccessible::Window));
    });
    // The application owns the style it is given.
    QApplication::setStyle(new FocusMarkStyle);
    QPalette palette = QApplication::palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, FocusMarkColour());
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    QApplication::setPalette(palette);
    done = true;
}

} // namespace ui
