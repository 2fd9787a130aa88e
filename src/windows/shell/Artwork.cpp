#include "windows/shell/Artwork.h"

#include "ui/ProgramIcon.h"
#include "windows/shell/Branding.h"

#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace hra::app::artwork {
namespace {

using ui::heartPath;
using ui::kHeartRed;
using ui::pulsePath;

const QColor kDeepBlue(22, 78, 140);

void paintPage(QPainter& p, const QRectF& r, int lines)
{
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(110, 150, 200), 1.5));
    const qreal step = r.height() / (lines + 1);
    for (int i = 1; i <= lines; ++i) {
        const qreal y = r.top() + i * step;
        p.drawLine(QPointF(r.left() + r.width() * 0.18, y),
                   QPointF(r.right() - r.width() * 0.15, y));
    }
}

void paintMagnifier(QPainter& p, const QPointF& centre, qreal radius)
{
    const QPointF handleFrom = centre + QPointF(radius * 0.7, radius * 0.7);
    p.setPen(QPen(QColor(120, 72, 20), radius * 0.55, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(handleFrom, handleFrom + QPointF(radius * 0.9, radius * 0.9));
    QRadialGradient glass(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.2);
    glass.setColorAt(0, QColor(235, 248, 255, 230));
    glass.setColorAt(1, QColor(150, 200, 240, 200));
    p.setBrush(glass);
    p.setPen(QPen(QColor(60, 60, 70), radius * 0.25));
    p.drawEllipse(centre, radius, radius);
}

void paintQuestionnaire(QPainter& p)
{
    p.setPen(QPen(QColor(110, 70, 30), 1));
    p.setBrush(QColor(176, 118, 58));
    p.drawRoundedRect(QRectF(5, 3, 22, 28), 2, 2);
    paintPage(p, QRectF(8, 7, 16, 21), 0);
    p.setBrush(QColor(170, 170, 175));
    p.setPen(QPen(QColor(90, 90, 95), 1));
    p.drawRoundedRect(QRectF(11, 1.5, 10, 5), 1.5, 1.5);
    for (int i = 0; i < 3; ++i) {
        const qreal y = 12 + i * 5.5;
        p.setPen(QPen(QColor(30, 150, 60), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(9.5, y), QPointF(11, y + 1.5), QPointF(13.5, y - 1.5)}));
        p.setPen(QPen(QColor(110, 150, 200), 1.4));
        p.drawLine(QPointF(15, y), QPointF(22, y));
    }
}

void paintRecords(QPainter& p)
{
    p.setPen(QPen(QColor(170, 120, 20), 1));
    p.setBrush(QColor(240, 190, 60));
    p.drawRoundedRect(QRectF(2, 6, 13, 6), 1.5, 1.5);
    QLinearGradient g(0, 8, 0, 29);
    g.setColorAt(0, QColor(255, 222, 120));
    g.setColorAt(1, QColor(236, 172, 40));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2, 9, 28, 20), 2, 2);
    // A person on the folder.
    p.setPen(Qt::NoPen);
    p.setBrush(kDeepBlue);
    p.drawEllipse(QPointF(16, 15.5), 3.2, 3.2);
    QPainterPath body;
    body.moveTo(9.5, 27);
    body.cubicTo(9.5, 19.5, 22.5, 19.5, 22.5, 27);
    body.closeSubpath();
    p.drawPath(body);
}

void paintSurvey(QPainter& p)
{
    paintPage(p, QRectF(4, 3, 19, 26), 5);
    // A pencil across the page.
    p.save();
    p.translate(22, 17);
    p.rotate(45);
    p.setPen(QPen(QColor(80, 60, 20), 0.8));
    p.setBrush(QColor(250, 200, 40));
    p.drawRect(QRectF(-3, -11, 6, 17));
    p.setBrush(QColor(240, 140, 150));
    p.drawRect(QRectF(-3, -14, 6, 3));
    QPolygonF tip({QPointF(-3, 6), QPointF(3, 6), QPointF(0, 11)});
    p.setBrush(QColor(240, 215, 170));
    p.drawPolygon(tip);
    p.restore();
}

