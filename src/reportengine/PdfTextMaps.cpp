#include "reportengine/internal/PdfTextMaps.h"

#include "reportengine/internal/BuiltReport.h"

#include <QRawFont>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cctype>
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
    static QHash<QString, QList<char16_t>> cache;
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

TextMapRepairs textMapRepairs(const BuiltReport& report)
{
    TextMapRepairs repairs;
    QSet<char16_t> drawn;
    // Runs share a few fonts; finding a font's map by name for every run
    // would cost more than the rest.
    std::vector<std::pair<QRawFont, QList<char16_t>>> maps; // copies share the cached list
    auto mapOf = [&maps](const QRawFont& font) -> const QList<char16_t>& {
        for (const auto& [known, map] : maps) {
            if (known == font)
                return map;
        }
        maps.emplace_back(font, lowestCodePoints(font));
        return maps.back().second;
    };
    for (const BuiltPage& page : report.pages()) {
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
                    drawn.insert(ch.unicode());
                    const char16_t written = g < quint32(lowest.size()) ? lowest[g] : 0;
                    if (written && written != ch.unicode() && !repairs.contains(written))
                        repairs.insert(written, ch.unicode());
                }
            }
        }
    }
    // A code point drawn as itself somewhere must stay.
    for (auto it = repairs.begin(); it != repairs.end();) {
        if (drawn.contains(it.key()))
            it = repairs.erase(it);
        else
            ++it;
    }
    return repairs;
}

QByteArray rewriteTextMaps(const QByteArray& pdf, const TextMapRepairs& repairs)
{
    if (repairs.isEmpty())
        return pdf;

    // Object offsets from the cross-reference table.
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    if (startxref < 0)
        return pdf;
    const qsizetype xrefAt =
        pdf.mid(startxref + 9, 32).trimmed().split('\n').value(0).trimmed().toLongLong();
    if (xrefAt <= 0 || xrefAt >= pdf.size() || !pdf.mid(xrefAt).startsWith("xref"))
        return pdf;
    const qsizetype trailerAt = pdf.indexOf("trailer", xrefAt);
    if (trailerAt < 0)
        return pdf;
    const QList<QByteArray> xrefLines = pdf.mid(xrefAt, trailerAt - xrefAt).split('\n');
    if (xrefLines.size() < 2)
        return pdf;
    const QList<QByteArray> header = xrefLines[1].trimmed().split(' ');
    if (header.size() != 2 || header[0] != "0")
        return pdf; // Qt writes a single subsection
    const int count = header[1].toInt();
    if (xrefLines.size() < count + 2)
        return pdf;
    struct Entry
    {
        qsizetype offset = 0;
        bool used = false;
    };
    std::vector<Entry> entries(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const QList<QByteArray> f = xrefLines[i + 2].trimmed().split(' ');
        if (f.size() < 3)
            return pdf;
        entries[size_t(i)] = {qsizetype(f[0].toLongLong()), f[2] == "n"};
    }

    QSet<int> toUnicode;
    static const QByteArray ref = "/ToUnicode ";
    for (qsizetype at = pdf.indexOf(ref); at >= 0 && at < xrefAt; at = pdf.indexOf(ref, at + 1)) {
        qsizetype digits = at + ref.size();
        int id = 0;
        while (digits < xrefAt && std::isdigit(uchar(pdf[digits])) && id < 100000000)
            id = id * 10 + (pdf[digits++] - '0');
        if (digits > at + ref.size() && pdf.mid(digits, 4) == " 0 R")
            toUnicode.insert(id);
    }
    if (toUnicode.isEmpty())
        return pdf;

    // Objects in file order, each up to the next one (or the xref table).
    std::vector<int> order;
    for (int i = 0; i < count; ++i) {
        if (entries[size_t(i)].used)
            order.push_back(i);
    }
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return entries[size_t(a)].offset < entries[size_t(b)].offset; });
    if (order.empty())
        return pdf;

    QByteArray out = pdf.left(entries[size_t(order.front())].offset);
    std::vector<qsizetype> newOffsets(size_t(count), 0);
    for (size_t k = 0; k < order.size(); ++k) {
        const int id = order[k];
        const qsizetype begin = entries[size_t(id)].offset;
        const qsizetype end = k + 1 < order.size() ? entries[size_t(order[k + 1])].offset : xrefAt;
        if (begin < 0 || end > pdf.size() || end < begin)
            return pdf;
        QByteArray object = pdf.mid(begin, end - begin);
        if (toUnicode.contains(id)) {
            const qsizetype s = object.indexOf("stream\n");
            const qsizetype e = object.lastIndexOf("endstream");
            std::map<uint, QByteArray> map;
            if (s < 0 || e < s || !parseCMap(object.mid(s + 7, e - s - 7), map))
                return pdf;
            for (auto& [glyph, codes] : map) {
                if (codes.size() != 4)
                    continue;
                const char16_t c = char16_t(codes.toUInt(nullptr, 16));
                if (repairs.contains(c))
                    codes = hex4(repairs.value(c));
            }
            const QByteArray cmap = writeCMap(map);
            object = QByteArray::number(id) + " 0 obj\n<<\n/Length " +
                     QByteArray::number(cmap.size()) + "\n>>\nstream\n" + cmap +
                     "endstream\nendobj\n";
        }
        newOffsets[size_t(id)] = out.size();
        out += object;
    }
    const qsizetype newXref = out.size();
    out += "xref\n0 " + QByteArray::number(count) + '\n';
    for (int i = 0; i < count; ++i) {
        if (entries[size_t(i)].used)
            out +=
                QByteArray::number(newOffsets[size_t(i)]).rightJustified(10, '0') + " 00000 n \n";
        else
            out += xrefLines[i + 2].trimmed() + " \n";
    }
    out += pdf.mid(trailerAt, startxref - trailerAt);
    out += "startxref\n" + QByteArray::number(newXref) + "\n%%EOF\n";
    return out;
}

QByteArray repairPdfTextMaps(const QByteArray& pdf, const BuiltReport& report)
{
    return rewriteTextMaps(pdf, textMapRepairs(report));
}

} // namespace hra::reportengine
