#include "FocusMarkStyle.h"

#include "ui/Accessible.h"

#include <QPainter>
#include <QStyleOption>

namespace ui {
namespace {

constexpr int kRingWidth = 2;
// Inside the control's own outline and its rounded corners.
constexpr int kRingInset = 2;

void DrawRing(const QStyleOption& option, QPainter& painter) {
    // Only for a keyboard user, as the style's own mark.
    if (!(option.state & QStyle::State_HasFocus) ||
        !(option.state & QStyle::State_KeyboardFocusChange)) {
        return;
    }
    painter.save();
    QPen pen(FocusMarkColour(), kRingWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const int edge = kRingInset + kRingWidth / 2;
    painter.drawRect(QRectF(option.rect).adjusted(edge, edge, -edge, -edge));
    painter.restore();
}

} // namespace

FocusMarkStyle::FocusMarkStyle() : QProxyStyle(nullptr) {}

void FocusMarkStyle::drawControl(ControlElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element == CE_PushButton || element == CE_CheckBox) {
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

} // namespace ui
