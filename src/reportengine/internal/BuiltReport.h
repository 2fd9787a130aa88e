#pragma once

#include "reportengine/internal/Template.h"
#include "reportengine/internal/TextLayout.h"

#include <QColor>
#include <QImage>
#include <QLineF>
#include <QList>
#include <QRectF>
#include <QString>
#include <variant>
#include <vector>

class QPainter;

namespace hra::reportengine {

// Resolved page content, in units relative to the printable area.

struct TextPrimitive
{
    QRectF rect;
    QPointF origin; // where the laid-out glyph positions start
    QList<GlyphRunText> runs;
    QString text;             // the resolved text, lines joined by '\n'
    QList<QLineF> underlines; // relative to origin, like the glyphs
    qreal underlineWidth = 0;
    QColor color = Qt::black;
    QColor fill;
    Frame frame;
    bool clip = true;
    QString missing; // characters printed without a glyph (see LaidOutText)
    bool noFont = false;
};

struct LinePrimitive
{
    QLineF line;
    qreal width = 1;
    QColor color = Qt::black;
    Qt::PenStyle style = Qt::SolidLine;
};

struct RectPrimitive
{
    QRectF rect;
    qreal radius = 0;
    qreal frameWidth = 1;
    QColor frameColor = Qt::black;
    QColor fill;
};

struct ImagePrimitive
{
    QRectF box;    // the picture object's box; drawing is clipped to it
    QRectF target; // where the whole image lands
    PictureImage image;
};

using Primitive = std::variant<TextPrimitive, LinePrimitive, RectPrimitive, ImagePrimitive>;

// Appends a line (out of line: GCC warns falsely when lines are pushed into
// the variant vector inline).
void appendLine(std::vector<Primitive>& out, const QLineF& line, qreal width, const QColor& color,
                Qt::PenStyle style = Qt::SolidLine);

// Appends a frame around `rect` (a text primitive without text).
void appendFrame(std::vector<Primitive>& out, const QRectF& rect, const Frame& frame);

struct BuiltPage
{
    PageSetup setup;
    QString templatePage; // name of the template page it came from
    int number = 1;       // page number within the build, from 1
    std::vector<Primitive> primitives;
};

// The outcome of a build: pages of resolved primitives, painted by one
// function for the preview, the printer, PDF and PNG alike.
class BuiltReport
{
public:
    int pageCount() const { return int(m_pages.size()); }
    bool isEmpty() const { return m_pages.empty(); }
    const BuiltPage& page(int index) const { return m_pages.at(size_t(index)); }
    const std::vector<BuiltPage>& pages() const { return m_pages; }
    void appendPage(BuiltPage page) { m_pages.push_back(std::move(page)); }

    // Paints page `index` (from 0). The painter's coordinates must be units
    // (96 per inch) with the origin at the paper's top-left corner; see
    // scalePainterToUnits().
    void paintPage(int index, QPainter& painter) const;

    // The text boxes of a page, in the order they were placed, one per line.
    QString pageText(int index) const;

private:
    std::vector<BuiltPage> m_pages;
};

// Scales a painter on a device of `dpi` dots per inch to units.
void scalePainterToUnits(QPainter& painter, qreal dpi);

} // namespace hra::reportengine
