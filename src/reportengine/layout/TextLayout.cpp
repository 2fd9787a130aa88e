#include "reportengine/layout/TextLayout.h"

#include "reportengine/fonts/FontBytes.h"
#include "reportengine/fonts/Fonts.h"

#include <QHash>
#include <QMutex>
#include <QRawFont>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <memory>
#include <optional>

namespace hra::reportengine {

namespace {

// One character (code point) with the font that has its glyph.
struct Cell
{
    qsizetype begin = 0; // index into the paragraph
    qsizetype length = 1;
    quint32 glyph = 0;
    bool fallback = false;
    qreal advance = 0;
    bool space = false;
};

struct LineCells
{
    int first = 0;
    int end = 0;     // one past the last cell
    qreal width = 0; // without trailing spaces
};

// The fallback font, looked up only when a character needs it.
class LazyFallback
{
public:
    explicit LazyFallback(const FontStyle& style) : m_style(style) {}
    const QRawFont& font()
    {
        if (!m_font)
            m_font = fallbackRawFontFor(m_style);
        return *m_font;
    }

private:
    const FontStyle& m_style;
    std::optional<QRawFont> m_font;
};

// A face's horizontal metrics, read once for all its sizes: the CJK fonts'
// `hmtx` tables hold 65,535 glyphs each.
struct MetricsTables
{
    explicit MetricsTables(const QRawFont& font)
    {
        const QByteArray head = font.fontTable("head");
        const QByteArray hhea = font.fontTable("hhea");
        hmtx = font.fontTable("hmtx");
        if (head.size() < 20 || hhea.size() < 36)
            return;
        unitsPerEm = fontbytes::Reader(head).u16(18);
        metrics = fontbytes::Reader(hhea).u16(34);
        if (hmtx.size() < 4 * qsizetype(metrics))
            metrics = 0;
    }

    QByteArray hmtx;
    quint32 metrics = 0;
    qint64 unitsPerEm = 0;
};

// Design advances read from a font's `hmtx` table and scaled with FreeType's
// fixed-point arithmetic. Asking Qt instead makes FreeType load the whole
// glyph for each advance, which for the CFF outlines of the CJK fonts is
// most of the layout's time.
class AdvanceTable
{
public:
    AdvanceTable(std::shared_ptr<const MetricsTables> tables, qreal pixelSize)
        : m_tables(std::move(tables))
    {
        if (m_tables->unitsPerEm == 0 || m_tables->metrics == 0)
            return;
        // The character size Qt sets (26.6 pixels) over the em, in 16.16.
        const qint64 size = qRound64(pixelSize * 64);
        m_scale = ((size << 16) + m_tables->unitsPerEm / 2) / m_tables->unitsPerEm;
    }

    bool valid() const { return m_scale > 0; }

