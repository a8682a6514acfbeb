// Draws the program's logo: a mountain vale around a small lake, under an evening sky, with
// the program's name. Writes a 400 by 400 PNG, shown at 200 by 200 with a device pixel ratio
// of 2, so that it stays crisp on high-density screens.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: makelogo OUT.png\n");
        return 2;
    }
    const int size = 400;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Badge: a rounded square with an evening sky.
    QPainterPath badge;
    badge.addRoundedRect(QRectF(8, 8, size - 16, size - 16), 56, 56);
    p.setClipPath(badge);
    QLinearGradient sky(0, 0, 0, size);
    sky.setColorAt(0.0, QColor(0x1b, 0x2a, 0x4a));
    sky.setColorAt(0.45, QColor(0x3d, 0x4f, 0x8a));
    sky.setColorAt(0.62, QColor(0xe8, 0x8f, 0x5a));
    sky.setColorAt(1.0, QColor(0xe8, 0x8f, 0x5a));
    p.fillRect(image.rect(), sky);

    // Low sun behind the vale.
    QRadialGradient glow(QPointF(200, 218), 120);
    glow.setColorAt(0.0, QColor(255, 226, 160, 255));
    glow.setColorAt(0.35, QColor(255, 190, 120, 180));
    glow.setColorAt(1.0, QColor(255, 170, 110, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(200, 218), 120, 120);
    p.setBrush(QColor(0xff, 0xe6, 0xa8));
    p.drawEllipse(QPointF(200, 212), 34, 34);

    // Far ridge, then the two near peaks that make the vale.
    QPainterPath far;
    far.moveTo(0, 238);
    far.lineTo(60, 196);
    far.lineTo(110, 222);
    far.lineTo(170, 176);
    far.lineTo(230, 214);
    far.lineTo(290, 170);
    far.lineTo(350, 208);
    far.lineTo(400, 186);
    far.lineTo(400, 260);
    far.lineTo(0, 260);
    far.closeSubpath();
    p.setBrush(QColor(0x5a, 0x4e, 0x7c));
    p.drawPath(far);

    QPainterPath left;
    left.moveTo(0, 268);
    left.lineTo(0, 150);
    left.lineTo(38, 118);
    left.lineTo(96, 72);
    left.lineTo(150, 150);
    left.lineTo(186, 212);
    left.lineTo(214, 268);
    left.closeSubpath();
    QPainterPath right;
    right.moveTo(186, 268);
    right.lineTo(230, 196);
    right.lineTo(300, 92);
    right.lineTo(338, 132);
    right.lineTo(400, 122);
    right.lineTo(400, 268);
    right.closeSubpath();
    QLinearGradient rock(0, 70, 0, 268);
    rock.setColorAt(0.0, QColor(0x3a, 0x3f, 0x6e));
    rock.setColorAt(1.0, QColor(0x22, 0x27, 0x47));
    p.setBrush(rock);
    p.drawPath(left);
    p.drawPath(right);

    // Snow on the peaks.
    p.setBrush(QColor(0xf4, 0xf1, 0xfa));
    QPainterPath snowLeft;
    snowLeft.moveTo(96, 72);
    snowLeft.lineTo(121, 108);
    snowLeft.lineTo(108, 102);
    snowLeft.lineTo(96, 114);
    snowLeft.lineTo(84, 100);
    snowLeft.lineTo(72, 106);
    snowLeft.closeSubpath();
    p.drawPath(snowLeft);
    QPainterPath snowRight;
    snowRight.moveTo(300, 92);
    snowRight.lineTo(322, 115);
    snowRight.lineTo(310, 112);
    snowRight.lineTo(298, 124);
    snowRight.lineTo(287, 112);
    snowRight.lineTo(277, 126);
    snowRight.closeSubpath();
    p.drawPath(snowRight);

    // The lake: the sky mirrored, with a few ripples of sunlight.
    QLinearGradient water(0, 266, 0, size);
    water.setColorAt(0.0, QColor(0x2f, 0x6f, 0x8f));
    water.setColorAt(1.0, QColor(0x14, 0x33, 0x4d));
    p.setBrush(water);
    QPainterPath lake;
    lake.moveTo(0, 266);
    lake.cubicTo(120, 256, 280, 256, 400, 266);
    lake.lineTo(400, 400);
    lake.lineTo(0, 400);
    lake.closeSubpath();
    p.drawPath(lake);
    p.setPen(QPen(QColor(255, 214, 150, 200), 5, Qt::SolidLine, Qt::RoundCap));
    const struct {
        double y, half;
    } ripples[] = {{276, 46}, {288, 32}, {299, 20}};
    for (const auto &r : ripples)
        p.drawLine(QPointF(200 - r.half, r.y), QPointF(200 + r.half, r.y));

    // The name.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(46);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRectF(0, 316, size, 60).translated(2, 3), Qt::AlignCenter,
               QStringLiteral("TARNVALE"));
    p.setPen(QColor(0xf7, 0xf3, 0xe8));
    p.drawText(QRectF(0, 316, size, 60), Qt::AlignCenter, QStringLiteral("TARNVALE"));

    // A thin rim.
    p.setClipping(false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 70), 4));
    p.drawPath(badge);
    p.end();

    image.setDevicePixelRatio(1);
    if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG", 9)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
