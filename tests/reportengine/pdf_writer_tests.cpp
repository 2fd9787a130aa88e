#include "Helpers.h"
#include "SmallFonts.h"
#include "reportengine/Export.h"
#include "reportengine/common/Units.h"
#include "reportengine/layout/BuiltReport.h"
#include "reportengine/pdf/PdfWriter.h"
#include "reportengine/pictures/JpegHeader.h"

#include <QBuffer>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRawFont>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

using namespace hra::reportengine;
using namespace hra::reportengine::test;

namespace {

bool havePoppler()
{
    for (const char* tool : {"pdftoppm", "pdftotext", "pdfimages"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    }
    return true;
}

QByteArray runTool(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return "<" + tool.toUtf8() + " failed>";
    return p.readAllStandardOutput();
}

// Page `page` (from 1) of a PDF as poppler draws it at `dpi`.
QImage popplerPage(const QString& pdf, int page, int dpi)
{
    const QString n = QString::number(page);
    return QImage::fromData(
        runTool(QStringLiteral("pdftoppm"),
                {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
                 QStringLiteral("-f"), n, QStringLiteral("-l"), n, pdf}));
}

// The largest difference of one colour channel between the two pictures,
// averaged over blocks of `block` pixels: a font's outlines drawn from CFF
// and from TrueType differ at their edges, a glyph or a line out of place
// does not average away.
int largestBlockDifference(const QImage& a, const QImage& b, int block, QPoint* where)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int by = 0; by + block <= x.height(); by += block) {
        for (int bx = 0; bx + block <= x.width(); bx += block) {
            int sum[3] = {0, 0, 0};
            for (int py = by; py < by + block; ++py) {
                for (int px = bx; px < bx + block; ++px) {
                    const QRgb p = x.pixel(px, py);
                    const QRgb q = y.pixel(px, py);
                    sum[0] += qRed(p) - qRed(q);
                    sum[1] += qGreen(p) - qGreen(q);
                    sum[2] += qBlue(p) - qBlue(q);
                }
            }
            for (int s : sum) {
                const int d = std::abs(s) / (block * block);
                if (d > worst) {
                    worst = d;
                    *where = QPoint(bx, by);
                }
            }
        }
    }
    return worst;
}

// The same pages through Qt's own PDF writer: the painter's output, and the
// writer this one replaces for speed.
void writeThroughPainter(const BuiltReport& report, const QString& path)
{
    QPdfWriter pdf(path);
    pdf.setResolution(1200);
    QPainter painter;
    for (int i = 0; i < report.pageCount(); ++i) {
        pdf.setPageLayout(report.pageSetup(i).pageLayout());
        if (i == 0)
            painter.begin(&pdf);
        else
            pdf.newPage();
        painter.save();
        scalePainterToUnits(painter, 1200);
        report.paintPage(i, painter);
        painter.restore();
    }
    painter.end();
}

// The box of each word poppler finds, in points.
QList<QRectF> wordBoxes(const QString& pdf)
{
    const QString html = QString::fromUtf8(
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}));
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">)re"));
    QList<QRectF> out;
    for (const QRegularExpressionMatch& m : word.globalMatch(html))
        out << QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                      QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
    return out;
}

QString exported(const BuiltReport& report, const QTemporaryDir& dir)
{
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    QString error;
    EXPECT_TRUE(exportPdf(report, pdf, &error)) << error.toStdString();
    return pdf;
}

} // namespace

