#include "reportengine/pdf/PdfWriter.h"

#include "reportengine/common/TaskQueue.h"
#include "reportengine/common/Units.h"
#include "reportengine/fonts/FontFile.h"
#include "reportengine/fonts/FontSubset.h"
#include "reportengine/layout/BuiltReport.h"
#include "reportengine/pictures/JpegHeader.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QHash>
#include <QIODevice>
#include <QMutex>
#include <QPainterPath>
#include <QRawFont>
#include <QTimeZone>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <fontconfig/fontconfig.h>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>
#include <zlib.h>

namespace hra::reportengine {

namespace {

// Page coordinates are units (96 per inch, y down); PDF's are points (72 per
// inch, y up). Each page's content starts by turning one into the other.
constexpr qreal kPointsPerUnit = 72.0 / kUnitsPerInch;

// Synthetic styles, for a face asked for in a weight or slant it lacks: the
// outline is stroked as well as filled (as thick as the emboldening of the
// screen's font engine) and slanted.
constexpr qreal kSyntheticBoldStroke = 1.0 / 30;
constexpr qreal kSyntheticSlant = 0.2;

// A number with at most three decimals and no trailing zeros, which is all
// the precision pages need (a thousandth of a unit or of a point).
void appendNumber(QByteArray& out, qreal v)
{
    if (!std::isfinite(v) || std::abs(v) >= 1e15) {
        out.append('0');
        return;
    }
    const qint64 thousandths = std::llround(v * 1000);
    quint64 whole = quint64(std::abs(thousandths)) / 1000;
    const int fraction = int(quint64(std::abs(thousandths)) % 1000);
    char buffer[32];
    char* const end = buffer + sizeof buffer;
    char* p = end;
    if (fraction) {
        const char digits[3] = {char('0' + fraction / 100), char('0' + fraction / 10 % 10),
                                char('0' + fraction % 10)};
        int n = 3;
        while (digits[n - 1] == '0')
            --n;
        p -= n;
        std::copy(digits, digits + n, p);
        *--p = '.';
    }
    do {
        *--p = char('0' + whole % 10);
        whole /= 10;
    } while (whole);
    if (thousandths < 0)
        *--p = '-';
    out.append(p, end - p);
}

void appendInt(QByteArray& out, qint64 v)
{
    char buffer[24];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, end - buffer);
}

QByteArray number(qreal v)
{
    QByteArray out;
    appendNumber(out, v);
    return out;
}

void appendHex4(QByteArray& out, quint32 v)
{
    static const char digits[] = "0123456789ABCDEF";
    const char hex[4] = {digits[(v >> 12) & 15], digits[(v >> 8) & 15], digits[(v >> 4) & 15],
                         digits[v & 15]};
    out.append(hex, 4);
}

// A PDF name: delimiters, '#' and anything outside printable ASCII escaped.
QByteArray pdfName(const QByteArray& raw)
{
    QByteArray out;
    for (char c : raw) {
        const uchar u = uchar(c);
        if (u < 33 || u > 126 || QByteArrayView("#()<>[]{}/%").contains(c)) {
            out.append('#');
            out.append(QByteArray::number(u, 16).rightJustified(2, '0').toUpper());
        } else {
            out.append(c);
        }
    }
    return out;
}

// A text string: UTF-16 with its byte-order mark, in hex.
QByteArray pdfText(const QString& text)
{
    QByteArray out = "<FEFF";
    for (QChar c : text)
        appendHex4(out, c.unicode());
    out.append('>');
    return out;
}

QByteArray deflate(const QByteArray& data)
{
    // The fastest level: fonts and pages are small once subset, and time
    // matters more here than the last tenth of the size.
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()),
                  Z_BEST_SPEED) != Z_OK)
        return {};
    out.resize(qsizetype(size));
    return out;
}

// The objects of the file, written as they come with their offsets kept for
// the cross-reference table.
class ObjectWriter
{
public:
    explicit ObjectWriter(QIODevice& device) : m_device(device) { m_offsets.push_back(0); }

    int reserve()
    {
        m_offsets.push_back(-1);
        return int(m_offsets.size()) - 1;
    }

    void raw(QByteArrayView bytes)
    {
        m_buffer.append(bytes);
        m_position += bytes.size();
        if (m_buffer.size() >= (1 << 16))
            flush();
    }

    void object(int number, QByteArrayView body)
    {
        begin(number);
        raw(body);
        raw("\nendobj\n");
    }

    // A stream object: `dictionary` holds the entries beside /Length.
    void stream(int number, QByteArrayView dictionary, QByteArrayView data)
    {
        begin(number);
        QByteArray head = "<< ";
        head.append(dictionary);
        head.append(" /Length ");
        appendInt(head, data.size());
        head.append(" >>\nstream\n");
        raw(head);
        raw(data);
        raw("\nendstream\nendobj\n");
    }

