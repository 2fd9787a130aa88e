#include "Helpers.h"
#include "reportengine/Export.h"
#include "reportengine/fonts/Fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace hra::reportengine;
using namespace hra::reportengine::test;

namespace {

// Output of a poppler tool, or a skip when it is not installed.
QString runTool(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(tool);
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool havePoppler()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdffonts")).isEmpty();
}

} // namespace

TEST(Fonts, TemplateFacesMapToInstalledFonts)
{
    for (const FontSubstitution& s : fontSubstitutions())
        EXPECT_TRUE(QFontDatabase::hasFamily(s.family))
            << s.face.toStdString() << " -> " << s.family.toStdString() << " is not installed";
    EXPECT_EQ(resolveFamily(QStringLiteral("隶书")), QStringLiteral("AR PL KaitiM GB"));
    bool bold = false;
    EXPECT_EQ(resolveFamily(QStringLiteral("方正大黑简体"), &bold),
              QStringLiteral("Noto Sans CJK SC"));
    EXPECT_TRUE(bold);
    EXPECT_EQ(resolveFamily(QStringLiteral("某种没有的字体")), fallbackFamily());
}

TEST(PdfExport, ChineseTextIsExtractableAndFontsAreEmbedded)
{
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils not installed";
    DataSources sources;
    sources.add(table(QStringLiteral("person"), {QStringLiteral("name"), QStringLiteral("bp")},
                      {{QStringLiteral("王小明"), QStringLiteral("72/80")}}));
    // 页, 行, 高, 水 and 心 share their glyphs with radicals in Noto CJK,
    // the case the PDF text maps have to get right; 隶书 comes from another font.
    const BuildResult built = build(onePage(QStringLiteral(R"(
        <text width="700" height="30" font="黑体" size="24" bold="true">第三部分 行走的风景--高山流水</text>
        <text y="40" width="700" height="30" font="宋体" size="16">姓名：[person."name"]  心率：[person."bp"] 次</text>
        <text y="80" width="700" height="30" font="隶书" size="16">读书之乐乐何如，绿满窗前草不除</text>
        <text y="120" width="700" height="30" font="Arial" size="13">第 [Page#] 页 行走 123 abc</text>
    )")),
                                    sources);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    QString error;
    ASSERT_TRUE(exportPdf(built.report, pdf, &error)) << error.toStdString();

    const QString text =
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    for (const char* expected : {"第三部分 行走的风景--高山流水", "姓名：王小明", "心率：72/80 次",
                                 "读书之乐乐何如，绿满窗前草不除", "第 1 页 行走 123 abc"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                << text.toStdString();

    const QStringList fonts =
        runTool(QStringLiteral("pdffonts"), {pdf}).split(u'\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_GE(fonts.size(), 3) << fonts.join(u'\n').toStdString();
    for (const QString& line : fonts) {
        // name type encoding emb sub uni: every font embedded, with a text map.
        const QStringList cols = line.split(u' ', Qt::SkipEmptyParts);
        ASSERT_GE(cols.size(), 7);
        EXPECT_EQ(cols.at(cols.size() - 5), QStringLiteral("yes")) << line.toStdString();
        EXPECT_EQ(cols.at(cols.size() - 3), QStringLiteral("yes")) << line.toStdString();
    }
}

TEST(PdfExport, EveryPageIsWrittenAndAnEmptyReportStillMakesAFile)
{
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils not installed";
    QTemporaryDir dir;
    const BuildResult built =
        build(QStringLiteral("<report><page><text width=\"99\" height=\"20\">一</text></page>"
                             "<page paper=\"A5\" orientation=\"landscape\"><text width=\"99\" "
                             "height=\"20\">二</text></page></report>"));
    const QString pdf = dir.filePath(QStringLiteral("two.pdf"));
    ASSERT_TRUE(exportPdf(built.report, pdf));
    const QString info =
        runTool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                            QStringLiteral("-l"), QStringLiteral("2"), pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2"))))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(
        QStringLiteral("Page    1 size:\\s+595(\\.\\d+)? x 84[12](\\.\\d+)? pts"))))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(
        QStringLiteral("Page    2 size:\\s+595(\\.\\d+)? x 4[12]\\d(\\.\\d+)? pts"))))
        << info.toStdString();
    EXPECT_EQ(runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")})
                  .remove(u'\f')
                  .split(u'\n', Qt::SkipEmptyParts),
              QStringList({QStringLiteral("一"), QStringLiteral("二")}));

    EXPECT_TRUE(exportPdf(BuiltReport(), dir.filePath(QStringLiteral("empty.pdf"))));
    EXPECT_FALSE(exportPdf(built.report, dir.filePath(QStringLiteral("no/such/dir/x.pdf"))));
}

