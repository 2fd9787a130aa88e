#pragma once

#include "reportengine/layout/BuiltReport.h"
#include "reportengine/layout/Template.h"

#include <QString>
#include <QStringList>
#include <optional>
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

// The series of a line chart: one per value field, a value per row of the
// source in its order (empty where the row has no number), beside the row
// categories.
struct LineSeries
{
    QString title;
    std::vector<std::optional<double>> values;
};
struct LineChartData
{
    QStringList categories;
    std::vector<LineSeries> series;
};
QStringList lineChartFields(const BarChart& chart);
LineChartData lineChartData(const BarChart& chart, const DataSource& source);

// The axis of a line chart spans the values, not zero: round steps from just
// below the smallest to just above the largest.
ChartAxis lineChartAxis(const BarChart& chart, const LineChartData& data);

// Draws a line chart: a line through each series' points, a marker on each
// point, so that a single point still shows.
void layoutLineChart(const BarChart& chart, const QRectF& rect, const LineChartData& data,
                     std::vector<Primitive>& out);

} // namespace hra::reportengine
