// Draws the self test's keypad pictures (echovelte_2/3/4.jpg, one per marker layout) and the
// marker image blue.bmp. Each key is drawn where its marker sits, so an unmarked marker
// covers its key and a marked one turns it blue in place.
//
//   cmake --build --preset default --target echovane_draw_selftest_pictures
//   build/default/selftest/echovane_draw_selftest_pictures resources/selftest

#include "selftest/SelfTestLayout.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

using selftest::kInputCount;

constexpr int kVolume = 0;
constexpr int kLeft = 1;
constexpr int kRight = 2;
constexpr int kDown = 3;
constexpr int kUp = 4;
constexpr int kSelect = 5;
constexpr int kHorizontal = 6;
constexpr int kVertical = 7;
constexpr int kJackIn = 8;
constexpr int kJackOut = 9;

const QColor kBackground(236, 238, 242);
const QColor kBody(52, 56, 64);
const QColor kBodyEdge(30, 32, 38);
const QColor kKey(214, 218, 226);
const QColor kKeyEdge(120, 126, 138);
const QColor kAccent(255, 196, 0);

QRectF KeyRect(int mode, int input) {
    const selftest::MarkerPoint at = selftest::MarkerPosition(mode, input);
    return QRectF(at.x - selftest::kPictureX, at.y - selftest::kPictureY, selftest::kMarkerWidth,
                  selftest::kMarkerHeight);
}

QRectF Bounds(int mode) {
    QRectF all = KeyRect(mode, 0);
    for (int i = 1; i < kInputCount; ++i) {
        all = all.united(KeyRect(mode, i));
    }
    return all;
}

void DrawArrow(QPainter& p, const QRectF& key, qreal angleDegrees) {
    p.save();
    p.translate(key.center());
    p.rotate(angleDegrees);
    QPainterPath arrow;
    arrow.moveTo(12, 0);
    arrow.lineTo(-6, -9);
    arrow.lineTo(-6, 9);
    arrow.closeSubpath();
    p.fillPath(arrow, kBodyEdge);
    p.restore();
}

void DrawKey(QPainter& p, const QRectF& key, bool round) {
    const QRectF cap = key.adjusted(-6, -6, 6, 6);
    QLinearGradient shade(cap.topLeft(), cap.bottomLeft());
    shade.setColorAt(0, kKey.lighter(108));
    shade.setColorAt(1, kKey.darker(112));
    p.setPen(QPen(kKeyEdge, 2));
    p.setBrush(shade);
    if (round) {
        p.drawEllipse(cap.center(), cap.width() / 2 + 4, cap.height() / 2 + 8);
    } else {
        p.drawRoundedRect(cap, 10, 10);
    }
}

