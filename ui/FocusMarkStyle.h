#pragma once

// The platform's style marks the keyboard focus of a button, drop-down, check box or text field
// with a one-pixel outline in the highlight colour, the same outline it gives the default
// button: with the focus elsewhere, two controls look focused, and one pixel is hard to see.
// This style draws the style's own control and then, while the control has the focus, a ring
// two pixels wide inside it. The menu a menu bar in keyboard mode is on shows as selected.

#include <QProxyStyle>

namespace ui {

class FocusMarkStyle final : public QProxyStyle {
public:
    // Over the application's present style.
    FocusMarkStyle();

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;
};

} // namespace ui
