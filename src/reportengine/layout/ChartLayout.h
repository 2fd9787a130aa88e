#pragma once

#include "reportengine/layout/BuiltReport.h"
#include "reportengine/layout/Template.h"

#include <QString>
#include <vector>

namespace hra::reportengine {

class DataSource;

struct ChartPoint
{
    QString category;
    double value = 0;

    bool operator==(const ChartPoint&) const = default;
};

// The bars of a chart: every row of the source with a numeric value, sorted
// (stably) as asked and cut to the first `top`.
std::vector<ChartPoint> chartPoints(const BarChart& chart, const DataSource& source);

// Axis range and tick step: the fixed range when given, otherwise from zero
// (or the smallest negative value) to a round number above the largest value.
struct ChartAxis
{
    double min = 0;
    double max = 1;
    double step = 0.2;
};
ChartAxis chartAxis(const BarChart& chart, const std::vector<ChartPoint>& points);

// The values of the axis ticks, strictly increasing: min, min + step, ...
// up to max.
QList<double> chartTicks(const ChartAxis& axis);

// Colour of bar `index`.
QColor barColor(const BarChart& chart, int index);

// Draws the chart into `rect` as plain primitives.
void layoutChart(const BarChart& chart, const QRectF& rect, const std::vector<ChartPoint>& points,
                 std::vector<Primitive>& out);

} // namespace hra::reportengine