// The socket goes beside the jack keys, on whichever side is clear of the other keys.
void DrawJack(QPainter& p, int mode) {
    const QRectF in = KeyRect(mode, kJackIn);
    const QRectF out = KeyRect(mode, kJackOut);
    const QRectF both = in.united(out);
    QPointF socket(both.left() - 26, both.center().y());
    for (int input = 0; input < kInputCount; ++input) {
        const QRectF clearance = KeyRect(mode, input).adjusted(-30, -30, 30, 30);
        if (input != kJackIn && input != kJackOut && clearance.contains(socket)) {
            socket = QPointF(both.right() + 26, both.center().y());
            break;
        }
    }
    QRadialGradient ring(socket, 18);
    ring.setColorAt(0, Qt::black);
    ring.setColorAt(0.55, QColor(40, 40, 40));
    ring.setColorAt(0.6, QColor(190, 190, 190));
    ring.setColorAt(1, QColor(110, 110, 110));
    p.setPen(Qt::NoPen);
    p.setBrush(ring);
    p.drawEllipse(socket, 16, 16);
    p.setPen(QPen(kAccent, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(both.adjusted(-8, -8, 8, 8), 8, 8);
}

void DrawOrientation(QPainter& p, const QRectF& horizontal, const QRectF& vertical) {
    const QRectF both = horizontal.united(vertical);
    p.setPen(QPen(kAccent, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(both.adjusted(-8, -8, 8, 8), 8, 8);
    // A small keypad lying and standing, beside the two indicators.
    const QPointF at(both.right() + 22, both.center().y());
    p.setPen(QPen(kKey, 2));
    p.drawRect(QRectF(at.x() - 12, at.y() - 20, 24, 14));
    p.drawRect(QRectF(at.x() - 7, at.y() + 2, 14, 22));
}

QImage DrawKeypad(int mode) {
    QImage image(selftest::kPictureWidth, selftest::kPictureHeight, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF keys = Bounds(mode);
    QRectF body = keys.adjusted(-60, -50, 60, 50);
    body = body.intersected(QRectF(6, 6, image.width() - 12, image.height() - 12));
    // The cable leaves the top of the keypad.
    p.setPen(QPen(QColor(70, 70, 70), 12, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(body.center().x(), 0), QPointF(body.center().x(), body.top() + 10));
    QLinearGradient shell(body.topLeft(), body.bottomRight());
    shell.setColorAt(0, kBody.lighter(125));
    shell.setColorAt(1, kBody);
    p.setPen(QPen(kBodyEdge, 3));
    p.setBrush(shell);
    p.drawRoundedRect(body, 28, 28);

    // The direction pad: a cross behind Up, Left, Select, Right and Down.
    const QRectF select = KeyRect(mode, kSelect);
    const QRectF cross = KeyRect(mode, kLeft).united(KeyRect(mode, kRight));
    const QRectF column = KeyRect(mode, kUp).united(KeyRect(mode, kDown));
    p.setPen(Qt::NoPen);
    p.setBrush(kBodyEdge);
    p.drawRoundedRect(cross.adjusted(-14, -14, 14, 14), 20, 20);
    p.drawRoundedRect(column.adjusted(-14, -14, 14, 14), 20, 20);

    for (int input : {kUp, kLeft, kRight, kDown}) {
        DrawKey(p, KeyRect(mode, input), false);
    }
    DrawKey(p, select, true);
    DrawArrow(p, KeyRect(mode, kRight), 0);
    DrawArrow(p, KeyRect(mode, kDown), 90);
    DrawArrow(p, KeyRect(mode, kLeft), 180);
    DrawArrow(p, KeyRect(mode, kUp), 270);

    DrawKey(p, KeyRect(mode, kVolume), true);
    DrawJack(p, mode);
    DrawOrientation(p, KeyRect(mode, kHorizontal), KeyRect(mode, kVertical));
    for (int input : {kJackIn, kJackOut, kHorizontal, kVertical}) {
        DrawKey(p, KeyRect(mode, input), false);
    }

    QFont brand = p.font();
    brand.setPixelSize(20);
    brand.setBold(true);
    brand.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(brand);
    p.setPen(kKey);
    p.drawText(QRectF(body.left(), body.bottom() - 40, body.width(), 30), Qt::AlignCenter,
               QStringLiteral("ECHOVANE"));
    return image;
}

QImage DrawMarkedImage() {
    QImage image(selftest::kMarkerWidth, selftest::kMarkerHeight, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient blue(0, 0, 0, image.height());
    blue.setColorAt(0, QColor(120, 180, 255));
    blue.setColorAt(1, QColor(20, 80, 200));
    p.fillRect(image.rect(), blue);
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    bool ok = true;
    for (int mode = 0; mode < selftest::kInstallModeCount; ++mode) {
        const QString name = QString::fromLatin1(selftest::PictureForMode(mode));
        ok = DrawKeypad(mode).save(folder.filePath(name), "JPG", 90) && ok;
    }
    ok = DrawMarkedImage().save(folder.filePath(QStringLiteral("blue.bmp")), "BMP") && ok;
    if (!ok) {
        std::fprintf(stderr, "could not write the pictures into %s\n",
                     qPrintable(folder.absolutePath()));
        return 1;
    }
    return 0;
}
