#pragma once

#include <QtGlobal>

namespace hra::analysis {

// A decimal number held exactly as mantissa x 10^exponent. Made from a double
// through its 15-digit text, so 0.7 is exactly seven tenths and 180 x 0.7 is
// exactly 126: the whole-number cuts of the exercise prescription must not
// lose one to binary rounding. Falls back to long double arithmetic in the
// (unrealistic) case that a result needs more than 38 digits.
class ExactDecimal
{
public:
    static ExactDecimal fromDouble(double value);
    static ExactDecimal fromInteger(qint64 value);

    ExactDecimal operator*(const ExactDecimal& other) const;
    ExactDecimal operator-(const ExactDecimal& other) const;
    ExactDecimal operator+(const ExactDecimal& other) const;

    // -1, 0 or 1.
    int sign() const;
    // The whole part, cut towards zero.
    qint64 truncated() const;
    // The nearest double.
    double toDouble() const;

private:
    __extension__ typedef __int128 Wide;

    ExactDecimal() = default;
    static ExactDecimal approximate(long double value);

    Wide m_mantissa = 0;
    int m_exponent = 0;
    long double m_approx = 0;
    bool m_exact = true;
};

} // namespace hra::analysis
