#include "vexor_splash_form.h"

#include "resources/EchovaneResources.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

namespace praxil_usb_encoder {

vexor_splash_form::vexor_splash_form(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    resources::InitEchovaneResources();
    // Its closing must not end the program before the main window is up.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(kSplashWidth, kSplashHeight);
    pictureBox1 = new QLabel(this);
    pictureBox1->setGeometry(0, 0, kSplashWidth, kSplashHeight);
    pictureBox1->setPixmap(QPixmap(QStringLiteral(":/pictures/splash.png")));

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }

    timer1 = new QTimer(this);
    timer1->setInterval(kSplashIntervalMs);
    timer1->setSingleShot(true);
    connect(timer1, &QTimer::timeout, this, &vexor_splash_form::timer1_Tick);
    timer1->start();
}

void vexor_splash_form::timer1_Tick() {
    timer1->stop();
    close();
}

} // namespace praxil_usb_encoder
