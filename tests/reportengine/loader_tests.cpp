#include "Helpers.h"
#include "reportengine/Report.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstring>

using namespace hra::reportengine;
using namespace hra::reportengine::test;

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray pngOf(QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

} // namespace

TEST(TemplateLoader, MalformedTemplatesReportLineAndColumn)
{
    struct Case
    {
        const char* xml;
        int line;
        int column;          // of the offending tag's last character
        const char* message; // part of the message
    };
    const Case cases[] = {
        {"<report>\n  <page>\n    <text width=\"1\" height=\"1\">x</txt>\n", 3, 38, "tag mismatch"},
        {"<report>\n<page>\n<circle/>\n</page></report>", 3, 9, "unknown element <circle>"},
        {"<report>\n<page>\n<text width=\"abc\" height=\"1\"/>\n</page></report>", 3, 30,
         "\"abc\" is not a number"},
        {"<report>\n<page>\n<text widht=\"1\" height=\"1\"/>\n</page></report>", 3, 28,
         "unknown attribute \"widht\""},
        {"<report>\n<page>\n<rect width=\"1\"/>\n</page></report>", 3, 17,
         "needs the attribute \"height\""},
        {"<report>\n<page>\n<rect width=\"1\" height=\"1\" fill=\"nocolour\"/></page></report>", 3,
         44, "is not a colour"},
        {"<report>\n<page>\n<band source=\"a\" height=\"5\"/>\n<band source=\"b\" height=\"5\"/>\n"
         "</page></report>",
         4, 29, "at most one <band>"},
        {"<report>\n<page margins=\"200\"/></report>", 2, 21, "no printable area"},
        {"<report paper=\"A9\"/>", 1, 20, "unknown paper"},
        {"<page/>", 1, 7, "expected <report>"},
        {"", 1, 1, "Premature end"},
        {"<report><page><text width=\"1\" height=\"1\">a<b/></text></page></report>", 1, 46,
         "Expected character data"},
    };
    for (const Case& c : cases) {
        ReportTemplate t;
        t.pages.emplace_back(); // a failed load must leave the template empty
        const LoadResult r = loadTemplateFromData(QByteArray(c.xml), QString(), t);
        EXPECT_FALSE(r.ok) << c.xml;
        EXPECT_EQ(r.line, c.line) << c.xml << " -> " << r.toString().toStdString();
        EXPECT_EQ(r.column, c.column) << c.xml << " -> " << r.toString().toStdString();
        EXPECT_TRUE(r.message.contains(QString::fromUtf8(c.message))) << r.message.toStdString();
        EXPECT_TRUE(t.isEmpty());
    }
}

TEST(TemplateLoader, NumbersReadExactlyAsQtReadsThem)
{
    // Plain decimals take a short way; every number must still come out as
    // Qt's own reading gives it, to the last bit, and the rest are refused
    // as before.
    for (const char* number :
         {"12", "-3.5", "0.1", "0.3", "+4.25", "1.", ".5", "-0", "123456.789012345",
          "999999.999999999", "1e2", " 7 ", "0.1234567890123456", "-0.000001"}) {
        SCOPED_TRACE(number);
        const QString xml =
            QStringLiteral(
                "<report><page><text x=\"%1\" width=\"1\" height=\"1\"/></page></report>")
                .arg(QString::fromLatin1(number));
        ReportTemplate t;
        const LoadResult r = loadTemplateFromData(xml.toUtf8(), QString(), t);
        ASSERT_TRUE(r.ok) << r.toString().toStdString();
        bool ok = false;
        const double expected = QString::fromLatin1(number).trimmed().toDouble(&ok);
        ASSERT_TRUE(ok);
        const double read = t.pages.at(0).objects.at(0).rect.x();
        EXPECT_EQ(std::memcmp(&read, &expected, sizeof read), 0) << read << " against " << expected;
    }
    for (const char* refused : {"-", ".", "1.2.3", "1,5", "0x10", "١٢"}) {
        SCOPED_TRACE(refused);
        ReportTemplate t;
        const QString xml =
            QStringLiteral(
                "<report><page><text x=\"%1\" width=\"1\" height=\"1\"/></page></report>")
                .arg(QString::fromUtf8(refused));
        EXPECT_FALSE(loadTemplateFromData(xml.toUtf8(), QString(), t).ok);
    }
}