    // The cross-reference table and the trailer; every reserved object must
    // have been written.
    bool finish(int root, int info)
    {
        const qint64 xref = m_position;
        QByteArray table = "xref\n0 ";
        appendInt(table, qint64(m_offsets.size()));
        table.append("\n0000000000 65535 f \n");
        for (size_t i = 1; i < m_offsets.size(); ++i) {
            if (m_offsets[i] < 0)
                return false;
            table.append(QByteArray::number(m_offsets[i]).rightJustified(10, '0'));
            table.append(" 00000 n \n");
        }
        table.append("trailer\n<< /Size ");
        appendInt(table, qint64(m_offsets.size()));
        table.append(" /Root ");
        appendInt(table, root);
        table.append(" 0 R /Info ");
        appendInt(table, info);
        table.append(" 0 R >>\nstartxref\n");
        appendInt(table, xref);
        table.append("\n%%EOF\n");
        raw(table);
        return flush();
    }

    // After a refused write nothing more is kept: the document is lost
    // anyway, and a long one must not pile up in memory.
    bool flush()
    {
        if (m_ok && !m_buffer.isEmpty())
            m_ok = m_device.write(m_buffer) == m_buffer.size();
        m_buffer.clear();
        return m_ok;
    }

    bool ok() const { return m_ok; }

private:
    void begin(int number)
    {
        m_offsets[size_t(number)] = m_position;
        QByteArray head;
        appendInt(head, number);
        head.append(" 0 obj\n");
        raw(head);
    }

    QIODevice& m_device;
    QByteArray m_buffer;
    qint64 m_position = 0;
    std::vector<qint64> m_offsets; // by object number; -1: reserved, not yet written
    bool m_ok = true;
};

// One font program embedded once, whatever sizes and styles draw with it.
// Codes are glyph numbers of the subset, given in the order glyphs are first
// drawn; code 0 is the font's .notdef.
struct EmbeddedFont
{
    std::shared_ptr<const FontFile> file;
    QByteArray resource; // F1, F2, ...
    int object = 0;      // the Type 0 font, written at the end
    bool drawn = false;  // a page names it; else it is left out
    QHash<quint32, quint16> codes{{0, 0}};
    QList<quint16> glyphs{0};             // code -> glyph of the font
    QList<QString> characters{QString()}; // code -> what it shows, first drawn
    QList<int> widths;                    // code -> advance, as the font dictionary gives it
    // CFF outlines: each glyph joins the subset when it is first drawn, so
    // that one the subset refuses is known before its page is written.
    std::unique_ptr<CffSubset> cff;

    // A glyph's advance in thousandths of the size.
    int width(quint32 glyph) const
    {
        return qRound(file->advance(quint16(glyph)) * 1000.0 / file->unitsPerEm());
    }

    // The code of a glyph, given the characters it shows (kept for the text
    // map when the glyph is new); none when the subset refuses the glyph.
    std::optional<quint16> code(quint32 glyph, QStringView shows)
    {
        const auto it = codes.constFind(glyph);
        if (it != codes.constEnd())
            return *it;
        if (cff && (glyph > 0xFFFF || !cff->add(quint16(glyph))))
            return std::nullopt;
        const auto next = quint16(glyphs.size());
        codes.insert(glyph, next);
        glyphs << quint16(glyph);
        characters << shows.toString();
        widths << width(glyph);
        return next;
    }
};

// A font subset ready for its stream: CFF as it is, TrueType deflated
// (`length` before). No data: the font could not be subset (`error`).
struct FontProgram
{
    std::optional<QByteArray> data;
    qsizetype length = 0;
    QString error;
};

// How a raw font is drawn: an embedded font (null: as outlines), and the
// styles its face lacks.
struct FontUse
{
    EmbeddedFont* font = nullptr;
    bool bold = false;
    bool italic = false;
};

// The graphics state a content stream has set, to leave out what repeats.
struct GraphicsState
{
    QColor fill = Qt::black;
    QColor stroke = Qt::black;
    qreal width = 1;
    int cap = 0;
    int join = 0;
    Qt::PenStyle dash = Qt::SolidLine;
    qreal dashWidth = 0;
    QByteArray alpha; // the ExtGState in force; empty: opaque
    // Text state, kept from one text object to the next.
    QByteArray font;
    qreal fontSize = 0;
    int render = 0;
};

} // namespace

struct PdfWriter::Private
{
    explicit Private(QIODevice& out) : writer(out) {}

    ObjectWriter writer;
    QString title;
    QString error;
    QStringList warnings;
    int catalog = 0;
    int pageTree = 0;
    int resources = 0;
    int info = 0;
    std::vector<int> pages;

    std::vector<std::unique_ptr<EmbeddedFont>> fonts;
    std::vector<std::pair<QRawFont, FontUse>> fontUses; // a few sizes of a few faces
    QHash<qint64, QByteArray> images; // picture's cache key -> resource (Im1, ...); empty: none
    QHash<QByteArray, QByteArray> jpegByDigest; // JPEG bytes' digest -> resource
    QList<std::pair<QByteArray, int>> imageResources;
    QMap<std::pair<int, int>, QByteArray> alphaStates; // fill and stroke alpha -> GS name
    // Work done beside the writing: the last page's content is compressed
    // while the next page is laid out. Declared after the fonts, so that it
    // stops before they go.
    TaskQueue background;

    // Runs what waits for the background work: what that threw (out of
    // memory above all) ends the document with an error, here on the
    // writer's thread.
    template <typename F> bool guarded(F wait)
    {
        try {
            wait();
            return true;
        } catch (const std::bad_alloc&) {
            error = QStringLiteral("out of memory while writing the PDF");
        } catch (const std::runtime_error& e) {
            error =
                QStringLiteral("the PDF could not be written: %1").arg(QString::fromUtf8(e.what()));
        }
        return false;
    }