    qreal advance(quint32 glyph) const
    {
        const qint64 units =
            fontbytes::Reader(m_tables->hmtx)
                .u16(4 * qsizetype(std::min<quint32>(glyph, m_tables->metrics - 1)));
        const qint64 linear = (units * m_scale + 32) / 64; // 16.16 pixels
        return (linear >> 10) / 64.0;                      // Qt keeps 26.6
    }

private:
    std::shared_ptr<const MetricsTables> m_tables;
    qint64 m_scale = 0;
};

// The design advances of glyphs as Qt gives them: from the face's table
// (the same numbers, checked on every glyph and size of the installed
// fonts), or from Qt for a font without one.
QList<qreal> designAdvances(const QRawFont& font, const QString& key, const QList<quint32>& glyphs)
{
    static QMutex mutex;
    static QHash<QString, std::shared_ptr<const MetricsTables>> faces;
    static QHash<QString, std::shared_ptr<const AdvanceTable>> sizes;
    std::shared_ptr<const AdvanceTable> table;
    {
        const QMutexLocker lock(&mutex);
        std::shared_ptr<const AdvanceTable>& size = sizes[key];
        if (!size) {
            auto& face = faces[key.left(key.lastIndexOf(u'|'))];
            if (!face)
                face = std::make_shared<const MetricsTables>(font);
            size = std::make_shared<const AdvanceTable>(face, font.pixelSize());
        }
        table = size;
    }
    QList<qreal> out;
    out.reserve(glyphs.size());
    if (table->valid()) {
        for (quint32 g : glyphs)
            out << table->advance(g);
        return out;
    }
    for (const QPointF& a : font.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics))
        out << a.x();
    return out;
}

std::vector<Cell> shapeParagraph(const QString& paragraph, const QString& primaryKey,
                                 const QRawFont& primary, LazyFallback& fallback)
{
    // One glyph per code point, straight from the character maps: every glyph
    // keeps a character behind it, which the PDF text layer relies on.
    std::vector<Cell> cells;
    cells.reserve(paragraph.size());
    const QList<quint32> glyphs = primary.glyphIndexesForString(paragraph);
    const QList<qreal> advances = designAdvances(primary, primaryKey, glyphs);
    qsizetype i = 0;
    for (qsizetype g = 0; g < glyphs.size() && i < paragraph.size(); ++g) {
        Cell cell;
        cell.begin = i;
        cell.length = paragraph.at(i).isHighSurrogate() && i + 1 < paragraph.size() ? 2 : 1;
        cell.space = paragraph.at(i).isSpace();
        cell.glyph = glyphs.at(g);
        cell.advance = g < advances.size() ? advances.at(g) : 0;
        if (cell.glyph == 0 && fallback.font().isValid()) {
            const QRawFont& other = fallback.font();
            const QList<quint32> found = other.glyphIndexesForString(paragraph.mid(i, cell.length));
            if (!found.isEmpty() && found.first() != 0) {
                cell.glyph = found.first();
                cell.fallback = true;
                cell.advance =
                    other.advancesForGlyphIndexes(found, QRawFont::UseDesignMetrics).value(0).x();
            }
        }
        cells.push_back(cell);
        i += cell.length;
    }
    return cells;
}

// Reports repeat their strings (table cells, the person box of every page):
// each paragraph is shaped once per font. Cells hold no font, only glyph
// numbers and advances, so they are plain data shared between threads.
std::shared_ptr<const std::vector<Cell>> shapeCached(const QString& paragraph,
                                                     const QString& primaryKey,
                                                     const QRawFont& primary,
                                                     LazyFallback& fallback)
{
    static QMutex mutex;
    static QHash<QString, std::shared_ptr<const std::vector<Cell>>> cache;
    constexpr qsizetype kMaxEntries = 20000;
    const QString key = primaryKey + u'|' + paragraph;
    {
        const QMutexLocker lock(&mutex);
        auto it = cache.constFind(key);
        if (it != cache.constEnd())
            return *it;
    }
    auto cells = std::make_shared<const std::vector<Cell>>(
        shapeParagraph(paragraph, primaryKey, primary, fallback));
    const QMutexLocker lock(&mutex);
    if (cache.size() >= kMaxEntries)
        cache.clear();
    cache.insert(key, cells);
    return cells;
}

// Letters, digits and signs of alphabetic scripts keep together when a line
// is spread: "3.4mmol/L" must not read "3 . 4 m m o l". Space goes after
// ideographs and between words.
bool keepsTogether(const QString& paragraph, const Cell& cell)
{
    if (cell.space)
        return false;
    const char32_t c = QStringView(paragraph).mid(cell.begin, cell.length).toUcs4().value(0);
    return c < 0x2E80 || (c >= 0xFF01 && c <= 0xFF5E && QChar::isLetterOrNumber(c));
}

bool stretchesAfter(const QString& paragraph, const std::vector<Cell>& cells, int i)
{
    return !(keepsTogether(paragraph, cells[i]) && keepsTogether(paragraph, cells[i + 1]));
}

qreal widthOf(const std::vector<Cell>& cells, int first, int end)
{
    while (end > first && cells[end - 1].space)
        --end;
    qreal w = 0;
    for (int i = first; i < end; ++i)
        w += cells[i].advance;
    return w;
}

// Greedy line breaking at the Unicode line-break opportunities; a piece
// wider than the line is cut between characters.
std::vector<LineCells> breakLines(const QString& paragraph, const std::vector<Cell>& cells,
                                  qreal width, bool wrap)
{
    std::vector<LineCells> lines;
    const int n = int(cells.size());
    // Most paragraphs of a report fit their box: one line, whatever the
    // break opportunities (advances are never negative, so every piece of a
    // paragraph that fits fits too).
    const qreal whole = widthOf(cells, 0, n);
    if (!wrap || n == 0 || whole <= width + 0.01) {
        lines.push_back({0, n, whole});
        return lines;
    }
    // Cell index at which each break opportunity falls.
    std::vector<int> breaks;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, paragraph);
    int cellIndex = 0;
    for (qsizetype pos = finder.toNextBoundary(); pos > 0 && pos <= paragraph.size();
         pos = finder.toNextBoundary()) {
        while (cellIndex < n && cells[cellIndex].begin < pos)
            ++cellIndex;
        breaks.push_back(cellIndex);
        if (pos == paragraph.size())
            break;
    }
    if (breaks.empty() || breaks.back() != n)
        breaks.push_back(n);

    int lineStart = 0;
    int lastFit = 0; // end of the last piece that fitted on the current line
    for (int end : breaks) {
        if (end <= lineStart)
            continue;
        if (widthOf(cells, lineStart, end) <= width + 0.01) {
            lastFit = end;
            continue;
        }
        if (lastFit > lineStart) {
            lines.push_back({lineStart, lastFit, widthOf(cells, lineStart, lastFit)});
            lineStart = lastFit;
        }
        // The piece alone may still be too wide: cut it by characters.
        while (widthOf(cells, lineStart, end) > width + 0.01) {
            int cut = lineStart + 1;
            while (cut < end && widthOf(cells, lineStart, cut + 1) <= width + 0.01)
                ++cut;
            if (cut >= end)
                break;
            lines.push_back({lineStart, cut, widthOf(cells, lineStart, cut)});
            lineStart = cut;
        }
        lastFit = end;
    }
    if (lineStart < n || lines.empty())
        lines.push_back({lineStart, n, widthOf(cells, lineStart, n)});
    return lines;
}

} // namespace