TEST(TemplateLoader, MissingFileIsAnEmptyReportWithoutError)
{
    ReportTemplate t;
    const LoadResult r = loadTemplate(QStringLiteral("/nonexistent/reports/none.xml"), t);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(t.isEmpty());
    EXPECT_EQ(buildReport(t, {}).report.pageCount(), 0);
}

TEST(TemplateLoader, ReadsEveryObjectKind)
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("beside.png")), pngOf(QSize(40, 20), Qt::red));
    const QString xml = QStringLiteral(R"(
<report paper="A5" orientation="landscape" margins="5 6 7 8">
  <page name="one" margins="10">
    <text name="t" x="1" y="2" width="30" height="40" font="黑体" size="24" bold="true"
          italic="yes" underline="1" color="#ff0000" fill="#f0f0f0" frame="left bottom"
          frame-width="1.5" frame-color="navy" halign="distribute" valign="bottom" wrap="false"
          grow="true" padding="3" line-spacing="1.5">第 [Page#] 页</text>
    <line name="l" x1="0" y1="980" x2="647" y2="980" line-width="1.5" color="maroon" style="dash"/>
    <rect name="r" x="453" y="0" width="260" height="116" radius="8" frame-width="1.5" fill="none"/>
    <picture name="file" x="0" y="0" width="10" height="10" mode="fit" file="beside.png"/>
    <picture name="data" x="0" y="0" width="10" height="10" mode="center">
      <data format="png">%1</data>
    </picture>
    <chart name="c" x="0" y="0" width="601" height="275" source="s" category="k" value="v"
           sort="descending" top="5" colors="red #00ff00" color-each="true" labels="true"
           axis-min="0" axis-max="5" series-title="标题" legend="true" size="12"/>
    <band name="b" source="rows" y="100" height="20" bottom="900">
      <text name="cell" width="100" height="20">[rows."a"]</text>
    </band>
  </page>
  <page name="two"/>
</report>)")
                            .arg(QString::fromLatin1(pngOf(QSize(3, 4), Qt::blue).toBase64()));
    ReportTemplate t;
    const LoadResult r = loadTemplateFromData(xml.toUtf8(), dir.path(), t);
    ASSERT_TRUE(r.ok) << r.toString().toStdString();
    EXPECT_TRUE(r.warnings.isEmpty());
    ASSERT_EQ(t.pages.size(), 2u);
    EXPECT_EQ(t.pages[0].setup.size.id(), QPageSize::A5);
    EXPECT_EQ(t.pages[0].setup.orientation, QPageLayout::Landscape);
    EXPECT_EQ(t.pages[0].setup.marginsMm, QMarginsF(10, 10, 10, 10));
    EXPECT_EQ(t.pages[1].setup.marginsMm, QMarginsF(5, 6, 7, 8));

    const auto& text = std::get<TextBox>(t.findObject(QStringLiteral("t"))->item);
    EXPECT_EQ(t.findObject(QStringLiteral("t"))->rect, QRectF(1, 2, 30, 40));
    EXPECT_EQ(text.text, QStringLiteral("第 [Page#] 页"));
    EXPECT_EQ(text.font.face, QStringLiteral("黑体"));
    EXPECT_EQ(text.font.size, 24);
    EXPECT_TRUE(text.font.bold && text.font.italic && text.font.underline);
    EXPECT_EQ(text.color, QColor(Qt::red));
    EXPECT_EQ(text.fill, QColor(240, 240, 240));
    EXPECT_EQ(text.frame.sides, FrameLeft | FrameBottom);
    EXPECT_EQ(text.frame.width, 1.5);
    EXPECT_EQ(text.frame.color, QColor(0, 0, 128));
    EXPECT_EQ(text.halign, HAlign::Distribute);
    EXPECT_EQ(text.valign, VAlign::Bottom);
    EXPECT_FALSE(text.wrap);
    EXPECT_TRUE(text.grow);
    EXPECT_EQ(text.padding, 3);
    EXPECT_EQ(text.lineSpacing, 1.5);

    const auto& line = std::get<LineShape>(t.findObject(QStringLiteral("l"))->item);
    EXPECT_EQ(line.to, QPointF(647, 980));
    EXPECT_EQ(line.style, Qt::DashLine);
    const auto& rect = std::get<RectShape>(t.findObject(QStringLiteral("r"))->item);
    EXPECT_EQ(rect.radius, 8);
    EXPECT_FALSE(rect.fill.isValid());

    const auto& fromFile = std::get<Picture>(t.findObject(QStringLiteral("file"))->item);
    EXPECT_EQ(fromFile.image.size(), QSize(40, 20));
    EXPECT_EQ(fromFile.mode, PictureMode::Fit);
    const auto& fromData = std::get<Picture>(t.findObject(QStringLiteral("data"))->item);
    EXPECT_EQ(fromData.image.size(), QSize(3, 4));
    EXPECT_EQ(fromData.mode, PictureMode::Center);

    const auto& chart = std::get<BarChart>(t.findObject(QStringLiteral("c"))->item);
    EXPECT_EQ(chart.sort, SortOrder::Descending);
    EXPECT_EQ(chart.top, 5);
    EXPECT_EQ(chart.colors, QList<QColor>({QColor(Qt::red), QColor(Qt::green)}));
    EXPECT_TRUE(chart.colorEach && chart.valueLabels && chart.legend);
    EXPECT_EQ(chart.axisMin, 0);
    EXPECT_EQ(chart.axisMax, 5);
    EXPECT_EQ(chart.seriesTitle, QStringLiteral("标题"));

    const auto& band = std::get<DataBand>(t.findObject(QStringLiteral("b"))->item);
    EXPECT_EQ(band.source, QStringLiteral("rows"));
    EXPECT_EQ(band.bottom, 900);
    ASSERT_EQ(band.children.size(), 1u);
    EXPECT_NE(t.findObject(QStringLiteral("cell")), nullptr);
}

