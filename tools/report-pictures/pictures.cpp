// Draws the pictures of the personal report (cover, the panel behind the
// diet chart, the grid behind the dietary-advice table and the page of 20
// foods) with QPainter, so that every image in reports/ is our own.
// Usage: report_pictures DIR (run with QT_QPA_PLATFORM=offscreen).

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QtMath>
#include <cstdio>
#include <functional>

namespace {

void save(const QImage& image, const QString& dir, const char* name)
{
    const QString path = dir + u'/' + QLatin1String(name);
    if (!image.save(path, "JPEG", 92))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

QImage cover()
{
    QImage img(787, 1102, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 1102);
    sky.setColorAt(0, QColor(0xf4, 0xfa, 0xf9));
    sky.setColorAt(0.55, QColor(0xe3, 0xf2, 0xef));
    sky.setColorAt(1, QColor(0xc7, 0xe4, 0xde));
    p.fillRect(img.rect(), sky);

    // Soft circles in the background.
    const struct
    {
        qreal x, y, r;
        QColor c;
    } blobs[] = {{690, 560, 260, QColor(0x9f, 0xd3, 0xc7, 60)},
                 {80, 880, 220, QColor(0x7e, 0xc4, 0xb4, 50)},
                 {140, 240, 150, QColor(0xb8, 0xdf, 0xd6, 70)},
                 {600, 980, 180, QColor(0x5d, 0xa9, 0x9a, 40)}};
    p.setPen(Qt::NoPen);
    for (const auto& b : blobs) {
        p.setBrush(b.c);
        p.drawEllipse(QPointF(b.x, b.y), b.r, b.r);
    }

    // A heart with a heartbeat line across it, below the title.
    QPainterPath heart;
    const QPointF c(393, 700);
    const qreal s = 120;
    heart.moveTo(c.x(), c.y() + s * 0.95);
    heart.cubicTo(c.x() - s * 1.45, c.y() + s * 0.05, c.x() - s * 0.9, c.y() - s * 1.05, c.x(),
                  c.y() - s * 0.35);
    heart.cubicTo(c.x() + s * 0.9, c.y() - s * 1.05, c.x() + s * 1.45, c.y() + s * 0.05, c.x(),
                  c.y() + s * 0.95);
    QRadialGradient hg(c.x() - 30, c.y() - 40, 170);
    hg.setColorAt(0, QColor(0xf2, 0x8b, 0x82));
    hg.setColorAt(1, QColor(0xc9, 0x3b, 0x3b));
    p.setBrush(hg);
    p.drawPath(heart);
    QPen ecg(QColor(0x2f, 0x7f, 0x73), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(ecg);
    p.setBrush(Qt::NoBrush);
    QPainterPath line;
    line.moveTo(120, 700);
    const QList<QPointF> pts{{300, 700}, {330, 660}, {360, 740}, {395, 600},
                             {430, 780}, {460, 690}, {485, 700}, {667, 700}};
    for (const QPointF& pt : pts)
        line.lineTo(pt);
    p.drawPath(line);
    QPen ecgShadow(QColor(0x2f, 0x7f, 0x73), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(ecgShadow);
    p.drawLine(QPointF(40, 700), QPointF(120, 700));
    p.drawLine(QPointF(667, 700), QPointF(747, 700));

    // Leaves at the foot of the page.
    auto leaf = [&](QPointF at, qreal angle, qreal len, QColor col) {
        p.save();
        p.translate(at);
        p.rotate(angle);
        QPainterPath l;
        l.moveTo(0, 0);
        l.cubicTo(len * 0.3, -len * 0.35, len * 0.75, -len * 0.3, len, 0);
        l.cubicTo(len * 0.75, len * 0.3, len * 0.3, len * 0.35, 0, 0);
        p.setPen(Qt::NoPen);
        p.setBrush(col);
        p.drawPath(l);
        p.setPen(QPen(col.lighter(140), 2));
        p.drawLine(QPointF(0, 0), QPointF(len * 0.9, 0));
        p.restore();
    };
    leaf({60, 1100}, -60, 170, QColor(0x3f, 0x9a, 0x6b));
    leaf({90, 1100}, -35, 140, QColor(0x5d, 0xb3, 0x7e));
    leaf({40, 1100}, -85, 120, QColor(0x2e, 0x80, 0x5a));
    leaf({740, 1100}, -120, 160, QColor(0x3f, 0x9a, 0x6b));
    leaf({710, 1100}, -145, 130, QColor(0x5d, 0xb3, 0x7e));

    // A band for the centre's name.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawRoundedRect(QRectF(150, 985, 487, 62), 31, 31);
    p.setBrush(QColor(0x2f, 0x7f, 0x73));
    p.drawRect(QRectF(0, 0, 787, 14));
    return img;
}

QImage panel()
{
    QImage img(454, 232, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 232);
    g.setColorAt(0, QColor(0xf7, 0xfb, 0xf2));
    g.setColorAt(1, QColor(0xe8, 0xf3, 0xdf));
    p.setBrush(g);
    p.setPen(QPen(QColor(0xb9, 0xd6, 0xa4), 2));
    p.drawRoundedRect(QRectF(2, 2, 450, 228), 14, 14);
    // No level lines: the chart drawn over the panel dashes its own grid at
    // its ticks, which lines stretched with the picture would miss.
    return img;
}

// Column fractions of one half of the dietary-advice grid; the template
// places its cells by the same fractions.
QImage grid()
{
    QImage img(454, 340, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal cols[] = {0, 0.30, 0.64, 1.0};
    const int rows = 9;
    const qreal half = 454 / 2.0;
    const qreal rowH = 340.0 / rows;
    for (int h = 0; h < 2; ++h) {
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < 3; ++c) {
                const QRectF cell(h * half + cols[c] * half + 1.5, r * rowH + 1.5,
                                  (cols[c + 1] - cols[c]) * half - 3, rowH - 3);
                QColor fill = r == 0 ? QColor(0xd8, 0xee, 0xd0)
                              : c == 0
                                  ? QColor(0xf0, 0xf7, 0xea)
                                  : (r % 2 ? QColor(0xfb, 0xfd, 0xf8) : QColor(0xf4, 0xf9, 0xef));
                p.setBrush(fill);
                p.setPen(QPen(QColor(0xb5, 0xd3, 0xa5), 1));
                p.drawRoundedRect(cell, 5, 5);
            }
        }
    }
    return img;
}

// ---- foods ----

void plate(QPainter& p, QPointF c)
{
    QRadialGradient g(c, 56);
    g.setColorAt(0, QColor(0xff, 0xff, 0xff));
    g.setColorAt(0.8, QColor(0xf3, 0xf1, 0xec));
    g.setColorAt(1, QColor(0xe4, 0xe0, 0xd8));
    p.setPen(QPen(QColor(0xd9, 0xd4, 0xca), 1.5));
    p.setBrush(g);
    p.drawEllipse(c, 56, 50);
}

void shade(QPainter& p, const QPainterPath& path, QColor light, QColor dark, QPointF focus, qreal r)
{
    QRadialGradient g(focus, r);
    g.setColorAt(0, light);
    g.setColorAt(1, dark);
    p.setBrush(g);
    p.setPen(QPen(dark.darker(130), 1.2));
    p.drawPath(path);
}

QPainterPath ellipse(QPointF c, qreal rx, qreal ry)
{
    QPainterPath e;
    e.addEllipse(c, rx, ry);
    return e;
}

void leafAt(QPainter& p, QPointF at, qreal angle, qreal len, QColor col)
{
    p.save();
    p.translate(at);
    p.rotate(angle);
    QPainterPath l;
    l.moveTo(0, 0);
    l.cubicTo(len * 0.3, -len * 0.4, len * 0.75, -len * 0.3, len, 0);
    l.cubicTo(len * 0.75, len * 0.3, len * 0.3, len * 0.4, 0, 0);
    p.setPen(QPen(col.darker(130), 1));
    p.setBrush(col);
    p.drawPath(l);
    p.restore();
}

using Food = std::function<void(QPainter&, QPointF)>;

QList<Food> foods()
{
    QList<Food> f;
    f << [](QPainter& p, QPointF c) { // 馒头
        for (int i = 0; i < 2; ++i) {
            const QPointF b = c + QPointF(i ? 16 : -14, i ? 8 : -4);
            QPainterPath bun;
            bun.moveTo(b + QPointF(-30, 14));
            bun.cubicTo(b + QPointF(-34, -26), b + QPointF(34, -26), b + QPointF(30, 14));
            bun.closeSubpath();
            shade(p, bun, QColor(0xff, 0xfd, 0xf6), QColor(0xe8, 0xdc, 0xc0), b + QPointF(-8, -10),
                  40);
        }
    };
    f << [](QPainter& p, QPointF c) { // 稻米
        QRandomGenerator rng(7);
        p.setPen(QPen(QColor(0xd8, 0xd2, 0xc4), 0.8));
        p.setBrush(QColor(0xfc, 0xfb, 0xf6));
        for (int i = 0; i < 60; ++i) {
            const qreal a = rng.bounded(360.0), r = rng.bounded(24.0);
            const QPointF at =
                c + QPointF(r * qCos(a) * 1.3, -8 + r * qSin(a) * 0.6 - (24 - r) * 0.5);
            p.save();
            p.translate(at);
            p.rotate(rng.bounded(180.0));
            p.drawEllipse(QPointF(0, 0), 4, 2);
            p.restore();
        }
        QPainterPath bowl;
        bowl.moveTo(c + QPointF(-38, -4));
        bowl.cubicTo(c + QPointF(-34, 36), c + QPointF(34, 36), c + QPointF(38, -4));
        bowl.closeSubpath();
        shade(p, bowl, QColor(0x8d, 0xb8, 0xe0), QColor(0x2f, 0x5f, 0x9b), c + QPointF(-10, 4), 50);
    };
    f << [](QPainter& p, QPointF c) { // 玉米
        p.save();
        p.translate(c);
        p.rotate(-30);
        shade(p, ellipse({0, 0}, 16, 40), QColor(0xff, 0xe2, 0x6e), QColor(0xe0, 0xa8, 0x10),
              {-5, -10}, 45);
        p.setPen(QPen(QColor(0xd0, 0x98, 0x10), 0.8));
        for (int y = -32; y <= 32; y += 7)
            p.drawLine(QPointF(-14, y), QPointF(14, y));
        for (int x = -8; x <= 8; x += 8)
            p.drawLine(QPointF(x, -36), QPointF(x, 36));
        leafAt(p, {4, 40}, -80, 56, QColor(0x7c, 0xb3, 0x42));
        leafAt(p, {-4, 40}, -110, 50, QColor(0x5e, 0x9a, 0x32));
        p.restore();
    };
    f << [](QPainter& p, QPointF c) { // 牛奶
        QPainterPath glass;
        glass.moveTo(c + QPointF(-20, -34));
        glass.lineTo(c + QPointF(20, -34));
        glass.lineTo(c + QPointF(16, 34));
        glass.lineTo(c + QPointF(-16, 34));
        glass.closeSubpath();
        p.setPen(QPen(QColor(0x9a, 0xb0, 0xc0), 1.5));
        p.setBrush(QColor(0xea, 0xf2, 0xf8));
        p.drawPath(glass);
        QPainterPath milk;
        milk.moveTo(c + QPointF(-18.6, -20));
        milk.lineTo(c + QPointF(18.6, -20));
        milk.lineTo(c + QPointF(16, 34));
        milk.lineTo(c + QPointF(-16, 34));
        milk.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(milk);
        p.setPen(QPen(QColor(0x9a, 0xb0, 0xc0), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(glass);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x4a, 0x90, 0xd9));
        p.drawRoundedRect(QRectF(c + QPointF(24, -10), QSizeF(20, 42)), 3, 3);
        p.setBrush(Qt::white);
        p.drawEllipse(c + QPointF(34, 12), 6, 6);
    };
    f << [](QPainter& p, QPointF c) { // 猪肉
        QPainterPath meat;
        meat.moveTo(c + QPointF(-40, -10));
        meat.cubicTo(c + QPointF(-30, -32), c + QPointF(30, -34), c + QPointF(42, -12));
        meat.cubicTo(c + QPointF(46, 14), c + QPointF(20, 26), c + QPointF(-10, 24));
        meat.cubicTo(c + QPointF(-36, 22), c + QPointF(-46, 8), c + QPointF(-40, -10));
        shade(p, meat, QColor(0xf6, 0x9a, 0x9a), QColor(0xc8, 0x48, 0x52), c + QPointF(-6, -6), 50);
        p.setPen(QPen(QColor(0xff, 0xf4, 0xee), 6, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        QPainterPath fat;
        fat.moveTo(c + QPointF(-34, -14));
        fat.cubicTo(c + QPointF(-20, -26), c + QPointF(24, -28), c + QPointF(38, -12));
        p.drawPath(fat);
        p.setPen(QPen(QColor(0xff, 0xe8, 0xe0), 3, Qt::SolidLine, Qt::RoundCap));
        QPainterPath marble;
        marble.moveTo(c + QPointF(-24, 6));
        marble.cubicTo(c + QPointF(-10, 0), c + QPointF(10, 12), c + QPointF(26, 2));
        p.drawPath(marble);
    };
    f << [](QPainter& p, QPointF c) { // 鸡蛋
        shade(p, ellipse(c + QPointF(-14, 2), 19, 25), QColor(0xfb, 0xe8, 0xd2),
              QColor(0xd8, 0xa8, 0x78), c + QPointF(-20, -6), 30);
        shade(p, ellipse(c + QPointF(16, 6), 18, 23), QColor(0xff, 0xfb, 0xf3),
              QColor(0xe0, 0xd6, 0xc4), c + QPointF(10, -2), 30);
    };
    f << [](QPainter& p, QPointF c) { // 鱼肉
        QPainterPath fish;
        fish.moveTo(c + QPointF(-40, 0));
        fish.cubicTo(c + QPointF(-20, -26), c + QPointF(20, -24), c + QPointF(28, 0));
        fish.cubicTo(c + QPointF(20, 24), c + QPointF(-20, 26), c + QPointF(-40, 0));
        QPainterPath tail;
        tail.moveTo(c + QPointF(24, 0));
        tail.lineTo(c + QPointF(46, -18));
        tail.lineTo(c + QPointF(42, 0));
        tail.lineTo(c + QPointF(46, 18));
        tail.closeSubpath();
        shade(p, tail, QColor(0x9c, 0xbe, 0xd8), QColor(0x4c, 0x78, 0xa0), c + QPointF(36, 0), 20);
        shade(p, fish, QColor(0xcf, 0xe0, 0xee), QColor(0x5a, 0x84, 0xaa), c + QPointF(-10, -8),
              45);
        p.setBrush(Qt::white);
        p.setPen(QPen(Qt::black, 1));
        p.drawEllipse(c + QPointF(-26, -4), 4, 4);
        p.setBrush(Qt::black);
        p.drawEllipse(c + QPointF(-26, -4), 1.8, 1.8);
        p.setPen(QPen(QColor(0x4c, 0x78, 0xa0), 1.2));
        for (int i = 0; i < 3; ++i)
            p.drawArc(QRectF(c + QPointF(-10 + i * 10, -8), QSizeF(10, 16)), -60 * 16, 120 * 16);
    };
    f << [](QPainter& p, QPointF c) { // 鸡肉
        p.save();
        p.translate(c);
        p.rotate(35);
        p.setPen(QPen(QColor(0xd8, 0xcf, 0xbe), 1));
        p.setBrush(QColor(0xfb, 0xf6, 0xea));
        p.drawRoundedRect(QRectF(-5, 10, 10, 30), 4, 4);
        p.drawEllipse(QPointF(-5, 40), 6, 6);
        p.drawEllipse(QPointF(5, 40), 6, 6);
        shade(p, ellipse({0, -8}, 24, 28), QColor(0xe8, 0xa8, 0x58), QColor(0xa8, 0x5a, 0x1c),
              {-8, -16}, 36);
        p.restore();
    };
    f << [](QPainter& p, QPointF c) { // 白菜
        QPainterPath stem;
        stem.moveTo(c + QPointF(-14, 40));
        stem.cubicTo(c + QPointF(-22, 10), c + QPointF(-20, -10), c + QPointF(-18, -20));
        stem.lineTo(c + QPointF(18, -20));
        stem.cubicTo(c + QPointF(20, -10), c + QPointF(22, 10), c + QPointF(14, 40));
        stem.closeSubpath();
        shade(p, stem, QColor(0xff, 0xff, 0xf4), QColor(0xdc, 0xe8, 0xc4), c + QPointF(0, 20), 40);
        QPainterPath leaves;
        leaves.addEllipse(c + QPointF(-12, -22), 20, 24);
        leaves.addEllipse(c + QPointF(12, -22), 20, 24);
        leaves.addEllipse(c + QPointF(0, -34), 20, 18);
        leaves.setFillRule(Qt::WindingFill);
        shade(p, leaves.simplified(), QColor(0xb8, 0xe0, 0x78), QColor(0x5a, 0x9e, 0x30),
              c + QPointF(-6, -30), 40);
        p.setPen(QPen(QColor(0xe8, 0xf0, 0xd8), 2));
        p.drawLine(c + QPointF(0, 36), c + QPointF(0, -40));
    };
    f << [](QPainter& p, QPointF c) { // 黄瓜
        p.save();
        p.translate(c);
        p.rotate(-25);
        QPainterPath cu;
        cu.addRoundedRect(QRectF(-46, -11, 92, 22), 11, 11);
        shade(p, cu, QColor(0x6c, 0xb0, 0x4c), QColor(0x2e, 0x64, 0x22), {-10, -6}, 60);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xd8, 0xec, 0xb0));
        for (int x = -36; x <= 36; x += 10)
            p.drawEllipse(QPointF(x, (x / 10) % 2 ? -4 : 4), 1.5, 1.5);
        p.setBrush(QColor(0xf4, 0xd0, 0x30));
        p.drawEllipse(QPointF(-46, 0), 4, 4);
        p.restore();
    };
    f << [](QPainter& p, QPointF c) { // 芹菜
        for (int i = -2; i <= 2; ++i) {
            p.setPen(QPen(QColor(0x7c, 0xb8, 0x4a).darker(100 + std::abs(i) * 10), 7, Qt::SolidLine,
                          Qt::RoundCap));
            p.drawLine(c + QPointF(i * 5, 40), c + QPointF(i * 9, -18));
            leafAt(p, c + QPointF(i * 9, -18), -90 + i * 22, 26, QColor(0x4e, 0x9a, 0x2e));
        }
    };
    f << [](QPainter& p, QPointF c) { // 青椒
        QPainterPath pep;
        pep.addEllipse(c + QPointF(-14, 4), 18, 28);
        pep.addEllipse(c + QPointF(14, 4), 18, 28);
        pep.addEllipse(c + QPointF(0, 8), 18, 30);
        pep.setFillRule(Qt::WindingFill);
        shade(p, pep.simplified(), QColor(0x8c, 0xd0, 0x58), QColor(0x2c, 0x78, 0x1c),
              c + QPointF(-10, -6), 44);
        p.setPen(QPen(QColor(0x4a, 0x6a, 0x20), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + QPointF(0, -22), c + QPointF(6, -36));
        p.setPen(QPen(QColor(0xd8, 0xf0, 0xb8), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(c + QPointF(-24, -14), QSizeF(14, 30)), 100 * 16, 60 * 16);
    };
    f << [](QPainter& p, QPointF c) { // 豆角
        for (int i = 0; i < 4; ++i) {
            p.setPen(
                QPen(QColor(0x4c, 0x9c, 0x3a).darker(100 + i * 8), 7, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            QPainterPath pod;
            pod.moveTo(c + QPointF(-40, -20 + i * 12));
            pod.cubicTo(c + QPointF(-10, -34 + i * 12), c + QPointF(10, 4 + i * 12),
                        c + QPointF(40, -10 + i * 12));
            p.drawPath(pod);
        }
    };
    f << [](QPainter& p, QPointF c) { // 豆腐
        const QPointF a = c + QPointF(-30, -6), b = c + QPointF(12, -6), d = c + QPointF(-30, 30),
                      e = c + QPointF(12, 30), off(18, -16);
        QPolygonF front{a, b, e, d}, top{a, a + off, b + off, b}, side{b, b + off, e + off, e};
        p.setPen(QPen(QColor(0xd8, 0xd0, 0xb8), 1.2));
        p.setBrush(QColor(0xfb, 0xf7, 0xe8));
        p.drawPolygon(front);
        p.setBrush(QColor(0xff, 0xfd, 0xf6));
        p.drawPolygon(top);
        p.setBrush(QColor(0xee, 0xe6, 0xd0));
        p.drawPolygon(side);
    };
    f << [](QPainter& p, QPointF c) { // 菌类
        for (int i = 0; i < 2; ++i) {
            const QPointF m = c + QPointF(i ? 18 : -12, i ? 8 : -2);
            const qreal k = i ? 0.75 : 1.0;
            p.setPen(QPen(QColor(0xd8, 0xcc, 0xb0), 1));
            p.setBrush(QColor(0xf8, 0xf0, 0xdc));
            p.drawRoundedRect(QRectF(m + QPointF(-7 * k, 0), QSizeF(14 * k, 30 * k)), 5, 5);
            QPainterPath cap;
            cap.moveTo(m + QPointF(-30 * k, 4 * k));
            cap.cubicTo(m + QPointF(-28 * k, -30 * k), m + QPointF(28 * k, -30 * k),
                        m + QPointF(30 * k, 4 * k));
            cap.closeSubpath();
            shade(p, cap, QColor(0xc8, 0x8c, 0x5a), QColor(0x7a, 0x46, 0x22), m + QPointF(-8, -12),
                  36 * k);
        }
    };
    f << [](QPainter& p, QPointF c) { // 猪肝
        QPainterPath liver;
        liver.moveTo(c + QPointF(-42, -4));
        liver.cubicTo(c + QPointF(-36, -30), c + QPointF(0, -28), c + QPointF(10, -16));
        liver.cubicTo(c + QPointF(24, -30), c + QPointF(46, -20), c + QPointF(40, 4));
        liver.cubicTo(c + QPointF(34, 26), c + QPointF(-10, 30), c + QPointF(-42, -4));
        shade(p, liver, QColor(0xa8, 0x4a, 0x44), QColor(0x5a, 0x18, 0x1a), c + QPointF(-10, -10),
              50);
        p.setPen(QPen(QColor(0xc8, 0x7a, 0x70), 1.5));
        p.drawLine(c + QPointF(8, -14), c + QPointF(-2, 18));
    };
    f << [](QPainter& p, QPointF c) { // 草莓
        QPainterPath berry;
        berry.moveTo(c + QPointF(0, 34));
        berry.cubicTo(c + QPointF(-36, 10), c + QPointF(-34, -26), c + QPointF(0, -20));
        berry.cubicTo(c + QPointF(34, -26), c + QPointF(36, 10), c + QPointF(0, 34));
        shade(p, berry, QColor(0xff, 0x6a, 0x6a), QColor(0xb8, 0x16, 0x24), c + QPointF(-8, -4),
              40);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xff, 0xe8, 0x8a));
        for (int y = -10; y <= 22; y += 8)
            for (int x = -20; x <= 20; x += 9)
                if (std::abs(x) < 24 - (y + 10) * 0.5)
                    p.drawEllipse(c + QPointF(x + (y % 16 ? 4 : 0), y), 1.4, 2);
        for (int i = 0; i < 5; ++i)
            leafAt(p, c + QPointF(0, -20), -90 + (i - 2) * 38, 18, QColor(0x3e, 0x94, 0x2e));
    };
    f << [](QPainter& p, QPointF c) { // 苹果
        QPainterPath apple;
        apple.moveTo(c + QPointF(0, -20));
        apple.cubicTo(c + QPointF(26, -36), c + QPointF(46, 0), c + QPointF(20, 30));
        apple.cubicTo(c + QPointF(10, 40), c + QPointF(-10, 40), c + QPointF(-20, 30));
        apple.cubicTo(c + QPointF(-46, 0), c + QPointF(-26, -36), c + QPointF(0, -20));
        shade(p, apple, QColor(0xff, 0x70, 0x60), QColor(0xb0, 0x10, 0x18), c + QPointF(-12, -8),
              46);
        p.setPen(QPen(QColor(0x6a, 0x42, 0x20), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + QPointF(0, -20), c + QPointF(3, -36));
        leafAt(p, c + QPointF(3, -30), -30, 24, QColor(0x4e, 0xa0, 0x30));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 110));
        p.drawEllipse(c + QPointF(-16, -6), 5, 9);
    };
    f << [](QPainter& p, QPointF c) { // 柑橘
        shade(p, ellipse(c + QPointF(0, 4), 32, 30), QColor(0xff, 0xc0, 0x50),
              QColor(0xe0, 0x6a, 0x00), c + QPointF(-10, -6), 44);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xf0, 0x90, 0x20, 120));
        QRandomGenerator rng(3);
        for (int i = 0; i < 30; ++i)
            p.drawEllipse(c + QPointF(rng.bounded(40.0) - 20, rng.bounded(40.0) - 16), 1, 1);
        leafAt(p, c + QPointF(2, -24), -40, 24, QColor(0x3e, 0x8e, 0x2a));
        p.setBrush(QColor(0x5a, 0x6a, 0x20));
        p.drawEllipse(c + QPointF(1, -25), 3, 3);
    };
    f << [](QPainter& p, QPointF c) { // 香蕉
        for (int i = 0; i < 2; ++i) {
            const QPointF o = c + QPointF(i * 8, i * 8 - 4);
            QPainterPath b;
            b.moveTo(o + QPointF(-42, -22));
            b.cubicTo(o + QPointF(-30, 24), o + QPointF(30, 26), o + QPointF(44, -14));
            b.cubicTo(o + QPointF(26, 8), o + QPointF(-24, 6), o + QPointF(-36, -26));
            b.closeSubpath();
            shade(p, b, QColor(0xff, 0xea, 0x70), QColor(0xe0, 0xb0, 0x10), o + QPointF(0, 6), 50);
            p.setBrush(QColor(0x5a, 0x44, 0x20));
            p.setPen(Qt::NoPen);
            p.drawEllipse(o + QPointF(-39, -24), 4, 3);
        }
    };
    return f;
}

// Five rows of four foods; under each row a strip is left white for the
// caption line the template prints there.
QImage foodPage()
{
    QImage img(513, 727, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QList<Food> all = foods();
    const qreal cellW = 513.0 / 4, rowH = 727.0 / 5;
    for (int i = 0; i < all.size(); ++i) {
        const QPointF c((i % 4 + 0.5) * cellW, (i / 4) * rowH + 60);
        plate(p, c);
        all[i](p, c);
    }
    p.setPen(QPen(QColor(0xe0, 0xe0, 0xe0), 1));
    for (int r = 1; r < 5; ++r)
        p.drawLine(QPointF(8, r * rowH), QPointF(505, r * rowH));
    return img;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: report_pictures DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    save(cover(), dir, "cover.jpg");
    save(panel(), dir, "diet-panel.jpg");
    save(grid(), dir, "diet-grid.jpg");
    save(foodPage(), dir, "foods.jpg");
    return 0;
}
