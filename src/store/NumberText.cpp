#include "store/NumberText.h"

#include <cmath>

namespace hra::store {

QString numberText(double value)
{
    if (value == 0.0)
        return QStringLiteral("0"); // never "-0"
    QString text = QString::number(value, 'g', 15);
    // Exponents as "1E-5" rather than Qt's "1e-05".
    const qsizetype e = text.indexOf(u'e');
    if (e >= 0) {
        QString exponent = text.mid(e + 1);
        const bool negative = exponent.startsWith(u'-');
        exponent.remove(0, 1);
        while (exponent.size() > 1 && exponent.startsWith(u'0'))
            exponent.remove(0, 1);
        text = text.left(e) + QStringLiteral("E") + (negative ? QStringLiteral("-") : QString()) + exponent;
    }
    return text;
}

} // namespace hra::store
