#pragma once

// Whether a control shows its keyboard focus plainly enough to be seen: WCAG 2 contrast, and a
// mark of at least a line's length around the control.

#include <QColor>
#include <QImage>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace testsupport {

// WCAG 2 relative luminance and contrast ratio.
inline double Luminance(const QColor& colour) {
    const auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

inline double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The control's pictures without and with the focus: enough pixels changed by at least 3:1 to
// go round it one and a half times, as a mark two pixels thick does and the style's own
// one-pixel outline does not.
inline bool ShowsAFocusMark(const QSize& size, const QImage& without, const QImage& with) {
    constexpr double kMarkContrast = 3.0;
    int marked = 0;
    for (int y = 0; y < std::min(without.height(), with.height()); ++y) {
        for (int x = 0; x < std::min(without.width(), with.width()); ++x) {
            if (ContrastRatio(QColor(without.pixel(x, y)), QColor(with.pixel(x, y))) >=
                kMarkContrast) {
                ++marked;
            }
        }
    }
    return marked >= 3 * (size.width() + size.height());
}

inline bool ShowsAFocusMark(const QWidget& control, const QImage& without, const QImage& with) {
    return ShowsAFocusMark(control.size(), without, with);
}

} // namespace testsupport