TEST(TemplateLoader, MissingPictureFileIsAWarningNotAnError)
{
    ReportTemplate t;
    const LoadResult r = loadTemplateFromData(
        onePage(QStringLiteral("<picture name=\"p\" width=\"5\" height=\"5\" file=\"gone.jpg\"/>"))
            .toUtf8(),
        QDir::tempPath(), t);
    EXPECT_TRUE(r.ok);
    ASSERT_EQ(r.warnings.size(), 1);
    EXPECT_TRUE(r.warnings.first().contains(QStringLiteral("gone.jpg")));
}

TEST(TemplateLoader, PagesComeFromOtherTemplates)
{
    QTemporaryDir dir;
    auto page = [](const char* name) {
        return QStringLiteral(
                   "<page name=\"%1\"><text width=\"200\" height=\"20\">%1 [Page#]</text></page>")
            .arg(QLatin1String(name));
    };
    writeFile(dir.filePath(QStringLiteral("a.xml")),
              QStringLiteral("<report>%1%2</report>").arg(page("a1"), page("a2")).toUtf8());
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    writeFile(
        dir.filePath(QStringLiteral("sub/b.xml")),
        QStringLiteral("<report>%1%2%3</report>").arg(page("b1"), page("b2"), page("b3")).toUtf8());
    writeFile(dir.filePath(QStringLiteral("all.xml")),
              QStringLiteral("<report><include file=\"a.xml\"/>%1"
                             "<include file=\"sub/b.xml\" pages=\"b3 b1\"/></report>")
                  .arg(page("own"))
                  .toUtf8());

    ReportTemplate t;
    const LoadResult r = loadTemplate(dir.filePath(QStringLiteral("all.xml")), t);
    ASSERT_TRUE(r.ok) << r.toString().toStdString();
    const BuildResult built = buildReport(t, {});
    QStringList texts;
    for (int i = 0; i < built.report.pageCount(); ++i)
        texts << built.report.pageText(i);
    EXPECT_EQ(texts,
              QStringList({QStringLiteral("a1 1"), QStringLiteral("a2 2"), QStringLiteral("own 3"),
                           QStringLiteral("b3 4"), QStringLiteral("b1 5")}));
}

