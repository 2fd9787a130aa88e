#include "Helpers.h"
#include "reportengine/Report.h"
#include "reportengine/layout/ChartLayout.h"
#include "reportengine/layout/TextLayout.h"

#include <QRawFont>
#include <QSignalSpy>

using namespace hra::reportengine;
using namespace hra::reportengine::test;

namespace {

qreal rightmostGlyph(const TextPrimitive& t)
{
    qreal right = 0;
    for (const GlyphRunText& run : t.runs)
        right = std::max(right, run.run.boundingRect().right());
    return right;
}

} // namespace

TEST(TextLayout, WrapsAtTheBoxWidthAndGrowsWithItsText)
{
    // Noto CJK ideographs are one em wide: 16 units at size 16, so six fit
    // in 100 units.
    TextBox box;
    box.font.face = QStringLiteral("黑体");
    box.font.size = 16;
    box.padding = 2;
    const QString twenty = QString(20, QChar(0x6C49)); // 汉
    const QRectF rect(10, 20, 104, 30);

    box.grow = true;
    const TextPrimitive grown = layoutTextBox(box, twenty, rect);
    EXPECT_EQ(grown.text.split(u'\n'),
              QStringList({QString(6, QChar(0x6C49)), QString(6, QChar(0x6C49)),
                           QString(6, QChar(0x6C49)), QString(2, QChar(0x6C49))}));
    EXPECT_DOUBLE_EQ(grown.rect.height(), 4 * 16 * 1.25 + 2 * 2);
    EXPECT_EQ(grown.rect.topLeft(), rect.topLeft());
    EXPECT_LE(rightmostGlyph(grown), 100.01);
    EXPECT_FALSE(grown.clip);

    box.grow = false;
    const TextPrimitive fixed = layoutTextBox(box, twenty, rect);
    EXPECT_EQ(fixed.rect, rect);
    EXPECT_TRUE(fixed.clip);

    // Growing never shrinks a box.
    box.grow = true;
    EXPECT_EQ(layoutTextBox(box, QStringLiteral("短"), rect).rect, rect);

    box.wrap = false;
    EXPECT_EQ(layoutTextBox(box, twenty + QStringLiteral("\n第二行"), rect).text,
              twenty + QStringLiteral("\n第二行"));
}

