#pragma once

// The splash picture shown while the program starts; it closes itself after 3000 ms.

#include <QWidget>

class QLabel;
class QTimer;

namespace praxil_usb_encoder {

inline constexpr int kSplashWidth = 720;
inline constexpr int kSplashHeight = 406;
inline constexpr int kSplashIntervalMs = 3000;

class vexor_splash_form : public QWidget {
    Q_OBJECT
public:
    explicit vexor_splash_form(QWidget* parent = nullptr);

    QLabel* pictureBox1;
    QTimer* timer1;

    void timer1_Tick();
};

} // namespace praxil_usb_encoder