    // The page being written.
    QByteArray content;
    // The last page's content, deflated on another thread while this one
    // lays out the next page.
    TaskResult<QByteArray> pendingContent;
    int pendingObject = 0;

    void writePendingContent()
    {
        if (pendingContent.valid())
            writer.stream(pendingObject, "/Filter /FlateDecode", pendingContent.get());
    }

    GraphicsState state;
    std::vector<GraphicsState> saved;

    FontUse useOf(const QRawFont& raw);
    EmbeddedFont* embed(const std::shared_ptr<const FontFile>& file);
    void refused(const EmbeddedFont& font);
    QByteArray imageFor(const PictureImage& picture);
    QByteArray alphaState(int fill, int stroke);

    void save()
    {
        content.append("q\n");
        saved.push_back(state);
    }
    void restore()
    {
        content.append("Q\n");
        state = saved.back();
        saved.pop_back();
    }
    void setAlpha(const QColor& fill, const QColor& stroke);
    void setFill(const QColor& color);
    void setStroke(const QColor& color, qreal width, Qt::PenStyle style, int cap, int join);
    void rect(const QRectF& r);
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void path(const QPainterPath& path);

    void text(const TextPrimitive& t);
    bool codesOf(const GlyphRunText& run, EmbeddedFont& font, QList<quint16>* codes);
    void glyphs(const GlyphRunText& run, QPointF origin, const FontUse& use,
                const QList<quint16>& codes, bool& inText);
    void outlines(const GlyphRunText& run, QPointF origin);
    void frame(const QRectF& r, const Frame& frame);
    void line(const LinePrimitive& l);
    void box(const RectPrimitive& r);
    void image(const ImagePrimitive& i);

    bool writeFont(const EmbeddedFont& font, const FontProgram& program);
};

namespace {

QByteArray colorOperands(const QColor& c)
{
    QByteArray out;
    const QColor rgb = c.toRgb();
    appendNumber(out, rgb.redF());
    out.append(' ');
    appendNumber(out, rgb.greenF());
    out.append(' ');
    appendNumber(out, rgb.blueF());
    return out;
}

bool sameColor(const QColor& a, const QColor& b)
{
    return a.rgb() == b.rgb();
}

// Qt's dash patterns, in pen widths.
QByteArray dashArray(Qt::PenStyle style, qreal width)
{
    QList<qreal> pattern;
    switch (style) {
    case Qt::DashLine:
        pattern = {4, 2};
        break;
    case Qt::DotLine:
        pattern = {1, 2};
        break;
    case Qt::DashDotLine:
        pattern = {4, 2, 1, 2};
        break;
    case Qt::DashDotDotLine:
        pattern = {4, 2, 1, 2, 1, 2};
        break;
    default:
        return "[] 0 d\n";
    }
    const qreal unit = width > 0 ? width : 1;
    QByteArray out = "[";
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (i)
            out.append(' ');
        appendNumber(out, pattern[i] * unit);
    }
    out.append("] 0 d\n");
    return out;
}

} // namespace

void PdfWriter::Private::setAlpha(const QColor& fill, const QColor& stroke)
{
    const int f = fill.isValid() ? fill.alpha() : 255;
    const int s = stroke.isValid() ? stroke.alpha() : 255;
    const QByteArray name = f == 255 && s == 255 ? QByteArray() : alphaState(f, s);
    if (name == state.alpha)
        return;
    // Back to opaque needs a state of its own too.
    content.append('/');
    content.append(name.isEmpty() ? alphaState(255, 255) : name);
    content.append(" gs\n");
    state.alpha = name;
}

QByteArray PdfWriter::Private::alphaState(int fill, int stroke)
{
    const auto key = std::pair(fill, stroke);
    auto it = alphaStates.find(key);
    if (it == alphaStates.end())
        it = alphaStates.insert(key, "A" + QByteArray::number(alphaStates.size() + 1));
    return *it;
}

void PdfWriter::Private::setFill(const QColor& color)
{
    setAlpha(color, state.stroke);
    if (sameColor(color, state.fill))
        return;
    content.append(colorOperands(color));
    content.append(" rg\n");
    state.fill = color;
}

void PdfWriter::Private::setStroke(const QColor& color, qreal width, Qt::PenStyle style, int cap,
                                   int join)
{
    setAlpha(state.fill, color);
    if (!sameColor(color, state.stroke)) {
        content.append(colorOperands(color));
        content.append(" RG\n");
        state.stroke = color;
    }
    if (width != state.width) {
        appendNumber(content, width);
        content.append(" w\n");
        state.width = width;
    }
    if (cap != state.cap) {
        appendInt(content, cap);
        content.append(" J\n");
        state.cap = cap;
    }
    if (join != state.join) {
        appendInt(content, join);
        content.append(" j\n");
        state.join = join;
    }
    if (style != state.dash || (style != Qt::SolidLine && width != state.dashWidth)) {
        content.append(dashArray(style, width));
        state.dash = style;
        state.dashWidth = width;
    }
}

void PdfWriter::Private::rect(const QRectF& r)
{
    appendNumber(content, r.x());
    content.append(' ');
    appendNumber(content, r.y());
    content.append(' ');
    appendNumber(content, r.width());
    content.append(' ');
    appendNumber(content, r.height());
    content.append(" re\n");
}

