#include "ui/TabIcons.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QTabWidget>

namespace hra::ui {
namespace {

QIcon tabIcon(bool active)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(active ? QColor(0, 110, 40) : QColor(120, 120, 120), 1.2));
    p.setBrush(active ? QColor(60, 190, 90) : QColor(215, 215, 215));
    p.drawEllipse(QRectF(2, 2, 12, 12));
    if (active) {
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF{{5, 8.5}, {7.2, 10.8}, {11, 5.5}});
    }
    return QIcon(pixmap);
}

void mark(QTabWidget* pages)
{
    static const QIcon active = tabIcon(true);
    static const QIcon inactive = tabIcon(false);
    for (int i = 0; i < pages->count(); ++i)
        pages->setTabIcon(i, i == pages->currentIndex() ? active : inactive);
}

} // namespace

void followActiveTab(QTabWidget* pages)
{
    mark(pages);
    QObject::connect(pages, &QTabWidget::currentChanged, pages, [pages] { mark(pages); });
}

} // namespace hra::ui
