#pragma once

#include <QtGlobal>

namespace hra::reportengine {

// Template geometry is in screen units of 96 per inch, relative to the
// printable area of the page (inside the margins).
inline constexpr qreal kUnitsPerInch = 96.0;
inline constexpr qreal kUnitsPerMm = kUnitsPerInch / 25.4;

inline constexpr qreal mmToUnits(qreal mm)
{
    return mm * kUnitsPerMm;
}

} // namespace hra::reportengine
