// The personal report's templates against the engine and the analysis of a
// demo person: pages per section, empty data, joined fields, the charts'
// particulars, and the person's values on the pages where they belong.

#include "analysis/AnalysisSession.h"
#include "report/GroupSummaryReport.h"
#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "reportengine/layout/BuiltReport.h"
#include "reportengine/layout/Expression.h"
#include "reportengine/layout/Template.h"
#include "store/Connection.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace re = hra::reportengine;
using namespace hra;

namespace {

QString reportsDir()
{
    return qEnvironmentVariable("HRA_SOURCE_DIR") + QStringLiteral("/reports");
}

struct Section
{
    const char* file;
    QStringList pages;
};

// The sections in report order and the pages each one prints.
const std::vector<Section>& sections()
{
    static const std::vector<Section> all{
        {"fpqy", {"Page1", "Page2"}},
        {"jkxx", {"Page_jkxx1", "Page_jkxx2"}},
        {"dxwl", {"Page_dxwl", "Page_dxwl2"}},
        {"gxy", {"Page_gxy", "Page_gxy2", "Page_gxy3"}},
        {"tnb", {"Page_tnb", "Page_tnb2"}},
        {"gxb", {"Page_gxb", "Page_gxb2"}},
        {"dmzy", {"Page_dmzy", "Page_dmzy2"}},
        {"nzz", {"Page_nzz", "Page_nzz2", "Page_nzz3"}},
        {"ssyy", {"Page_ssyy"}},
        {"yd", {"Page_ydcf", "Page_ydrl"}},
        {"wxys", {"Page_shfs_wxys", "Page_shfs_wxys2", "Page_shfs_wxys3"}},
    };
    return all;
}

// Every dataset the templates read, with its fields and no rows.
void addEmptySources(re::DataSources& sources)
{
    for (const QString& name : analysis::AnalysisSession::datasetNames())
        sources.add(std::make_shared<re::TableDataSource>(name, QStringList{}));
}

void addTable(re::Report& report, const QString& name, const QStringList& fields,
              const QList<QVariantList>& rows)
{
    report.dataSources().add(std::make_shared<re::TableDataSource>(name, fields, rows));
}

bool loadSection(re::Report& report, const QString& file)
{
    const re::LoadResult loaded = report.load(reportsDir() + u'/' + file + QStringLiteral(".fr3"));
    EXPECT_TRUE(loaded.ok) << loaded.toString().toStdString();
    EXPECT_TRUE(loaded.warnings.isEmpty()) << loaded.warnings.join(u'\n').toStdString();
    return loaded.ok && report.templatePageCount() > 0;
}

QString runTool(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

TEST(ReportLayout, EachSectionPrintsItsPagesAndTheWholeReportAllTwentyFour)
{
    QStringList all;
    for (const Section& section : sections()) {
        re::Report report;
        ASSERT_TRUE(loadSection(report, QLatin1String(section.file))) << section.file;
        EXPECT_EQ(report.templatePageNames(), section.pages) << section.file;
        // A section built alone counts its pages from 1.
        addEmptySources(report.dataSources());
        ASSERT_TRUE(report.build()) << report.lastError().toStdString();
        EXPECT_EQ(report.pageCount(), section.pages.size());
        if (QLatin1String(section.file) != QLatin1String("fpqy")) {
            EXPECT_TRUE(report.pageText(0).contains(QStringLiteral("第 1 页"))) << section.file;
        }
        all << section.pages;
    }
    re::Report whole;
    ASSERT_TRUE(loadSection(whole, QStringLiteral("pgbg")));
    EXPECT_EQ(whole.templatePageNames(), all);
    EXPECT_EQ(all.size(), 24);
}

TEST(ReportLayout, RiskSectionDrawsATrendForOneAssessmentAndForSeveral)
{
    for (int assessments : {1, 3}) {
        SCOPED_TRACE(assessments);
        re::Report report;
        ASSERT_TRUE(loadSection(report, QStringLiteral("fxyc")));
        EXPECT_EQ(report.templatePageNames(), QStringList({"Page_fxyc", "Page_fxyc2"}));
        addEmptySources(report.dataSources());
        addTable(report, QStringLiteral("frxDB_chinapar"),
                 {"fengx", "dengj", "queshi", "moxing", "shuom", "fengxwb"},
                 {{QVariant(), QStringLiteral("无法评估"), QStringLiteral("腰围"),
                   QStringLiteral("China-PAR 2016"), QStringLiteral("缺少腰围。"),
                   QStringLiteral("—")}});
        QList<QVariantList> trend;
        for (int i = 0; i < assessments; ++i)
            trend << QVariantList{i + 1,        QVariant(),
                                  150 - 10 * i, 95 - 5 * i,
                                  27.5,         92 - i,
                                  6.1,          5.6,
                                  QVariant(),   "2026-0" + QString::number(i + 1) + "-15"};
        addTable(report, QStringLiteral("frxDB_trend"),
                 {"jkpg_id", "lurrq", "shousy", "shuzy", "tizzs", "yaow", "kongfxt", "zongdgc",
                  "fengx", "rq"},
                 trend);
        ASSERT_TRUE(report.build()) << report.lastError().toStdString();
        ASSERT_EQ(report.pageCount(), 2);
        EXPECT_TRUE(report.pageText(0).contains(QStringLiteral("无法评估")));
        const QString page2 = report.pageText(1);
        EXPECT_TRUE(page2.contains(QStringLiteral("2026-01-15")));
        EXPECT_EQ(page2.contains(QStringLiteral("2026-03-15")), assessments == 3);
        EXPECT_TRUE(page2.contains(QStringLiteral("150")));
    }
}

TEST(ReportLayout, TheCoverPictureCanBeReplacedOrHidden)
{
    // The section dialog puts the centre's stored cover in place of the
    // default, or hides it; the cover page prints either way.
    re::Report report;
    ASSERT_TRUE(loadSection(report, QStringLiteral("fpqy")));
    addEmptySources(report.dataSources());
    QImage own(40, 56, QImage::Format_RGB32);
    own.fill(Qt::blue);
    EXPECT_TRUE(report.setPicture(QStringLiteral("Pic_fm"), own));
    ASSERT_TRUE(report.build());
    // A point of the cover's left edge, clear of every text.
    const QPoint probe(30, 300);
    EXPECT_EQ(re::renderPage(report.built(), 0, 40).pixelColor(probe), QColor(Qt::blue));
    EXPECT_TRUE(report.setObjectVisible(QStringLiteral("Pic_fm"), false));
    ASSERT_TRUE(report.build());
    EXPECT_EQ(report.pageCount(), 2);
    EXPECT_EQ(re::renderPage(report.built(), 0, 40).pixelColor(probe), QColor(Qt::white));
    EXPECT_TRUE(report.pageText(0).contains(QStringLiteral("健康评估")));
}

TEST(ReportLayout, DatasetsWithoutRowsPrintEmptyFieldsOnCompletePages)
{
    re::Report report;
    ASSERT_TRUE(loadSection(report, QStringLiteral("pgbg")));
    addEmptySources(report.dataSources());
    ASSERT_TRUE(report.build()) << report.lastError().toStdString();
    ASSERT_EQ(report.pageCount(), 24);
    EXPECT_TRUE(report.lastWarnings().isEmpty()) << report.lastWarnings().join(u'\n').toStdString();
    for (int i = 1; i < 24; ++i) {
        const QString text = report.pageText(i);
        // The person box prints its labels with empty values, the footer its number.
        EXPECT_TRUE(text.contains(QStringLiteral("编号：\n\n姓名：\n\n")))
            << i << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("第 %1 页").arg(i + 1))) << i;
    }
    // Static texts stay: the disclaimers and the labels around empty fields.
    EXPECT_TRUE(report.pageText(8).contains(
        QStringLiteral("本报告是对高血压危险性评估，不作为临床诊断结果")));
    EXPECT_TRUE(report.pageText(17).contains(
        QStringLiteral("本报告是对脑卒中危险性评估，不作为临床诊断结果")));
    EXPECT_TRUE(report.pageText(19).contains(QStringLiteral("您的体重指数为：\n状况：\n")));
}