TEST(TemplateLoader, PagesTakeSharedObjectsFromOtherTemplates)
{
    QTemporaryDir dir;
    // The shared page holds a footer; each page of the report takes it in
    // where it stands, so its own objects may come before and after it.
    writeFile(dir.filePath(QStringLiteral("common.xml")),
              "<report><page name=\"footer\">"
              "<text y=\"900\" width=\"200\" height=\"20\">第 [Page#] 页</text>"
              "<line x1=\"0\" y1=\"890\" x2=\"600\" y2=\"890\"/></page>"
              "<page name=\"other\"><text width=\"9\" height=\"9\">x</text></page></report>");
    writeFile(dir.filePath(QStringLiteral("report.xml")),
              "<report>"
              "<page><text width=\"200\" height=\"20\">一</text>"
              "<include file=\"common.xml\" pages=\"footer\"/>"
              "<text y=\"30\" width=\"200\" height=\"20\">二</text></page>"
              "<page><include file=\"common.xml\" pages=\"footer\"/></page></report>");
    ReportTemplate t;
    const LoadResult r = loadTemplate(dir.filePath(QStringLiteral("report.xml")), t);
    ASSERT_TRUE(r.ok) << r.toString().toStdString();
    ASSERT_EQ(t.pages.size(), 2u);
    EXPECT_EQ(t.pages[0].objects.size(), 4u);
    EXPECT_TRUE(std::holds_alternative<LineShape>(t.pages[0].objects[2].item));
    const BuildResult built = buildReport(t, {});
    EXPECT_EQ(built.report.pageText(0), QStringLiteral("一\n第 1 页\n二"));
    EXPECT_EQ(built.report.pageText(1), QStringLiteral("第 2 页"));

    // Inside a page the usual include errors hold, and a band is still one a page.
    writeFile(dir.filePath(QStringLiteral("band.xml")),
              "<report><page name=\"b\"><band source=\"s\" height=\"10\"/></page></report>");
    writeFile(dir.filePath(QStringLiteral("two-bands.xml")),
              "<report><page>\n<band source=\"t\" height=\"10\"/>\n"
              "<include file=\"band.xml\"/></page></report>");
    writeFile(dir.filePath(QStringLiteral("missing.xml")),
              "<report>\n<page>\n<include file=\"common.xml\" pages=\"nope\"/></page></report>");
    for (const auto& [file, message] : {std::pair{"two-bands.xml", "at most one <band>"},
                                        {"missing.xml", "has no page \"nope\""}}) {
        const LoadResult e = loadTemplate(dir.filePath(QLatin1String(file)), t);
        EXPECT_FALSE(e.ok) << file;
        EXPECT_EQ(e.line, 3) << file;
        EXPECT_TRUE(e.message.contains(QLatin1String(message))) << e.message.toStdString();
    }
}

