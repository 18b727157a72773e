#include "ScreenFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace ui {
namespace {

const QString kScrollAreaName = QStringLiteral("scrollArea");

const QScreen* ScreenOf(const QWidget& window) {
    if (const QScreen* at = QGuiApplication::screenAt(window.frameGeometry().center())) {
        return at;
    }
    return window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
}

// Shown but not yet framed by the window manager, a window has no frame Qt knows of: placed
// then, its client area goes where the frame's corner should, and the title bar the window
// manager adds ends up above it. Room is left for a title bar and borders of assumed size, and
// the window is fitted again with its real frame once it is on the screen.
constexpr int kAssumedBorder = 5;

void Fit(QWidget& window, bool frameKnown);

// How far the client area lies below the frame's top: 0 while the frame is not known.
int FrameTop(const QWidget& window) {
    return window.geometry().top() - window.frameGeometry().top();
}

class RefitWhenFramed : public QObject {
public:
    RefitWhenFramed(QWidget& window, int frameTop)
        : QObject(&window), window_(window), frameTop_(frameTop) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose) {
            watched->removeEventFilter(this);
            // Without a window manager (or one that adds no frame) it is as it was.
            if (FrameTop(window_) != frameTop_) {
                Fit(window_, true);
            }
            deleteLater();
        }
        return false;
    }

private:
    QWidget& window_;
    const int frameTop_;
};

void Fit(QWidget& window, bool frameKnown) {
    const QScreen* screen = ScreenOf(window);
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QRect frame = window.frameGeometry();
    int frameWidth = frame.width() - window.width();
    int frameHeight = frame.height() - window.height();
    // Where the client area is placed below the point given to move().
    int below = 0;
    if (!frameKnown) {
        const int titleBar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight);
        below = titleBar - FrameTop(window);
        frameHeight += below + kAssumedBorder;
        frameWidth = std::max(frameWidth, 2 * kAssumedBorder);
    }
    const int height =
        std::max(window.minimumHeight(), std::min(window.height(), area.height() - frameHeight));
    int wanted = window.width();
    if (height < window.height() && window.findChild<QScrollArea*>(kScrollAreaName) != nullptr) {
        // Lower than its controls: room for the vertical scroll bar, so that no horizontal one
        // is needed as well.
        wanted = std::min(window.maximumWidth(),
                          wanted + window.style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    }
    const int width = std::max(window.minimumWidth(), std::min(wanted, area.width() - frameWidth));
    if (width != window.width() || height != window.height()) {
        window.resize(width, height);
    }
    const int x = std::clamp(frame.x(), area.left(),
                             std::max(area.left(), area.right() + 1 - width - frameWidth));
    // Unframed, the window's place is its client area's: its frame will reach above it.
    const int y = std::clamp(frame.y() - below, area.top(),
                             std::max(area.top(), area.bottom() + 1 - height - frameHeight));
    window.move(x, y + below);
}

} // namespace

void FitOnScreen(QWidget& window) {
    const int titleBar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int frameTop = FrameTop(window);
    const bool frameKnown =
        frameTop >= titleBar || window.windowFlags().testFlag(Qt::FramelessWindowHint);
    Fit(window, frameKnown);
    if (!frameKnown && window.isVisible() && window.windowHandle() != nullptr) {
        window.windowHandle()->installEventFilter(new RefitWhenFramed(window, frameTop));
    }
}

QWidget* ScrollingContent(QWidget& window, QSize contentSize) {
    auto* scrollArea = new QScrollArea(&window);
    scrollArea->setObjectName(kScrollAreaName);
    scrollArea->setFrameShape(QFrame::NoFrame);
    // Tab moves through the controls, which the area scrolls into view; the area itself is no
    // stop of its own.
    scrollArea->setFocusPolicy(Qt::NoFocus);
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("content"));
    content->setFixedSize(contentSize);
    scrollArea->setWidget(content);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scrollArea);
    return content;
}

} // namespace ui