void paintAnalysis(QPainter& p)
{
    p.setPen(QPen(QColor(70, 70, 70), 1.5));
    p.drawLine(QPointF(3, 3), QPointF(3, 29));
    p.drawLine(QPointF(3, 29), QPointF(30, 29));
    const QColor colours[] = {QColor(66, 133, 244), QColor(52, 168, 83), QColor(251, 188, 5),
                              kHeartRed};
    const qreal heights[] = {9, 15, 12, 20};
    for (int i = 0; i < 4; ++i) {
        p.setPen(QPen(colours[i].darker(130), 0.8));
        p.setBrush(colours[i]);
        p.drawRect(QRectF(6 + i * 6, 28 - heights[i], 4.5, heights[i]));
    }
    p.setPen(QPen(kDeepBlue, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(7, 15), QPointF(14, 10), QPointF(20, 12), QPointF(28, 4)}));
}

void paintQuery(QPainter& p)
{
    paintPage(p, QRectF(3, 2, 18, 24), 5);
    paintMagnifier(p, QPointF(18, 17), 6.5);
}

void paintExit(QPainter& p)
{
    QRadialGradient g(QPointF(13, 11), 16);
    g.setColorAt(0, QColor(250, 110, 100));
    g.setColorAt(1, QColor(190, 30, 30));
    p.setPen(QPen(QColor(140, 20, 20), 1));
    p.setBrush(g);
    p.drawEllipse(QRectF(2, 2, 28, 28));
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(9, 9.5, 14, 14), 120 * 16, 300 * 16);
    p.drawLine(QPointF(16, 6.5), QPointF(16, 15));
}

QPixmap drawIcon(ToolIcon which, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    switch (which) {
    case ToolIcon::Questionnaire:
        paintQuestionnaire(p);
        break;
    case ToolIcon::Records:
        paintRecords(p);
        break;
    case ToolIcon::Survey:
        paintSurvey(p);
        break;
    case ToolIcon::Analysis:
        paintAnalysis(p);
        break;
    case ToolIcon::Query:
        paintQuery(p);
        break;
    case ToolIcon::Exit:
        paintExit(p);
        break;
    }
    return pm;
}

} // namespace

QIcon toolIcon(ToolIcon which)
{
    QIcon icon;
    icon.addPixmap(drawIcon(which, 32));
    icon.addPixmap(drawIcon(which, 64));
    return icon;
}

QPixmap treePicture(int index, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    if (index == 2) {
        // The root: a white card with a red cross.
        QLinearGradient g(0, 2, 0, 30);
        g.setColorAt(0, QColor(70, 140, 215));
        g.setColorAt(1, kDeepBlue);
        p.setPen(QPen(kDeepBlue.darker(130), 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(6, 6, 20, 20), 3, 3);
        p.setBrush(kHeartRed);
        p.drawRect(QRectF(13, 9, 6, 14));
        p.drawRect(QRectF(9, 13, 14, 6));
        return pm;
    }
    // A node: a round bullet with an arrow, orange while selected.
    const QColor base = index == 1 ? QColor(240, 140, 20) : QColor(40, 120, 200);
    QRadialGradient g(QPointF(12, 11), 16);
    g.setColorAt(0, base.lighter(150));
    g.setColorAt(1, base);
    p.setPen(QPen(base.darker(140), 1));
    p.setBrush(g);
    p.drawEllipse(QRectF(5, 5, 22, 22));
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(14, 10.5), QPointF(19.5, 16), QPointF(14, 21.5)}));
    return pm;
}

