// Draws the program's pictures: the splash (720 x 406), the about picture, the window icon and
// the desktop icon at the hicolor theme's sizes. Run with the pictures folder and the icon folder
// as arguments; the results are committed under pictures/ and icons/.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

const QColor kNight(0x10, 0x22, 0x3a);
const QColor kDeep(0x1b, 0x4f, 0x72);
const QColor kTeal(0x2a, 0x9d, 0x8f);
const QColor kAmber(0xf4, 0xa2, 0x61);
const QColor kKeyFace(0xe9, 0xf1, 0xf5);

// The ten-key keypad seen from above: a rounded body, a cross of arrow keys around Enter,
// the volume key above, the jack at the side and an LED bar, in a square of side `size`.
void DrawKeypad(QPainter& p, const QRectF& box, bool withShadow) {
    const qreal s = box.width();
    p.save();
    p.translate(box.topLeft());
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(s * 0.12, s * 0.06, s * 0.76, s * 0.88);
    if (withShadow) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 70));
        p.drawRoundedRect(body.translated(s * 0.025, s * 0.035), s * 0.12, s * 0.12);
    }
    QLinearGradient shell(body.topLeft(), body.bottomRight());
    shell.setColorAt(0, QColor(0x3d, 0x4a, 0x5c));
    shell.setColorAt(1, QColor(0x1c, 0x24, 0x30));
    p.setBrush(shell);
    p.setPen(QPen(QColor(0x8a, 0x9b, 0xb0), s * 0.012));
    p.drawRoundedRect(body, s * 0.12, s * 0.12);

    // LED bar.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        const QColor led = i < 3 ? kTeal : QColor(0x45, 0x55, 0x66);
        p.setBrush(led);
        p.drawEllipse(QPointF(s * (0.36 + 0.07 * i), s * 0.14), s * 0.018, s * 0.018);
    }

    auto key = [&](QPointF centre, qreal radius, const QColor& face) {
        QRadialGradient g(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.4);
        g.setColorAt(0, face.lighter(115));
        g.setColorAt(1, face.darker(125));
        p.setBrush(g);
        p.setPen(QPen(QColor(0, 0, 0, 90), s * 0.006));
        p.drawEllipse(centre, radius, radius);
    };
    auto arrow = [&](QPointF centre, qreal angleDegrees, qreal size) {
        p.save();
        p.translate(centre);
        p.rotate(angleDegrees);
        QPainterPath path;
        path.moveTo(size, 0);
        path.lineTo(-size * 0.6, -size * 0.75);
        path.lineTo(-size * 0.6, size * 0.75);
        path.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(kNight);
        p.drawPath(path);
        p.restore();
    };

    const QPointF centre(s * 0.5, s * 0.56);
    const qreal step = s * 0.17;
    const qreal radius = s * 0.068;
    key(centre, radius * 1.1, kAmber);
    key(centre + QPointF(0, -step), radius, kKeyFace);
    arrow(centre + QPointF(0, -step), -90, radius * 0.45);
    key(centre + QPointF(0, step), radius, kKeyFace);
    arrow(centre + QPointF(0, step), 90, radius * 0.45);
    key(centre + QPointF(-step, 0), radius, kKeyFace);
    arrow(centre + QPointF(-step, 0), 180, radius * 0.45);
    key(centre + QPointF(step, 0), radius, kKeyFace);
    arrow(centre + QPointF(step, 0), 0, radius * 0.45);
    // Volume key.
    key(QPointF(s * 0.5, s * 0.25), radius * 0.8, kTeal);
    // Headphone jack on the right edge.
    p.setBrush(QColor(0x0b, 0x10, 0x16));
    p.setPen(QPen(QColor(0xb0, 0xbc, 0xc8), s * 0.008));
    p.drawEllipse(QPointF(s * 0.8, s * 0.86), s * 0.035, s * 0.035);
    p.restore();
}

