#pragma once

#include <QColor>
#include <QIcon>
#include <QPainterPath>
#include <QRectF>

namespace hra::ui {

// The program's mark, drawn in code: a red heart crossed by a heartbeat. The
// main program and the backup program show it on their windows.

inline const QColor kHeartRed(214, 48, 49);

QPainterPath heartPath(const QRectF& r);
// A heartbeat trace across a band: flat, one beat, flat.
QPainterPath pulsePath(const QRectF& band);

QIcon programIcon();

} // namespace hra::ui