QPixmap loginBackground(QSize size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(QPointF(0, 0), QSizeF(size));
    const qreal bandHeight = size.height() * 0.34;

    QLinearGradient body(0, bandHeight, 0, size.height());
    body.setColorAt(0, QColor(236, 244, 252));
    body.setColorAt(1, QColor(200, 222, 244));
    p.fillRect(all, body);

    const QRectF band(0, 0, size.width(), bandHeight);
    QLinearGradient head(0, 0, size.width(), 0);
    head.setColorAt(0, QColor(16, 64, 122));
    head.setColorAt(1, QColor(40, 120, 190));
    p.fillRect(band, head);

    // A faint heartbeat running through the band.
    p.setPen(QPen(QColor(255, 255, 255, 60), 2));
    p.drawPath(pulsePath(QRectF(0, 8, size.width(), bandHeight - 16)));

    const QRectF heart(18, bandHeight * 0.2, bandHeight * 0.62, bandHeight * 0.6);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(kHeartRed);
    p.drawPath(heartPath(heart));
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(pulsePath(heart.adjusted(4, heart.height() * 0.2, -4, -heart.height() * 0.3)));

    p.setPen(Qt::white);
    p.setFont(calligraphicFont(24));
    const QRectF titleArea(heart.right() + 14, 4, size.width() - heart.right() - 20,
                           bandHeight * 0.68);
    p.drawText(titleArea, Qt::AlignLeft | Qt::AlignBottom, kSystemTitle);
    QFont latin(QStringLiteral("DejaVu Sans"));
    latin.setPixelSize(11);
    latin.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(latin);
    p.setPen(QColor(200, 225, 250));
    p.drawText(QRectF(titleArea.left() + 2, titleArea.bottom() + 2, titleArea.width(), 16),
               Qt::AlignLeft | Qt::AlignTop, QStringLiteral("HEALTH RISK ASSESSMENT"));

    // A questionnaire on a clipboard beside the fields.
    p.save();
    p.translate(44, bandHeight + 26);
    p.scale(3.0, 3.0);
    p.setOpacity(0.85);
    paintQuestionnaire(p);
    p.restore();

    // A thin light rule under the band, and the frame of the borderless dialog.
    p.setPen(QPen(QColor(250, 200, 60), 2));
    p.drawLine(QPointF(0, bandHeight + 1), QPointF(size.width(), bandHeight + 1));
    p.setPen(QPen(QColor(16, 64, 122), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all.adjusted(1, 1, -1, -1));
    return pm;
}

QPixmap mainBackground(QSize size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, QColor(214, 232, 248));
    g.setColorAt(0.6, QColor(240, 247, 253));
    g.setColorAt(1, QColor(224, 238, 250));
    p.fillRect(pm.rect(), g);

    const qreal unit = qMin(size.width(), size.height());
    // A large faint heart with its heartbeat, and the system's title.
    const QRectF heart(size.width() * 0.5 - unit * 0.22, size.height() * 0.5 - unit * 0.28,
                       unit * 0.44, unit * 0.4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(214, 48, 49, 28));
    p.drawPath(heartPath(heart));
    p.setPen(QPen(QColor(22, 78, 140, 70), qMax(2.0, unit * 0.006), Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(pulsePath(QRectF(0, heart.center().y() - unit * 0.08, size.width(), unit * 0.16)));

    QFont title = calligraphicFont(10);
    title.setPixelSize(qMax(12, int(unit * 0.07)));
    p.setFont(title);
    p.setPen(QColor(22, 78, 140, 120));
    p.drawText(QRectF(0, heart.bottom() + unit * 0.03, size.width(), unit * 0.12), Qt::AlignCenter,
               kSystemTitle);
    return pm;
}

void paintSearchFrame(QPainter& p, const QRectF& area, int frame)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = qMin(area.width(), area.height());
    const QRectF page(area.center().x() - s * 0.3, area.center().y() - s * 0.4, s * 0.6, s * 0.8);
    paintPage(p, page, 4);
    const qreal angle = (frame % 24) * (2 * M_PI / 24);
    const QPointF centre = page.center() + QPointF(qCos(angle) * s * 0.16, qSin(angle) * s * 0.16);
    paintMagnifier(p, centre - QPointF(s * 0.05, s * 0.05), s * 0.17);
    p.restore();
}

QFont calligraphicFont(int pointSize)
{
    const QStringList families = QFontDatabase::families();
    for (const QString& name : {QStringLiteral("AR PL KaitiM GB"), QStringLiteral("AR PL UKai CN"),
                                QStringLiteral("Noto Serif CJK SC")}) {
        if (families.contains(name))
            return QFont(name, pointSize);
    }
    QFont font;
    font.setPointSize(pointSize);
    return font;
}

} // namespace hra::app::artwork