void PdfWriter::Private::moveTo(QPointF p)
{
    appendNumber(content, p.x());
    content.append(' ');
    appendNumber(content, p.y());
    content.append(" m\n");
}

void PdfWriter::Private::lineTo(QPointF p)
{
    appendNumber(content, p.x());
    content.append(' ');
    appendNumber(content, p.y());
    content.append(" l\n");
}

void PdfWriter::Private::path(const QPainterPath& path)
{
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            moveTo(e);
        } else if (e.isLineTo()) {
            lineTo(e);
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            for (int k = 0; k < 3; ++k) {
                const QPainterPath::Element c = path.elementAt(i + k);
                appendNumber(content, c.x);
                content.append(' ');
                appendNumber(content, c.y);
                content.append(' ');
            }
            content.append("c\n");
            i += 2;
        }
    }
}

FontUse PdfWriter::Private::useOf(const QRawFont& raw)
{
    for (const auto& [known, use] : fontUses) {
        if (known == raw)
            return use;
    }
    FontUse use;
    const std::shared_ptr<const FontFile> file = fontFileOf(raw);
    if (file && file->outlines() != FontFile::Outlines::None)
        use.font = embed(file);
    if (use.font) {
        use.bold = raw.weight() >= QFont::DemiBold && file->weightClass() < QFont::DemiBold;
        use.italic = raw.style() != QFont::StyleNormal && !file->italic();
    } else if (!file || file->outlines() == FontFile::Outlines::None) {
        // Once per face, whatever its sizes.
        const QString warning =
            QStringLiteral("the font %1 has no file that can be embedded; its glyphs are drawn "
                           "as outlines, without text behind them")
                .arg(raw.familyName() + u' ' + raw.styleName());
        if (!warnings.contains(warning))
            warnings << warning;
    }
    fontUses.emplace_back(raw, use);
    return use;
}

EmbeddedFont* PdfWriter::Private::embed(const std::shared_ptr<const FontFile>& file)
{
    for (const auto& font : fonts) {
        if (font->file == file)
            return font.get();
    }
    auto font = std::make_unique<EmbeddedFont>();
    font->file = file;
    font->widths << font->width(0);
    if (file->outlines() == FontFile::Outlines::Cff) {
        font->cff = std::make_unique<CffSubset>(*file);
        if (!font->cff->add(0)) {
            refused(*font);
            return nullptr;
        }
    }
    font->resource = "F" + QByteArray::number(qsizetype(fonts.size()) + 1);
    fonts.push_back(std::move(font));
    return fonts.back().get();
}

void PdfWriter::Private::refused(const EmbeddedFont& font)
{
    const QString warning =
        QStringLiteral("the font %1 could not be subset (%2); its glyphs from there on are "
                       "drawn as outlines, without text behind them")
            .arg(font.file->postScriptName(), font.cff->refusal());
    if (!warnings.contains(warning))
        warnings << warning;
}

bool PdfWriter::Private::codesOf(const GlyphRunText& run, EmbeddedFont& font, QList<quint16>* codes)
{
    // Characters behind the glyphs, one code point each (see layoutText).
    qsizetype ci = 0;
    auto nextCharacter = [&] {
        if (ci >= run.text.size())
            return QStringView();
        const qsizetype n = run.text.at(ci).isHighSurrogate() && ci + 1 < run.text.size() ? 2 : 1;
        const QStringView c = QStringView(run.text).mid(ci, n);
        ci += n;
        return c;
    };
    const QList<quint32> indexes = run.run.glyphIndexes();
    codes->reserve(indexes.size());
    for (quint32 glyph : indexes) {
        const std::optional<quint16> code = font.code(glyph, nextCharacter());
        if (!code) {
            refused(font);
            return false;
        }
        codes->append(*code);
    }
    return true;
}

void PdfWriter::Private::text(const TextPrimitive& t)
{
    if (t.fill.isValid() && t.fill.alpha() > 0) {
        setFill(t.fill);
        rect(t.rect);
        content.append("f\n");
    }
    if (!t.runs.isEmpty() && t.color.alpha() > 0) {
        const bool clip = textNeedsClip(t);
        if (clip) {
            save();
            rect(t.rect);
            content.append("W n\n");
        }
        setFill(t.color);
        bool inText = false;
        for (const GlyphRunText& run : t.runs) {
            const FontUse use = useOf(run.run.rawFont());
            QList<quint16> codes;
            if (use.font && codesOf(run, *use.font, &codes)) {
                glyphs(run, t.origin, use, codes, inText);
            } else {
                if (inText) {
                    content.append("ET\n");
                    inText = false;
                }
                outlines(run, t.origin);
            }
        }
        if (inText)
            content.append("ET\n");
        if (!t.underlines.isEmpty()) {
            setStroke(t.color, t.underlineWidth, Qt::SolidLine, 0, 2);
            for (const QLineF& line : t.underlines) {
                moveTo(line.p1() + t.origin);
                lineTo(line.p2() + t.origin);
            }
            content.append("S\n");
        }
        if (clip)
            restore();
    }
    frame(t.rect, t.frame);
}

