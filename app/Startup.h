#pragma once

// Start-up: the splash for 3000 ms, then the main window's message loop.

#include <cstdint>
#include <functional>

class QApplication;
class QWidget;

namespace praxil_usb_encoder {
class Form1;
}

namespace app {

inline constexpr uint32_t kSplashWaitMs = 3000;

// Shows splash and returns once kSplashWaitMs have passed (SleepMs, so virtual time in tests),
// then closes it. Qt windows live on the main thread, so the splash keeps painting on the
// main thread's loop while a helper thread does the sleeping.
void ShowSplashWhileWaiting(QWidget& splash);

// The whole start-up; returns 0 when the main window's loop ends. onShown runs once the main
// window is on screen (the demo opens its keypad panel there).
int RunApplication(QApplication& application,
                   const std::function<void(praxil_usb_encoder::Form1&)>& onShown = {});

} // namespace app
