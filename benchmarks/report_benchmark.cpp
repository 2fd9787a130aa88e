// Builds a synthetic 24-page template full of text boxes and charts and
// exports it to PDF, alternating with a baseline that paints the same strings
// (and the same bars and lines) with bare QPainter calls into a PDF of the
// same pages. Prints the median times and their ratio.
//
//   report_benchmark [rounds]    (QT_QPA_PLATFORM=offscreen when headless)

#include "reportengine/Export.h"
#include "reportengine/common/Units.h"
#include "reportengine/fonts/Fonts.h"
#include "reportengine/layout/Builder.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <memory>

namespace re = hra::reportengine;

namespace {

constexpr int kPages = 24;

const QString kParagraph =
    QStringLiteral("这是一段用于测试排版速度的说明文字，包含中文、数字 12345 和 English words，"
                   "长度足以在文本框中换成好几行，以便衡量换行与字形定位的开销。");

re::DataSources makeSources()
{
    re::DataSources sources;
    QStringList fields;
    QVariantList row;
    for (int i = 0; i < 20; ++i) {
        fields << QStringLiteral("f%1").arg(i);
        row << QStringLiteral("数值%1").arg(i * 7);
    }
    sources.add(std::make_shared<re::TableDataSource>(QStringLiteral("data"), fields,
                                                      QList<QVariantList>{row}));
    QList<QVariantList> bars;
    for (int i = 0; i < 6; ++i)
        bars << QVariantList{QStringLiteral("类别%1").arg(i + 1), 1.5 + (i * 37 % 11) / 2.0};
    sources.add(std::make_shared<re::TableDataSource>(
        QStringLiteral("bars"), QStringList{QStringLiteral("name"), QStringLiteral("value")},
        bars));
    return sources;
}

re::ReportObject textObject(QRectF rect, const QString& text, const QString& face, qreal size,
                            bool frame)
{
    re::TextBox box;
    box.text = text;
    box.font.face = face;
    box.font.size = size;
    if (frame)
        box.frame.sides = re::FrameAll;
    return re::ReportObject{QString(), rect, true, box};
}

// Per page: a title, a 4 x 12 table of framed cells bound to data, four
// paragraphs, a chart, rules and a footer with the page number.
re::ReportTemplate makeTemplate()
{
    re::ReportTemplate templ;
    for (int p = 0; p < kPages; ++p) {
        re::TemplatePage page;
        page.name = QStringLiteral("page%1").arg(p + 1);
        auto& o = page.objects;
        o.push_back(textObject(QRectF(0, 20, 718, 32), QStringLiteral("第%1部分 标题").arg(p + 1),
                               QStringLiteral("黑体"), 24, false));
        for (int r = 0; r < 12; ++r) {
            for (int c = 0; c < 4; ++c) {
                const QString text = c == 0 ? QStringLiteral("项目%1").arg(r + 1)
                                            : QStringLiteral("[data.\"f%1\"]").arg((r + c) % 20);
                o.push_back(textObject(QRectF(26 + c * 166, 80 + r * 24, 166, 24), text,
                                       QStringLiteral("Arial"), 13, true));
            }
        }
        for (int k = 0; k < 4; ++k)
            o.push_back(textObject(QRectF(26, 380 + k * 70, 665, 66), kParagraph,
                                   QStringLiteral("宋体"), 15, false));
        re::BarChart chart;
        chart.source = QStringLiteral("bars");
        chart.categoryField = QStringLiteral("name");
        chart.valueField = QStringLiteral("value");
        chart.colorEach = true;
        chart.valueLabels = true;
        o.push_back(re::ReportObject{QString(), QRectF(26, 670, 600, 275), true, chart});
        re::LineShape rule;
        rule.from = QPointF(26, 980);
        rule.to = QPointF(673, 980);
        rule.width = 1.5;
        o.push_back(re::ReportObject{QString(), QRectF(), true, rule});
        o.push_back(textObject(QRectF(531, 986, 160, 20), QStringLiteral("第 [Page#] 页"),
                               QStringLiteral("宋体"), 13, false));
        templ.pages.push_back(std::move(page));
    }
    return templ;
}

// What the baseline paints: every resolved string with its box and font,
// and the plain shapes, taken from one build made beforehand.
struct BaselineItem
{
    QRectF rect;
    QString text;
    QFont font;
};
struct BaselinePage
{
    std::vector<BaselineItem> texts;
    std::vector<QRectF> rects;
    std::vector<QLineF> lines;
};

std::vector<BaselinePage> baselineContent(const re::BuiltReport& built)
{
    std::vector<BaselinePage> pages;
    for (int index = 0; index < built.pageCount(); ++index) {
        const re::BuiltPage& page = built.page(index);
        BaselinePage out;
        for (const re::Primitive& p : page.primitives) {
            if (const auto* t = std::get_if<re::TextPrimitive>(&p)) {
                if (t->runs.isEmpty())
                    continue;
                QFont font = t->runs.first().run.rawFont().familyName();
                font.setPixelSize(qRound(t->runs.first().run.rawFont().pixelSize()));
                out.texts.push_back({t->rect, QString(t->text).replace(u'\n', u' '), font});
            } else if (const auto* r = std::get_if<re::RectPrimitive>(&p)) {
                out.rects.push_back(r->rect);
            } else if (const auto* l = std::get_if<re::LinePrimitive>(&p)) {
                out.lines.push_back(l->line);
            }
        }
        pages.push_back(std::move(out));
    }
    return pages;
}

void paintBaseline(const std::vector<BaselinePage>& pages, const QString& path)
{
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setPageLayout(re::PageSetup().pageLayout());
    QPainter painter(&writer);
    re::scalePainterToUnits(painter, 1200);
    painter.translate(re::PageSetup().printableRect().topLeft());
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        for (const QRectF& r : pages[i].rects)
            painter.drawRect(r);
        for (const QLineF& l : pages[i].lines)
            painter.drawLine(l);
        for (const BaselineItem& item : pages[i].texts) {
            painter.setFont(item.font);
            painter.drawText(item.rect, Qt::TextWordWrap, item.text);
        }
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    QTextStream out(stdout);

    const re::ReportTemplate templ = makeTemplate();
    const re::DataSources sources = makeSources();
    QTemporaryDir dir;
    const QString enginePdf = dir.filePath(QStringLiteral("engine.pdf"));
    const QString baselinePdf = dir.filePath(QStringLiteral("baseline.pdf"));

    // Warm-up: fonts, caches, and the strings the baseline paints.
    const re::BuildResult warm = re::buildReport(templ, sources);
    re::exportPdf(warm.report, enginePdf);
    const std::vector<BaselinePage> content = baselineContent(warm.report);
    paintBaseline(content, baselinePdf);
    size_t strings = 0;
    for (const BaselinePage& p : content)
        strings += p.texts.size();

    std::vector<double> build, engine, baseline;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        const re::BuildResult built = re::buildReport(templ, sources);
        const double b = t.nsecsElapsed() / 1e6;
        re::exportPdf(built.report, enginePdf);
        engine.push_back(t.nsecsElapsed() / 1e6);
        build.push_back(b);

        t.restart();
        paintBaseline(content, baselinePdf);
        baseline.push_back(t.nsecsElapsed() / 1e6);
    }

    const double e = median(engine);
    const double base = median(baseline);
    out << "pages: " << warm.report.pageCount() << ", strings: " << strings
        << ", charts: " << kPages << ", rounds: " << rounds << '\n';
    out << "engine   (build + PDF export): " << QString::number(e, 'f', 1) << " ms median"
        << "  (build alone " << QString::number(median(build), 'f', 1) << " ms)\n";
    out << "baseline (QPainter::drawText into QPdfWriter): " << QString::number(base, 'f', 1)
        << " ms median\n";
    out << "ratio engine / baseline: " << QString::number(base > 0 ? e / base : 0, 'f', 2) << '\n';
    return 0;
}