void PdfWriter::Private::glyphs(const GlyphRunText& run, QPointF origin, const FontUse& use,
                                const QList<quint16>& codes, bool& inText)
{
    const QRawFont raw = run.run.rawFont();
    const QList<quint32> indexes = run.run.glyphIndexes();
    const QList<QPointF> positions = run.run.positions();
    if (indexes.isEmpty() || positions.size() != indexes.size())
        return;
    EmbeddedFont& font = *use.font;
    font.drawn = true;
    const qreal size = raw.pixelSize();
    if (!inText) {
        content.append("BT\n");
        inText = true;
    }
    if (font.resource != state.font || size != state.fontSize) {
        content.append('/');
        content.append(font.resource);
        content.append(' ');
        appendNumber(content, size);
        content.append(" Tf\n");
        state.font = font.resource;
        state.fontSize = size;
    }
    if (use.bold)
        setStroke(state.fill, size * kSyntheticBoldStroke, Qt::SolidLine, state.cap, state.join);
    const int render = use.bold ? 2 : 0; // fill and stroke, or fill
    if (render != state.render) {
        appendInt(content, render);
        content.append(" Tr\n");
        state.render = render;
    }
    // The pen after the last glyph shown, to place the next one by an
    // adjustment in thousandths of the size rather than a new text matrix.
    qreal penX = 0;
    qreal lineY = std::numeric_limits<qreal>::quiet_NaN();
    bool open = false;
    for (qsizetype i = 0; i < indexes.size(); ++i) {
        const QPointF at = positions[i] + origin;
        const quint16 code = codes[i];
        if (at.y() != lineY) {
            if (open)
                content.append(">] TJ\n");
            content.append("1 0 ");
            appendNumber(content, use.italic ? kSyntheticSlant : 0);
            content.append(" -1 ");
            appendNumber(content, at.x());
            content.append(' ');
            appendNumber(content, at.y());
            content.append(" Tm\n[<");
            open = true;
            lineY = at.y();
            penX = at.x();
        } else {
            const qreal adjust = std::round((penX - at.x()) * 1000 / size);
            if (adjust != 0) {
                content.append('>');
                appendInt(content, qint64(adjust));
                content.append('<');
                penX -= adjust * size / 1000;
            }
        }
        appendHex4(content, code);
        penX += font.widths[code] * size / 1000;
    }
    content.append(">] TJ\n");
}

void PdfWriter::Private::outlines(const GlyphRunText& run, QPointF origin)
{
    const QRawFont raw = run.run.rawFont();
    const QList<quint32> indexes = run.run.glyphIndexes();
    const QList<QPointF> positions = run.run.positions();
    QPainterPath all;
    for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i)
        all.addPath(raw.pathForGlyph(indexes[i]).translated(positions[i] + origin));
    if (all.isEmpty())
        return;
    path(all);
    content.append("f\n");
}

void PdfWriter::Private::frame(const QRectF& r, const Frame& frame)
{
    if (!frame.sides || frame.width <= 0)
        return;
    // Square caps and bevelled corners, as the painter's default pen draws.
    setStroke(frame.color, frame.width, Qt::SolidLine, 2, 2);
    if (frame.sides == FrameAll) {
        rect(r);
        content.append("S\n");
        return;
    }
    auto side = [&](QPointF a, QPointF b) {
        moveTo(a);
        lineTo(b);
    };
    if (frame.sides & FrameLeft)
        side(r.topLeft(), r.bottomLeft());
    if (frame.sides & FrameTop)
        side(r.topLeft(), r.topRight());
    if (frame.sides & FrameRight)
        side(r.topRight(), r.bottomRight());
    if (frame.sides & FrameBottom)
        side(r.bottomLeft(), r.bottomRight());
    content.append("S\n");
}

void PdfWriter::Private::line(const LinePrimitive& l)
{
    if (l.width <= 0 || l.style == Qt::NoPen)
        return;
    setStroke(l.color, l.width, l.style, 0, 2);
    moveTo(l.line.p1());
    lineTo(l.line.p2());
    content.append("S\n");
}

void PdfWriter::Private::box(const RectPrimitive& r)
{
    const bool filled = r.fill.isValid() && r.fill.alpha() > 0;
    const bool stroked = r.frameWidth > 0 && r.frameColor.isValid() && r.frameColor.alpha() > 0;
    if (!filled && !stroked)
        return;
    if (filled)
        setFill(r.fill);
    if (stroked)
        setStroke(r.frameColor, r.frameWidth, Qt::SolidLine, 2, 2);
    if (r.radius > 0) {
        QPainterPath rounded;
        rounded.addRoundedRect(r.rect, r.radius, r.radius);
        path(rounded);
    } else {
        rect(r.rect);
    }
    content.append(filled && stroked ? "B\n" : filled ? "f\n" : "S\n");
}

void PdfWriter::Private::image(const ImagePrimitive& i)
{
    if (i.image.isNull() || i.target.isEmpty())
        return;
    const QByteArray resource = imageFor(i.image);
    if (resource.isEmpty())
        return;
    save();
    rect(i.box);
    content.append("W n\n");
    // The image fills the unit square, its first row at the top.
    appendNumber(content, i.target.width());
    content.append(" 0 0 ");
    appendNumber(content, -i.target.height());
    content.append(' ');
    appendNumber(content, i.target.x());
    content.append(' ');
    appendNumber(content, i.target.bottom());
    content.append(" cm\n/");
    content.append(resource);
    content.append(" Do\n");
    restore();
}

