#include "app/Startup.h"

#include "app/Form1.h"
#include "device/discovery.h"
#include "tests/support/EmulatorFixture.h"
#include "tests/support/FocusMark.h"
#include "ui/Dialogs.h"

#include "platform/clock.h"
#include "ui/vexor_splash_form.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(Startup, TheSplashStaysUpForThreeSecondsOfClockTime) {
    platform::ScopedVirtualClock clock(1'000'000);
    praxil_usb_encoder::vexor_splash_form splash;
    const uint32_t before = TickCountMs();
    app::ShowSplashWhileWaiting(splash);
    EXPECT_GE(TickCountMs() - before, app::kSplashWaitMs);
    EXPECT_FALSE(splash.isVisible());
}

TEST(Splash, ShowsItsPictureAndClosesItselfOnItsTimer) {
    praxil_usb_encoder::vexor_splash_form splash;
    EXPECT_EQ(splash.size(), QSize(720, 406));
    ASSERT_FALSE(splash.pictureBox1->pixmap().isNull());
    EXPECT_EQ(splash.pictureBox1->pixmap().size(), QSize(720, 406));
    EXPECT_TRUE(splash.timer1->isActive());
    EXPECT_EQ(splash.timer1->interval(), 3000);
    splash.show();
    splash.timer1_Tick();
    EXPECT_FALSE(splash.isVisible());
}

class StartupTest : public testsupport::EmulatorTest {};

// The control the window opens with shows its focus before any Tab.
bool ButtonShowsItsFocus(praxil_usb_encoder::Form1& form) {
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form)) {
        return false;
    }
    QWidget* opening = QApplication::focusWidget();
    if (opening == nullptr || opening->window() != &form) {
        return false;
    }
    const QImage with = opening->grab().toImage();
    form.button10->setFocus(Qt::OtherFocusReason);
    return testsupport::ShowsAFocusMark(*opening, opening->grab().toImage(), with);
}

TEST_F(StartupTest, TheMainWindowLoadsAfterTheSplashAndExitEndsTheProgram) {
    PlugKeypad();
    ui::DialogRecorder recorder;
    const uint32_t before = TickCountMs();
    bool shown = false;
    bool focusShown = false;
    QString status;
    const int result =
        app::RunApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()),
                            [&](praxil_usb_encoder::Form1& form) {
                                shown = form.isVisible();
                                EXPECT_GE(TickCountMs() - before, app::kSplashWaitMs);
                                // Runs inside the main loop, after the window's load.
                                QTimer::singleShot(0, &form, [&form, &status, &focusShown]() {
                                    status = form.richTextBox1->toPlainText();
                                    focusShown = ButtonShowsItsFocus(form);
                                    form.button10_Click();
                                });
                            });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(focusShown) << "a keyboard user cannot see which button has the focus";
    EXPECT_TRUE(status.startsWith("Device Connected         Echovane"));
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(hid_handle.load(), nullptr);
}

} // namespace
