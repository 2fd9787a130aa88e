// Subsets are checked by loading them back with FreeType and comparing every
// glyph's outline, in font units and unhinted, with the original face's.

#include "SmallFonts.h"
#include "reportengine/fonts/FontFile.h"
#include "reportengine/fonts/FontSubset.h"

#include <QFile>
#include <ft2build.h>
#include <functional>
#include <gtest/gtest.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

using namespace hra::reportengine;
using namespace hra::reportengine::test::smallfonts;

namespace {

struct FreeType
{
    FT_Library lib = nullptr;
    FreeType() { FT_Init_FreeType(&lib); }
    ~FreeType() { FT_Done_FreeType(lib); }
};

struct Face
{
    FT_Face face = nullptr;
    QByteArray data; // FreeType reads memory faces in place
    Face(FT_Library lib, const QString& path, int index)
    {
        if (FT_New_Face(lib, QFile::encodeName(path).constData(), index, &face))
            face = nullptr;
    }
    Face(FT_Library lib, QByteArray bytes) : data(std::move(bytes))
    {
        if (FT_New_Memory_Face(lib, reinterpret_cast<const FT_Byte*>(data.constData()),
                               FT_Long(data.size()), 0, &face))
            face = nullptr;
    }
    ~Face()
    {
        if (face)
            FT_Done_Face(face);
    }
};

// A glyph's outline and advance in font units, as text for readable failures.
std::string outline(FT_Face face, unsigned glyph)
{
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP))
        return "<no glyph>";
    const FT_Outline& o = face->glyph->outline;
    std::string s = "advance " + std::to_string(face->glyph->metrics.horiAdvance) + " contours";
    for (int c = 0; c < o.n_contours; ++c)
        s += " " + std::to_string(o.contours[c]);
    s += " points";
    for (int p = 0; p < o.n_points; ++p)
        s += " " + std::to_string(o.points[p].x) + "," + std::to_string(o.points[p].y) +
             (FT_CURVE_TAG(o.tags[p]) == FT_CURVE_TAG_ON ? "" : "c");
    return s;
}

QList<quint16> glyphsForText(FT_Face face)
{
    QList<char32_t> chars;
    for (char32_t c = 0x21; c < 0x7f; ++c)
        chars.append(c);
    for (char32_t c = 0xc0; c < 0x180; ++c) // accented Latin: composites in TrueType fonts
        chars.append(c);
    for (char32_t c = 0x3000; c < 0x3020; ++c)
        chars.append(c);
    for (char32_t c = 0xff01; c < 0xff5f; c += 3)
        chars.append(c);
    for (char32_t c = 0x4e00; c < 0x9fa5; c += 37)
        chars.append(c);
    for (char32_t c : U"健康风险评估报告姓名性别年龄血压心率体重指数")
        if (c)
            chars.append(c);
    QList<quint16> glyphs{0};
    for (char32_t c : chars)
        if (const FT_UInt g = FT_Get_Char_Index(face, c); g && !glyphs.contains(quint16(g)))
            glyphs.append(quint16(g));
    return glyphs;
}

struct InstalledFont
{
    const char* label;
    const char* path;
    int face;
    FontFile::Outlines outlines;
};

class SubsetOfInstalledFont : public testing::TestWithParam<InstalledFont>
{
};

