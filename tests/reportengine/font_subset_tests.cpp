// Subsets are checked by loading them back with FreeType and comparing every
// glyph's outline, in font units and unhinted, with the original face's.

#include "reportengine/internal/FontFile.h"
#include "reportengine/internal/FontSubset.h"

#include <QFile>
#include <ft2build.h>
#include <gtest/gtest.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

using namespace hra::reportengine;

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
