#pragma once

#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QSize>

class QPainter;
class QRectF;

namespace hra::app::artwork {

// The program's own pictures, drawn in code so that nothing depends on image files.

enum class ToolIcon
{
    Questionnaire,
    Records,
    Survey,
    Analysis,
    Query,
    Exit
};

// A 32 by 32 toolbar icon (with a sharper copy for high-density screens).
QIcon toolIcon(ToolIcon which);

// Navigation tree pictures: 0 a node, 1 the selected node, 2 the root.
QPixmap treePicture(int index, int size);

QPixmap loginBackground(QSize size);
QPixmap mainBackground(QSize size);

// One frame of the splash window's search animation: a magnifier circling
// over a page; frame counts up without limit.
void paintSearchFrame(QPainter& painter, const QRectF& area, int frame);

// The calligraphic type of the titles, or a serif CJK face where it is missing.
QFont calligraphicFont(int pointSize);

} // namespace hra::app::artwork