TEST_P(SubsetOfInstalledFont, DrawsEveryGlyphAsTheOriginal)
{
    const InstalledFont& f = GetParam();
    if (!QFile::exists(QString::fromUtf8(f.path)))
        GTEST_SKIP() << f.path << " is not installed";
    QString error;
    const auto font = FontFile::open(QString::fromUtf8(f.path), f.face, &error);
    ASSERT_TRUE(font) << error.toStdString();
    ASSERT_EQ(font->outlines(), f.outlines);

    FreeType ft;
    Face original(ft.lib, QString::fromUtf8(f.path), f.face);
    ASSERT_TRUE(original.face);
    EXPECT_EQ(font->glyphCount(), original.face->num_glyphs);
    EXPECT_EQ(font->unitsPerEm(), original.face->units_per_EM);
    EXPECT_EQ(font->postScriptName().toStdString(),
              std::string(FT_Get_Postscript_Name(original.face)));
    EXPECT_EQ(font->boundingBox(),
              QRectF(QPointF(original.face->bbox.xMin, original.face->bbox.yMin),
                     QPointF(original.face->bbox.xMax, original.face->bbox.yMax)));
    EXPECT_EQ(font->ascent(), original.face->ascender);
    EXPECT_EQ(font->descent(), original.face->descender);
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(original.face, FT_SFNT_OS2));
    ASSERT_TRUE(os2);
    EXPECT_EQ(font->weightClass(), os2->usWeightClass);
    EXPECT_EQ(font->capHeight(),
              os2->version >= 2 && os2->sCapHeight > 0 ? os2->sCapHeight : original.face->ascender);
    EXPECT_EQ(font->italic(), (original.face->style_flags & FT_STYLE_FLAG_ITALIC) != 0);

    const QList<quint16> glyphs = glyphsForText(original.face);
    ASSERT_GT(glyphs.size(), 250);
    const auto subset = f.outlines == FontFile::Outlines::Cff
                            ? subsetCff(*font, glyphs, &error)
                            : subsetTrueType(*font, glyphs, &error);
    ASSERT_TRUE(subset) << error.toStdString();
    std::cout << "[ info     ] " << f.label << ": " << glyphs.size() << " glyphs, "
              << subset->size() << " bytes\n";

    Face loaded(ft.lib, *subset);
    ASSERT_TRUE(loaded.face) << "FreeType does not load the subset";
    EXPECT_GE(loaded.face->num_glyphs, glyphs.size());
    EXPECT_EQ(loaded.face->units_per_EM, original.face->units_per_EM);
    int differing = 0;
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        const std::string want = outline(original.face, glyphs[i]);
        const std::string got = outline(loaded.face, unsigned(i));
        if (want != got && ++differing <= 3)
            ADD_FAILURE() << "glyph " << glyphs[i] << " (subset " << i << ")\n want " << want
                          << "\n got  " << got;
        // FreeType takes an OpenType font's advances from hmtx and a bare
        // CFF's from the charstrings: both must agree with FontFile.
        EXPECT_EQ(original.face->glyph->metrics.horiAdvance, font->advance(glyphs[i]));
    }
    EXPECT_EQ(differing, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, SubsetOfInstalledFont,
    testing::Values(
        InstalledFont{"NotoSansCJKscRegular",
                      "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc", 2,
                      FontFile::Outlines::Cff},
        InstalledFont{"NotoSerifCJKscBold", "/usr/share/fonts/opentype/noto/NotoSerifCJK-Bold.ttc",
                      2, FontFile::Outlines::Cff},
        InstalledFont{"KaitiGB", "/usr/share/fonts/truetype/arphic-gkai00mp/gkai00mp.ttf", 0,
                      FontFile::Outlines::TrueType},
        // Composite glyphs, and a name-keyed CFF.
        InstalledFont{"DejaVuSans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0,
                      FontFile::Outlines::TrueType},
        InstalledFont{"NimbusSans", "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf",
                      0, FontFile::Outlines::Cff}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace

namespace {

// A chain of `depth` subroutines, each calling the next, the last drawing a line.
QList<QByteArray> chain(int depth)
{
    QList<QByteArray> subrs;
    for (int k = 0; k + 1 < depth; ++k)
        subrs.append(call(k + 1) + ret);
    subrs.append(n(5) + n(5) + rlineto + ret);
    return subrs;
}

struct CharstringCase
{
    const char* label;
    QByteArray charstring;
    QList<QByteArray> local;
    QList<QByteArray> global;
    QByteArray flat; // the charstring without calls; empty when the glyph is refused
};

TEST(CffSubset, InlinesSubroutinesAndRefusesMalformedCharstrings)
{
    const QByteArray move = n(10) + n(20) + rmoveto, line = n(5) + n(5) + rlineto;
    // Ten stems: the hint mask takes two bytes, the second of which reads
    // as callsubr if the five implied vstems are not counted.
    const QByteArray stems = repeat(n(10) + n(5), 5) + hstemhm + repeat(n(30) + n(5), 5) +
                             hintmask + QByteArray::fromHex("ff0a");
    const std::vector<CharstringCase> cases = {
        {"nested local and global calls",
         move + call(0) + endchar,
         {n(50) + n(0) + rlineto + n(-107) + callgsubr + ret},
         {n(0) + n(50) + rlineto + ret},
         move + n(50) + n(0) + rlineto + n(0) + n(50) + rlineto + endchar},
        {"operands pushed before a call",
         n(10) + n(20) + call(0) + line + endchar,
         {rmoveto + ret},
         {},
         move + line + endchar},
        {"endchar inside a subroutine ends the glyph",
         move + call(0) + op(2),
         {line + endchar},
         {},
         move + line + endchar},
        {"hint mask after implied vstems",
         stems + move + call(0) + endchar,
         {line + ret},
         {},
         stems + move + line + endchar},
        {"ten nested subroutines", move + call(0) + endchar, chain(10), {}, move + line + endchar},
        {"48 operands",
         move + repeat(n(1), 48) + rlineto + endchar,
         {},
         {},
         move + repeat(n(1), 48) + rlineto + endchar},
        {"eleven nested subroutines", move + call(0) + endchar, chain(11), {}, {}},
        {"a subroutine calling itself", move + call(0) + endchar, {call(0) + ret}, {}, {}},
        {"subroutine number out of range", move + call(1) + endchar, {line + ret}, {}, {}},
        {"call without local subroutines", move + call(0) + endchar, {}, {}, {}},
        {"call with an empty stack", move + callsubr + endchar, {line + ret}, {}, {}},
        {"49 operands", move + repeat(n(1), 49) + rlineto + endchar, {}, {}, {}},
        {"reserved operator", move + op(2) + endchar, {}, {}, {}},
        {"arithmetic operator", move + n(1) + n(2) + op(12) + op(10) + endchar, {}, {}, {}},
        {"number cut short", move + op(28) + op(1), {}, {}, {}},
        {"no endchar", move + line, {}, {}, {}},
        {"hint mask cut short", n(10) + n(5) + hstemhm + hintmask, {}, {}, {}},
        {"return outside a subroutine", move + ret, {}, {}, {}},
        {"accented endchar", n(0) + n(0) + n(65) + n(66) + endchar, {}, {}, {}},
    };
    FreeType ft;
    for (const CharstringCase& c : cases) {
        SCOPED_TRACE(c.label);
        const QByteArray data = cffFont(c.charstring, c.local, c.global);
        QString error;
        const auto font = FontFile::fromData(data, 0, &error);
        ASSERT_TRUE(font) << error.toStdString();
        const auto subset = subsetCff(*font, {0, 1}, &error);
        if (c.flat.isEmpty()) {
            EXPECT_FALSE(subset);
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        ASSERT_TRUE(subset) << error.toStdString();
        EXPECT_TRUE(subset->contains(endchar + c.flat)) << "the glyph is not the flat charstring";
        // FreeType runs the original's subroutines itself.
        Face original(ft.lib, data), loaded(ft.lib, *subset);
        ASSERT_TRUE(original.face && loaded.face);
        EXPECT_EQ(outline(loaded.face, 1), outline(original.face, 1));
    }
}

TEST(CffSubset, CapsWhatAGlyphAndASubsetMayExpandTo)
{
    const QByteArray move = n(10) + n(20) + rmoveto;
    QString error;

    // 8^9 lines, half a gigabyte of charstring, from a font of a few hundred
    // bytes.
    const QByteArray bomb = cffFont(move + call(0) + endchar, fanOut(10, 8), {});
    EXPECT_LT(bomb.size(), 600);
    const auto bombFont = FontFile::fromData(bomb, 0, &error);
    ASSERT_TRUE(bombFont) << error.toStdString();
    EXPECT_FALSE(subsetCff(*bombFont, {0, 1}, &error));
    EXPECT_EQ(error, QStringLiteral("glyph 1: a glyph expands to more than 65536 bytes"));

    // 12^4 lines: just under the cap of a glyph, and drawn right.
    const QByteArray large = cffFont(move + call(0) + endchar, fanOut(5, 12), {});
    const auto font = FontFile::fromData(large, 0, &error);
    ASSERT_TRUE(font) << error.toStdString();
    const auto one = subsetCff(*font, {0, 1}, &error);
    ASSERT_TRUE(one) << error.toStdString();
    FreeType ft;
    Face original(ft.lib, large), loaded(ft.lib, *one);
    ASSERT_TRUE(original.face && loaded.face);
    EXPECT_EQ(outline(loaded.face, 1), outline(original.face, 1));

    // Such glyphs over and over pass what the subset of so small a font may
    // weigh: 1 MB and four times the font. The glyphs taken before stay a
    // whole font, every one drawn right.
    CffSubset subset(*font);
    ASSERT_TRUE(subset.add(0));
    int added = 0;
    while (added < 100 && subset.add(1))
        ++added;
    const qsizetype cffSize = font->table("CFF ").size();
    const qsizetype glyphSize = 3 * 12 * 12 * 12 * 12 + move.size() + endchar.size();
    const qsizetype cap = 1024 * 1024 + 4 * cffSize;
    EXPECT_EQ(added, (cap - 1) / glyphSize);
    EXPECT_EQ(subset.refusal(), QStringLiteral("the subset's glyphs pass %1 bytes, more than a "
                                               "font of %2 bytes can need")
                                    .arg(cap)
                                    .arg(cffSize));
    EXPECT_FALSE(subset.add(0)) << "a refused subset takes no more glyphs";
    const auto taken = subset.finish(&error);
    ASSERT_TRUE(taken) << error.toStdString();
    Face partial(ft.lib, *taken);
    ASSERT_TRUE(partial.face);
    ASSERT_EQ(partial.face->num_glyphs, added + 1);
    EXPECT_EQ(outline(partial.face, unsigned(added)), outline(original.face, 1));
}

} // namespace

namespace {

const QString dejaVu = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
const QString nimbus =
    QStringLiteral("/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf");

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 u32At(const QByteArray& data, qsizetype at)
{
    return quint32(quint8(data[at])) << 24 | quint32(quint8(data[at + 1])) << 16 |
           quint32(quint8(data[at + 2])) << 8 | quint8(data[at + 3]);
}

// Where the table directory of a single-face font describes `tag`.
qsizetype tableRecord(const QByteArray& font, const char* tag)
{
    const int count = quint8(font[4]) << 8 | quint8(font[5]);
    for (int i = 0; i < count; ++i)
        if (font.mid(12 + 16 * i, 4) == QByteArray(tag, 4))
            return 12 + 16 * i;
    return -1;
}

quint32 tableOffset(const QByteArray& font, const char* tag)
{
    return u32At(font, tableRecord(font, tag) + 8);
}

// The sum of the big-endian words of `data`, padded with zeros.
quint32 checksum(QByteArray data)
{
    data.append((4 - data.size() % 4) % 4, '\0');
    quint32 sum = 0;
    for (qsizetype i = 0; i < data.size(); i += 4)
        sum += u32At(data, i);
    return sum;
}

void setU32(QByteArray& data, qsizetype at, quint32 v)
{
    data.replace(at, 4, be32(v));
}

quint16 glyphOf(const FontFile& font, char32_t c)
{
    FreeType ft;
    Face face(ft.lib, font.postScriptName().contains(QLatin1String("DejaVu")) ? dejaVu : nimbus, 0);
    return quint16(FT_Get_Char_Index(face.face, c));
}

TEST(TrueTypeSubset, CompositeGlyphsBringTheirComponents)
{
    if (!QFile::exists(dejaVu))
        GTEST_SKIP() << "DejaVu Sans is not installed";
    const auto font = FontFile::open(dejaVu, 0);
    ASSERT_TRUE(font);
    // Å twice: both refer to the one copy of its components.
    const QList<quint16> glyphs{0, glyphOf(*font, U'é'), glyphOf(*font, U'Å'),
                                glyphOf(*font, U'Å')};
    QString error;
    const auto subset = subsetTrueType(*font, glyphs, &error);
    ASSERT_TRUE(subset) << error.toStdString();
    FreeType ft;
    Face original(ft.lib, dejaVu, 0), loaded(ft.lib, *subset);
    ASSERT_TRUE(loaded.face);
    EXPECT_GT(loaded.face->num_glyphs, glyphs.size()) << "no component was appended";
    EXPECT_LE(loaded.face->num_glyphs, glyphs.size() + 4);
    for (qsizetype i = 0; i < glyphs.size(); ++i)
        EXPECT_EQ(outline(loaded.face, unsigned(i)), outline(original.face, glyphs[i]));
}

TEST(TrueTypeSubset, ChecksumsAndLocaFormatAreRight)
{
    if (!QFile::exists(dejaVu))
        GTEST_SKIP() << "DejaVu Sans is not installed";
    const auto font = FontFile::open(dejaVu, 0);
    ASSERT_TRUE(font);
    for (int glyphCount : {20, 2000}) { // a short and a long loca table
        SCOPED_TRACE(glyphCount);
        QList<quint16> glyphs;
        for (int g = 0; g < glyphCount; ++g)
            glyphs.append(quint16(g));
        const auto subset = subsetTrueType(*font, glyphs, nullptr);
        ASSERT_TRUE(subset);
        const int tables = quint8((*subset)[4]) << 8 | quint8((*subset)[5]);
        for (int i = 0; i < tables; ++i) {
            const qsizetype rec = 12 + 16 * i;
            QByteArray table = subset->mid(u32At(*subset, rec + 8), u32At(*subset, rec + 12));
            if (subset->mid(rec, 4) == "head")
                setU32(table, 8, 0);
            EXPECT_EQ(checksum(table), u32At(*subset, rec + 4))
                << subset->mid(rec, 4).toStdString();
        }
        EXPECT_EQ(checksum(*subset), 0xB1B0AFBAu);
        const quint32 head = tableOffset(*subset, "head");
        EXPECT_EQ(quint8((*subset)[head + 51]), glyphCount == 20 ? 0 : 1);
    }
}

struct Damage
{
    const char* label;
    QString path;
    std::function<void(QByteArray&)> damage;
};

TEST(FontSubset, DamagedFontsAreRefusedWithAMessage)
{
    const std::vector<Damage> cases = {
        {"loca past the end of glyf", dejaVu,
         [](QByteArray& f) {
             const quint32 loca = tableOffset(f, "loca");
             const bool longLoca = f[tableOffset(f, "head") + 51] == 1;
             if (longLoca)
                 setU32(f, loca + 4 * 37, 0x7ffffff0);
             else
                 f.replace(loca + 2 * 37, 2, be16(0xfff0));
         }},
        {"glyf cut short", dejaVu,
         [](QByteArray& f) { setU32(f, tableRecord(f, "glyf") + 12, 4000); }},
        {"loca cut short", dejaVu,
         [](QByteArray& f) { setU32(f, tableRecord(f, "loca") + 12, 20); }},
        {"composite with a component past the last glyph", dejaVu,
         [](QByteArray& f) {
             const auto font = FontFile::fromData(f, 0);
             const quint16 g = glyphOf(*font, U'é');
             const quint32 loca = tableOffset(f, "loca");
             const bool longLoca = f[tableOffset(f, "head") + 51] == 1;
             const quint32 at =
                 longLoca ? u32At(f, loca + 4 * g)
                          : 2 * (quint8(f[loca + 2 * g]) << 8 | quint8(f[loca + 2 * g + 1]));
             f.replace(tableOffset(f, "glyf") + at + 12, 2, be16(0xfffe));
         }},
        {"CFF table cut inside its header indexes", nimbus,
         [](QByteArray& f) { setU32(f, tableRecord(f, "CFF ") + 12, 40); }},
        {"CFF table cut inside the charstrings", nimbus,
         [](QByteArray& f) { setU32(f, tableRecord(f, "CFF ") + 12, 20000); }},
        {"CFF table cut inside the local subroutines", nimbus,
         [](QByteArray& f) {
             setU32(f, tableRecord(f, "CFF ") + 12, u32At(f, tableRecord(f, "CFF ") + 12) - 1000);
         }},
        {"CFF table past the end of the file", nimbus,
         [](QByteArray& f) { setU32(f, tableRecord(f, "CFF ") + 8, 0x7ffffff0); }},
    };
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.label);
        QByteArray data = readFile(c.path);
        if (data.isEmpty())
            GTEST_SKIP() << c.path.toStdString() << " is not installed";
        const auto intact = FontFile::open(c.path, 0);
        ASSERT_TRUE(intact);
        QList<quint16> glyphs{0};
        for (char32_t ch : U"AZaz09é!&Å")
            if (ch)
                glyphs.append(glyphOf(*intact, ch));
        c.damage(data);
        QString error;
        const auto font = FontFile::fromData(data, 0, &error);
        ASSERT_TRUE(font) << error.toStdString();
        const auto subset = font->outlines() == FontFile::Outlines::TrueType
                                ? subsetTrueType(*font, glyphs, &error)
                                : subsetCff(*font, glyphs, &error);
        EXPECT_FALSE(subset);
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(FontFile, RefusesWhatIsNoFontFace)
{
    const QByteArray collection =
        QByteArray("ttcf") + be32(0x00010000) + be32(1) + be32(16) + QByteArray(64, '\0');
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"no sfnt", QByteArray("<html>this is not a font</html>")},
        {"empty", QByteArray()},
        {"directory cut short", sfnt(0x00010000, {{"head", QByteArray(54, '\0')}}).left(20)},
        {"head too short",
         sfnt(0x00010000, {{"head", QByteArray(20, '\0')}, {"maxp", be32(0x5000) + be16(2)}})},
        {"no maxp", sfnt(0x00010000, {{"head", QByteArray(54, '\0')}})},
        {"collection face past its count", collection},
    };
    for (const auto& [label, data] : cases) {
        SCOPED_TRACE(label);
        QString error;
        EXPECT_FALSE(FontFile::fromData(data, label == cases.back().first ? 1 : 0, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    QString error;
    EXPECT_FALSE(FontFile::open(QStringLiteral("/nonexistent/font.ttf"), 0, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(FontFile, ReadsMetricsAndKeepsTheGlyphsOfASubsetFont)
{
    // A subset is a font in its own right: FontFile reads it back.
    if (!QFile::exists(dejaVu))
        GTEST_SKIP() << "DejaVu Sans is not installed";
    const auto font = FontFile::open(dejaVu, 0);
    ASSERT_TRUE(font);
    const quint16 a = glyphOf(*font, U'A'), i = glyphOf(*font, U'i');
    const auto subset = subsetTrueType(*font, {0, a, i}, nullptr);
    ASSERT_TRUE(subset);
    const auto reread = FontFile::fromData(*subset, 0);
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->outlines(), FontFile::Outlines::TrueType);
    EXPECT_EQ(reread->glyphCount(), 3);
    EXPECT_EQ(reread->unitsPerEm(), font->unitsPerEm());
    EXPECT_EQ(reread->advance(1), font->advance(a));
    EXPECT_EQ(reread->advance(2), font->advance(i));
    EXPECT_NE(font->advance(a), font->advance(i));
    EXPECT_EQ(reread->advance(400), font->advance(i)) << "the last advance repeats";
    EXPECT_TRUE(reread->table("name").isEmpty());
    EXPECT_FALSE(reread->postScriptName().isEmpty()) << "a made-up name stands in";
}

} // namespace

namespace {

TEST(FontSubset, RefusesGlyphListsItCannotKeep)
{
    const std::vector<std::pair<const char*, QList<quint16>>> cases = {
        {"empty", {}},
        {".notdef not first", {3, 0}},
        {"glyph past the last", {0, 3, 65000}},
        {"more glyphs than a font holds", QList<quint16>(70000, 0)},
    };
    for (const QString& path : {dejaVu, nimbus}) {
        const auto font = FontFile::open(path, 0);
        if (!font)
            GTEST_SKIP() << path.toStdString() << " is not installed";
        for (const auto& [label, glyphs] : cases) {
            SCOPED_TRACE(label);
            QString error;
            EXPECT_FALSE(font->outlines() == FontFile::Outlines::Cff
                             ? subsetCff(*font, glyphs, &error)
                             : subsetTrueType(*font, glyphs, &error));
            EXPECT_FALSE(error.isEmpty());
        }
        // The other kind of outlines is refused, not misread.
        QString error;
        EXPECT_FALSE(font->outlines() == FontFile::Outlines::Cff
                         ? subsetTrueType(*font, {0, 1}, &error)
                         : subsetCff(*font, {0, 1}, &error));
        EXPECT_FALSE(error.isEmpty());
    }
}

} // namespace
