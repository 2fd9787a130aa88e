#include "windows/shell/SplashWindow.h"

#include "windows/shell/Artwork.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace hra::app {

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Tload"));
    setFixedSize(235, 75);
    setAutoFillBackground(true);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    connect(&m_timer, &QTimer::timeout, this, [this] {
        ++m_frame;
        update();
    });
    m_timer.start(80);
}

void SplashWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    artwork::paintSearchFrame(p, QRectF(8, 10, 55, 55), m_frame);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(66, 0, width() - 70, height()),
               Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("正在进入系统，请稍候......"));
}

} // namespace hra::app
