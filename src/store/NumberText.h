#pragma once

#include <QString>

namespace hra::store {

// A number as the system writes it into text: the shortest general form with
// at most 15 significant digits and a point as separator, without trailing
// zeros (22.857142857142858 -> "22.8571428571429", 3.90 -> "3.9", 140 -> "140").
QString numberText(double value);

} // namespace hra::store