TEST(PngExport, OnePictureAPageAtTheAskedResolution)
{
    QTemporaryDir dir;
    const BuildResult built =
        build(QStringLiteral("<report><page><rect width=\"100\" height=\"100\" fill=\"#ff0000\" "
                             "frame-width=\"0\"/></page>"
                             "<page/></report>"));
    const QStringList files = exportPng(built.report, dir.filePath(QStringLiteral("png")), 96);
    ASSERT_EQ(files.size(), 2);
    EXPECT_TRUE(files.at(0).endsWith(QStringLiteral("png/page-001.png")));
    const QImage first(files.at(0));
    EXPECT_EQ(first.size(), QSize(794, 1123)); // A4 at 96 dpi
    // The rectangle starts at the 10 mm margin (37.8 units).
    EXPECT_EQ(first.pixelColor(60, 60), QColor(Qt::red));
    EXPECT_EQ(first.pixelColor(20, 20), QColor(Qt::white));
    EXPECT_EQ(QImage(files.at(1)).pixelColor(60, 60), QColor(Qt::white));
    EXPECT_EQ(renderPage(built.report, 0, 192).size(), QSize(1587, 2245));
}

TEST(PngExport, TextBoxesCutWhatRunsPastThemAndOnlyThat)
{
    // Boxes at the page's top-left corner (the 10 mm margin is 37.8 units,
    // one pixel each at 96 dpi): one too narrow for its line, one too low,
    // one with room to spare.
    const BuildResult built = build(onePage(QStringLiteral(
        "<text x=\"0\" y=\"0\" width=\"60\" height=\"40\" size=\"20\" wrap=\"false\" "
        "font=\"黑体\">健康评估健康评估</text>"
        "<text x=\"0\" y=\"100\" width=\"200\" height=\"10\" size=\"20\" padding=\"0\" "
        "font=\"黑体\">健康评估</text>"
        "<text x=\"0\" y=\"200\" width=\"200\" height=\"40\" size=\"20\" "
        "font=\"黑体\">健康评估</text>")));
    const QImage page = renderPage(built.report, 0, 96);
    auto inked = [&](const QRectF& units) {
        int dark = 0;
        const QRect r = units.translated(37.8, 37.8).toAlignedRect();
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                dark += qGray(page.pixel(x, y)) < 128;
        return dark;
    };
    if (inked(QRectF(0, 200, 200, 40)) == 0)
        GTEST_SKIP() << "no font draws 黑体 here";
    EXPECT_GT(inked(QRectF(0, 0, 59, 40)), 0);
    EXPECT_EQ(inked(QRectF(62, 0, 120, 40)), 0) << "past the narrow box's right side";
    EXPECT_GT(inked(QRectF(0, 100, 200, 9)), 0);
    EXPECT_EQ(inked(QRectF(0, 112, 200, 20)), 0) << "below the low box";
}

// The program names its database once; no export then replaces it, through
// any of the ways a window writes a file, nor a link to it.
TEST(PdfExport, FilesProtectedForTheProcessAreNeverReplaced)
{
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("centre.sqlite3"));
    {
        QFile f(database);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("SQLite format 3");
    }
    const QString link = dir.filePath(QStringLiteral("report.pdf"));
    ASSERT_TRUE(QFile::link(database, link));
    const BuildResult built = build(
        QStringLiteral("<report><page><text width=\"99\" height=\"20\">一</text></page></report>"));

    protectFilesFromExport({database});
    for (const QString& target : {database, link}) {
        QString error;
        EXPECT_FALSE(exportPdf(built.report, target, &error)) << target.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("the program has open"))) << error.toStdString();
        ExportTarget to;
        to.pdfPath = target;
        EXPECT_FALSE(exportBuilt(built.report, to).ok);
    }
    QFile f(database);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("SQLite format 3"));

    protectFilesFromExport({});
    EXPECT_TRUE(exportPdf(built.report, dir.filePath(QStringLiteral("other.pdf"))));
}
