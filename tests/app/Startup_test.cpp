#include "app/Startup.h"

#include "platform/clock.h"
#include "ui/vexor_splash_form.h"

#include <QLabel>
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

} // namespace
