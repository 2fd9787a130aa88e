#include "ui/FlatButton.h"

#include <QEnterEvent>
#include <QPainter>

namespace hra::ui {

FlatButton::FlatButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setCaptionColor(Qt::black);
}

void FlatButton::setCaptionColor(const QColor& color)
{
    QPalette p = palette();
    p.setColor(QPalette::ButtonText, color);
    setPalette(p);
}

void FlatButton::enterEvent(QEnterEvent* event)
{
    setCaptionColor(Qt::red);
    QPushButton::enterEvent(event);
}

void FlatButton::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
    p.drawRect(rect().adjusted(2, 2, -3, -3));
}

void FlatButton::leaveEvent(QEvent* event)
{
    setCaptionColor(Qt::black);
    QPushButton::leaveEvent(event);
}

} // namespace hra::ui