TEST(ReportLayout, JoinedAnswersPrintInTheirCellsAndUntickedDiseasesEmpty)
{
    re::Report report;
    ASSERT_TRUE(loadSection(report, QStringLiteral("tnb")));
    addEmptySources(report.dataSources());
    // The analysis hands an unticked disease over as empty text.
    addTable(report, QStringLiteral("frxDB_jbxx_mqzk"),
             {QStringLiteral("jiazs_tnb_hz"), QStringLiteral("gaoxy")},
             {{QStringLiteral("1型：母、2型：父"), QString()}});
    ASSERT_TRUE(report.build());
    EXPECT_TRUE(report.pageText(0).contains(QStringLiteral("糖尿病家族史\n1型：母、2型：父\n")))
        << report.pageText(0).toStdString();

    ASSERT_TRUE(loadSection(report, QStringLiteral("nzz")));
    addTable(report, QStringLiteral("frxDB_jbxx_shfs"), {QStringLiteral("xiy_hz")},
             {{QStringLiteral("吸烟，每天11-20支")}});
    ASSERT_TRUE(report.build());
    EXPECT_TRUE(report.pageText(0).contains(QStringLiteral("吸烟情况\n吸烟，每天11-20支\n")));

    ASSERT_TRUE(loadSection(report, QStringLiteral("jkxx")));
    ASSERT_TRUE(report.build());
    // Eighteen disease cells under two headings; only the ticked one prints.
    const QString page3 = report.pageText(0);
    const qsizetype table = page3.indexOf(QStringLiteral("现患病名称\n现患病名称\n"));
    ASSERT_GE(table, 0);
    EXPECT_TRUE(page3.mid(table).startsWith(QStringLiteral("现患病名称\n现患病名称\n") +
                                            QStringLiteral("\n").repeated(18) +
                                            QStringLiteral("家族史情况")))
        << page3.mid(table, 80).toStdString();
}

