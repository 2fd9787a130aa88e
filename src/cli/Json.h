#pragma once

#include <QString>
#include <QVariant>

namespace hra::cli {

// JSON text of one stored value: null for NULL, a number for a numeric
// value, a date-time as "yyyy-MM-dd hh:mm:ss", a string for everything else.
QString jsonValue(const QVariant& v);
QString jsonString(const QString& s);

} // namespace hra::cli
