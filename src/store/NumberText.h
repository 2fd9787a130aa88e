#pragma once

#include <QString>
#include <QVariant>

namespace hra::store {

// The one way numbers become text: shortest general form with at most 15
// significant digits and "." as separator (22.857142857142858 gives
// "22.8571428571429", 3.90 gives "3.9", 140.0 gives "140"). Very large or
// small values use an exponent ("1E20", "1E-5").
QString numberText(double value);

// A stored value as text: a number (also one stored as text, as decimal
// columns arrive from some drivers) in the form of numberText(), anything else
// as it is, NULL as empty text.
QString valueText(const QVariant& value);

// The value the text of numberText() spells, so that a number bound as a
// parameter equals the one a statement with the literal text would store.
double roundToNumberText(double value);

} // namespace hra::store
