// Draws the editor's keypad picture, echovelte.jpg: our own drawing of the ten-key keypad, with
// every key where codetable/keypad_picture.h says the editor stands its buttons.
//
//   build/default/codetable/echovelte-picture resources/codetable/echovelte.jpg
//
// (the format follows the file name; a .png is handy for looking at it).

#include "codetable/keypad_picture.h"

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>
#include <cstdlib>

namespace {

using codetable::kKeyCentres;

constexpr int kBodyMargin = 22;
constexpr int kBodyRadius = 48;
constexpr int kCapRadius = 14;
constexpr int kDpadPlateMargin = 12;

enum KeyIndex { Volume, Left, Right, Down, Up, Enter, Horizontal, Vertical, JackIn, JackOut };

QRectF CapRect(int key) {
    const auto centre = kKeyCentres[key];
    return QRectF(centre.x - codetable::kKeyCapWidth / 2.0,
                  centre.y - codetable::kKeyCapHeight / 2.0, codetable::kKeyCapWidth,
                  codetable::kKeyCapHeight);
}

void DrawBody(QPainter& painter) {
    QLinearGradient backdrop(0, 0, 0, codetable::kPictureHeight);
    backdrop.setColorAt(0, QColor(0xE8, 0xEC, 0xF0));
    backdrop.setColorAt(1, QColor(0xC8, 0xCF, 0xD6));
    painter.fillRect(0, 0, codetable::kPictureWidth, codetable::kPictureHeight, backdrop);

    const QRectF body(kBodyMargin, kBodyMargin, codetable::kPictureWidth - 2 * kBodyMargin,
                      codetable::kPictureHeight - 2 * kBodyMargin);
    // A soft shadow under the housing.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 50));
    painter.drawRoundedRect(body.translated(6, 8), kBodyRadius, kBodyRadius);

    QLinearGradient housing(body.topLeft(), body.bottomRight());
    housing.setColorAt(0, QColor(0x4A, 0x50, 0x58));
    housing.setColorAt(1, QColor(0x22, 0x26, 0x2C));
    painter.setBrush(housing);
    painter.setPen(QPen(QColor(0x15, 0x17, 0x1A), 3));
    painter.drawRoundedRect(body, kBodyRadius, kBodyRadius);
}

void DrawJackSocket(QPainter& painter) {
    const QPointF centre(codetable::kJackSocketCentre.x, codetable::kJackSocketCentre.y);
    const double r = codetable::kJackSocketRadius;
    QRadialGradient ring(centre, r);
    ring.setColorAt(0.0, QColor(0x05, 0x05, 0x05));
    ring.setColorAt(0.45, QColor(0x10, 0x10, 0x10));
    ring.setColorAt(0.55, QColor(0xB8, 0xBC, 0xC2));
    ring.setColorAt(1.0, QColor(0x6A, 0x70, 0x78));
    painter.setPen(QPen(QColor(0x10, 0x10, 0x10), 2));
    painter.setBrush(ring);
    painter.drawEllipse(centre, r, r);
    // Headphone mark under the socket.
    painter.setPen(QPen(QColor(0xD8, 0xDC, 0xE0), 3, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    const QRectF arc(centre.x() - 12, centre.y() + r + 6, 24, 22);
    painter.drawArc(arc, 0, 180 * 16);
    painter.setBrush(QColor(0xD8, 0xDC, 0xE0));
    painter.drawRoundedRect(QRectF(arc.left() - 2, arc.center().y(), 6, 10), 2, 2);
    painter.drawRoundedRect(QRectF(arc.right() - 4, arc.center().y(), 6, 10), 2, 2);
}

void DrawDpadPlate(QPainter& painter) {
    // One cross-shaped plate carries Up, Left, Enter, Right and Down.
    QPainterPath cross;
    const QRectF vertical =
        CapRect(Up)
            .united(CapRect(Down))
            .adjusted(-kDpadPlateMargin, -kDpadPlateMargin, kDpadPlateMargin, kDpadPlateMargin);
    const QRectF horizontal =
        CapRect(Left)
            .united(CapRect(Right))
            .adjusted(-kDpadPlateMargin, -kDpadPlateMargin, kDpadPlateMargin, kDpadPlateMargin);
    cross.addRoundedRect(vertical, 24, 24);
    cross.addRoundedRect(horizontal, 24, 24);
    cross.setFillRule(Qt::WindingFill);
    painter.setPen(QPen(QColor(0x10, 0x12, 0x14), 2));
    painter.setBrush(QColor(0x30, 0x35, 0x3C));
    painter.drawPath(cross.simplified());
}

void DrawCap(QPainter& painter, int key, const QColor& top, const QColor& bottom) {
    const QRectF cap = CapRect(key);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 90));
    painter.drawRoundedRect(cap.translated(2, 4), kCapRadius, kCapRadius);
    QLinearGradient face(cap.topLeft(), cap.bottomLeft());
    face.setColorAt(0, top);
    face.setColorAt(1, bottom);
    painter.setBrush(face);
    painter.setPen(QPen(QColor(0x12, 0x14, 0x16), 2));
    painter.drawRoundedRect(cap, kCapRadius, kCapRadius);
    painter.setPen(QPen(QColor(255, 255, 255, 70), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(cap.adjusted(3, 3, -3, -3), kCapRadius - 3, kCapRadius - 3);
}

// A small raised arrow on the cap's outer edge, so the arrow keys can be told apart by touch.
void DrawArrow(QPainter& painter, int key, double dx, double dy) {
    const QRectF cap = CapRect(key);
    const QPointF tip(cap.center().x() + dx * (cap.width() / 2 + 10),
                      cap.center().y() + dy * (cap.height() / 2 + 10));
    const QPointF back(tip.x() - dx * 9, tip.y() - dy * 9);
    const QPointF side(dy * 7, dx * 7);
    QPolygonF arrow;
    arrow << tip << back + side << back - side;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xE8, 0xC5, 0x4A));
    painter.drawPolygon(arrow);
}

void DrawOrientationMark(QPainter& painter, int key, bool horizontal) {
    // A keypad lying flat or standing, beside the cap on the housing's outer side.
    const QRectF cap = CapRect(key);
    const QPointF centre(horizontal ? cap.left() - 26 : cap.right() + 26, cap.center().y());
    const QSizeF size = horizontal ? QSizeF(24, 12) : QSizeF(12, 24);
    painter.setPen(QPen(QColor(0xD8, 0xDC, 0xE0), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(centre.x() - size.width() / 2, centre.y() - size.height() / 2,
                                   size.width(), size.height()),
                            2, 2);
}

void DrawBrand(QPainter& painter) {
    QFont brand("DejaVu Sans", 11, QFont::Bold);
    brand.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    painter.setFont(brand);
    painter.setPen(QColor(0xD8, 0xDC, 0xE0));
    const int x = (kKeyCentres[Horizontal].x + kKeyCentres[Vertical].x) / 2;
    const int y = kKeyCentres[Horizontal].y;
    painter.drawText(QRectF(x - 55, y - 24, 110, 22), Qt::AlignCenter, "VEXOR");
    QFont model("DejaVu Sans", 8);
    painter.setFont(model);
    painter.drawText(QRectF(x - 55, y, 110, 20), Qt::AlignCenter, "Echovane");
    // Power LED.
    painter.setPen(Qt::NoPen);
    QRadialGradient led(QPointF(x, y + 30), 6);
    led.setColorAt(0, QColor(0xB0, 0xFF, 0xB0));
    led.setColorAt(1, QColor(0x20, 0x90, 0x30));
    painter.setBrush(led);
    painter.drawEllipse(QPointF(x, y + 30), 5, 5);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.jpg\n", argv[0]);
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QGuiApplication app(argc, argv);

    QImage image(codetable::kPictureWidth, codetable::kPictureHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawBody(painter);
    DrawJackSocket(painter);
    DrawDpadPlate(painter);

    const QColor capTop(0x9A, 0xA2, 0xAC);
    const QColor capBottom(0x6C, 0x74, 0x7E);
    for (int key : {Left, Right, Up, Down, Horizontal, Vertical, JackIn, JackOut}) {
        DrawCap(painter, key, capTop, capBottom);
    }
    // Enter and Volume stand out in colour.
    DrawCap(painter, Enter, QColor(0xF0, 0xD0, 0x60), QColor(0xC8, 0x98, 0x20));
    DrawCap(painter, Volume, QColor(0x70, 0xB0, 0xE8), QColor(0x30, 0x70, 0xB8));

    DrawArrow(painter, Up, 0, -1);
    DrawArrow(painter, Down, 0, 1);
    DrawArrow(painter, Left, -1, 0);
    DrawArrow(painter, Right, 1, 0);
    DrawOrientationMark(painter, Horizontal, true);
    DrawOrientationMark(painter, Vertical, false);
    DrawBrand(painter);
    painter.end();

    if (!image.save(QString::fromLocal8Bit(argv[1]), nullptr, 90)) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