TEST(TemplateLoader, TextBoxesTakeNamedTextsFromATextFile)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("texts"));
    writeFile(dir.filePath(QStringLiteral("texts/notes.txt")),
              "# which text goes where is up to the template\n"
              "@intro\n\n第一段，[p.\"name\"]。\n\n第二段。\n\n"
              "@intro-more\n另一段。\n# a comment inside is dropped\n@empty\n");
    const QString box = QStringLiteral(
        "<text width=\"300\" height=\"100\" text-file=\"texts/notes.txt\" text-key=\"%1\"/>");
    DataSources sources;
    sources.add(table(QStringLiteral("p"), {QStringLiteral("name")}, {{QStringLiteral("王五")}}));
    ReportTemplate t =
        parse(onePage(box.arg(QStringLiteral("intro")) + box.arg(QStringLiteral("intro-more")) +
                      box.arg(QStringLiteral("empty"))),
              dir.path());
    const auto& objects = t.pages.at(0).objects;
    ASSERT_EQ(objects.size(), 3u);
    // Lines and blank lines inside a text are kept; around it, dropped.
    EXPECT_EQ(std::get<TextBox>(objects[0].item).text,
              QStringLiteral("第一段，[p.\"name\"]。\n\n第二段。"));
    EXPECT_EQ(std::get<TextBox>(objects[1].item).text, QStringLiteral("另一段。"));
    EXPECT_EQ(std::get<TextBox>(objects[2].item).text, QString());
    EXPECT_TRUE(
        buildReport(t, sources).report.pageText(0).startsWith(QStringLiteral("第一段，王五。")));

    const struct
    {
        QString xml;
        const char* message;
    } errors[] = {
        {box.arg(QStringLiteral("nosuch")), "has no text \"nosuch\""},
        {QStringLiteral("<text width=\"9\" height=\"9\" text-file=\"texts/none.txt\" "
                        "text-key=\"a\"/>"),
         "cannot read the text file"},
        {QStringLiteral("<text width=\"9\" height=\"9\" text-file=\"texts/notes.txt\"/>"),
         "go together"},
        {QStringLiteral("<text width=\"9\" height=\"9\" text-file=\"texts/notes.txt\" "
                        "text-key=\"intro\">own</text>"),
         "no text of its own"},
    };
    for (const auto& e : errors) {
        ReportTemplate out;
        const LoadResult r = loadTemplateFromData(onePage(e.xml).toUtf8(), dir.path(), out);
        EXPECT_FALSE(r.ok) << e.message;
        EXPECT_TRUE(r.message.contains(QLatin1String(e.message))) << r.message.toStdString();
    }
}

TEST(TemplateLoader, IncludeErrorsNameTheFileAndLine)
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("self.xml")),
              "<report>\n<include file=\"self.xml\"/>\n</report>");
    writeFile(dir.filePath(QStringLiteral("broken.xml")),
              "<report>\n<page>\n<oops/>\n</page></report>");
    writeFile(dir.filePath(QStringLiteral("uses-broken.xml")),
              "<report><include file=\"broken.xml\"/></report>");
    writeFile(dir.filePath(QStringLiteral("wrong-page.xml")),
              "<report><include file=\"broken.xml\" pages=\"x\"/></report>");
    writeFile(dir.filePath(QStringLiteral("a.xml")), "<report><page name=\"a\"/></report>");
    writeFile(dir.filePath(QStringLiteral("no-page.xml")),
              "<report>\n<include file=\"a.xml\" pages=\"zz\"/></report>");

    ReportTemplate t;
    LoadResult r = loadTemplate(dir.filePath(QStringLiteral("self.xml")), t);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 2);
    EXPECT_TRUE(r.message.contains(QStringLiteral("includes itself")));

    r = loadTemplate(dir.filePath(QStringLiteral("uses-broken.xml")), t);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.file.endsWith(QStringLiteral("broken.xml")) &&
                !r.file.endsWith(QStringLiteral("uses-broken.xml")));
    EXPECT_EQ(r.line, 3);
    EXPECT_TRUE(r.message.contains(QStringLiteral("<oops>")));

    r = loadTemplate(dir.filePath(QStringLiteral("no-page.xml")), t);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 2);
    EXPECT_TRUE(r.message.contains(QStringLiteral("has no page \"zz\"")));
}

