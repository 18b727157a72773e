#include "ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>

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

} // namespace

void FitOnScreen(QWidget& window) {
    const QScreen* screen = ScreenOf(window);
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QRect frame = window.frameGeometry();
    const int frameWidth = frame.width() - window.width();
    int frameHeight = frame.height() - window.height();
    const int titleBar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int top = window.geometry().top() - frame.top();
    if (top < titleBar && !window.windowFlags().testFlag(Qt::FramelessWindowHint)) {
        // The window manager has not told its title bar yet: leave room for one.
        frameHeight += titleBar - top;
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
    const int y = std::clamp(frame.y(), area.top(),
                             std::max(area.top(), area.bottom() + 1 - height - frameHeight));
    window.move(x, y);
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
