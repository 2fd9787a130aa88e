#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <optional>

class QIODevice;
class QRawFont;

namespace hra::reportengine {

class BuiltReport;
struct BuiltPage;

// Qt's PDF writer maps each embedded glyph back to the lowest code point
// that shows it, so a CJK font that draws 页 and the radical ⻚ with one
// glyph makes extracted text read ⻚. The repair rewrites the PDF's
// ToUnicode maps with the characters that were actually drawn.

// Code point the writer puts in a text map -> the character drawn instead.
using TextMapRepairs = QHash<char16_t, char16_t>;

// The repairs pages need, gathered page by page as they are written.
class TextMapRepairCollector
{
public:
    void add(const BuiltPage& page);
    // A code point that is also drawn as itself somewhere is never repaired.
    TextMapRepairs repairs() const;

private:
    TextMapRepairs m_repairs;
    QSet<char16_t> m_drawn;
};

// The repairs the text of `report` needs. A code point that is also drawn
// as itself somewhere is never repaired.
TextMapRepairs textMapRepairs(const BuiltReport& report);

// Rewrites every ToUnicode map of `pdf` with `repairs` applied, moving the
// objects after it and writing a new cross-reference table. A PDF of any
// other shape than the one Qt writes (one xref subsection, maps of 4-digit
// codes) is returned unchanged.
QByteArray rewriteTextMaps(const QByteArray& pdf, const TextMapRepairs& repairs);

// Lowest BMP code point of each glyph (indexed by glyph; 0: none), as Qt
// maps glyphs back to characters: read from a font's `cmap` and `maxp`
// tables, or nothing for a map it cannot read; and the same by asking the
// font for the glyph of every code point (slow).
std::optional<QList<char16_t>> lowestCodePointsFromTables(const QByteArray& cmap,
                                                          const QByteArray& maxp);
QList<char16_t> lowestCodePointsByLookup(const QRawFont& font);

// The same from a file to a file, reading one object at a time so that a PDF
// of thousands of pages is never held whole. Unchanged: nothing to repair or
// a PDF of another shape, and nothing was written to `out`.
enum class MapRewrite
{
    Rewritten,
    Unchanged,
    Failed // `out` could not be written
};
MapRewrite rewriteTextMaps(QIODevice& pdf, QIODevice& out, const TextMapRepairs& repairs);

// Both of the above: the PDF `report` was exported to, with repaired maps.
QByteArray repairPdfTextMaps(const QByteArray& pdf, const BuiltReport& report);

} // namespace hra::reportengine