TEST(TemplateLoader, LimitsStopRunawayTemplatesWithAnError)
{
    QTemporaryDir dir;
    // Each level includes the next twice: 22 levels would be four million pages.
    for (int i = 0; i < 22; ++i)
        writeFile(
            dir.filePath(QStringLiteral("fan%1.xml").arg(i)),
            QStringLiteral("<report><include file=\"fan%1.xml\"/><include file=\"fan%1.xml\"/>"
                           "</report>")
                .arg(i + 1)
                .toUtf8());
    writeFile(dir.filePath(QStringLiteral("fan22.xml")),
              "<report><page name=\"p\"><text width=\"10\" height=\"10\">x</text></page></report>");
    writeFile(dir.filePath(QStringLiteral("pages.xml")),
              "<report>" + QByteArray("<page/>").repeated(2001) + "</report>");
    for (int i = 0; i < 30; ++i)
        writeFile(
            dir.filePath(QStringLiteral("deep%1.xml").arg(i)),
            QStringLiteral("<report><include file=\"deep%1.xml\"/></report>").arg(i + 1).toUtf8());
    writeFile(dir.filePath(QStringLiteral("deep30.xml")), "<report><page/></report>");
    // Objects included into a page, doubling at every level.
    writeFile(dir.filePath(QStringLiteral("obj0.xml")),
              "<report><page>" + QByteArray("<rect width=\"1\" height=\"1\"/>").repeated(1000) +
                  "</page></report>");
    for (int i = 1; i < 12; ++i)
        writeFile(dir.filePath(QStringLiteral("obj%1.xml").arg(i)),
                  QStringLiteral("<report><page><include file=\"obj%1.xml\"/><include "
                                 "file=\"obj%1.xml\"/></page></report>")
                      .arg(i - 1)
                      .toUtf8());
    writeFile(dir.filePath(QStringLiteral("big.xml")),
              "<report>" + QByteArray(16 * 1024 * 1024, ' ') + "</report>");

    const struct
    {
        QString file;
        QString message;
    } cases[] = {
        {dir.filePath(QStringLiteral("fan8.xml")), QStringLiteral("more than 1000 files")},
        {dir.filePath(QStringLiteral("fan0.xml")), QStringLiteral("deeper than 16 levels")},
        {dir.filePath(QStringLiteral("pages.xml")), QStringLiteral("more than 2000 pages")},
        {dir.filePath(QStringLiteral("deep0.xml")), QStringLiteral("deeper than 16 levels")},
        {dir.filePath(QStringLiteral("obj11.xml")), QStringLiteral("more than 200000 objects")},
        {dir.filePath(QStringLiteral("big.xml")), QStringLiteral("larger than 16 MB")},
        {QStringLiteral("/dev/zero"), QStringLiteral("larger than 16 MB")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        ReportTemplate t;
        const LoadResult r = loadTemplate(c.file, t);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.message.contains(c.message)) << r.toString().toStdString();
        EXPECT_TRUE(t.isEmpty());
    }
    // Within the limits the same shapes load.
    ReportTemplate t;
    EXPECT_TRUE(loadTemplate(dir.filePath(QStringLiteral("fan14.xml")), t).ok);
    EXPECT_EQ(t.pages.size(), 256u);
    EXPECT_TRUE(loadTemplate(dir.filePath(QStringLiteral("deep16.xml")), t).ok);
}

TEST(TemplateLoader, AFileIncludedAgainKeepsTheDepthLimitWhereItIsIncluded)
{
    // mid.xml (which includes leaf.xml) is read first near the top, then again
    // at the end of a chain of includes: the second time it reaches too deep
    // in one template and just deep enough in the other.
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("leaf.xml")), "<report><page name=\"l\"/></report>");
    writeFile(dir.filePath(QStringLiteral("mid.xml")),
              "<report><include file=\"leaf.xml\"/></report>");
    for (int links : {13, 14}) {
        const QString prefix = QStringLiteral("c%1-").arg(links);
        for (int i = 0; i < links; ++i)
            writeFile(dir.filePath(prefix + QString::number(i) + QStringLiteral(".xml")),
                      QStringLiteral("<report><include file=\"%1%2.xml\"/></report>")
                          .arg(prefix)
                          .arg(i + 1)
                          .toUtf8());
        writeFile(dir.filePath(prefix + QString::number(links) + QStringLiteral(".xml")),
                  "<report><include file=\"mid.xml\"/></report>");
        writeFile(dir.filePath(prefix + QStringLiteral("top.xml")),
                  (QStringLiteral("<report><include file=\"mid.xml\"/><include file=\"") + prefix +
                   QStringLiteral("0.xml\"/><include file=\"mid.xml\"/></report>"))
                      .toUtf8());
        ReportTemplate t;
        const LoadResult r = loadTemplate(dir.filePath(prefix + QStringLiteral("top.xml")), t);
        if (links == 13) {
            EXPECT_TRUE(r.ok) << r.toString().toStdString();
            EXPECT_EQ(t.pages.size(), 3u);
        } else {
            EXPECT_FALSE(r.ok);
            EXPECT_TRUE(r.message.contains(QStringLiteral("deeper than 16 levels")))
                << r.toString().toStdString();
        }
    }
}