TEST(PdfWriter, PagesLookAsThePainterDrawsThem)
{
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils not installed";
    QTemporaryDir dir;
    QImage photo(60, 40, QImage::Format_RGB32);
    photo.fill(QColor(200, 30, 30));
    QPainter(&photo).fillRect(30, 0, 30, 40, QColor(20, 40, 200));
    ASSERT_TRUE(photo.save(dir.filePath(QStringLiteral("photo.jpg")), "JPEG", 95));
    QImage badge(40, 40, QImage::Format_ARGB32);
    badge.fill(Qt::transparent);
    QPainter(&badge).fillRect(10, 10, 20, 20, QColor(0, 150, 0, 160));
    ASSERT_TRUE(badge.save(dir.filePath(QStringLiteral("badge.png"))));

    // Each kind of primitive: text in a CFF font (bold and regular), in a
    // TrueType font, framed and filled, clipped, underlined, lines of each
    // style, boxes plain and rounded, a JPEG, a picture with transparency;
    // the second page turned, to see that the paper size is each page's own.
    const QString xml = QStringLiteral(R"(<report><page name="p">
        <text width="500" height="40" font="黑体" size="28" bold="true">健康风险评估 Report 2026</text>
        <text y="50" width="300" height="60" font="宋体" size="14" fill="#ffe0a0" frame="all"
              frame-width="2" frame-color="#0000c0" color="#a00000">姓名：张建国 收缩压 162 mmHg，请注意复查。</text>
        <text y="120" width="300" height="30" font="楷体" size="20" underline="true">读书之乐乐何如</text>
        <text x="320" y="120" width="60" height="30" font="黑体" size="20" wrap="false">裁剪的文字很长很长</text>
        <line x1="0" y1="170" x2="400" y2="170" line-width="3" color="#008000"/>
        <line x1="0" y1="185" x2="400" y2="185" line-width="2" style="dash"/>
        <line x1="0" y1="200" x2="400" y2="200" line-width="2" style="dot" color="#c00000"/>
        <rect x="420" y="50" width="120" height="80" fill="#4060c0" frame-width="3" frame-color="#000000"/>
        <rect x="560" y="50" width="120" height="80" radius="20" fill="#e0a040" frame-width="0"/>
        <picture x="420" y="150" width="180" height="120" file="photo.jpg"/>
        <picture x="620" y="150" width="80" height="80" file="badge.png"/>
        <text x="420" y="290" width="280" height="40" font="宋体" size="16" halign="justify">两端对齐的一行文字，用来检查字距调整是否正确无误</text>
      </page>
      <page name="q" paper="A5" orientation="landscape">
        <rect x="0" y="0" width="100" height="50" fill="#000000" frame-width="0"/>
        <text x="150" y="0" width="300" height="40" font="黑体" size="24">横向页面</text>
      </page></report>)");
    const BuildResult built = buildReport(parse(xml, dir.path()), {});
    ASSERT_TRUE(built.ok);
    const QString pdf = exported(built.report, dir);
    const QString reference = dir.filePath(QStringLiteral("painter.pdf"));
    writeThroughPainter(built.report, reference);

    // Every word where the painter puts it, to a tenth of a point (Qt's
    // writer describes the fonts' heights a little differently).
    const QList<QRectF> words = wordBoxes(pdf);
    const QList<QRectF> painterWords = wordBoxes(reference);
    EXPECT_GE(words.size(), 12);
    ASSERT_EQ(words.size(), painterWords.size());
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QRectF a = words[i];
        const QRectF b = painterWords[i];
        EXPECT_TRUE(std::abs(a.left() - b.left()) < 0.1 && std::abs(a.right() - b.right()) < 0.1 &&
                    std::abs(a.top() - b.top()) < 0.2 && std::abs(a.bottom() - b.bottom()) < 0.2)
            << "word " << i << ": " << a.left() << ' ' << a.top() << ' ' << a.right() << ' '
            << a.bottom() << " against " << b.left() << ' ' << b.top() << ' ' << b.right() << ' '
            << b.bottom();
    }

    // Everything else as it looks: the same reader draws both files.
    constexpr int kDpi = 96;
    for (int page = 1; page <= 2; ++page) {
        const QImage written = popplerPage(pdf, page, kDpi);
        const QImage painted = popplerPage(reference, page, kDpi);
        ASSERT_EQ(written.size(), painted.size()) << "page " << page;
        QPoint where;
        const int difference = largestBlockDifference(painted, written, 8, &where);
        EXPECT_LE(difference, 32) << "page " << page << " at " << where.x() << ',' << where.y();
    }
}

