#include "reportengine/layout/ChartLayout.h"

#include "reportengine/DataSource.h"
#include "reportengine/layout/Builder.h"

#include <algorithm>
#include <cmath>

namespace hra::reportengine {

namespace {

const QList<QColor>& palette()
{
    static const QList<QColor> colors = {
        QColor(0x4f, 0x81, 0xbd), QColor(0xc0, 0x50, 0x4d), QColor(0x9b, 0xbb, 0x59),
        QColor(0x80, 0x64, 0xa2), QColor(0x4b, 0xac, 0xc6), QColor(0xf7, 0x96, 0x46),
        QColor(0x2c, 0x4d, 0x75), QColor(0x77, 0x2c, 0x2a), QColor(0x5f, 0x75, 0x30),
        QColor(0x4d, 0x3b, 0x62),
    };
    return colors;
}

std::optional<double> numberOf(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    bool ok = false;
    const double d =
        v.typeId() == QMetaType::QString ? v.toString().trimmed().toDouble(&ok) : v.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

// The smallest round step (1, 2, 2.5 or 5 times a power of ten) that covers
// `range` in at most five steps; with `least`, no smaller than it and a whole
// multiple of it.
double niceStep(double range, double least = 0)
{
    if (!(range > 0) || !std::isfinite(range))
        return least > 0 ? least : 1;
    const double raw = range / 5;
    double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (int decade = 0; decade < 30; ++decade, magnitude *= 10) {
        for (double f : {1.0, 2.0, 2.5, 5.0}) {
            const double step = f * magnitude;
            if (step < raw * (1 - 1e-9))
                continue;
            if (least > 0) {
                const double times = step / least;
                if (times < 1 - 1e-9 || std::abs(times - std::round(times)) > 1e-9)
                    continue;
            }
            return step;
        }
    }
    return least > 0 ? least : raw;
}

// An axis over lo..hi whose ends are whole multiples of a round step, so
// that every tick is a round number. The template's fixed ends stay as they
// are; a free top end leaves a step above the highest value for its label,
// a free bottom end with `roomBelow` one below the lowest.
ChartAxis roundAxis(const BarChart& chart, double lo, double hi, bool roomBelow)
{
    const double least = chart.axisStep.value_or(0);
    ChartAxis axis;
    if (chart.axisMin && chart.axisMax) {
        axis.min = *chart.axisMin;
        axis.max = *chart.axisMax;
        axis.step = niceStep(axis.max - axis.min, least);
        return axis;
    }
    const double from = chart.axisMin.value_or(lo);
    const double to = chart.axisMax.value_or(hi);
    axis.step = niceStep(to - from, least);
    axis.min = chart.axisMin ? *chart.axisMin : std::floor(from / axis.step) * axis.step;
    axis.max = chart.axisMax ? *chart.axisMax : std::ceil(to / axis.step) * axis.step;
    if (!chart.axisMin && roomBelow && axis.min >= lo)
        axis.min -= axis.step;
    if (!chart.axisMax && axis.max <= hi && hi > axis.min)
        axis.max += axis.step;
    if (axis.max <= axis.min)
        axis.max = axis.min + axis.step;
    return axis;
}

TextPrimitive label(const QString& text, const FontStyle& font, const QRectF& rect, HAlign h,
                    VAlign v, bool wrap = false)
{
    TextBox box;
    box.font = font;
    box.halign = h;
    box.valign = v;
    box.wrap = wrap;
    box.padding = 0;
    box.lineSpacing = 1.2;
    return layoutTextBox(box, text, rect);
}

qreal textWidth(const QString& text, const FontStyle& font)
{
    const LaidOutText laid = layoutText(text, font, 1e6, HAlign::Left, false, 1.2);
    qreal w = 0;
    for (const GlyphRunText& run : laid.runs) {
        // A right-aligned label starts at its advance, which may end past its ink.
        const QRectF r = run.run.boundingRect();
        w = std::max({w, r.right(), run.end});
    }
    return w;
}

using Legend = QList<QPair<QString, QColor>>;

// A value label as the chart asks: rounded to its decimals, without trailing
// zeros, or the value as the data holds it.
QString valueLabel(const BarChart& chart, double value)
{
    if (!chart.decimals)
        return formatValue(value);
    QString text = QString::number(value, 'f', *chart.decimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

// The part of a chart's box the values are drawn in, below the value labels
// and above the category labels, between the tick labels and the legend.
struct PlotArea
{
    QRectF plot;
    ChartAxis axis;
    qreal lineHeight = 0;
    qreal legendWidth = 0;

    qreal y(double v) const
    {
        const double clamped = std::clamp(v, axis.min, axis.max);
        return plot.bottom() - (clamped - axis.min) / (axis.max - axis.min) * plot.height();
    }
};

constexpr qreal kChartPad = 6;

// What bar and line charts share before their values: the background, and
// the value axis with its grid and tick labels. Empty when the box leaves no
// room to plot.
std::optional<PlotArea> layoutPlot(const BarChart& chart, const QRectF& rect, const ChartAxis& axis,
                                   const Legend& legend, std::vector<Primitive>& out)
{
    if (chart.background.isValid() && chart.background.alpha() > 0)
        out.push_back(RectPrimitive{rect, 0, 0, QColor(), chart.background});
    const FontStyle& font = chart.font;
    PlotArea area;
    area.axis = axis;
    area.lineHeight = font.size * 1.2;
    const qreal swatch = font.size * 0.8;
    for (const auto& entry : legend)
        area.legendWidth = std::max(area.legendWidth, textWidth(entry.first, font));
    if (!legend.isEmpty())
        area.legendWidth =
            std::min(area.legendWidth + swatch + 4 + 2 * kChartPad, rect.width() / 3);

    const QList<double> ticks = chartTicks(axis);
    qreal tickWidth = 0;
    for (double t : ticks)
        tickWidth = std::max(tickWidth, textWidth(formatValue(t), font));
    area.plot = QRectF(QPointF(rect.left() + kChartPad + tickWidth + 4,
                               rect.top() + kChartPad +
                                   (chart.valueLabels ? area.lineHeight : area.lineHeight / 2)),
                       QPointF(rect.right() - kChartPad - area.legendWidth,
                               rect.bottom() - kChartPad - 2 * area.lineHeight));
    if (area.plot.width() <= 0 || area.plot.height() <= 0)
        return std::nullopt;

    const QColor grid(0xd8, 0xd8, 0xd8);
    for (double t : ticks) {
        const qreal y = area.y(t);
        appendLine(out, QLineF(area.plot.left(), y, area.plot.right(), y), 0.5, grid,
                   chart.gridStyle);
        out.push_back(label(
            formatValue(t), font,
            QRectF(rect.left() + kChartPad, y - area.lineHeight / 2, tickWidth, area.lineHeight),
            HAlign::Right, VAlign::Center));
    }
    return area;
}

// What they share after: the legend at the right and the frame.
void layoutLegendAndFrame(const BarChart& chart, const QRectF& rect, const PlotArea& area,
                          const Legend& legend, std::vector<Primitive>& out)
{
    const FontStyle& font = chart.font;
    const qreal swatch = font.size * 0.8;
    if (!legend.isEmpty()) {
        const qreal left = rect.right() - area.legendWidth + kChartPad;
        qreal y = rect.center().y() - qreal(legend.size()) * area.lineHeight / 2;
        for (const auto& entry : legend) {
            out.push_back(
                RectPrimitive{QRectF(left, y + (area.lineHeight - swatch) / 2, swatch, swatch), 0,
                              0.5, entry.second.darker(140), entry.second});
            out.push_back(
                label(entry.first, font,
                      QRectF(left + swatch + 4, y, area.legendWidth - swatch - 4 - 2 * kChartPad,
                             area.lineHeight),
                      HAlign::Left, VAlign::Center));
            y += area.lineHeight;
        }
    }
    if (chart.frame.sides)
        appendFrame(out, rect, chart.frame);
}

} // namespace

std::vector<ChartPoint> chartPoints(const BarChart& chart, const DataSource& source)
{
    std::vector<ChartPoint> points;
    const int categoryField = source.fieldIndex(chart.categoryField);
    const int valueField = source.fieldIndex(chart.valueField);
    if (valueField < 0)
        return points;
    for (int row = 0; row < source.rowCount(); ++row) {
        const std::optional<double> value = numberOf(source.value(row, valueField));
        if (!value)
            continue;
        points.push_back(
            {categoryField >= 0 ? formatValue(source.value(row, categoryField)) : QString(),
             *value});
    }
    if (chart.sort == SortOrder::Ascending)
        std::stable_sort(
            points.begin(), points.end(),
            [](const ChartPoint& a, const ChartPoint& b) { return a.value < b.value; });
    else if (chart.sort == SortOrder::Descending)
        std::stable_sort(
            points.begin(), points.end(),
            [](const ChartPoint& a, const ChartPoint& b) { return a.value > b.value; });
    if (chart.top > 0 && points.size() > size_t(chart.top))
        points.resize(size_t(chart.top));
    return points;
}

ChartAxis chartAxis(const BarChart& chart, const std::vector<ChartPoint>& points)
{
    double lo = 0;
    double hi = 0;
    for (const ChartPoint& p : points) {
        lo = std::min(lo, p.value);
        hi = std::max(hi, p.value);
    }
    // Bars of nothing but zeros still get a scale, one unit (or step) high.
    if (hi == lo && !chart.axisMax) {
        ChartAxis axis;
        axis.min = chart.axisMin.value_or(lo);
        axis.max = axis.min + std::max(1.0, chart.axisStep.value_or(1));
        axis.step = niceStep(axis.max - axis.min, chart.axisStep.value_or(0));
        return axis;
    }
    return roundAxis(chart, lo, hi, false);
}

QList<double> chartTicks(const ChartAxis& axis)
{
    // Each tick is counted from the minimum rather than added to the last,
    // so a step too small to change the value (a range near the precision
    // of a double) cannot loop; such a range shows its two ends.
    constexpr int kMaxTicks = 100;
    const double span = axis.max - axis.min;
    if (!std::isfinite(span) || !(span > 0) || !(axis.step > 0) ||
        axis.min + axis.step == axis.min || span / axis.step > kMaxTicks)
        return {axis.min, axis.max};
    QList<double> ticks;
    const int count = int(std::floor(span / axis.step + 1e-6));
    double last = 0;
    for (int i = 0; i <= count; ++i) {
        double t = axis.min + i * axis.step;
        if (std::abs(t) < axis.step * 1e-9)
            t = 0.0;
        if (!ticks.isEmpty() && t <= last)
            continue;
        ticks << t;
        last = t;
    }
    return ticks;
}

QColor barColor(const BarChart& chart, int index)
{
    const QList<QColor>& colors = chart.colors.isEmpty() ? palette() : chart.colors;
    if (!chart.colorEach)
        return colors.first();
    return colors.at(index % colors.size());
}

void layoutChart(const BarChart& chart, const QRectF& rect, const std::vector<ChartPoint>& points,
                 std::vector<Primitive>& out)
{
    const FontStyle& font = chart.font;
    const int n = int(points.size());

    // Legend at the right: the categories when each bar has its own colour,
    // otherwise the series.
    Legend legend;
    if (chart.legend) {
        if (chart.colorEach) {
            for (int i = 0; i < n; ++i)
                legend.append({points[size_t(i)].category, barColor(chart, i)});
        } else {
            legend.append({chart.seriesTitle.isEmpty() ? chart.valueField : chart.seriesTitle,
                           barColor(chart, 0)});
        }
    }
    const std::optional<PlotArea> area =
        layoutPlot(chart, rect, chartAxis(chart, points), legend, out);
    if (!area)
        return;
    const QRectF& plot = area->plot;
    const qreal lineHeight = area->lineHeight;

    const qreal slot = n > 0 ? plot.width() / n : plot.width();
    const qreal barWidth = slot * 0.6;
    const qreal zeroY = area->y(std::clamp(0.0, area->axis.min, area->axis.max));
    for (int i = 0; i < n; ++i) {
        const ChartPoint& p = points[size_t(i)];
        const qreal cx = plot.left() + slot * (i + 0.5);
        const qreal y = area->y(p.value);
        const QRectF bar(QPointF(cx - barWidth / 2, std::min(y, zeroY)),
                         QPointF(cx + barWidth / 2, std::max(y, zeroY)));
        out.push_back(
            RectPrimitive{bar, 0, 0.5, barColor(chart, i).darker(140), barColor(chart, i)});
        if (chart.valueLabels)
            out.push_back(label(valueLabel(chart, p.value), font,
                                QRectF(cx - slot / 2, bar.top() - lineHeight, slot, lineHeight),
                                HAlign::Center, VAlign::Bottom));
        out.push_back(label(p.category, font,
                            QRectF(cx - slot / 2, plot.bottom() + 2, slot, 2 * lineHeight),
                            HAlign::Center, VAlign::Top, true));
    }
    appendLine(out, QLineF(plot.bottomLeft(), plot.topLeft()), 1, Qt::black);
    appendLine(out, QLineF(plot.left(), zeroY, plot.right(), zeroY), 1, Qt::black);
    layoutLegendAndFrame(chart, rect, *area, legend, out);
}

QStringList lineChartFields(const BarChart& chart)
{
    QStringList fields;
    for (const QString& f : chart.valueField.split(u',', Qt::SkipEmptyParts))
        fields << f.trimmed();
    return fields;
}

LineChartData lineChartData(const BarChart& chart, const DataSource& source)
{
    LineChartData data;
    const int categoryField = source.fieldIndex(chart.categoryField);
    for (int row = 0; row < source.rowCount(); ++row)
        data.categories << (categoryField >= 0 ? formatValue(source.value(row, categoryField))
                                               : QString());
    const QStringList fields = lineChartFields(chart);
    const QStringList titles = chart.seriesTitle.split(u',');
    for (qsizetype f = 0; f < fields.size(); ++f) {
        LineSeries series;
        series.title =
            f < titles.size() && !titles[f].trimmed().isEmpty() ? titles[f].trimmed() : fields[f];
        const int field = source.fieldIndex(fields[f]);
        for (int row = 0; row < source.rowCount(); ++row)
            series.values.push_back(field >= 0 ? numberOf(source.value(row, field)) : std::nullopt);
        data.series.push_back(std::move(series));
    }
    return data;
}

ChartAxis lineChartAxis(const BarChart& chart, const LineChartData& data)
{
    std::optional<double> lo, hi;
    for (const LineSeries& s : data.series)
        for (const std::optional<double>& v : s.values)
            if (v) {
                lo = lo ? std::min(*lo, *v) : *v;
                hi = hi ? std::max(*hi, *v) : *v;
            }
    ChartAxis axis;
    if (!lo) {
        axis.min = chart.axisMin.value_or(0);
        axis.max = chart.axisMax.value_or(axis.min + 1);
        axis.step = niceStep(axis.max - axis.min, chart.axisStep.value_or(0));
        return axis;
    }
    // A flat line gets a band around its value instead of a zero range, the
    // value in its middle.
    if (*hi == *lo) {
        const double span = std::max(std::abs(*hi) * 0.2, 1.0);
        lo = *lo - span / 2;
        hi = *hi + span / 2;
    }
    // No point sits on the frame of the plot.
    return roundAxis(chart, *lo, *hi, true);
}

void layoutLineChart(const BarChart& chart, const QRectF& rect, const LineChartData& data,
                     std::vector<Primitive>& out)
{
    const FontStyle& font = chart.font;
    const QList<QColor>& colors = chart.colors.isEmpty() ? palette() : chart.colors;
    auto colorOf = [&](size_t i) { return colors.at(qsizetype(i) % colors.size()); };
    Legend legend;
    if (chart.legend)
        for (size_t s = 0; s < data.series.size(); ++s)
            legend.append({data.series[s].title, colorOf(s)});
    const std::optional<PlotArea> area =
        layoutPlot(chart, rect, lineChartAxis(chart, data), legend, out);
    if (!area)
        return;
    const QRectF& plot = area->plot;
    const qreal lineHeight = area->lineHeight;

    const int n = int(data.categories.size());
    const qreal slot = n > 0 ? plot.width() / n : plot.width();
    auto xOf = [&](int i) { return plot.left() + slot * (i + 0.5); };
    for (int i = 0; i < n; ++i)
        out.push_back(label(data.categories[i], font,
                            QRectF(xOf(i) - slot / 2, plot.bottom() + 2, slot, 2 * lineHeight),
                            HAlign::Center, VAlign::Top, true));
    const qreal marker = std::max<qreal>(3, font.size * 0.4);
    for (size_t s = 0; s < data.series.size(); ++s) {
        const LineSeries& series = data.series[s];
        const QColor color = colorOf(s);
        std::optional<QPointF> previous;
        for (int i = 0; i < n && size_t(i) < series.values.size(); ++i) {
            const std::optional<double>& v = series.values[size_t(i)];
            if (!v) {
                previous.reset(); // a gap in the data is a gap in the line
                continue;
            }
            const QPointF p(xOf(i), area->y(*v));
            if (previous)
                appendLine(out, QLineF(*previous, p), 1.5, color);
            out.push_back(
                RectPrimitive{QRectF(p.x() - marker / 2, p.y() - marker / 2, marker, marker), 0,
                              0.5, color.darker(140), color});
            if (chart.valueLabels)
                out.push_back(label(
                    valueLabel(chart, *v), font,
                    QRectF(p.x() - slot / 2, p.y() - marker / 2 - lineHeight, slot, lineHeight),
                    HAlign::Center, VAlign::Bottom));
            previous = p;
        }
    }
    appendLine(out, QLineF(plot.bottomLeft(), plot.topLeft()), 1, Qt::black);
    appendLine(out, QLineF(plot.bottomLeft(), plot.bottomRight()), 1, Qt::black);
    layoutLegendAndFrame(chart, rect, *area, legend, out);
}

} // namespace hra::reportengine
