#pragma once

// Every window of the program, opened as a user opens it, for the checks every window has to
// pass: names for a screen reader, the tab chain, the focus mark, a place on the screen.

#include "app/Form1.h"
#include "tests/firmware/BootLoaderFixture.h"
#include "tests/selftest/FakeAudio.h"
#include "ui/Dialogs.h"

#include <QPointer>

#include <memory>
#include <ostream>
#include <vector>

class QAbstractButton;
class QWidget;

namespace testsupport {

class WindowsFixture;

struct WindowCase {
    const char* name;
    // Opens the window (shown) from the running program and returns it.
    QWidget* (*open)(WindowsFixture& fixture);
    // The button that closes it: Exit for the main window; null where there is none.
    QAbstractButton* (*closeButton)(QWidget* window);
    // The control a user acts on first, where the focus is when the window opens; null for
    // windows without controls to focus.
    QWidget* (*firstFocus)(QWidget* window);
};

inline void PrintTo(const WindowCase& c, std::ostream* out) {
    *out << c.name;
}

const std::vector<WindowCase>& AllWindows();
// The test name of a window case.
std::string WindowName(const ::testing::TestParamInfo<WindowCase>& info);

// The program running on a keypad (with a boot loader it can become), its main window loaded,
// message boxes answered and no sound device.
class WindowsFixture : public BootLoaderTest {
public:
    WindowsFixture();
    ~WindowsFixture() override;

    // Lets posted events run (a window's load, its worker's reports).
    static void Settle();

    using BootLoaderTest::keypad;

    std::unique_ptr<praxil_usb_encoder::Form1> form;
    ui::DialogRecorder dialogs;
    FakeAudio audio;
    // Windows a case opened that the main window does not own.
    std::vector<QPointer<QWidget>> extraWindows;
};

} // namespace testsupport
