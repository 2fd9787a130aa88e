#include "analysis/ExactDecimal.h"

#include "store/NumberText.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <limits>

namespace hra::analysis {
namespace {

__extension__ typedef __int128 Wide;

// 10^n for n in 0..38; false when it does not fit.
bool powerOfTen(int n, Wide* out)
{
    if (n < 0 || n > 38)
        return false;
    Wide p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    *out = p;
    return true;
}

bool scaleUp(Wide value, int digits, Wide* out)
{
    Wide factor;
    return powerOfTen(digits, &factor) && !__builtin_mul_overflow(value, factor, out);
}

} // namespace

ExactDecimal ExactDecimal::approximate(long double value)
{
    ExactDecimal d;
    d.m_exact = false;
    d.m_approx = value;
    return d;
}

ExactDecimal ExactDecimal::fromInteger(qint64 value)
{
    ExactDecimal d;
    d.m_mantissa = value;
    d.m_approx = static_cast<long double>(value);
    return d;
}

ExactDecimal ExactDecimal::fromDouble(double value)
{
    if (!std::isfinite(value))
        return approximate(value);
    // numberText gives at most 15 significant digits, so the mantissa fits.
    const QString text = store::numberText(value);
    ExactDecimal d;
    d.m_approx = value;
    int exponent = 0;
    qsizetype end = text.size();
    if (const qsizetype e = text.indexOf(u'E'); e >= 0) {
        exponent = text.mid(e + 1).toInt();
        end = e;
    }
    bool negative = false;
    bool afterPoint = false;
    for (qsizetype i = 0; i < end; ++i) {
        const QChar c = text.at(i);
        if (c == u'-') {
            negative = true;
        } else if (c == u'.') {
            afterPoint = true;
        } else {
            d.m_mantissa = d.m_mantissa * 10 + (c.unicode() - u'0');
            if (afterPoint)
                --exponent;
        }
    }
    if (negative)
        d.m_mantissa = -d.m_mantissa;
    d.m_exponent = exponent;
    return d;
}

ExactDecimal ExactDecimal::operator*(const ExactDecimal& other) const
{
    const long double approx = m_approx * other.m_approx;
    if (!m_exact || !other.m_exact)
        return approximate(approx);
    ExactDecimal d;
    d.m_approx = approx;
    d.m_exponent = m_exponent + other.m_exponent;
    if (__builtin_mul_overflow(m_mantissa, other.m_mantissa, &d.m_mantissa))
        return approximate(approx);
    return d;
}

ExactDecimal ExactDecimal::operator+(const ExactDecimal& other) const
{
    const long double approx = m_approx + other.m_approx;
    if (!m_exact || !other.m_exact)
        return approximate(approx);
    const int exponent = std::min(m_exponent, other.m_exponent);
    Wide a;
    Wide b;
    ExactDecimal d;
    d.m_approx = approx;
    d.m_exponent = exponent;
    if (!scaleUp(m_mantissa, m_exponent - exponent, &a) ||
        !scaleUp(other.m_mantissa, other.m_exponent - exponent, &b) ||
        __builtin_add_overflow(a, b, &d.m_mantissa))
        return approximate(approx);
    return d;
}

ExactDecimal ExactDecimal::operator-(const ExactDecimal& other) const
{
    ExactDecimal negated = other;
    negated.m_mantissa = -other.m_mantissa;
    negated.m_approx = -other.m_approx;
    return *this + negated;
}

int ExactDecimal::sign() const
{
    if (!m_exact)
        return m_approx > 0 ? 1 : (m_approx < 0 ? -1 : 0);
    return m_mantissa > 0 ? 1 : (m_mantissa < 0 ? -1 : 0);
}

qint64 ExactDecimal::truncated() const
{
    if (m_exact) {
        Wide whole = 0;
        bool fits = true;
        if (m_exponent >= 0) {
            fits = scaleUp(m_mantissa, m_exponent, &whole);
        } else if (Wide divisor; powerOfTen(-m_exponent, &divisor)) {
            whole = m_mantissa / divisor; // cuts towards zero
        }
        if (fits && whole <= std::numeric_limits<qint64>::max() &&
            whole >= std::numeric_limits<qint64>::min())
            return static_cast<qint64>(whole);
    }
    const long double t = std::trunc(m_approx);
    if (t >= static_cast<long double>(std::numeric_limits<qint64>::max()))
        return std::numeric_limits<qint64>::max();
    if (t <= static_cast<long double>(std::numeric_limits<qint64>::min()))
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(t);
}

double ExactDecimal::toDouble() const
{
    if (!m_exact)
        return static_cast<double>(m_approx);
    // Through text, so that the conversion rounds once and correctly.
    Wide m = m_mantissa < 0 ? -m_mantissa : m_mantissa;
    QString digits;
    do {
        digits.prepend(QChar(u'0' + static_cast<int>(m % 10)));
        m /= 10;
    } while (m != 0);
    if (m_mantissa < 0)
        digits.prepend(u'-');
    return (digits + u'e' + QString::number(m_exponent)).toDouble();
}

} // namespace hra::analysis
