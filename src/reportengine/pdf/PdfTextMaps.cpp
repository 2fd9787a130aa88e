#include "reportengine/pdf/PdfTextMaps.h"

#include "reportengine/layout/BuiltReport.h"

#include <QBuffer>
#include <QMutex>
#include <QRawFont>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <map>
#include <optional>
#include <vector>

namespace hra::reportengine {

namespace {

quint16 u16(const QByteArray& d, qsizetype at)
{
    return quint16((uchar(d[at]) << 8) | uchar(d[at + 1]));
}

quint32 u32(const QByteArray& d, qsizetype at)
{
    return (quint32(u16(d, at)) << 16) | u16(d, at + 2);
}

// Calls `each(codePoint, glyph)` for every BMP code point of one character
// map subtable, in rising code point order; false for a format it does not
// read or a subtable that runs past the table.
template <typename Each> bool forEachMapping(const QByteArray& cmap, qsizetype at, Each each)
{
    const qsizetype size = cmap.size();
    if (at + 4 > size)
        return false;
    const quint16 format = u16(cmap, at);
    if (format == 4) {
        if (at + 14 > size)
            return false;
        const int segments = u16(cmap, at + 6) / 2;
        const qsizetype ends = at + 14;
        const qsizetype starts = ends + 2 * segments + 2;
        const qsizetype deltas = starts + 2 * segments;
        const qsizetype offsets = deltas + 2 * segments;
        if (offsets + 2 * segments > size)
            return false;
        for (int i = 0; i < segments; ++i) {
            const uint first = u16(cmap, starts + 2 * i);
            const uint last = u16(cmap, ends + 2 * i);
            const quint16 delta = u16(cmap, deltas + 2 * i);
            const quint16 offset = u16(cmap, offsets + 2 * i);
            for (uint c = first; c <= last && c < 0x10000; ++c) {
                quint32 g = 0;
                if (offset == 0) {
                    g = quint16(c + delta);
                } else {
                    const qsizetype in = offsets + 2 * i + offset + 2 * qsizetype(c - first);
                    if (in + 2 > size)
                        return false;
                    g = u16(cmap, in);
                    if (g)
                        g = quint16(g + delta);
                }
                each(c, g);
            }
        }
        return true;
    }
    if (format == 12 || format == 13) {
        if (at + 16 > size)
            return false;
        const quint32 groups = u32(cmap, at + 12);
        if (groups > quint32((size - at - 16) / 12))
            return false;
        for (quint32 i = 0; i < groups; ++i) {
            const qsizetype group = at + 16 + 12 * qsizetype(i);
            const quint32 first = u32(cmap, group);
            const quint32 last = std::min<quint32>(u32(cmap, group + 4), 0xFFFF);
            const quint32 glyph = u32(cmap, group + 8);
            for (quint32 c = first; c <= last; ++c)
                each(c, format == 12 ? glyph + (c - first) : glyph);
        }
        return true;
    }
    if (format == 6) {
        if (at + 10 > size)
            return false;
        const uint first = u16(cmap, at + 6);
        const uint count = u16(cmap, at + 8);
        if (at + 10 + 2 * qsizetype(count) > size)
            return false;
        for (uint i = 0; i < count && first + i < 0x10000; ++i)
            each(first + i, u16(cmap, at + 10 + 2 * i));
        return true;
    }
    if (format == 0) {
        if (at + 6 + 256 > size)
            return false;
        for (uint c = 0; c < 256; ++c)
            each(c, uchar(cmap[at + 6 + c]));
        return true;
    }
    return false;
}

// Turns the glyph of each code point (0 to count - 1) around.
QList<char16_t> lowestPerGlyph(const quint32* glyphOf, qsizetype count)
{
    quint32 last = 0;
    for (qsizetype c = 0; c < count; ++c) {
        if (glyphOf[c] < 0x10000)
            last = std::max(last, glyphOf[c]);
    }
    QList<char16_t> lowest(last ? qsizetype(last) + 1 : 0, 0);
    for (qsizetype c = 0; c < count; ++c) {
        const quint32 g = glyphOf[c];
        if (g != 0 && g < 0x10000 && !lowest[g])
            lowest[g] = char16_t(c);
    }
    return lowest;
}

} // namespace

std::optional<QList<char16_t>> lowestCodePointsFromTables(const QByteArray& cmap,
                                                          const QByteArray& maxp)
{
    if (cmap.size() < 4 || maxp.size() < 6)
        return std::nullopt;
    const quint32 glyphCount = u16(maxp, 4);
    // The subtable FreeType answers with for Qt: the last Unicode one (Qt
    // selects it over FreeType's own choice); variation sequences (format
    // 14) are no character map.
    const int records = u16(cmap, 2);
    if (4 + 8 * qsizetype(records) > cmap.size())
        return std::nullopt;
    qsizetype chosen = -1;
    for (int r = 0; r < records; ++r) {
        const quint16 platform = u16(cmap, 4 + 8 * r);
        const quint16 encoding = u16(cmap, 6 + 8 * r);
        const quint32 offset = u32(cmap, 8 + 8 * r);
        if (offset + 2 > quint32(cmap.size()))
            continue;
        const bool unicode = (platform == 0 && u16(cmap, offset) != 14) ||
                             (platform == 3 && (encoding == 1 || encoding == 10));
        if (unicode)
            chosen = offset;
    }
    if (chosen < 0)
        return std::nullopt;
    std::vector<quint32> byCode(0x10000, 0);
    const bool read = forEachMapping(cmap, chosen, [&](uint c, quint32 g) {
        if (g < glyphCount && !QChar::isSurrogate(c))
            byCode[c] = g;
    });
    if (!read)
        return std::nullopt;
    // Qt draws a tab and a no-break space the font lacks with its space.
    for (char16_t c : {u'\t', char16_t(0xA0)}) {
        if (!byCode[c])
            byCode[c] = byCode[u' '];
    }
    return lowestPerGlyph(byCode.data(), qsizetype(byCode.size()));
}

QList<char16_t> lowestCodePointsByLookup(const QRawFont& font)
{
    QString all;
    all.reserve(0x10000);
    for (char32_t c = 0; c < 0x10000; ++c)
        all.append(QChar(QChar::isSurrogate(c) ? 0 : char16_t(c)));
    QList<quint32> glyphs(all.size());
    int count = int(glyphs.size());
    font.glyphIndexesForChars(all.constData(), int(all.size()), glyphs.data(), &count);
    return lowestPerGlyph(glyphs.constData(), count);
}

namespace {

// Lowest BMP code point of every glyph of a font, as Qt's PDF writer sees it.
const QList<char16_t>& lowestCodePoints(const QRawFont& font)
{
    static const QList<char16_t> none;
    // Fonts.cpp hands out no font without a character map (Qt's box engine,
    // whose family name cannot be read).
    if (!font.isValid())
        return none;
    // Read by build and export threads alike; the lists are never removed,
    // so a reference stays good after the lock is let go.
    static QMutex mutex;
    static QHash<QString, QList<char16_t>> cache;
    const QMutexLocker lock(&mutex);
    const QString key = font.familyName() + u'|' + font.styleName() + u'|' +
                        QString::number(int(font.weight())) + u'|' +
                        QString::number(int(font.style()));
    auto it = cache.find(key);
    if (it != cache.end())
        return *it;
    // Reading the font's character map is a hundred times quicker than
    // asking for the glyph of every code point.
    std::optional<QList<char16_t>> lowest =
        lowestCodePointsFromTables(font.fontTable("cmap"), font.fontTable("maxp"));
    return *cache.insert(key, lowest ? *std::move(lowest) : lowestCodePointsByLookup(font));
}

QByteArray hex4(char16_t c)
{
    return QByteArray::number(uint(c), 16).toUpper().rightJustified(4, '0');
}

// Parses Qt's ToUnicode CMap (bfchar and bfrange entries of 4-digit codes)
// into glyph -> code point; false when it holds anything else.
bool parseCMap(const QByteArray& cmap, std::map<uint, QByteArray>& out)
{
    static const QRegularExpression rangeList(
        QStringLiteral("<([0-9A-Fa-f]{4})>\\s*<([0-9A-Fa-f]{4})>\\s*\\[([^\\]]*)\\]"));
    static const QRegularExpression rangeStart(
        QStringLiteral("<([0-9A-Fa-f]{4})>\\s*<([0-9A-Fa-f]{4})>\\s*<([0-9A-Fa-f]+)>"));
    static const QRegularExpression single(
        QStringLiteral("<([0-9A-Fa-f]{4})>\\s*<([0-9A-Fa-f]+)>"));
    static const QRegularExpression code(QStringLiteral("<([0-9A-Fa-f]+)>"));
    const QString text = QString::fromLatin1(cmap);
    qsizetype pos = 0;
    while (true) {
        const qsizetype r = text.indexOf(QLatin1String("beginbfrange"), pos);
        const qsizetype c = text.indexOf(QLatin1String("beginbfchar"), pos);
        if (r < 0 && c < 0)
            break;
        const bool isRange = r >= 0 && (c < 0 || r < c);
        const qsizetype begin = isRange ? r + 12 : c + 11;
        const qsizetype end =
            text.indexOf(isRange ? QLatin1String("endbfrange") : QLatin1String("endbfchar"), begin);
        if (end < 0)
            return false;
        const QString body = text.mid(begin, end - begin);
        for (const QString& line : body.split(u'\n', Qt::SkipEmptyParts)) {
            if (line.trimmed().isEmpty())
                continue;
            QRegularExpressionMatch m;
            if (isRange && (m = rangeList.match(line)).hasMatch()) {
                uint g = m.captured(1).toUInt(nullptr, 16);
                auto codes = code.globalMatch(m.captured(3));
                while (codes.hasNext())
                    out[g++] = codes.next().captured(1).toLatin1();
            } else if (isRange && (m = rangeStart.match(line)).hasMatch()) {
                const uint first = m.captured(1).toUInt(nullptr, 16);
                const uint last = m.captured(2).toUInt(nullptr, 16);
                const uint start = m.captured(3).toUInt(nullptr, 16);
                if (m.captured(3).size() != 4 || last < first || last - first > 0xFFFF)
                    return false;
                for (uint g = first; g <= last; ++g)
                    out[g] = hex4(char16_t(start + (g - first)));
            } else if (!isRange && (m = single.match(line)).hasMatch()) {
                out[m.captured(1).toUInt(nullptr, 16)] = m.captured(2).toLatin1();
            } else {
                return false;
            }
        }
        pos = end;
    }
    return true;
}

QByteArray writeCMap(const std::map<uint, QByteArray>& entries)
{
    QByteArray out = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                     "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                     "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    auto it = entries.begin();
    while (it != entries.end()) {
        int n = 0;
        QByteArray block;
        for (; it != entries.end() && n < 100; ++it, ++n)
            block += '<' + QByteArray::number(it->first, 16).toUpper().rightJustified(4, '0') +
                     "> <" + it->second + ">\n";
        out += QByteArray::number(n) + " beginbfchar\n" + block + "endbfchar\n";
    }
    out += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return out;
}

} // namespace

void TextMapRepairCollector::add(const BuiltPage& page)
{
    // Runs share a few fonts; finding a font's map by name for every run
    // would cost more than the rest. The fonts are the calling thread's and
    // stay in this call.
    std::vector<std::pair<QRawFont, QList<char16_t>>> maps; // copies share the cached list
    auto mapOf = [&maps](const QRawFont& font) -> const QList<char16_t>& {
        for (const auto& [known, map] : maps) {
            if (known == font)
                return map;
        }
        maps.emplace_back(font, lowestCodePoints(font));
        return maps.back().second;
    };
    for (const Primitive& primitive : page.primitives) {
        const auto* text = std::get_if<TextPrimitive>(&primitive);
        if (!text)
            continue;
        for (const GlyphRunText& run : text->runs) {
            const QList<quint32> glyphs = run.run.glyphIndexes();
            const QList<char16_t>& lowest = mapOf(run.run.rawFont());
            // One glyph per code point; characters outside the BMP are
            // left as Qt writes them.
            qsizetype ci = 0;
            for (quint32 g : glyphs) {
                if (ci >= run.text.size())
                    break;
                const QChar ch = run.text.at(ci);
                ci += ch.isHighSurrogate() ? 2 : 1;
                if (ch.isSurrogate())
                    continue;
                m_drawn.insert(ch.unicode());
                const char16_t written = g < quint32(lowest.size()) ? lowest[g] : 0;
                if (written && written != ch.unicode() && !m_repairs.contains(written))
                    m_repairs.insert(written, ch.unicode());
            }
        }
    }
}

TextMapRepairs TextMapRepairCollector::repairs() const
{
    TextMapRepairs repairs = m_repairs;
    // A code point drawn as itself somewhere must stay.
    for (auto it = repairs.begin(); it != repairs.end();) {
        if (m_drawn.contains(it.key()))
            it = repairs.erase(it);
        else
            ++it;
    }
    return repairs;
}

TextMapRepairs textMapRepairs(const BuiltReport& report)
{
    TextMapRepairCollector collector;
    for (int i = 0; i < report.pageCount(); ++i)
        collector.add(*report.pageAt(i));
    return collector.repairs();
}

namespace {

// Reads `length` bytes at `offset`; empty on a short read.
QByteArray readAt(QIODevice& device, qint64 offset, qint64 length)
{
    if (length < 0 || !device.seek(offset))
        return {};
    QByteArray data = device.read(length);
    return data.size() == length ? data : QByteArray();
}

// Copies [offset, offset + length) in pieces, so that a page's content
// stream never needs to be held whole.
bool copyRange(QIODevice& in, qint64 offset, qint64 length, QIODevice& out)
{
    constexpr qint64 kPiece = 1 << 20;
    if (!in.seek(offset))
        return false;
    while (length > 0) {
        const QByteArray piece = in.read(std::min(length, kPiece));
        if (piece.isEmpty() || out.write(piece) != piece.size())
            return false;
        length -= piece.size();
    }
    return true;
}

} // namespace

MapRewrite rewriteTextMaps(QIODevice& pdf, QIODevice& out, const TextMapRepairs& repairs)
{
    if (repairs.isEmpty())
        return MapRewrite::Unchanged;

    // The cross-reference table and the trailer, from the end of the file.
    const qint64 size = pdf.size();
    const QByteArray tail =
        readAt(pdf, std::max<qint64>(0, size - 1024), std::min<qint64>(size, 1024));
    const qsizetype startInTail = tail.lastIndexOf("startxref");
    if (startInTail < 0)
        return MapRewrite::Unchanged;
    const qint64 startxref = size - tail.size() + startInTail;
    const qint64 xrefAt =
        tail.mid(startInTail + 9, 32).trimmed().split('\n').value(0).trimmed().toLongLong();
    if (xrefAt <= 0 || xrefAt >= startxref)
        return MapRewrite::Unchanged;
    const QByteArray table = readAt(pdf, xrefAt, startxref - xrefAt);
    if (!table.startsWith("xref"))
        return MapRewrite::Unchanged;
    const qsizetype trailerAt = table.indexOf("trailer");
    if (trailerAt < 0)
        return MapRewrite::Unchanged;
    const QList<QByteArray> xrefLines = table.left(trailerAt).split('\n');
    if (xrefLines.size() < 2)
        return MapRewrite::Unchanged;
    const QList<QByteArray> header = xrefLines[1].trimmed().split(' ');
    if (header.size() != 2 || header[0] != "0")
        return MapRewrite::Unchanged; // Qt writes a single subsection
    const int count = header[1].toInt();
    if (count <= 0 || xrefLines.size() < count + 2)
        return MapRewrite::Unchanged;
    struct Entry
    {
        qint64 offset = 0;
        bool used = false;
    };
    std::vector<Entry> entries(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const QList<QByteArray> f = xrefLines[i + 2].trimmed().split(' ');
        if (f.size() < 3)
            return MapRewrite::Unchanged;
        entries[size_t(i)] = {f[0].toLongLong(), f[2] == "n"};
    }

    // Objects in file order, each up to the next one (or the xref table).
    std::vector<int> order;
    for (int i = 0; i < count; ++i) {
        if (entries[size_t(i)].used)
            order.push_back(i);
    }
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return entries[size_t(a)].offset < entries[size_t(b)].offset; });
    if (order.empty())
        return MapRewrite::Unchanged;
    std::vector<qint64> ends(size_t(count), 0);
    for (size_t k = 0; k < order.size(); ++k) {
        const qint64 begin = entries[size_t(order[k])].offset;
        const qint64 end = k + 1 < order.size() ? entries[size_t(order[k + 1])].offset : xrefAt;
        if (begin < 0 || end > xrefAt || end < begin)
            return MapRewrite::Unchanged;
        ends[size_t(order[k])] = end;
    }

    // The text maps, found by the references to them, one object at a time.
    QSet<int> toUnicode;
    static const QByteArray kRef = "/ToUnicode ";
    for (int id : order) {
        const QByteArray object =
            readAt(pdf, entries[size_t(id)].offset, ends[size_t(id)] - entries[size_t(id)].offset);
        for (qsizetype at = object.indexOf(kRef); at >= 0; at = object.indexOf(kRef, at + 1)) {
            qsizetype digits = at + kRef.size();
            qsizetype end = digits;
            while (end < object.size() && object.at(end) >= '0' && object.at(end) <= '9')
                ++end;
            if (end > digits && object.mid(end, 4) == " 0 R")
                toUnicode.insert(object.mid(digits, end - digits).toInt());
        }
    }
    if (toUnicode.isEmpty())
        return MapRewrite::Unchanged;

    // Every map rewritten before anything is written: a map of another shape
    // leaves the file as it is.
    QHash<int, QByteArray> rewritten;
    for (int id : toUnicode) {
        if (id < 0 || id >= count || !entries[size_t(id)].used)
            return MapRewrite::Unchanged;
        const QByteArray object =
            readAt(pdf, entries[size_t(id)].offset, ends[size_t(id)] - entries[size_t(id)].offset);
        const qsizetype s = object.indexOf("stream\n");
        const qsizetype e = object.lastIndexOf("endstream");
        std::map<uint, QByteArray> map;
        if (s < 0 || e < s || !parseCMap(object.mid(s + 7, e - s - 7), map))
            return MapRewrite::Unchanged;
        for (auto& [glyph, codes] : map) {
            if (codes.size() != 4)
                continue;
            const char16_t c = char16_t(codes.toUInt(nullptr, 16));
            if (repairs.contains(c))
                codes = hex4(repairs.value(c));
        }
        const QByteArray cmap = writeCMap(map);
        rewritten.insert(id, QByteArray::number(id) + " 0 obj\n<<\n/Length " +
                                 QByteArray::number(cmap.size()) + "\n>>\nstream\n" + cmap +
                                 "endstream\nendobj\n");
    }

    if (!copyRange(pdf, 0, entries[size_t(order.front())].offset, out))
        return MapRewrite::Failed;
    qint64 written = entries[size_t(order.front())].offset;
    std::vector<qint64> newOffsets(size_t(count), 0);
    for (int id : order) {
        newOffsets[size_t(id)] = written;
        const qint64 begin = entries[size_t(id)].offset;
        const auto replaced = rewritten.constFind(id);
        if (replaced != rewritten.constEnd()) {
            if (out.write(*replaced) != replaced->size())
                return MapRewrite::Failed;
            written += replaced->size();
        } else {
            if (!copyRange(pdf, begin, ends[size_t(id)] - begin, out))
                return MapRewrite::Failed;
            written += ends[size_t(id)] - begin;
        }
    }
    QByteArray end = "xref\n0 " + QByteArray::number(count) + '\n';
    for (int i = 0; i < count; ++i) {
        if (entries[size_t(i)].used)
            end +=
                QByteArray::number(newOffsets[size_t(i)]).rightJustified(10, '0') + " 00000 n \n";
        else
            end += xrefLines[i + 2].trimmed() + " \n";
    }
    end += table.mid(trailerAt);
    end += "startxref\n" + QByteArray::number(written) + "\n%%EOF\n";
    return out.write(end) == end.size() ? MapRewrite::Rewritten : MapRewrite::Failed;
}

QByteArray rewriteTextMaps(const QByteArray& pdf, const TextMapRepairs& repairs)
{
    QByteArray copy = pdf;
    QBuffer in(&copy);
    in.open(QIODevice::ReadOnly);
    QByteArray result;
    QBuffer out(&result);
    out.open(QIODevice::WriteOnly);
    return rewriteTextMaps(in, out, repairs) == MapRewrite::Rewritten ? result : pdf;
}

QByteArray repairPdfTextMaps(const QByteArray& pdf, const BuiltReport& report)
{
    return rewriteTextMaps(pdf, textMapRepairs(report));
}

} // namespace hra::reportengine
