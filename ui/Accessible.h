#pragma once

// What a screen reader and a keyboard user get from a window's controls: names, descriptions, the
// tab chain and a focus mark the style does not draw itself.

#include <QColor>
#include <QString>

#include <initializer_list>
#include <span>
#include <vector>

class QWidget;

namespace ui {

// The name says what the control is ("Product Type", "Key 3 modifier"); the description, where
// given, what the name alone does not say. Drop-downs get names that are not their values.
void NameControl(QWidget* control, const QString& name, const QString& description = QString());

// Changes what a screen reader is told about a control, and tells it, only when it differs: a
// window that refreshes its controls must not send a stream of unchanged news.
void TellDescription(QWidget* control, const QString& description);

// Tab goes through the controls in this order (null entries are skipped).
void SetTabChain(std::span<QWidget* const> controls);
inline void SetTabChain(std::initializer_list<QWidget*> controls) {
    SetTabChain(std::span<QWidget* const>(controls.begin(), controls.size()));
}

// Controls in the order a reader takes them in their window: top to bottom, left to right.
std::vector<QWidget*> InReadingOrder(std::vector<QWidget*> controls);

// A style-sheet rule that outlines selector while it has the keyboard focus: text boxes, and
// controls whose colours come from a style sheet, show no focus of their own.
QString FocusMarkRule(const QString& selector);
// The same for controls painted blue or grey themselves (the self test's markers), where the
// dark blue mark would not show: black.
QString FocusMarkRuleOnColour(const QString& selector);

// The colour of the focus mark on light controls.
QColor FocusMarkColour();

// What the whole program gets, before any window is made (a screen reader caches each
// control's interface once it has asked); once, however often it is called:
// - drop-downs speak their names apart from their values (AccessibleComboBox);
// - a top-level window that is no dialog, a plain widget to Qt and a "filler" to a screen
//   reader, is a window (a frame), whose title the reader says as it comes up;
// - buttons, drop-downs and check boxes get a ring in the focus mark's colour while they have
//   the keyboard focus (FocusMarkStyle), and the highlight becomes that colour with white text
//   on it: the usual light blue differs from a grey border by less than 3:1.
void SetUpAccessibility();

} // namespace ui
