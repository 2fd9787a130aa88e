#pragma once

#include "reportengine/layout/Template.h"

#include <QGlyphRun>
#include <QLineF>
#include <QList>
#include <QString>
#include <QStringList>

namespace hra::reportengine {

// Glyphs of one font on one line, with the characters they show (the PDF
// export uses them to make the text extractable).
struct GlyphRunText
{
    QGlyphRun run; // positions relative to the text origin
    QString text;
    qreal end = 0; // where the last glyph's advance ends, like the positions
};

struct LaidOutText
{
    QList<GlyphRunText> runs;
    QStringList lines;
    // Each line's width as set, left-aligned and without its trailing spaces:
    // what it needs, whatever the alignment spreads or moves.
    QList<qreal> lineWidths;
    qreal height = 0; // lines times the line pitch
    // Drawn by the engine rather than by the glyph runs, which the raster
    // engine would leave without underline.
    QList<QLineF> underlines;
    qreal underlineWidth = 0;
    // Characters that neither the font nor the fallback has a glyph for; all
    // of the text when no font resolves at all (noFont).
    QString missing;
    bool noFont = false;
};

// Breaks text into lines of at most `width` units (when wrapping) and places
// the glyphs. The layout is done once, on font design metrics, so that the
// screen, the printer and PDF show the same lines.
LaidOutText layoutText(const QString& text, const FontStyle& font, qreal width, HAlign align,
                       bool wrap, qreal lineSpacing);

} // namespace hra::reportengine
