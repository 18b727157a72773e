// Every window on a small screen and with large fonts: it opens inside the screen's available
// geometry, its Close button in sight, and Tab brings every control into view. The executable
// runs once per screen (see tests/app/CMakeLists.txt).

#include "WindowTable.h"

#include <QAbstractButton>
#include <QApplication>
#include <QRegion>
#include <QScreen>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testsupport::WindowCase;
using testsupport::WindowsFixture;

std::string Text(const QRect& rect) {
    return std::to_string(rect.x()) + "," + std::to_string(rect.y()) + " " +
           std::to_string(rect.width()) + "x" + std::to_string(rect.height());
}

// The window with the frame a window manager gives it. The offscreen platform draws a thin one
// without a title bar; as an X11 window manager does with a window placed before it framed it,
// the title bar and borders (5 px, as Openbox draws them) go around the client area where it is.
QRect AsFramed(const QWidget& window) {
    constexpr int kBorder = 5;
    QRect frame = window.frameGeometry();
    if (window.windowFlags().testFlag(Qt::FramelessWindowHint)) {
        return frame;
    }
    const QRect client = window.geometry();
    const int titleBar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    frame.setTop(std::min(frame.top(), client.top() - titleBar));
    frame.setLeft(std::min(frame.left(), client.left() - kBorder));
    frame.setRight(std::max(frame.right(), client.right() + kBorder));
    frame.setBottom(std::max(frame.bottom(), client.bottom() + kBorder));
    return frame;
}

class OnThisScreen : public WindowsFixture, public ::testing::WithParamInterface<WindowCase> {
protected:
    QWidget* Open() {
        QWidget* window = GetParam().open(*this);
        Settle();
        return window;
    }
};

TEST_P(OnThisScreen, TheWindowOpensInsideTheScreenWithItsCloseButtonInSight) {
    QWidget* window = Open();
    ASSERT_NE(window, nullptr);
    const QRect area = window->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(AsFramed(*window)))
        << GetParam().name << " at " << Text(AsFramed(*window)) << " on a screen of " << Text(area);
    QAbstractButton* close = GetParam().closeButton(window);
    if (close == nullptr) {
        return;
    }
    ASSERT_TRUE(close->isVisible());
    const QRect onScreen(close->mapToGlobal(QPoint(0, 0)), close->size());
    EXPECT_TRUE(area.contains(onScreen)) << "Close at " << Text(onScreen);
    // Whole: no scroll area has it out of view.
    EXPECT_EQ(close->visibleRegion(), QRegion(close->rect())) << "Close is partly hidden";
}

TEST_P(OnThisScreen, TabBringsEveryControlIntoSight) {
    QWidget* window = Open();
    ASSERT_NE(window, nullptr);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QWidget* first = QApplication::focusWidget();
    if (first == nullptr) {
        return; // nothing here takes the focus
    }
    for (int press = 0; press < 100; ++press) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        EXPECT_FALSE(focused->visibleRegion().isEmpty())
            << focused->objectName().toStdString() << " has the focus out of sight";
        QTest::keyClick(focused, Qt::Key_Tab);
        if (QApplication::focusWidget() == first) {
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, OnThisScreen, ::testing::ValuesIn(testsupport::AllWindows()),
                         testsupport::WindowName);

} // namespace
