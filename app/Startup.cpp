#include "Startup.h"

#include "app/Form1.h"
#include "platform/clock.h"
#include "resources/EchovaneResources.h"
#include "ui/Accessible.h"
#include "ui/vexor_splash_form.h"

#include <QApplication>
#include <QEventLoop>
#include <QIcon>

#include <thread>

namespace app {

void ShowSplashWhileWaiting(QWidget& splash) {
    splash.show();
    QEventLoop loop;
    std::thread sleeper([&loop]() {
        SleepMs(kSplashWaitMs);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    sleeper.join();
    splash.close();
}

int RunApplication(QApplication& application,
                   const std::function<void(praxil_usb_encoder::Form1&)>& onShown) {
    // Qt draws with the platform's own style and text rendering unless told otherwise.
    resources::InitEchovaneResources();
    ui::SetUpAccessibility();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/icon.png")));

    praxil_usb_encoder::Form1::UseCustomMessageBoxForKeyPrompts();
    praxil_usb_encoder::Form1 form;
    {
        praxil_usb_encoder::vexor_splash_form splash;
        ShowSplashWhileWaiting(splash);
    }
    form.show();
    if (onShown) {
        onShown(form);
    }
    application.exec();
    return 0;
}

} // namespace app
