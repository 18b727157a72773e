#pragma once

// Windows stay on the screen they open on: inside its available geometry (without the desktop's
// panels), made smaller down to their minimum size where they must, with their controls in a
// scroll area where even that is not enough.

#include <QSize>

class QWidget;

namespace ui {

// Moves a window into the available geometry of its screen, keeping its place where it can, and
// makes it smaller (never below its minimum size) when it is larger than that. The frame counts;
// before the window manager has framed the window, a title bar and borders are assumed around
// its client area, and it is fitted again with its real frame once it is on the screen.
void FitOnScreen(QWidget& window);

// A content widget of contentSize inside a frameless scroll area that fills window: the window's
// controls go on it and keep their places, and the window may be smaller than they need.
QWidget* ScrollingContent(QWidget& window, QSize contentSize);

} // namespace ui