QByteArray PdfWriter::Private::imageFor(const PictureImage& picture)
{
    const qint64 key = picture.cacheKey();
    if (const auto it = images.constFind(key); it != images.constEnd())
        return *it;
    const QByteArray jpeg = picture.jpegData();
    // Templates name one file in several boxes, each a picture of its own.
    const QByteArray digest =
        jpeg.isEmpty() ? QByteArray() : QCryptographicHash::hash(jpeg, QCryptographicHash::Sha1);
    if (const auto same = jpegByDigest.constFind(digest); same != jpegByDigest.constEnd()) {
        images.insert(key, *same);
        return *same;
    }
    const int object = writer.reserve();
    const QByteArray resource = "Im" + QByteArray::number(imageResources.size() + 1);
    if (const auto shape = readJpegHeader(jpeg); shape && shape->plain) {
        jpegByDigest.insert(digest, resource);
        QByteArray dict = "/Type /XObject /Subtype /Image /Width ";
        appendInt(dict, shape->width);
        dict.append(" /Height ");
        appendInt(dict, shape->height);
        dict.append(shape->components == 1 ? " /ColorSpace /DeviceGray"
                                           : " /ColorSpace /DeviceRGB");
        dict.append(" /BitsPerComponent 8 /Interpolate true /Filter /DCTDecode");
        writer.stream(object, dict, jpeg);
    } else {
        const QImage& source = picture.image();
        if (source.isNull()) {
            images.insert(key, QByteArray());
            return {};
        }
        const bool alpha = source.hasAlphaChannel();
        const QImage rgba =
            source.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
        const int w = rgba.width();
        const int h = rgba.height();
        QByteArray pixels;
        QByteArray mask;
        pixels.reserve(qsizetype(w) * h * 3);
        if (alpha)
            mask.reserve(qsizetype(w) * h);
        for (int y = 0; y < h; ++y) {
            const auto* line = reinterpret_cast<const char*>(rgba.constScanLine(y));
            if (!alpha) {
                pixels.append(line, qsizetype(w) * 3);
                continue;
            }
            for (int x = 0; x < w; ++x) {
                pixels.append(line + 4 * x, 3);
                mask.append(line[4 * x + 3]);
            }
        }
        QByteArray size = " /Width ";
        appendInt(size, w);
        size.append(" /Height ");
        appendInt(size, h);
        QByteArray dict =
            "/Type /XObject /Subtype /Image" + size +
            " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Interpolate true /Filter /FlateDecode";
        if (alpha) {
            const int maskObject = writer.reserve();
            dict.append(" /SMask " + QByteArray::number(maskObject) + " 0 R");
            writer.stream(maskObject,
                          "/Type /XObject /Subtype /Image" + size +
                              " /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode",
                          deflate(mask));
        }
        writer.stream(object, dict, deflate(pixels));
    }
    images.insert(key, resource);
    imageResources.append({resource, object});
    return resource;
}

PdfWriter::PdfWriter(QIODevice& out, const QString& title) : d(std::make_unique<Private>(out))
{
    d->title = title;
    d->writer.raw("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    d->catalog = d->writer.reserve();
    d->pageTree = d->writer.reserve();
    d->resources = d->writer.reserve();
    d->info = d->writer.reserve();
}

PdfWriter::~PdfWriter() = default;

bool PdfWriter::addPage(const BuiltPage& page)
{
    Private& p = *d;
    const QSizeF paper = page.setup.paperSize();
    p.content.clear();
    p.state = GraphicsState();
    p.saved.clear();
    // Units, y down, from the printable area's corner.
    QByteArray& c = p.content;
    appendNumber(c, kPointsPerUnit);
    c.append(" 0 0 ");
    appendNumber(c, -kPointsPerUnit);
    c.append(" 0 ");
    appendNumber(c, paper.height() * kPointsPerUnit);
    c.append(" cm\n1 0 0 1 ");
    const QPointF corner = page.setup.printableRect().topLeft();
    appendNumber(c, corner.x());
    c.append(' ');
    appendNumber(c, corner.y());
    c.append(" cm\n");
    for (const Primitive& primitive : page.primitives) {
        std::visit(
            [&p](const auto& item) {
                using T = std::decay_t<decltype(item)>;
                if constexpr (std::is_same_v<T, TextPrimitive>)
                    p.text(item);
                else if constexpr (std::is_same_v<T, LinePrimitive>)
                    p.line(item);
                else if constexpr (std::is_same_v<T, RectPrimitive>)
                    p.box(item);
                else
                    p.image(item);
            },
            primitive);
    }
    const int contents = p.writer.reserve();
    const int object = p.writer.reserve();
    if (!p.guarded([&p] { p.writePendingContent(); }))
        return false;
    p.pendingContent =
        p.background.post([content = std::exchange(p.content, {})] { return deflate(content); });
    p.pendingObject = contents;
    QByteArray dict = "<< /Type /Page /Parent ";
    appendInt(dict, p.pageTree);
    dict.append(" 0 R /MediaBox [0 0 ");
    appendNumber(dict, paper.width() * kPointsPerUnit);
    dict.append(' ');
    appendNumber(dict, paper.height() * kPointsPerUnit);
    dict.append("] /Resources ");
    appendInt(dict, p.resources);
    dict.append(" 0 R /Contents ");
    appendInt(dict, contents);
    dict.append(" 0 R >>");
    p.writer.object(object, dict);
    p.pages.push_back(object);
    if (!p.writer.ok())
        p.error = QStringLiteral("the PDF could not be written");
    return p.writer.ok();
}

namespace {

// Six capitals that tell this subset apart from another of the same font.
QByteArray subsetTag(const QList<quint16>& glyphs)
{
    const QByteArray hash =
        QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char*>(glyphs.constData()),
                                                glyphs.size() * qsizetype(sizeof(quint16))),
                                 QCryptographicHash::Md5);
    QByteArray tag;
    for (int i = 0; i < 6; ++i)
        tag.append(char('A' + uchar(hash[i]) % 26));
    return tag;
}