TEST(PdfWriter, JpegPicturesGoInUnchangedAndOthersAsPixels)
{
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils not installed";
    QTemporaryDir dir;
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(QColor(90, 160, 220));
    ASSERT_TRUE(photo.save(dir.filePath(QStringLiteral("a.jpg")), "JPEG"));
    ASSERT_TRUE(photo.save(dir.filePath(QStringLiteral("b.png"))));
    const BuildResult built =
        buildReport(parse(onePage(QStringLiteral(R"(<picture width="64" height="48" file="a.jpg"/>
           <picture y="100" width="64" height="48" file="a.jpg"/>
           <picture y="200" width="64" height="48" file="b.png"/>)")),
                          dir.path()),
                    {});
    ASSERT_TRUE(built.ok);
    const QString pdf = exported(built.report, dir);

    QFile written(pdf);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    QFile jpeg(dir.filePath(QStringLiteral("a.jpg")));
    ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    const QByteArray jpegBytes = jpeg.readAll();
    EXPECT_EQ(bytes.count(jpegBytes), 1) << "the JPEG once, as it is, for both of its boxes";

    const QList<QByteArray> images =
        runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split('\n').mid(2);
    QList<QByteArray> encodings;
    for (const QByteArray& line : images) {
        const QList<QByteArray> cols = line.simplified().split(' ');
        if (cols.size() > 8)
            encodings << cols.at(8);
    }
    EXPECT_EQ(encodings, QList<QByteArray>({"jpeg", "jpeg", "image"}));
}

TEST(PdfWriter, JpegHeadersTellWhatAPdfCanTakeAsItIs)
{
    auto encode = [](QImage::Format format, bool progressive) {
        QImage image(40, 30, format);
        image.fill(QColor(120, 60, 200));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(progressive);
        EXPECT_TRUE(writer.write(image));
        return buffer.data();
    };
    // An Exif segment asking for a turn (orientation 6), put after SOI, in
    // either byte order.
    auto turned = [](QByteArray jpeg, bool little) {
        QByteArray tiff = little ? QByteArray("II\x2a\x00\x08\x00\x00\x00", 8)
                                 : QByteArray("MM\x00\x2a\x00\x00\x00\x08", 8);
        const QByteArray entry =
            little ? QByteArray("\x01\x00\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00", 14)
                   : QByteArray("\x00\x01\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00", 14);
        tiff += entry + QByteArray(4, '\0');
        const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
        QByteArray segment("\xff\xe1", 2);
        segment.append(char((body.size() + 2) >> 8));
        segment.append(char((body.size() + 2) & 0xff));
        return jpeg.insert(2, segment + body);
    };
    const QByteArray colour = encode(QImage::Format_RGB32, false);
    struct Case
    {
        const char* what;
        QByteArray bytes;
        bool found;
        bool plain;
        int components;
    } cases[] = {
        {"baseline colour", colour, true, true, 3},
        {"progressive", encode(QImage::Format_RGB32, true), true, true, 3},
        {"grey", encode(QImage::Format_Grayscale8, false), true, true, 1},
        {"turned, big-endian Exif", turned(colour, false), true, false, 3},
        {"turned, little-endian Exif", turned(colour, true), true, false, 3},
        {"cut before its frame header", colour.left(20), false, false, 0},
        {"no JPEG", QByteArray("\x89PNG\r\n\x1a\n"), false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<JpegHeader> header = readJpegHeader(c.bytes);
        ASSERT_EQ(header.has_value(), c.found);
        if (!header)
            continue;
        EXPECT_EQ(header->plain, c.plain);
        EXPECT_EQ(header->components, c.components);
        EXPECT_EQ(QSize(header->width, header->height), QSize(40, 30));
        // A picture keeps a plain JPEG's bytes for the PDF; a turned one is
        // decoded (as the painter shows it) instead.
        const PictureImage picture = PictureImage::fromData(c.bytes);
        EXPECT_EQ(picture.jpegData().isEmpty(), !c.plain);
        EXPECT_FALSE(picture.image().isNull());
    }
}

TEST(PdfWriter, TextMapsGiveBackTheCharactersDrawn)
{
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils not installed";
    // 页 shares its glyph with the radical ⻚ in Noto CJK; a character outside
    // the Basic Multilingual Plane takes two UTF-16 units in the map.
    QString rare = QString::fromUcs4(U"𠀾");
    const bool haveRare = QRawFont::fromFont(QFont(QStringLiteral("Noto Sans CJK SC")))
                              .supportsCharacter(rare.toUcs4().first());
    const QString line = QStringLiteral("第 3 页 合计 12.5 kg，A&B (x) <y> \\ 结束") +
                         (haveRare ? QStringLiteral(" ") + rare : QString());
    const BuildResult built =
        build(onePage(QStringLiteral("<text width=\"700\" height=\"30\" font=\"黑体\" "
                                     "size=\"16\">%1</text>")
                          .arg(line.toHtmlEscaped())));
    QTemporaryDir dir;
    const QString pdf = exported(built.report, dir);
    const QString text =
        QString::fromUtf8(runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}));
    EXPECT_EQ(text.trimmed(), line) << text.toStdString();
}

