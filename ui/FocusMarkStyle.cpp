#include "FocusMarkStyle.h"

#include "ui/Accessible.h"

#include <QAbstractScrollArea>
#include <QPainter>
#include <QStyleOption>

#include <algorithm>

namespace ui {
namespace {

constexpr int kRingWidth = 2;
// Inside the control's own outline and its rounded corners.
constexpr int kRingInset = 2;

void DrawRing(const QStyleOption& option, QPainter& painter, int inset = kRingInset) {
    // Wherever the style draws its own thin mark: also on the control a window opens with,
    // before the first Tab, so that a keyboard user sees where a key press goes.
    if (!(option.state & QStyle::State_HasFocus)) {
        return;
    }
    painter.save();
    QPen pen(FocusMarkColour(), kRingWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const int edge = inset + kRingWidth / 2;
    painter.drawRect(QRectF(option.rect).adjusted(edge, edge, -edge, -edge));
    painter.restore();
}

} // namespace

FocusMarkStyle::FocusMarkStyle() : QProxyStyle(nullptr) {}

void FocusMarkStyle::drawControl(ControlElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    // Alt on its own gives the menu bar the focus and selects its first menu, which the style
    // highlights only once a menu is open: the keyboard user would not see where Down or Enter
    // goes. Drawn as the open one is, as after F10 or Alt+F. (A pointer over the bar selects an
    // item too, but leaves the focus where it was.)
    if (element == CE_MenuBarItem && (option->state & State_Selected) &&
        !(option->state & State_Sunken) && widget != nullptr && widget->hasFocus()) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            QStyleOptionMenuItem selected = *item;
            selected.state |= State_Sunken;
            QProxyStyle::drawControl(element, &selected, painter, widget);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element == CE_PushButton || element == CE_CheckBox) {
        DrawRing(*option, *painter);
    }
    // The frame of a multi-line text box: its text area covers all but the frame itself,
    // which is made wide enough for the ring.
    if (element == CE_ShapedFrame && qobject_cast<const QAbstractScrollArea*>(widget) != nullptr) {
        DrawRing(*option, *painter, 0);
    }
}

void FocusMarkStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    // A one-line text box's panel, drawn before its text; not the frameless one inside a spin
    // box or an editable list, whose own control is marked.
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    if (element == PE_PanelLineEdit && frame != nullptr && frame->lineWidth > 0) {
        DrawRing(*option, *painter);
    }
}

void FocusMarkStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                        QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control == CC_ComboBox) {
        DrawRing(*option, *painter);
    }
}

int FocusMarkStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                const QWidget* widget) const {
    const int size = QProxyStyle::pixelMetric(metric, option, widget);
    if (metric == PM_DefaultFrameWidth && qobject_cast<const QAbstractScrollArea*>(widget)) {
        return std::max(size, kRingWidth + 1);
    }
    return size;
}

} // namespace ui
