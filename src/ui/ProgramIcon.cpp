#include "ui/ProgramIcon.h"

#include <QPainter>
#include <QPen>
#include <QPixmap>

namespace hra::ui {

QPainterPath heartPath(const QRectF& r)
{
    QPainterPath p;
    const qreal w = r.width(), h = r.height();
    p.moveTo(r.left() + w * 0.5, r.top() + h * 0.95);
    p.cubicTo(r.left() + w * 0.1, r.top() + h * 0.65, r.left() - w * 0.05, r.top() + h * 0.3,
              r.left() + w * 0.22, r.top() + h * 0.1);
    p.cubicTo(r.left() + w * 0.38, r.top() - h * 0.02, r.left() + w * 0.5, r.top() + h * 0.12,
              r.left() + w * 0.5, r.top() + h * 0.25);
    p.cubicTo(r.left() + w * 0.5, r.top() + h * 0.12, r.left() + w * 0.62, r.top() - h * 0.02,
              r.left() + w * 0.78, r.top() + h * 0.1);
    p.cubicTo(r.left() + w * 1.05, r.top() + h * 0.3, r.left() + w * 0.9, r.top() + h * 0.65,
              r.left() + w * 0.5, r.top() + h * 0.95);
    return p;
}

QPainterPath pulsePath(const QRectF& band)
{
    QPainterPath p;
    const qreal y = band.center().y(), h = band.height() / 2, x = band.left(), w = band.width();
    p.moveTo(x, y);
    p.lineTo(x + w * 0.36, y);
    p.lineTo(x + w * 0.41, y - h * 0.35);
    p.lineTo(x + w * 0.45, y + h * 0.2);
    p.lineTo(x + w * 0.50, y - h);
    p.lineTo(x + w * 0.55, y + h * 0.8);
    p.lineTo(x + w * 0.59, y);
    p.lineTo(x + w * 0.66, y - h * 0.25);
    p.lineTo(x + w * 0.72, y);
    p.lineTo(x + w, y);
    return p;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        p.setPen(Qt::NoPen);
        p.setBrush(kHeartRed);
        p.drawPath(heartPath(QRectF(2, 4, 28, 25)));
        p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(pulsePath(QRectF(4, 9, 24, 12)));
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace hra::ui