TEST(TextLayout, BreaksLatinTextBetweenWordsAndCutsWordsTooLong)
{
    TextBox box;
    box.font.face = QStringLiteral("Arial");
    box.font.size = 13;
    box.padding = 0;
    const TextPrimitive words =
        layoutTextBox(box, QStringLiteral("alpha beta gamma delta"), QRectF(0, 0, 80, 20));
    for (const QString& line : words.text.split(u'\n'))
        EXPECT_FALSE(line.startsWith(u' ') || line.endsWith(u' ')) << line.toStdString();
    EXPECT_EQ(words.text.split(u'\n').join(u' '), QStringLiteral("alpha beta gamma delta"));
    EXPECT_GT(words.text.count(u'\n'), 0);

    const TextPrimitive cut =
        layoutTextBox(box, QStringLiteral("abcdefghijklmnopqrstuvwxyz"), QRectF(0, 0, 40, 20));
    EXPECT_GT(cut.text.count(u'\n'), 1);
    EXPECT_EQ(QString(cut.text).remove(u'\n'), QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_LE(rightmostGlyph(layoutTextBox(box, QStringLiteral("abcdefghijklmnopqrstuvwxyz"),
                                           QRectF(0, 0, 40, 20))),
              40.5);
}

TEST(TextLayout, TextThatDoesNotFitShrinksThenEndsWithAnEllipsisAndIsReported)
{
    const struct
    {
        const char* attributes;
        const char* text;
        bool shortened; // printed as a start of the text and "…", and reported
    } cases[] = {
        {"wrap=\"false\"", "WWWWWWWWWW", true},
        {"wrap=\"false\" halign=\"right\"", "WWWWWWWWWW", true},
        {"wrap=\"false\" shrink=\"true\"", "WWWWWWWWWW", false},
        {"wrap=\"false\" shrink=\"true\" halign=\"center\"", "欧阳爱新觉罗慕容端木", false},
        // Half the size at most, then shortened.
        {"wrap=\"false\" shrink=\"true\"", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", true},
        // A little too long: a smaller size is enough.
        {"wrap=\"false\"", "WWWWWWW", false},
        {"wrap=\"false\"", "WW", false},
        {"", "", false},
        // Wrapping text too long for the box's height keeps the lines that fit.
        {"", "健康评估健康评估健康评估健康评估健康评估健康评估健康评估", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.attributes) + " " + c.text);
        const BuildResult result = build(
            onePage(QStringLiteral("<text name=\"cell\" width=\"80\" height=\"20\" size=\"11\" "
                                   "%1>%2</text>")
                        .arg(QLatin1String(c.attributes), QString::fromUtf8(c.text))));
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(result.warnings.join(u'\n').contains(QStringLiteral("\"cell\" is too small")),
                  c.shortened)
            << result.warnings.join(u'\n').toStdString();
        const auto& t = std::get<TextPrimitive>(result.report.page(0).primitives.at(0));
        const QString text = QString::fromUtf8(c.text);
        if (c.shortened) {
            ASSERT_TRUE(t.text.endsWith(QStringLiteral("…"))) << t.text.toStdString();
            const QString start = QString(t.text).remove(u'\n').chopped(1);
            EXPECT_FALSE(start.isEmpty());
            EXPECT_TRUE(text.startsWith(start)) << t.text.toStdString();
            EXPECT_EQ(t.text.count(u'\n'), 0); // one line of 11 units fits 20 units
        } else {
            EXPECT_EQ(t.text, text);
        }
        // Never a glyph past the box's sides.
        EXPECT_LE(rightmostGlyph(t), 80 - 2 * 2 + 0.5);
    }
}

TEST(TextLayout, AlignmentPlacesTheLine)
{
    TextBox box;
    box.font.face = QStringLiteral("黑体");
    box.font.size = 20;
    box.padding = 0;
    const QRectF rect(0, 0, 200, 40);
    auto firstX = [&](HAlign h) {
        box.halign = h;
        const TextPrimitive t = layoutTextBox(box, QStringLiteral("健康评估"), rect);
        return t.runs.first().run.positions().first().x();
    };
    auto lastX = [&](HAlign h) {
        box.halign = h;
        const TextPrimitive t = layoutTextBox(box, QStringLiteral("健康评估"), rect);
        return t.runs.last().run.positions().last().x();
    };
    EXPECT_NEAR(firstX(HAlign::Left), 0, 0.2);
    EXPECT_NEAR(firstX(HAlign::Center), 60, 0.2);
    EXPECT_NEAR(firstX(HAlign::Right), 120, 0.2);
    // Spread over the whole width: first at the left edge, last ending at the right.
    EXPECT_NEAR(firstX(HAlign::Distribute), 0, 0.2);
    EXPECT_NEAR(lastX(HAlign::Distribute), 180, 0.2);
}

TEST(TextLayout, GlyphsAdvanceExactlyAsTheFontSays)
{
    // The layout reads advances from the fonts' tables: they must be the
    // ones Qt gives, for many characters at whole and fractional sizes, in
    // every font of the report.
    QString text;
    for (char16_t c = 0x4E00; c < 0x4E00 + 400; c += 3)
        text += QChar(c);
    text += QStringLiteral("，。ABCxyz 0123456789%（）");
    int compared = 0;
    for (const char* face : {"黑体", "宋体", "楷体"}) {
        for (qreal size : {9.0, 13.0, 13.5, 15.0, 21.0}) {
            for (bool bold : {false, true}) {
                SCOPED_TRACE(std::string(face) + " " + std::to_string(size) +
                             (bold ? " bold" : ""));
                FontStyle style;
                style.face = QString::fromUtf8(face);
                style.size = size;
                style.bold = bold;
                for (int half = 0; half < 2; ++half) {
                    const QString part =
                        half ? text.mid(text.size() / 2) : text.left(text.size() / 2);
                    const LaidOutText laid =
                        layoutText(part, style, 1e6, HAlign::Left, false, 1.25);
                    for (const GlyphRunText& run : laid.runs) {
                        const QList<QPointF> at = run.run.positions();
                        const QList<QPointF> advances = run.run.rawFont().advancesForGlyphIndexes(
                            run.run.glyphIndexes(), QRawFont::UseDesignMetrics);
                        for (qsizetype i = 0; i + 1 < at.size(); ++i) {
                            ASSERT_EQ(at[i + 1].x() - at[i].x(), advances[i].x()) << i;
                            ++compared;
                        }
                    }
                }
            }
        }
    }
    if (compared == 0)
        GTEST_SKIP() << "none of the report's fonts is installed";
}

TEST(Charts, PointsAreSortedAndCutToTopN)
{
    auto source = table(QStringLiteral("s"), {QStringLiteral("name"), QStringLiteral("value")},
                        {{QStringLiteral("a"), 3},
                         {QStringLiteral("b"), QStringLiteral("1.5")},
                         {QStringLiteral("c"), QVariant()},
                         {QStringLiteral("d"), QStringLiteral("n/a")},
                         {QStringLiteral("e"), 4.5},
                         {QStringLiteral("f"), 1.5},
                         {QStringLiteral("g"), -2},
                         {QStringLiteral("h"), 9}});
    struct Case
    {
        SortOrder sort;
        int top;
        QString expected; // categories in bar order
    };
    const Case cases[] = {
        {SortOrder::None, 0, QStringLiteral("abefgh")},
        {SortOrder::Ascending, 0, QStringLiteral("gbfaeh")},
        {SortOrder::Ascending, 5, QStringLiteral("gbfae")},
        {SortOrder::Descending, 3, QStringLiteral("hea")},
        {SortOrder::None, 2, QStringLiteral("ab")},
        {SortOrder::None, 100, QStringLiteral("abefgh")},
    };
    for (const Case& c : cases) {
        BarChart chart;
        chart.categoryField = QStringLiteral("name");
        chart.valueField = QStringLiteral("value");
        chart.sort = c.sort;
        chart.top = c.top;
        QString order;
        for (const ChartPoint& p : chartPoints(chart, *source))
            order += p.category;
        EXPECT_EQ(order, c.expected) << int(c.sort) << " top " << c.top;
    }
    BarChart chart;
    chart.valueField = QStringLiteral("nosuch");
    EXPECT_TRUE(chartPoints(chart, *source).empty());
}

TEST(Charts, AxisRangeIsFixedWhenGivenAndRoundOtherwise)
{
    BarChart chart;
    const std::vector<ChartPoint> points = {{QStringLiteral("a"), 3.2}, {QStringLiteral("b"), 0.4}};
    ChartAxis axis = chartAxis(chart, points);
    EXPECT_EQ(axis.min, 0);
    EXPECT_EQ(axis.max, 4);
    chart.axisMin = 0;
    chart.axisMax = 5;
    axis = chartAxis(chart, points);
    EXPECT_EQ(axis.min, 0);
    EXPECT_EQ(axis.max, 5);
    EXPECT_EQ(axis.step, 1);
}

TEST(Charts, AxesSpanTheDataWithRoundStepsAndEndOnATick)
{
    struct Case
    {
        const char* what;
        bool line;
        std::optional<qreal> least; // axis-step
        std::vector<double> values;
        ChartAxis expected;
    };
    const Case cases[] = {
        {"bars to a step above the top", false, {}, {10}, {0, 12, 2}},
        {"negative bars", false, {}, {-3, 7}, {-4, 8, 2}},
        {"small values step by halves", false, {}, {0, 2}, {0, 2.5, 0.5}},
        {"zeros", false, {}, {0, 0}, {0, 1, 0.2}},
        {"grades step by whole grades", false, 1, {0, 2}, {0, 3, 1}},
        {"grade 0 alone", false, 1, {0, 0}, {0, 1, 1}},
        {"grades beside a pressure", false, 1, {0, 3, 160}, {0, 200, 50}},
        {"a quarter step is never whole", false, 1, {0, 1}, {0, 2, 1}},
        {"line from 2 to 10", true, {}, {2, 6, 10}, {0, 12, 2}},
        {"line from 4 to 12", true, {}, {4, 12}, {2, 14, 2}},
        {"flat line", true, {}, {7.5}, {6.5, 8.5, 0.5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BarChart chart;
        chart.axisStep = c.least;
        ChartAxis axis;
        if (c.line) {
            LineChartData data;
            data.series.push_back({QStringLiteral("v"), {c.values.begin(), c.values.end()}});
            axis = lineChartAxis(chart, data);
        } else {
            std::vector<ChartPoint> points;
            for (double v : c.values)
                points.push_back({QString(), v});
            axis = chartAxis(chart, points);
        }
        EXPECT_DOUBLE_EQ(axis.min, c.expected.min);
        EXPECT_DOUBLE_EQ(axis.max, c.expected.max);
        EXPECT_DOUBLE_EQ(axis.step, c.expected.step);
        // The top of the axis is a tick: the labels are round to the end.
        EXPECT_DOUBLE_EQ(chartTicks(axis).last(), axis.max);
    }
}

TEST(Charts, AxisRangeAtThePrecisionOfADoubleEndsWithFewTicks)
{
    // A step too small to change the value once looped while memory grew.
    DataSources sources;
    sources.add(table(QStringLiteral("s"), {QStringLiteral("v")}, {{1}}));
    for (const char* range : {"axis-min=\"1\" axis-max=\"1.0000000000000004\"",
                              "axis-min=\"1e11\" axis-max=\"100000000000.00002\"",
                              "axis-min=\"-1e-300\" axis-max=\"1e-300\""}) {
        SCOPED_TRACE(range);
        const BuildResult result =
            build(onePage(QStringLiteral("<chart width=\"400\" height=\"200\" source=\"s\" "
                                         "value=\"v\" %1/>")
                              .arg(QLatin1String(range))),
                  sources);
        ASSERT_TRUE(result.ok);
        EXPECT_LT(result.report.page(0).primitives.size(), 100u);
    }
    for (const ChartAxis& axis : {ChartAxis{1, 1.0000000000000004, 1e-16}, ChartAxis{0, 5, 1},
                                  ChartAxis{-2, 3, 0.5}, ChartAxis{0, 1e9, 1e-3}}) {
        const QList<double> ticks = chartTicks(axis);
        ASSERT_GE(ticks.size(), 2);
        EXPECT_LE(ticks.size(), 101);
        EXPECT_EQ(ticks.first(), axis.min);
        EXPECT_LE(ticks.last(), axis.max);
        for (qsizetype i = 1; i < ticks.size(); ++i)
            EXPECT_GT(ticks[i], ticks[i - 1]);
    }
    EXPECT_EQ(chartTicks(ChartAxis{0, 5, 1}), QList<double>({0, 1, 2, 3, 4, 5}));
}

TEST(Charts, EachBarTakesItsColourAndValueLabelsPrint)
{
    DataSources sources;
    sources.add(
        table(QStringLiteral("s"), {QStringLiteral("k"), QStringLiteral("v")},
              {{QStringLiteral("甲"), 1}, {QStringLiteral("乙"), 2}, {QStringLiteral("丙"), 3}}));
    const BuildResult result = build(
        onePage(QStringLiteral("<chart width=\"400\" height=\"200\" source=\"s\" category=\"k\" "
                               "value=\"v\" colors=\"#ff0000 #00ff00\" color-each=\"true\" "
                               "labels=\"true\" axis-min=\"0\" axis-max=\"5\"/>")),
        sources);
    QList<QColor> fills;
    QStringList texts;
    for (const Primitive& p : result.report.page(0).primitives) {
        if (const auto* r = std::get_if<RectPrimitive>(&p); r && r->fill != QColor(Qt::white))
            fills << r->fill;
        if (const auto* t = std::get_if<TextPrimitive>(&p))
            texts << t->text;
    }
    EXPECT_EQ(fills, QList<QColor>({QColor(Qt::red), QColor(Qt::green), QColor(Qt::red)}));
    for (const char* expected : {"0", "5", "1", "2", "3", "甲", "乙", "丙"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(expected))) << expected;
}

TEST(Charts, ValueLabelsAreRoundedToTheChartsDecimals)
{
    DataSources sources;
    sources.add(table(QStringLiteral("s"), {QStringLiteral("k"), QStringLiteral("v")},
                      {{QStringLiteral("甲"), 19.5904}, {QStringLiteral("乙"), 2.0004}}));
    struct Case
    {
        const char* attributes;
        QStringList labels;
    };
    const Case cases[] = {
        {"", {"19.5904", "2.0004"}},
        {"decimals=\"1\"", {"19.6", "2"}},
        {"decimals=\"0\" kind=\"line\"", {"20", "2"}},
    };
    for (const Case& c : cases) {
        const BuildResult result =
            build(onePage(QStringLiteral("<chart width=\"400\" height=\"200\" source=\"s\" "
                                         "category=\"k\" value=\"v\" labels=\"true\" %1/>")
                              .arg(QLatin1String(c.attributes))),
                  sources);
        ASSERT_TRUE(result.ok) << c.attributes;
        QStringList texts;
        for (const Primitive& p : result.report.page(0).primitives)
            if (const auto* t = std::get_if<TextPrimitive>(&p))
                texts << t->text;
        for (const QString& expected : c.labels)
            EXPECT_TRUE(texts.contains(expected)) << c.attributes << " " << expected.toStdString();
        EXPECT_EQ(texts.contains(QStringLiteral("19.5904")), c.labels.contains("19.5904"))
            << c.attributes;
    }
}

TEST(Charts, LineChartsSpanTheirValuesAndBreakAtGaps)
{
    auto source =
        table(QStringLiteral("s"), {QStringLiteral("k"), QStringLiteral("a"), QStringLiteral("b")},
              {{QStringLiteral("一"), 150, 95},
               {QStringLiteral("二"), QVariant(), 88},
               {QStringLiteral("三"), 132, 84}});
    BarChart chart;
    chart.kind = ChartKind::Lines;
    chart.categoryField = QStringLiteral("k");
    chart.valueField = QStringLiteral("a, b");
    chart.seriesTitle = QStringLiteral("收缩压,");
    const LineChartData data = lineChartData(chart, *source);
    EXPECT_EQ(data.categories, QStringList({"一", "二", "三"}));
    ASSERT_EQ(data.series.size(), 2u);
    EXPECT_EQ(data.series[0].title, QStringLiteral("收缩压"));
    EXPECT_EQ(data.series[1].title, QStringLiteral("b"));
    EXPECT_FALSE(data.series[0].values[1]);
    EXPECT_EQ(*data.series[1].values[1], 88);

    // 84 to 150: round steps around the values, not from zero.
    const ChartAxis axis = lineChartAxis(chart, data);
    EXPECT_EQ(axis.min, 80);
    EXPECT_EQ(axis.max, 160);
    EXPECT_EQ(axis.step, 20);

    // One point a series still shows: a marker and no line; a flat series
    // gets a band around its value.
    auto one = table(QStringLiteral("o"), {QStringLiteral("a")}, {{7.5}});
    chart.valueField = QStringLiteral("a");
    const LineChartData single = lineChartData(chart, *one);
    const ChartAxis flat = lineChartAxis(chart, single);
    EXPECT_LT(flat.min, 7.5);
    EXPECT_GT(flat.max, 7.5);

    DataSources sources;
    sources.add(source);
    const BuildResult result =
        build(onePage(QStringLiteral("<chart kind=\"line\" width=\"400\" height=\"200\" "
                                     "source=\"s\" category=\"k\" value=\"a,b\" "
                                     "colors=\"#ff0000 #0000ff\"/>")),
              sources);
    ASSERT_TRUE(result.ok);
    int redSegments = 0, blueSegments = 0, markers = 0;
    for (const Primitive& p : result.report.page(0).primitives) {
        if (const auto* l = std::get_if<LinePrimitive>(&p)) {
            redSegments += l->color == QColor(Qt::red);
            blueSegments += l->color == QColor(Qt::blue);
        }
        if (const auto* r = std::get_if<RectPrimitive>(&p);
            r && (r->fill == QColor(Qt::red) || r->fill == QColor(Qt::blue)))
            ++markers;
    }
    EXPECT_EQ(redSegments, 0); // 150, gap, 132: no two neighbours
    EXPECT_EQ(blueSegments, 2);
    EXPECT_EQ(markers, 5);

    ReportTemplate refused;
    const LoadResult pie = loadTemplateFromData(
        onePage(QStringLiteral("<chart kind=\"pie\" width=\"400\" height=\"200\" source=\"s\" "
                               "value=\"a\"/>"))
            .toUtf8(),
        QDir::tempPath(), refused);
    EXPECT_FALSE(pie.ok);
    EXPECT_TRUE(pie.toString().contains(QStringLiteral("kind must be bar or line")));
}

namespace {

// As many rows as asked for, without holding them.
class CountingSource : public DataSource
{
public:
    CountingSource(QString name, int rows) : DataSource(std::move(name)), m_rows(rows) {}
    QStringList fieldNames() const override { return {QStringLiteral("v")}; }
    int rowCount() const override { return m_rows; }
    QVariant value(int row, int) const override { return row % 7; }

private:
    int m_rows;
};

} // namespace

TEST(Builder, LimitsStopRunawayBuildsWithAnError)
{
    const struct
    {
        const char* objects;
        int rows;
        const char* message;
    } cases[] = {
        {"<band source=\"s\" height=\"20\"><text width=\"50\" "
         "height=\"20\">[s.\"v\"]</text></band>",
         300000, "more than 200000 for one band"},
        // One row a page: the page count stops it.
        {"<band source=\"s\" height=\"20\" bottom=\"20\"/>", 20000, "more than 10000 pages"},
        {"<chart width=\"400\" height=\"200\" source=\"s\" value=\"v\"/>", 50000, "more than 1000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.objects);
        DataSources sources;
        sources.add(std::make_shared<CountingSource>(QStringLiteral("s"), c.rows));
        const BuildResult result = build(onePage(QString::fromUtf8(c.objects)), sources);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.error.contains(QString::fromUtf8(c.message)))
            << result.error.toStdString();
    }
    // A chart cut to its top bars prints.
    DataSources sources;
    sources.add(std::make_shared<CountingSource>(QStringLiteral("s"), 50000));
    EXPECT_TRUE(
        build(onePage(QStringLiteral(
                  "<chart width=\"400\" height=\"200\" source=\"s\" value=\"v\" top=\"20\"/>")),
              sources)
            .ok);
}

TEST(Builder, PageNumbersCountFromOneWithinTheBuild)
{
    const QString page =
        QStringLiteral("<page><text width=\"200\" height=\"20\">第 [Page#] 页</text></page>");
    const BuildResult result = build(QStringLiteral("<report>%1%1%1</report>").arg(page));
    ASSERT_EQ(result.report.pageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(result.report.pageText(i), QStringLiteral("第 %1 页").arg(i + 1));
        EXPECT_EQ(result.report.page(i).number, i + 1);
    }
}

TEST(Builder, DataBandRepeatsRowsAndBreaksOntoNewPages)
{
    QList<QVariantList> rows;
    for (int i = 1; i <= 25; ++i)
        rows << QVariantList{QStringLiteral("行%1").arg(i)};
    DataSources sources;
    sources.add(table(QStringLiteral("list"), {QStringLiteral("name")}, rows));
    sources.add(table(QStringLiteral("none"), {QStringLiteral("name")}, {}));
    // Rows of 20 units from 100 to 300: ten rows a page. The heading and the
    // page number repeat on every page.
    const QString xml = QStringLiteral(R"(<report><page>
        <text width="200" height="20">名单 [Page#]</text>
        <band source="list" y="100" height="20" bottom="300">
          <text x="10" width="100" height="20">[list."name"]</text>
        </band>
        <text y="310" width="200" height="20">[list."name"]</text>
      </page></report>)");
    const BuildResult result = build(xml, sources);
    ASSERT_EQ(result.report.pageCount(), 3);
    // Page objects come first; outside the band the source prints its first row.
    auto expected = [](int page, int from, int to) {
        QStringList lines{QStringLiteral("名单 %1").arg(page), QStringLiteral("行1")};
        for (int i = from; i <= to; ++i)
            lines << QStringLiteral("行%1").arg(i);
        return lines.join(u'\n');
    };
    EXPECT_EQ(result.report.pageText(0), expected(1, 1, 10));
    EXPECT_EQ(result.report.pageText(1), expected(2, 11, 20));
    EXPECT_EQ(result.report.pageText(2), expected(3, 21, 25));
    // The eleventh row sits at the top of the band on page 2.
    const auto& page2 = result.report.page(1).primitives;
    const auto first = std::find_if(page2.begin(), page2.end(), [](const Primitive& p) {
        const auto* t = std::get_if<TextPrimitive>(&p);
        return t && t->text == QStringLiteral("行11");
    });
    ASSERT_NE(first, page2.end());
    EXPECT_EQ(std::get<TextPrimitive>(*first).rect, QRectF(10, 100, 100, 20));

    QString emptyXml = xml;
    emptyXml.replace(QStringLiteral("source=\"list\""), QStringLiteral("source=\"none\""));
    const BuildResult empty = build(emptyXml, sources);
    ASSERT_EQ(empty.report.pageCount(), 1);
    EXPECT_EQ(empty.report.pageText(0), QStringLiteral("名单 1\n行1"));
}

TEST(Report, BuildReportsProgressAgainstTheTemplatePageCount)
{
    Report report;
    report.setTemplate(parse(QStringLiteral("<report><page/><page/><page/></report>")));
    EXPECT_EQ(report.templatePageCount(), 3);
    QSignalSpy progress(&report, &Report::progress);
    report.build();
    ASSERT_EQ(progress.count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(progress.at(i).at(0).toInt(), i + 1);
        EXPECT_EQ(progress.at(i).at(1).toInt(), 3);
    }
    EXPECT_EQ(report.built().pageCount(), 3);
}

TEST(Report, AsyncBuildRefusesASecondBuildUntilItFinishes)
{
    Report report;
    report.setTemplate(parse(QStringLiteral(
        "<report><page><text width=\"100\" height=\"20\">[Page#]</text></page><page/></report>")));
    QSignalSpy finished(&report, &Report::buildFinished);
    QSignalSpy progress(&report, &Report::progress);
    ASSERT_TRUE(report.startBuild());
    EXPECT_TRUE(report.isBuilding());
    EXPECT_FALSE(report.startBuild());
    EXPECT_FALSE(report.build());
    // Emptying the report meanwhile does not disturb the build under way.
    report.clear();
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_FALSE(report.isBuilding());
    EXPECT_TRUE(finished.first().first().toBool());
    EXPECT_EQ(progress.last().at(0).toInt(), 2);
    EXPECT_EQ(report.built().pageCount(), 2);
    EXPECT_EQ(report.built().pageText(0), QStringLiteral("1"));
    EXPECT_TRUE(report.startBuild()); // free again
    ASSERT_TRUE(finished.wait(5000));
}

TEST(TextLayout, JustifiedLinesSpreadIdeographsButNeverLatinLetters)
{
    FontStyle font;
    font.face = QStringLiteral("宋体");
    font.size = 14;
    // The first line is spread (it is not the paragraph's last), and holds
    // "3.4mmol/L" with the CJK text around it.
    const QString text =
        QStringLiteral("您的血糖是3.4mmol/L，") + QStringLiteral("健康").repeated(20);
    // Where a character of the first line starts, by its index in the line.
    auto xOf = [](const LaidOutText& laid, QChar wanted) -> std::optional<qreal> {
        for (const GlyphRunText& run : laid.runs) {
            const qsizetype i = run.text.indexOf(wanted);
            if (i >= 0 && i < run.run.positions().size())
                return run.run.positions().at(i).x();
        }
        return std::nullopt;
    };
    const LaidOutText left = layoutText(text, font, 300, HAlign::Left, true, 1.25);
    const LaidOutText justified = layoutText(text, font, 300, HAlign::Justify, true, 1.25);
    ASSERT_GT(justified.lines.size(), 1);
    const auto three = xOf(justified, u'3');
    const auto litre = xOf(justified, u'L');
    const auto threeLeft = xOf(left, u'3');
    const auto litreLeft = xOf(left, u'L');
    if (!three || !litre || !threeLeft || !litreLeft)
        GTEST_SKIP() << "no font for 宋体 here";
    // The Latin word keeps its width; the line as a whole is spread.
    EXPECT_NEAR(*litre - *three, *litreLeft - *threeLeft, 0.01);
    EXPECT_GT(*three, *threeLeft + 0.1);
}
