#include "Helpers.h"
#include "reportengine/fonts/Fonts.h"
#include "reportengine/pdf/PdfTextMaps.h"

#include <QRawFont>
#include <QRegularExpression>
#include <array>

using namespace hra::reportengine;
using namespace hra::reportengine::test;

namespace {

// A PDF of the shape Qt writes: objects in order, one xref subsection. Object
// 3 is a text map with a range and a single entry; object 4 follows it so
// that its offset has to move when the map grows.
QByteArray smallPdf(const QByteArray& cmap)
{
    QList<QByteArray> objects{
        "1 0 obj\n<< /Type /Catalog >>\nendobj\n",
        "2 0 obj\n<< /Type /Font /ToUnicode 3 0 R >>\nendobj\n",
        "3 0 obj\n<<\n/Length " + QByteArray::number(cmap.size()) + "\n>>\nstream\n" + cmap +
            "endstream\nendobj\n",
        "4 0 obj\n(after the map)\nendobj\n",
    };
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (const QByteArray& o : objects) {
        offsets << pdf.size();
        pdf += o;
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 5\n0000000000 65535 f \n";
    for (qsizetype at : offsets)
        pdf += QByteArray::number(at).rightJustified(10, '0') + " 00000 n \n";
    pdf +=
        "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

const QByteArray kMap = "/CIDInit /ProcSet findresource begin\nbegincmap\n"
                        "1 beginbfrange\n<0001> <0003> <2F00>\nendbfrange\n"
                        "2 beginbfchar\n<0005> <2EDA>\n<0006> <0041>\nendbfchar\n"
                        "endcmap\n";

// The text map of object `id` and whether every xref offset points at its object.
struct Parsed
{
    QByteArray map;
    bool offsetsRight = true;
};

Parsed parsePdf(const QByteArray& pdf)
{
    Parsed p;
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    const qsizetype xref = pdf.mid(startxref + 10).split('\n').value(0).toLongLong();
    p.offsetsRight = pdf.mid(xref, 4) == "xref";
    const QList<QByteArray> lines = pdf.mid(xref).split('\n');
    for (int id = 1; id <= 4; ++id) {
        const qsizetype at = lines.value(id + 2).left(10).toLongLong();
        if (!pdf.mid(at).startsWith(QByteArray::number(id) + " 0 obj"))
            p.offsetsRight = false;
    }
    const qsizetype s = pdf.indexOf("stream\n");
    p.map = pdf.mid(s + 7, pdf.indexOf("endstream") - s - 7);
    return p;
}

} // namespace

TEST(PdfTextMaps, RewritesMappedCodePointsAndMovesTheObjectsAfter)
{
    const QByteArray pdf = smallPdf(kMap);
    const QByteArray out = rewriteTextMaps(pdf, {{0x2EDA, 0x9875}, {0x2F01, 0x4E59}});
    ASSERT_NE(out, pdf);
    const Parsed p = parsePdf(out);
    EXPECT_TRUE(p.offsetsRight) << out.toStdString();
    // The range is written out entry by entry; only the repaired codes change.
    for (const char* entry :
         {"<0001> <2F00>", "<0002> <4E59>", "<0003> <2F02>", "<0005> <9875>", "<0006> <0041>"})
        EXPECT_TRUE(p.map.contains(entry)) << entry << "\n" << p.map.toStdString();
    EXPECT_FALSE(p.map.contains("2EDA"));
    EXPECT_TRUE(out.contains("4 0 obj\n(after the map)\nendobj\n"));
    // The stream's length is the map's.
    const QRegularExpression length(QStringLiteral("/Length (\\d+)"));
    EXPECT_EQ(length.match(QString::fromLatin1(out)).captured(1).toInt(), p.map.size());
}

TEST(PdfTextMaps, LeavesAnyOtherShapeAlone)
{
    const struct
    {
        const char* what;
        QByteArray pdf;
        TextMapRepairs repairs;
    } cases[] = {
        {"nothing to repair", smallPdf(kMap), {}},
        {"no cross-reference table",
         QByteArray("%PDF-1.4\n2 0 obj\n<< /ToUnicode 3 0 R >>\nendobj\n"),
         {{0x2EDA, 0x9875}}},
        {"a map line of another form",
         smallPdf("begincmap\n1 beginbfchar\n<0005> 2EDA\nendbfchar\nendcmap\n"),
         {{0x2EDA, 0x9875}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rewriteTextMaps(c.pdf, c.repairs), c.pdf) << c.what;
    }
}

TEST(PdfTextMaps, RepairsOnlyCharactersNotAlsoDrawnAsThemselves)
{
    // 页 shares its glyph with the radical ⻚ (U+2EDA) in Noto CJK.
    const BuildResult page =
        build(onePage(QStringLiteral("<text width=\"300\" height=\"30\">第 1 页</text>")));
    const TextMapRepairs repairs = textMapRepairs(page.report);
    ASSERT_TRUE(repairs.contains(0x2EDA));
    EXPECT_EQ(repairs.value(0x2EDA), u'页');
    for (auto it = repairs.begin(); it != repairs.end(); ++it)
        EXPECT_NE(it.key(), it.value());

    const BuildResult both =
        build(onePage(QStringLiteral("<text width=\"300\" height=\"30\">页⻚</text>")));
    EXPECT_FALSE(textMapRepairs(both.report).contains(0x2EDA));
}

namespace {

QByteArray be16(uint v)
{
    return QByteArray(1, char(v >> 8)) + char(v & 0xFF);
}

QByteArray be32(quint32 v)
{
    return be16(v >> 16) + be16(v & 0xFFFF);
}

// A `cmap` table of one Unicode subtable (format 4) with the segments given
// as (first, last, delta); the closing 0xFFFF segment is added.
QByteArray format4Cmap(QList<std::array<uint, 3>> segments)
{
    segments.append({0xFFFF, 0xFFFF, 1});
    const uint n = uint(segments.size());
    QByteArray sub = be16(4) + be16(0) + be16(0) + be16(2 * n) + be16(0) + be16(0) + be16(0);
    for (const auto& s : segments)
        sub += be16(s[1]);
    sub += be16(0);
    for (const auto& s : segments)
        sub += be16(s[0]);
    for (const auto& s : segments)
        sub += be16(s[2] & 0xFFFF);
    for (qsizetype i = 0; i < segments.size(); ++i)
        sub += be16(0);
    QByteArray length = be16(uint(sub.size()));
    sub.replace(2, 2, length);
    return be16(0) + be16(1) + be16(3) + be16(1) + be32(12) + sub;
}

QByteArray maxp(uint glyphs)
{
    return be32(0x00005000) + be16(glyphs);
}

} // namespace

TEST(PdfTextMaps, ReadsTheLowestCodePointOfEachGlyphFromTheCharacterMap)
{
    // 'A'..'C' on glyphs 1..3; U+2F00 and U+4E00 share glyph 4; space is
    // glyph 5 and the map has no tab or no-break space; U+4E01 would be glyph
    // 9, past the font's last glyph.
    const QByteArray cmap = format4Cmap({{0x20, 0x20, uint(5 - 0x20)},
                                         {0x41, 0x43, uint(1 - 0x41)},
                                         {0x2F00, 0x2F00, uint(4 - 0x2F00)},
                                         {0x4E00, 0x4E00, uint(4 - 0x4E00)},
                                         {0x4E01, 0x4E01, uint(9 - 0x4E01)}});
    const std::optional<QList<char16_t>> lowest = lowestCodePointsFromTables(cmap, maxp(8));
    ASSERT_TRUE(lowest);
    const QList<char16_t> expected = {0, u'A', u'B', u'C', 0x2F00, u'\t'};
    EXPECT_EQ(*lowest, expected);

    EXPECT_FALSE(lowestCodePointsFromTables(cmap.left(20), maxp(8))) << "cut off";
    EXPECT_FALSE(lowestCodePointsFromTables(cmap, QByteArray())) << "no glyph count";
}

TEST(PdfTextMaps, CharacterMapReadingAgreesWithTheFontsOwnLookup)
{
    // Every font the personal report prints with, regular and bold.
    int compared = 0;
    for (const char* face : {"黑体", "宋体", "楷体"}) {
        for (bool bold : {false, true}) {
            FontStyle style;
            style.face = QString::fromUtf8(face);
            style.bold = bold;
            const QRawFont font = rawFontFor(style);
            if (!font.isValid() || font.familyName() != resolveFamily(style.face))
                continue; // not installed here
            const std::optional<QList<char16_t>> read =
                lowestCodePointsFromTables(font.fontTable("cmap"), font.fontTable("maxp"));
            ASSERT_TRUE(read) << face;
            QList<char16_t> fromTables = *read;
            QList<char16_t> byLookup = lowestCodePointsByLookup(font);
            // Trailing glyphs without a character make no difference.
            while (!fromTables.isEmpty() && !fromTables.last())
                fromTables.removeLast();
            while (!byLookup.isEmpty() && !byLookup.last())
                byLookup.removeLast();
            EXPECT_EQ(fromTables, byLookup) << face << (bold ? " bold" : "");
            ++compared;
        }
    }
    if (compared == 0)
        GTEST_SKIP() << "none of the report's fonts is installed";
}
