#pragma once

// Runs the application's own event loop (QApplication::exec), so a test sees whether the
// program would end: exec returns what ended it. A poll runs on every pass of the loop; a
// loop nothing ends stops after a generous bound with kLoopNeverEnded instead of hanging.

#include <QApplication>
#include <QTimer>

#include <functional>

namespace testsupport {

inline constexpr int kLoopNeverEnded = 99;
inline constexpr int kLoopSafetyMs = 20000;

inline int RunEventLoop(const std::function<void()>& poll) {
    const bool quitOnLastWindow = QApplication::quitOnLastWindowClosed();
    // Only the code under test may end the loop.
    QApplication::setQuitOnLastWindowClosed(false);
    QTimer ticks;
    ticks.setInterval(0);
    QObject::connect(&ticks, &QTimer::timeout, poll);
    ticks.start();
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(kLoopNeverEnded); });
    safety.start(kLoopSafetyMs);
    const int result = QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
    return result;
}

} // namespace testsupport
