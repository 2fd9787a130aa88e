#pragma once

#include "reportengine/layout/Template.h"
#include "reportengine/layout/TextLayout.h"

#include <QColor>
#include <QImage>
#include <QLineF>
#include <QList>
#include <QRectF>
#include <QString>
#include <memory>
#include <stdexcept>
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

// Whether painting `t` needs a clip to its rectangle: it asks for one and
// some glyph or underline could reach outside. A clip costs a PDF a clip
// path per box, and most boxes never need one.
bool textNeedsClip(const TextPrimitive& t);

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

class PageSpill;
struct SpilledPage;

// Paints a page: the one painting function of the preview, the printer, PDF
// and PNG alike. The painter's coordinates must be units (96 per inch) with
// the origin at the paper's top-left corner; see scalePainterToUnits().
void paintPage(const BuiltPage& page, QPainter& painter);

// The text boxes of a page, in the order they were placed, one per line.
QString pageText(const BuiltPage& page);

// A spilled page that cannot be written or read back (a full disk, a
// temporary file gone).
class SpillError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The outcome of a build: pages of resolved primitives, held in memory or
// (a build on a build thread) written to a spill file with only their page
// setup kept here. Copies share the pages.
class BuiltReport
{
public:
    int pageCount() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    // Whether the pages lie in a spill file (a build on a build thread).
    bool isSpilled() const { return m_spill != nullptr; }
    // A page held in memory (a report built at once); see pageAt().
    const BuiltPage& page(int index) const;
    // Any page; a spilled one is read back (painted on the calling thread).
    // Throws SpillError when it cannot be.
    std::shared_ptr<const BuiltPage> pageAt(int index) const;
    const PageSetup& pageSetup(int index) const { return m_entries.at(size_t(index)).setup; }
    void appendPage(BuiltPage page);
    void appendSpilled(const std::shared_ptr<PageSpill>& spill, const SpilledPage& page);
    // Takes the pages of `other` from index `from` on (the same build, grown).
    void appendFrom(const BuiltReport& other, int from);

    // Paints page `index` (from 0); see paintPage() above.
    void paintPage(int index, QPainter& painter) const;

    // The text boxes of a page, in the order they were placed, one per line.
    QString pageText(int index) const;

private:
    struct Entry
    {
        PageSetup setup;
        std::shared_ptr<const BuiltPage> page; // null when spilled
        qint64 offset = -1;
        qint64 length = 0;
    };
    std::vector<Entry> m_entries;
    std::shared_ptr<PageSpill> m_spill;
};

// Scales a painter on a device of `dpi` dots per inch to units.
void scalePainterToUnits(QPainter& painter, qreal dpi);

} // namespace hra::reportengine
