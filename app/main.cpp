// The Vexor Echovane Configuration Utility. Built twice: echovane-config on the real hidapi,
// echovane-config-demo on the simulated bus with one keypad plugged in and its panel open.

#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/Startup.h"

#include <QApplication>

#include <iostream>

#ifdef ECHOVANE_DEMO
#include "app/SimulatedKeypadPanel.h"
#include "emulator/DemoKeypad.h"

#include <memory>
#endif

int main(int argc, char** argv) {
#ifdef ECHOVANE_DEMO
    const char* const name = "echovane-config-demo";
#else
    const char* const name = "echovane-config";
#endif
    // Answered without a window, so also where there is no display (over ssh).
    if (const auto answered = app::AnswerCommandLine(argc, argv, name, std::cout)) {
        return *answered;
    }
    QApplication application(argc, argv);
#ifdef ECHOVANE_DEMO
    const auto keypad = emulator::PlugDemoKeypad();
    const auto bootLoader = emulator::AttachDemoBootLoader(*keypad);
    std::unique_ptr<app::SimulatedKeypadPanel> panel;
    return app::RunApplication(application, [&](praxil_usb_encoder::Form1& form) {
        panel = std::make_unique<app::SimulatedKeypadPanel>(keypad);
        panel->ShowBeside(form);
    });
#else
    return app::RunApplication(application);
#endif
}