TEST(TemplateLoader, BandBottomAboveItsFirstRowIsAnError)
{
    ReportTemplate t;
    for (const char* bottom : {"-1000000", "0", "99"}) {
        const LoadResult r = loadTemplateFromData(
            onePage(QStringLiteral("<band source=\"s\" y=\"50\" height=\"50\" bottom=\"%1\"/>")
                        .arg(QLatin1String(bottom)))
                .toUtf8(),
            QDir::tempPath(), t);
        EXPECT_FALSE(r.ok) << bottom;
        EXPECT_TRUE(r.message.contains(QStringLiteral("bottom"))) << r.toString().toStdString();
    }
    EXPECT_TRUE(
        loadTemplateFromData(
            onePage(QStringLiteral("<band source=\"s\" y=\"50\" height=\"50\" bottom=\"100\"/>"))
                .toUtf8(),
            QDir::tempPath(), t)
            .ok);
}

TEST(TemplateLoader, PictureFilesGiveTheirSizeAtOnceAndTheirPixelsWhenDrawn)
{
    QTemporaryDir dir;
    QImage jpeg(30, 10, QImage::Format_RGB32);
    jpeg.fill(Qt::white);
    jpeg.setPixelColor(0, 0, Qt::black);
    ASSERT_TRUE(jpeg.save(dir.filePath(QStringLiteral("a.jpg")), "JPEG"));
    writeFile(dir.filePath(QStringLiteral("b.png")), pngOf(QSize(7, 5), Qt::red));
    writeFile(dir.filePath(QStringLiteral("c.png")), "no picture at all");

    for (const char* name : {"a.jpg", "b.png"}) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath(QString::fromLatin1(name));
        const QImage expected(path);
        const PictureImage picture = PictureImage::fromFile(path);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), expected.size());
        const PictureImage copy = picture; // a copy shares the one decode
        EXPECT_EQ(copy.image(), expected);
        EXPECT_EQ(picture.image(), expected);
    }
    EXPECT_TRUE(PictureImage::fromFile(dir.filePath(QStringLiteral("c.png"))).isNull());
    EXPECT_TRUE(PictureImage::fromFile(dir.filePath(QStringLiteral("none.png"))).isNull());
}

TEST(Report, NamedPicturesCanBeReplacedOrHidden)
{
    const QString xml =
        onePage(QStringLiteral(
                    "<picture name=\"pic_fm\" width=\"100\" height=\"50\"><data>%1</data></picture>"
                    "<text name=\"note\" width=\"100\" height=\"20\">x</text>"))
            .arg(QString::fromLatin1(pngOf(QSize(8, 8), Qt::red).toBase64()));
    Report report;
    report.setTemplate(parse(xml));
    auto images = [&] {
        QList<QImage> out;
        for (const Primitive& p : report.built().page(0).primitives) {
            if (const auto* i = std::get_if<ImagePrimitive>(&p))
                out << i->image;
        }
        return out;
    };

    QImage replacement(4, 2, QImage::Format_RGB32);
    replacement.fill(Qt::green);
    EXPECT_TRUE(report.setPicture(QStringLiteral("pic_fm"), replacement));
    EXPECT_FALSE(report.setPicture(QStringLiteral("note"), replacement)); // not a picture
    EXPECT_FALSE(report.setPicture(QStringLiteral("nosuch"), replacement));
    report.build();
    ASSERT_EQ(images().size(), 1);
    EXPECT_EQ(images().first().size(), QSize(4, 2));
    EXPECT_EQ(images().first().pixelColor(0, 0), QColor(Qt::green));

    EXPECT_TRUE(report.setObjectVisible(QStringLiteral("pic_fm"), false));
    report.build();
    EXPECT_TRUE(images().isEmpty());
    EXPECT_EQ(report.built().pageText(0), QStringLiteral("x"));
}