// Concentric arcs: the keypad speaking to its user.
void DrawSoundWaves(QPainter& p, QPointF origin, qreal radius, int count, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < count; ++i) {
        QColor c = colour;
        c.setAlpha(200 - i * 40);
        p.setPen(QPen(c, radius * 0.06, Qt::SolidLine, Qt::RoundCap));
        const qreal r = radius * (0.4 + 0.3 * i);
        p.drawArc(QRectF(origin.x() - r, origin.y() - r, 2 * r, 2 * r), -40 * 16, 80 * 16);
    }
    p.restore();
}

QImage DrawSplash() {
    QImage image(720, 406, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 720, 406);
    sky.setColorAt(0, kNight);
    sky.setColorAt(1, kDeep);
    p.fillRect(image.rect(), sky);
    // A soft band across the lower part.
    QPainterPath band;
    band.moveTo(0, 300);
    band.cubicTo(220, 250, 480, 360, 720, 290);
    band.lineTo(720, 406);
    band.lineTo(0, 406);
    band.closeSubpath();
    p.fillPath(band, QColor(0x2a, 0x9d, 0x8f, 60));

    DrawKeypad(p, QRectF(40, 58, 290, 290), true);
    DrawSoundWaves(p, QPointF(290, 200), 72, 3, kAmber);

    p.setPen(Qt::white);
    QFont title("DejaVu Sans", 34, QFont::Bold);
    p.setFont(title);
    p.drawText(QRectF(370, 110, 340, 60), Qt::AlignLeft | Qt::AlignVCenter, "Echovane");
    QFont subtitle("DejaVu Sans", 16);
    p.setFont(subtitle);
    p.setPen(kKeyFace);
    p.drawText(QRectF(372, 170, 340, 30), Qt::AlignLeft | Qt::AlignVCenter,
               "Configuration Utility");
    p.setPen(kAmber);
    QFont maker("DejaVu Sans", 12, QFont::DemiBold);
    maker.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    p.setFont(maker);
    p.drawText(QRectF(372, 80, 340, 30), Qt::AlignLeft | Qt::AlignVCenter, "VEXOR");
    p.setPen(QColor(0xc8, 0xd6, 0xe0));
    QFont small("DejaVu Sans", 10);
    p.setFont(small);
    p.drawText(QRectF(372, 215, 330, 60), Qt::AlignLeft | Qt::TextWordWrap,
               "Ten-key audio keypad set-up: status, code tables, BLE, self test and "
               "firmware upgrade.");
    p.drawText(QRectF(372, 360, 330, 24), Qt::AlignLeft | Qt::AlignVCenter, "Version 13.0");
    return image;
}

QImage DrawAbout() {
    QImage image(160, 160, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 160, 160);
    g.setColorAt(0, kNight);
    g.setColorAt(1, kDeep);
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, 160, 160), 20, 20);
    DrawKeypad(p, QRectF(8, 8, 144, 144), true);
    return image;
}

QImage DrawIcon(int size = 256) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    DrawKeypad(p, QRectF(0, 0, size, size), false);
    return image;
}

// The sizes a desktop menu, a panel and a file manager ask the hicolor theme for.
constexpr int kDesktopIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

bool DrawDesktopIcons(const QDir& root) {
    for (int size : kDesktopIconSizes) {
        const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        if (!root.mkpath(folder) ||
            !DrawIcon(size).save(root.filePath(folder + QStringLiteral("/echovane-config.png")))) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PICTURES_FOLDER ICONS_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const bool ok = DrawSplash().save(out.filePath("splash.png")) &&
                    DrawAbout().save(out.filePath("about.png")) &&
                    DrawIcon().save(out.filePath("icon.png")) &&
                    DrawDesktopIcons(QDir(QString::fromLocal8Bit(argv[2])));
    if (!ok) {
        std::fprintf(stderr, "cannot write the pictures into %s and %s\n", argv[1], argv[2]);
        return 1;
    }
    return 0;
}