QByteArray toUnicodeMap(const QList<QString>& characters)
{
    QByteArray entries;
    int count = 0;
    QByteArray out = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                     "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                     "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    auto flush = [&] {
        if (!count)
            return;
        appendInt(out, count);
        out.append(" beginbfchar\n");
        out.append(entries);
        out.append("endbfchar\n");
        entries.clear();
        count = 0;
    };
    for (qsizetype code = 1; code < characters.size(); ++code) {
        const QString& c = characters[code];
        if (c.isEmpty())
            continue;
        entries.append('<');
        appendHex4(entries, quint32(code));
        entries.append("> <");
        for (QChar u : c)
            appendHex4(entries, u.unicode());
        entries.append(">\n");
        if (++count == 100)
            flush();
    }
    flush();
    out.append("endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n");
    return out;
}

FontProgram fontProgram(const EmbeddedFont& font)
{
    FontProgram out;
    if (font.cff) {
        // Its glyphs are in already, those it refused drawn as outlines.
        // CFF charstrings are compact: deflating a subset saves a tenth of
        // its size for more time than the rest of the font's writing.
        out.data = font.cff->finish(&out.error);
    } else if (const auto program = subsetTrueType(*font.file, font.glyphs, &out.error)) {
        // TrueType outlines shrink by a third.
        out.data = deflate(*program);
        out.length = program->size();
    }
    return out;
}

} // namespace

bool PdfWriter::Private::writeFont(const EmbeddedFont& font, const FontProgram& program)
{
    const FontFile& file = *font.file;
    const bool cff = file.outlines() == FontFile::Outlines::Cff;
    const QByteArray name =
        subsetTag(font.glyphs) + '+' + pdfName(file.postScriptName().toLatin1());
    const qreal scale = 1000.0 / file.unitsPerEm();

    const int cidFont = writer.reserve();
    const int descriptor = writer.reserve();
    const int toUnicode = writer.reserve();
    int fontFile = 0;
    if (program.data) {
        fontFile = writer.reserve();
        if (cff)
            writer.stream(fontFile, "/Subtype /CIDFontType0C", *program.data);
        else
            writer.stream(fontFile,
                          "/Filter /FlateDecode /Length1 " + QByteArray::number(program.length),
                          *program.data);
    } else {
        warnings << QStringLiteral("the font %1 could not be embedded (%2); readers show its "
                                   "text in a font of their own")
                        .arg(file.postScriptName(), program.error);
    }

    QByteArray type0 = "<< /Type /Font /Subtype /Type0 /BaseFont /" + name +
                       " /Encoding /Identity-H /DescendantFonts [";
    appendInt(type0, cidFont);
    type0.append(" 0 R] /ToUnicode ");
    appendInt(type0, toUnicode);
    type0.append(" 0 R >>");
    writer.object(font.object, type0);

    QByteArray widths = "[0 [";
    for (qsizetype code = 0; code < font.glyphs.size(); ++code) {
        if (code)
            widths.append(' ');
        appendInt(widths, font.widths[code]);
    }
    widths.append("]]");
    QByteArray cid = "<< /Type /Font /Subtype ";
    cid.append(cff ? "/CIDFontType0" : "/CIDFontType2");
    cid.append(" /BaseFont /" + name +
               " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
               " /FontDescriptor ");
    appendInt(cid, descriptor);
    cid.append(" 0 R /W " + widths);
    if (!cff)
        cid.append(" /CIDToGIDMap /Identity");
    cid.append(" >>");
    writer.object(cidFont, cid);

    const QRectF box = file.boundingBox();
    QByteArray desc = "<< /Type /FontDescriptor /FontName /" + name + " /Flags ";
    appendInt(desc, 4 | (file.italic() ? 64 : 0));
    desc.append(" /FontBBox [");
    desc.append(number(box.left() * scale) + ' ' + number(box.top() * scale) + ' ' +
                number(box.right() * scale) + ' ' + number(box.bottom() * scale));
    desc.append("] /ItalicAngle 0 /Ascent " + number(file.ascent() * scale) + " /Descent " +
                number(file.descent() * scale) + " /CapHeight " + number(file.capHeight() * scale) +
                " /StemV 80");
    if (fontFile) {
        desc.append(cff ? " /FontFile3 " : " /FontFile2 ");
        appendInt(desc, fontFile);
        desc.append(" 0 R");
    }
    desc.append(" >>");
    writer.object(descriptor, desc);
    writer.stream(toUnicode, "/Filter /FlateDecode", deflate(toUnicodeMap(font.characters)));
    return writer.ok();
}