LaidOutText layoutText(const QString& text, const FontStyle& font, qreal width, HAlign align,
                       bool wrap, qreal lineSpacing)
{
    LaidOutText out;
    const KeyedRawFont keyed = keyedRawFontFor(font);
    const QRawFont& primary = keyed.font;
    LazyFallback fallback(font);
    if (!primary.isValid()) {
        out.noFont = true;
        for (const QChar c : text)
            if (!c.isSpace())
                out.missing += c;
        return out;
    }
    const qreal pitch = font.size * lineSpacing;
    const qreal glyphHeight = primary.ascent() + primary.descent();
    const qreal baselineOffset = (pitch - glyphHeight) / 2 + primary.ascent();

    QString normalized = text;
    normalized.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    const QStringList paragraphs = normalized.split(u'\n');
    int lineNo = 0;
    for (const QString& paragraph : paragraphs) {
        QString shaped = paragraph;
        shaped.replace(u'\t', u' ');
        const std::shared_ptr<const std::vector<Cell>> shapedCells =
            shapeCached(shaped, keyed.key, primary, fallback);
        const std::vector<Cell>& cells = *shapedCells;
        const std::vector<LineCells> lines = breakLines(paragraph, cells, width, wrap);
        for (size_t li = 0; li < lines.size(); ++li, ++lineNo) {
            const LineCells& line = lines[li];
            int visibleEnd = line.end;
            while (visibleEnd > line.first && cells[visibleEnd - 1].space)
                --visibleEnd;
            const int count = visibleEnd - line.first;
            const qreal spare = width - line.width;
            qreal x = 0;
            qreal gap = 0; // extra space after each stretchable character
            const bool lastOfParagraph = li + 1 == lines.size();
            int stretchable = 0;
            for (int i = line.first; i + 1 < visibleEnd; ++i)
                stretchable += stretchesAfter(paragraph, cells, i);
            switch (align) {
            case HAlign::Left:
                break;
            case HAlign::Center:
                x = spare / 2;
                break;
            case HAlign::Right:
                x = spare;
                break;
            case HAlign::Justify:
                if (!lastOfParagraph && stretchable > 0 && spare > 0)
                    gap = spare / stretchable;
                break;
            case HAlign::Distribute:
                if (stretchable > 0 && spare > 0)
                    gap = spare / stretchable;
                else
                    x = spare / 2;
                break;
            }
            const qreal baseline = lineNo * pitch + baselineOffset;
            const qreal lineStartX = x;
            // The line's characters are one piece of the paragraph; the runs
            // of one font are pieces of that.
            const qsizetype lineBegin = count > 0 ? cells[line.first].begin : 0;
            const qsizetype lineEnd =
                count > 0 ? cells[visibleEnd - 1].begin + cells[visibleEnd - 1].length : 0;
            qsizetype runBegin = lineBegin;
            QList<quint32> glyphs;
            QList<QPointF> positions;
            glyphs.reserve(count);
            positions.reserve(count);
            bool runFallback = false;
            qreal runEnd = 0;
            auto flush = [&](qsizetype runFinish) {
                if (glyphs.isEmpty())
                    return;
                GlyphRunText run;
                run.run.setRawFont(runFallback ? fallback.font() : primary);
                run.run.setGlyphIndexes(glyphs);
                run.run.setPositions(positions);
                run.text = paragraph.mid(runBegin, runFinish - runBegin);
                run.end = runEnd;
                out.runs.append(run);
                glyphs.clear();
                positions.clear();
                runBegin = runFinish;
            };
            for (int i = line.first; i < visibleEnd; ++i) {
                const Cell& cell = cells[i];
                if (cell.glyph == 0 && !cell.space)
                    out.missing += QStringView(paragraph).mid(cell.begin, cell.length);
                if (!glyphs.isEmpty() && runFallback != cell.fallback)
                    flush(cell.begin);
                runFallback = cell.fallback;
                glyphs << cell.glyph;
                positions << QPointF(x, baseline);
                runEnd = x + cell.advance;
                x += cell.advance;
                if (i + 1 < visibleEnd && stretchesAfter(paragraph, cells, i))
                    x += gap;
            }
            flush(lineEnd);
            if (font.underline && visibleEnd > line.first) {
                const qreal y = baseline + primary.underlinePosition();
                out.underlines << QLineF(lineStartX, y, runEnd, y);
            }
            out.lines << paragraph.mid(lineBegin, lineEnd - lineBegin);
            out.lineWidths << widthOf(cells, line.first, visibleEnd);
        }
    }
    out.height = lineNo * pitch;
    out.underlineWidth = std::max<qreal>(primary.lineThickness(), font.size / 20);
    return out;
}

} // namespace hra::reportengine
