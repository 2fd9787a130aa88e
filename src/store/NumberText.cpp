#include "store/NumberText.h"

#include <cmath>

namespace hra::store {

QString numberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0)
        return QStringLiteral("0"); // also for -0
    QString text = QString::number(value, 'g', 15);
    const qsizetype e = text.indexOf(u'e');
    if (e < 0)
        return text;
    // "1e+20" -> "1E20", "1e-05" -> "1E-5"
    QString mantissa = text.left(e);
    QString exponent = text.mid(e + 1);
    const bool negative = exponent.startsWith(u'-');
    if (exponent.startsWith(u'+') || negative)
        exponent.remove(0, 1);
    while (exponent.size() > 1 && exponent.startsWith(u'0'))
        exponent.remove(0, 1);
    return mantissa + u'E' + (negative ? QStringLiteral("-") : QString()) + exponent;
}

QString valueText(const QVariant& value)
{
    if (value.isNull())
        return {};
    bool ok = false;
    const double d = value.toString().trimmed().toDouble(&ok);
    return ok ? numberText(d) : value.toString();
}

double roundToNumberText(double value)
{
    if (!std::isfinite(value))
        return value;
    return QString::number(value, 'g', 15).toDouble();
}

} // namespace hra::store