bool PdfWriter::finish()
{
    Private& p = *d;
    if (p.pages.empty()) {
        BuiltPage empty;
        if (!addPage(empty))
            return false;
    }
    if (!p.guarded([&p] { p.writePendingContent(); }))
        return false;
    // A font no page names (all its glyphs drawn as outlines) is left out.
    std::vector<EmbeddedFont*> drawn;
    for (const auto& font : p.fonts) {
        if (font->drawn)
            drawn.push_back(font.get());
    }
    for (EmbeddedFont* font : drawn) {
        font->object = p.writer.reserve();
        p.writeFont(*font, fontProgram(*font));
    }

    QByteArray resources = "<< /ProcSet [/PDF /Text /ImageB /ImageC]";
    if (!drawn.empty()) {
        resources.append(" /Font <<");
        for (const EmbeddedFont* font : drawn)
            resources.append(" /" + font->resource + ' ' + QByteArray::number(font->object) +
                             " 0 R");
        resources.append(" >>");
    }
    if (!p.imageResources.isEmpty()) {
        resources.append(" /XObject <<");
        for (const auto& [name, object] : std::as_const(p.imageResources))
            resources.append(" /" + name + ' ' + QByteArray::number(object) + " 0 R");
        resources.append(" >>");
    }
    if (!p.alphaStates.isEmpty()) {
        resources.append(" /ExtGState <<");
        for (auto it = p.alphaStates.cbegin(); it != p.alphaStates.cend(); ++it)
            resources.append(" /" + it.value() + " << /ca " + number(it.key().first / 255.0) +
                             " /CA " + number(it.key().second / 255.0) + " >>");
        resources.append(" >>");
    }
    resources.append(" >>");
    p.writer.object(p.resources, resources);

    QByteArray kids = "<< /Type /Pages /Kids [";
    for (size_t i = 0; i < p.pages.size(); ++i) {
        if (i)
            kids.append(' ');
        appendInt(kids, p.pages[i]);
        kids.append(" 0 R");
    }
    kids.append("] /Count ");
    appendInt(kids, qint64(p.pages.size()));
    kids.append(" >>");
    p.writer.object(p.pageTree, kids);
    p.writer.object(p.catalog,
                    "<< /Type /Catalog /Pages " + QByteArray::number(p.pageTree) + " 0 R >>");

    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc();
    const QByteArray date =
        "(D:" + now.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() +
        (offset < 0 ? '-' : '+') +
        QByteArray::number(std::abs(offset) / 3600).rightJustified(2, '0') + '\'' +
        QByteArray::number(std::abs(offset) % 3600 / 60).rightJustified(2, '0') + "')";
    const QByteArray creator = pdfText(QStringLiteral("hra report engine"));
    p.writer.object(p.info, "<< /Title " + pdfText(p.title) + " /Creator " + creator +
                                " /Producer " + creator + " /CreationDate " + date + " >>");
    if (!p.writer.finish(p.catalog, p.info)) {
        p.error = QStringLiteral("the PDF could not be written");
        return false;
    }
    return true;
}

QString PdfWriter::errorString() const
{
    return d->error;
}

QStringList PdfWriter::warnings() const
{
    return d->warnings;
}

std::shared_ptr<const FontFile> fontFileOf(const QRawFont& font)
{
    static QMutex mutex;
    static QHash<QString, std::shared_ptr<const FontFile>> known;
    const QByteArray head = font.fontTable("head");
    const QString key =
        font.familyName() + u'\n' + font.styleName() + u'\n' + QString::fromLatin1(head.toHex());
    const QMutexLocker lock(&mutex);
    if (const auto it = known.constFind(key); it != known.constEnd())
        return *it;
    std::shared_ptr<const FontFile> found;
    if (!head.isEmpty()) {
        // The files of that family and style, the one with the same header
        // (a font installed twice in two versions cannot be mistaken).
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(
            pattern, FC_FAMILY,
            reinterpret_cast<const FcChar8*>(font.familyName().toUtf8().constData()));
        FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_STYLE, nullptr);
        FcFontSet* set = FcFontList(nullptr, pattern, objects);
        const QByteArray style = font.styleName().toUtf8();
        for (int pass = 0; set && pass < 2 && !found; ++pass) {
            for (int i = 0; i < set->nfont && !found; ++i) {
                FcChar8* path = nullptr;
                int index = 0;
                FcChar8* faceStyle = nullptr;
                if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &path) != FcResultMatch)
                    continue;
                FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
                // First the faces of the same style name, then any.
                const bool sameStyle =
                    FcPatternGetString(set->fonts[i], FC_STYLE, 0, &faceStyle) == FcResultMatch &&
                    style == reinterpret_cast<const char*>(faceStyle);
                if (sameStyle != (pass == 0))
                    continue;
                auto file =
                    FontFile::open(QString::fromUtf8(reinterpret_cast<const char*>(path)), index);
                if (file && file->table("head") == QByteArrayView(head))
                    found = std::move(file);
            }
        }
        if (set)
            FcFontSetDestroy(set);
        FcObjectSetDestroy(objects);
        FcPatternDestroy(pattern);
    }
    known.insert(key, found);
    return found;
}

} // namespace hra::reportengine