TEST(PdfWriter, AFontWithoutItsFileIsDrawnAsOutlines)
{
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils not installed";
    // The installed KaitiM font, changed in its header so that no installed
    // file is the same font any more.
    const QString path = QStringLiteral("/usr/share/fonts/truetype/arphic-gkai00mp/gkai00mp.ttf");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "fonts-arphic-gkai00mp is not installed";
    QByteArray data = file.readAll();
    const qsizetype head = data.indexOf("head");
    ASSERT_GT(head, 0);
    const quint32 offset = qFromBigEndian<quint32>(data.constData() + head + 8);
    data[offset + 20] = char(data[offset + 20] ^ 0x5A); // the modified date
    const QRawFont font(data, 40);
    ASSERT_TRUE(font.isValid());
    EXPECT_EQ(fontFileOf(font), nullptr);

    BuiltPage page;
    TextPrimitive text;
    text.rect = QRectF(0, 0, 200, 60);
    text.origin = QPointF(0, 45);
    GlyphRunText run;
    run.text = QStringLiteral("楷书");
    run.run.setRawFont(font);
    run.run.setGlyphIndexes(font.glyphIndexesForString(run.text));
    run.run.setPositions({QPointF(0, 0), QPointF(40, 0)});
    text.runs << run;
    text.text = run.text;
    page.primitives.emplace_back(text);
    // The same face at another size, further down: one warning for both.
    QRawFont smaller = font;
    smaller.setPixelSize(20);
    run.run.setRawFont(smaller);
    text.rect = QRectF(0, 100, 200, 30);
    text.origin = QPointF(0, 120);
    text.runs = {run};
    page.primitives.emplace_back(text);

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    PdfWriter writer(out, QStringLiteral("outlines"));
    ASSERT_TRUE(writer.addPage(page));
    ASSERT_TRUE(writer.finish());
    ASSERT_EQ(writer.warnings().size(), 1);
    EXPECT_TRUE(writer.warnings().first().contains(QStringLiteral("AR PL KaitiM GB")));

    QTemporaryDir dir;
    QFile pdf(dir.filePath(QStringLiteral("outlines.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.write(out.data());
    pdf.close();
    const QImage shown = popplerPage(pdf.fileName(), 1, 96);
    // Ink inside the glyphs' box (the printable area starts at 10 mm).
    int dark = 0;
    for (int y = 40; y < 90; ++y)
        for (int x = 38; x < 120; ++x)
            dark += qGray(shown.pixel(x, y)) < 128;
    EXPECT_GT(dark, 200);
}

// A font whose glyph expands past what a subset may take: its text is drawn
// as the glyphs' outlines, and the font is named nowhere in the file.
TEST(PdfWriter, AFontWhoseSubsetIsRefusedIsDrawnAsOutlines)
{
    const QString qpdf = QStandardPaths::findExecutable(QStringLiteral("qpdf"));
    if (qpdf.isEmpty())
        GTEST_SKIP() << "qpdf not installed";
    using namespace smallfonts;
    const QByteArray move = n(10) + n(20) + rmoveto;
    const QByteArray square = move + n(500) + n(0) + rlineto + n(0) + n(500) + rlineto + n(-500) +
                              n(0) + rlineto + endchar;
    // Glyph 1 draws 8^9 lines from a few bytes; glyph 2 a square.
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("exploding.otf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(cffFont({move + call(0) + endchar, square}, fanOut(10, 8), {},
                       QStringLiteral("Hra Exploding")));
    file.close();
    ASSERT_NE(QFontDatabase::addApplicationFont(file.fileName()), -1);
    const QRawFont font(file.fileName(), 40);
    ASSERT_TRUE(font.isValid());
    ASSERT_NE(fontFileOf(font), nullptr) << "the writer would not try to embed it";

    // The exploding glyph, then the square alone: refused as well, the
    // subset taking nothing after a refusal.
    BuiltPage page;
    for (const QList<quint32>& glyphs : {QList<quint32>{1, 2}, QList<quint32>{2}}) {
        TextPrimitive text;
        text.rect = QRectF(0, 100 * page.primitives.size(), 200, 60);
        text.origin = text.rect.topLeft() + QPointF(0, 45);
        GlyphRunText run;
        run.text = glyphs.size() == 2 ? QStringLiteral("爆方") : QStringLiteral("方");
        run.run.setRawFont(font);
        run.run.setGlyphIndexes(glyphs);
        run.run.setPositions(glyphs.size() == 2 ? QList<QPointF>{{0, 0}, {40, 0}}
                                                : QList<QPointF>{{0, 0}});
        text.runs << run;
        text.text = run.text;
        page.primitives.emplace_back(text);
    }
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    PdfWriter writer(out, QStringLiteral("outlines"));
    ASSERT_TRUE(writer.addPage(page));
    ASSERT_TRUE(writer.finish()) << writer.errorString().toStdString();
    EXPECT_EQ(writer.warnings(),
              QStringList{QStringLiteral(
                  "the font HraExploding could not be subset (glyph 1: a glyph expands to more "
                  "than 65536 bytes); its glyphs from there on are drawn as outlines, without "
                  "text behind them")});

    QFile pdf(dir.filePath(QStringLiteral("outlines.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.write(out.data());
    pdf.close();
    QProcess check;
    check.start(qpdf, {QStringLiteral("--check"), pdf.fileName()});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString();
    // Uncompressed, the page shows the two squares as filled paths and no
    // text; no font is named.
    const QString plain = dir.filePath(QStringLiteral("plain.pdf"));
    runTool(qpdf, {QStringLiteral("--qdf"), QStringLiteral("--object-streams=disable"),
                   pdf.fileName(), plain});
    QFile plainFile(plain);
    ASSERT_TRUE(plainFile.open(QIODevice::ReadOnly));
    const QByteArray all = plainFile.readAll();
    EXPECT_FALSE(all.contains("/Font")) << all.toStdString();
    EXPECT_FALSE(all.contains("BT\n"));
    EXPECT_EQ(all.count(" l\n"), 8) << all.toStdString(); // three sides and the closing one
    EXPECT_EQ(all.count("\nf\n"), 2);
}

TEST(PdfWriter, ADeviceThatRefusesBytesFailsTheWriter)
{
    QBuffer closed; // never opened: every write is refused
    PdfWriter writer(closed, QStringLiteral("t"));
    BuiltPage page;
    appendLine(page.primitives, QLineF(0, 0, 10, 10), 1, Qt::black);
    // Small pages wait in the writer's buffer; the refusal shows by the end.
    writer.addPage(page);
    EXPECT_FALSE(writer.finish());
    EXPECT_FALSE(writer.errorString().isEmpty());
}