TEST(ReportLayout, GradeChartSortsAscendingAndKeepsFiveBars)
{
    re::Report report;
    ASSERT_TRUE(loadSection(report, QStringLiteral("gxy")));
    addEmptySources(report.dataSources());
    QList<QVariantList> rows;
    const QList<std::pair<const char*, int>> bars{{"三", 3}, {"零", 0}, {"六", 6}, {"一", 1},
                                                  {"五", 5}, {"二", 2}, {"四", 4}};
    for (const auto& [name, value] : bars)
        rows << QVariantList{QString::fromUtf8(name), value};
    addTable(report, QStringLiteral("frxDB_gxyjb"),
             {QStringLiteral("gxyjb"), QStringLiteral("gxy1")}, rows);
    ASSERT_TRUE(report.build());
    const QString text = report.pageText(0);
    // The category labels, left to right, are the five lowest values.
    EXPECT_TRUE(text.contains(QStringLiteral("零\n一\n二\n三\n四\n"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("\n五\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("\n六\n")));
}

TEST(ReportLayout, DietChartAxisRunsFromZeroToFive)
{
    re::Report report;
    ASSERT_TRUE(loadSection(report, QStringLiteral("ssyy")));
    addEmptySources(report.dataSources());
    // Low scores alone would give an axis to 2.5; the scale of levels needs 0 to 5.
    addTable(report, QStringLiteral("frxDB_ssyytb"),
             {QStringLiteral("mingc"), QStringLiteral("zhis")},
             {{QStringLiteral("主食"), 1}, {QStringLiteral("豆类"), 2}});
    ASSERT_TRUE(report.build());
    const QString text = report.pageText(0);
    EXPECT_TRUE(text.contains(QStringLiteral("\n0\n1\n2\n3\n4\n5\n"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("2.5")));
}

// The page content streams of a PDF, inflated.
QList<QByteArray> pageContents(const QString& pdf)
{
    QFile file(pdf);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QList<QByteArray> streams;
    for (qsizetype at = bytes.indexOf("stream\n"); at >= 0; at = bytes.indexOf("stream\n", at)) {
        at += 7;
        const qsizetype end = bytes.indexOf("endstream", at);
        if (end < 0)
            break;
        const qsizetype dictionary = bytes.lastIndexOf("<<", at);
        if (!bytes.mid(dictionary, at - dictionary).contains("/FlateDecode")) {
            at = end + 9;
            continue;
        }
        // qUncompress takes zlib data behind a four-byte size hint.
        QByteArray zipped("\x00\x10\x00\x00", 4);
        zipped += bytes.mid(at, end - at);
        const QByteArray inflated = qUncompress(zipped);
        if (inflated.contains(" re\n") || inflated.contains(" l\n"))
            streams << inflated;
        at = end + 9; // past "endstream"
    }
    return streams;
}

TEST(ReportLayout, DietChartDrawsItsGridDashed)
{
    re::Report report;
    ASSERT_TRUE(loadSection(report, QStringLiteral("ssyy")));
    addEmptySources(report.dataSources());
    addTable(report, QStringLiteral("frxDB_ssyytb"),
             {QStringLiteral("mingc"), QStringLiteral("zhis")}, {{QStringLiteral("主食"), 3}});
    ASSERT_TRUE(report.build());
    int dashed = 0;
    for (const re::Primitive& p : report.built().page(0).primitives)
        if (const auto* l = std::get_if<re::LinePrimitive>(&p))
            dashed += l->style == Qt::DashLine;
    EXPECT_EQ(dashed, 6); // a grid line at each level from 0 to 5

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("diet.pdf"));
    ASSERT_TRUE(re::exportPdf(report.built(), pdf));
    const QList<QByteArray> contents = pageContents(pdf);
    ASSERT_EQ(contents.size(), 1);
    EXPECT_TRUE(QString::fromLatin1(contents.first())
                    .contains(QRegularExpression(QStringLiteral("\\[[0-9.]+ [0-9.]+\\] 0 d\n"))));
}

// The whole report of a demo person, from the analysis to the PDF: the
// person's values are on the pages where they belong, and every font is
// embedded (no missing glyphs).
TEST(ReportLayout, DemoPersonsValuesAppearOnTheirPagesOfThePdf)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils not installed";
    test::TestDatabase db(store::Driver::Sqlite);
    auto conn = db.connectInitialised(QStringLiteral("layout"), true);
    analysis::AnalysisSession session(*conn);
    session.open(QStringLiteral("0000000001"), 1);
    ASSERT_TRUE(session.runAll(analysis::AnalysisSession::wholeReportOrder()));

    re::Report report;
    ASSERT_TRUE(loadSection(report, QStringLiteral("pgbg")));
    for (const QString& name : analysis::AnalysisSession::datasetNames()) {
        const store::Rows d = session.dataset(name);
        report.dataSources().add(std::make_shared<re::TableDataSource>(name, d.fields, d.rows));
    }
    ASSERT_TRUE(report.build()) << report.lastError().toStdString();
    EXPECT_TRUE(report.lastWarnings().isEmpty()) << report.lastWarnings().join(u'\n').toStdString();
    ASSERT_EQ(report.pageCount(), 24);

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    ASSERT_TRUE(re::exportPdf(report.built(), pdf));
    auto page = [&](int n) {
        return runTool(QStringLiteral("pdftotext"),
                       {QStringLiteral("-f"), QString::number(n), QStringLiteral("-l"),
                        QString::number(n), QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    };
    const struct
    {
        int page;
        const char* text;
    } expected[] = {
        {1, "0000000001"},
        {1, "张建国"},
        {1, "示例市规划局"},
        {2, "尊敬的张建国 先生，"},
        {3, "162"},
        {3, "27.71"},
        // Every value with the range it was judged by, HbA1c and uric acid too.
        {3, "18.5-23.99kg/m²"},
        {3, "≤5.19mmol/L"},
        {3, "4-6.49%"},
        {3, "398"},
        {3, "150-420umol/L"},
        {5, "体重指数偏高"},
        {5, "收缩压偏高"},
        {5, "腰围偏高"},
        {7, "162/102"},
        {4, "主副食各半"},
        {5, "I高度危险"},
        {5, "总胆固醇偏高"},
        {7, "您为2级高血压"},
        {10, "8.79"},
        {12, "11.32"},
        {16, "吸烟，每天11-20支"},
        {16, "19.59"}, // the index rounded to the chart's two decimals
        {19, "餐量分配"},
        {20, "166千卡左右"},
        {20, "有效心率：97-113次/分"},
        {22, "您的体重指数是：27.71"},
        {24, "您的TC是：6.42mmol/L"},
        {24, "您的脂肪肝：轻度"},
        {24, "第 24 页"},
    };
    QHash<int, QString> texts;
    for (const auto& e : expected) {
        if (!texts.contains(e.page))
            texts.insert(e.page, page(e.page));
        EXPECT_TRUE(texts[e.page].contains(QString::fromUtf8(e.text)))
            << "page " << e.page << ": " << e.text << "\n"
            << texts[e.page].toStdString();
    }

    const QStringList fonts =
        runTool(QStringLiteral("pdffonts"), {pdf}).split(u'\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(fonts.isEmpty());
    for (const QString& line : fonts) {
        const QStringList cols = line.split(u' ', Qt::SkipEmptyParts);
        ASSERT_GE(cols.size(), 7);
        EXPECT_EQ(cols.at(cols.size() - 5), QStringLiteral("yes")) << line.toStdString();
    }
}

namespace {

// Cells that may print nothing, with why. Every other cell that reads a
// field must print more than its own literal text for every person.
const QHash<QString, QString>& optionalCells()
{
    static const QHash<QString, QString> cells = [] {
        QHash<QString, QString> c;
        // The ticked diseases fill the health list from its first cell, which
        // says "无" or "未填写" when there is none; the cells after the last
        // stay blank.
        for (int i = 2; i <= 18; ++i)
            c.insert(QStringLiteral("frxDB_jbxx_mqzk.xianb_%1").arg(i),
                     QStringLiteral("below the person's last current disease"));
        return c;
    }();
    return cells;
}

QString normalised(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text;
}

// The text boxes of the page's template that read fields and printed no more
// than their literal text: nothing filled them.
QStringList emptyCells(const re::ReportTemplate& templ, const re::BuiltPage& page, int pageNumber)
{
    QStringList problems;
    for (const re::TemplatePage& tp : templ.pages) {
        if (tp.name != page.templatePage)
            continue;
        for (const re::ReportObject& object : tp.objects) {
            const auto* box = std::get_if<re::TextBox>(&object.item);
            if (!object.visible || !box || !re::hasExpressions(box->text))
                continue;
            const std::vector<re::TextPart> parts = re::parseText(box->text);
            QStringList fields;
            for (const re::TextPart& part : parts)
                if (part.kind == re::TextPart::Field)
                    fields << part.source + u'.' + part.field;
            if (fields.isEmpty() || optionalCells().contains(fields.join(u'+')))
                continue;
            const QString literal = normalised(re::evaluateText(
                parts, [](const QString&, const QString&) { return QString(); }, pageNumber));
            QString printed;
            for (const re::Primitive& primitive : page.primitives) {
                const auto* t = std::get_if<re::TextPrimitive>(&primitive);
                if (t && !t->text.isEmpty() && t->rect.topLeft() == object.rect.topLeft() &&
                    t->rect.width() == object.rect.width())
                    printed = normalised(t->text);
            }
            if (printed == literal)
                problems << QStringLiteral("page %1, %2: empty cell")
                                .arg(pageNumber)
                                .arg(fields.join(u'+'));
        }
    }
    return problems;
}

QStringList problemsOfBuild(re::Report& report);

// Builds the whole report of one assessment as the program does and returns
// what is wrong with its pages: warnings of the build (a box too small for
// its text, an unknown field), glyphs past their box's sides or the paper,
// expressions left unresolved.
QStringList problemsOfWholeReport(analysis::AnalysisSession& session)
{
    re::Report report;
    EXPECT_TRUE(loadSection(report, QStringLiteral("pgbg")));
    for (const QString& name : analysis::AnalysisSession::datasetNames()) {
        const store::Rows d = session.dataset(name);
        report.dataSources().add(std::make_shared<re::TableDataSource>(name, d.fields, d.rows));
    }
    return problemsOfBuild(report);
}

// Builds the report and returns what is wrong with its pages.
QStringList problemsOfBuild(re::Report& report)
{
    QStringList problems;
    if (!report.build())
        return {report.lastError()};
    problems << report.lastWarnings();
    const re::BuiltReport& built = report.built();
    for (int p = 0; p < built.pageCount(); ++p) {
        const re::BuiltPage& page = built.page(p);
        problems << emptyCells(report.reportTemplate(), page, p + 1);
        const QRectF printable = page.setup.printableRect();
        const QRectF paper(-printable.topLeft(), page.setup.paperSize());
        for (const re::Primitive& primitive : page.primitives) {
            const auto* t = std::get_if<re::TextPrimitive>(&primitive);
            if (!t)
                continue;
            const QString where = QStringLiteral("page %1, \"%2\": ").arg(p + 1).arg(t->text);
            if (t->text.contains(QStringLiteral("[frxDB")))
                problems << where + QStringLiteral("unresolved expression");
            for (const re::GlyphRunText& run : t->runs) {
                const QRectF glyphs = run.run.boundingRect().translated(t->origin);
                // A digit's ink may reach a fraction of a unit past its advance
                // (a right-aligned tick label); a cut word reaches many units.
                if (glyphs.left() < t->rect.left() - 1 || glyphs.right() > t->rect.right() + 1)
                    problems << where + QStringLiteral("past the box's sides (%1-%2 in %3-%4)")
                                            .arg(glyphs.left())
                                            .arg(glyphs.right())
                                            .arg(t->rect.left())
                                            .arg(t->rect.right());
                if (!paper.contains(glyphs))
                    problems << where + QStringLiteral("past the paper");
            }
        }
    }
    return problems;
}

} // namespace

// Edge persons page by page: the longest name and work unit the register
// holds, extreme values with heart disease, and an assessment without any
// answers or examination.
TEST(ReportLayout, EdgePersonsPrintEveryWordInsideItsBoxAndThePaper)
{
    test::TestDatabase db(store::Driver::Sqlite);
    auto conn = db.connectInitialised(QStringLiteral("edge"), true);
    const QSqlDatabase d = conn->db();
    store::run(
        d, QStringLiteral("update jkpg_jbxx set xingm=:n, gongzdw=:w where bianh='0000000001'"),
        {{"n", QStringLiteral("欧阳爱新觉罗慕容端木")},
         {"w", QStringLiteral("示例省示例市示例区").repeated(5) + QStringLiteral("规划设计院")}});
    store::run(d,
               QStringLiteral("update jkpg_tgjc set shousy=220, shuzy=130, tizzs=45.01, tiz=133.1, "
                              "yaow=140, zongdgc=12.5, ganysz=9.75, gaomdzdb=0.31, dimdzdb=8.88, "
                              "kongfxt=19.4, canhexsxt=28.6, tanghxhdb=13.9, xuens='880' "
                              "where jkpg_id=1"));
    store::run(d,
               QStringLiteral("update jkpg_mqzk set guanxb=:g, jiazs_1tnb=:m, jiazs_2tnb=:f "
                              "where jkpg_id=1"),
               {{"g", QStringLiteral("冠心病")},
                {"m", QStringLiteral("母")},
                {"f", QStringLiteral("父")}});
    store::run(d,
               QStringLiteral("insert into jkpg_id (jkpg_id, bianh, zhuangt) values (77, :bh, :z)"),
               {{"bh", QStringLiteral("0000000002")}, {"z", QStringLiteral("评估")}});

    analysis::AnalysisSession session(*conn);
    for (const auto& [record, assessment] : {std::pair{QStringLiteral("0000000001"), 1},
                                             std::pair{QStringLiteral("0000000002"), 77}}) {
        SCOPED_TRACE(record.toStdString());
        session.open(record, assessment);
        session.runAll(analysis::AnalysisSession::wholeReportOrder());
        const QStringList problems = problemsOfWholeReport(session);
        EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    }
}

// The group summary for the longest unit name the register holds, for a unit
// with nobody (every cell "无数据", the band without rows) and for a group
// whose every person needs follow-up.
TEST(ReportLayout, GroupSummaryPrintsEveryWordInsideItsBoxes)
{
    test::TestDatabase db(store::Driver::Sqlite);
    auto conn = db.connectInitialised(QStringLiteral("group"), true);
    const QString longUnit =
        QStringLiteral("示例省示例市示例区").repeated(5) + QStringLiteral("规划设计院");
    store::run(conn->db(), QStringLiteral("update jkpg_jbxx set gongzdw=:w, xingm=:n"),
               {{"w", longUnit}, {"n", QStringLiteral("欧阳爱新觉罗慕容端木")}});
    store::run(conn->db(), QStringLiteral("update jkpg_tgjc set shousy=220, shuzy=130, "
                                          "kongfxt=19.4, tanghxhdb=13.9"));
    for (const QString& unit : {longUnit, QStringLiteral("无此单位")}) {
        SCOPED_TRACE(unit.toStdString());
        store::Sql statements = conn->sql();
        const report::GroupSummaryData data = report::readGroupSummary(statements, {unit, {}, {}});
        re::Report report;
        ASSERT_TRUE(loadSection(report, QStringLiteral("tjhz")));
        EXPECT_EQ(report.templatePageNames(),
                  (QStringList{"Page_tjhz1", "Page_tjhz2", "Page_tjhz3", "Page_tjhz4"}));
        report::addGroupSummarySources(report, data);
        const QStringList problems = problemsOfBuild(report);
        EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
        EXPECT_EQ(report.pageCount(), 4);
    }
}
