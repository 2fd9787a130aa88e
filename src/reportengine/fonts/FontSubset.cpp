#include "reportengine/fonts/FontSubset.h"

#include "reportengine/fonts/FontBytes.h"

#include <QHash>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace hra::reportengine {

using fontbytes::putU16;
using fontbytes::putU32;
using fontbytes::putU8;
using fontbytes::Reader;
using fontbytes::setU16;
using fontbytes::setU32;
using fontbytes::tag;

namespace {

std::nullopt_t fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return std::nullopt;
}

bool checkGlyphs(const FontFile& font, const QList<quint16>& glyphs, QString* error)
{
    if (glyphs.isEmpty() || glyphs.front() != 0) {
        fail(error, QStringLiteral("the first glyph of a subset must be .notdef"));
        return false;
    }
    if (glyphs.size() > 0xFFFF) {
        fail(error, QStringLiteral("too many glyphs for one font"));
        return false;
    }
    for (quint16 g : glyphs)
        if (g >= font.glyphCount()) {
            fail(error, QStringLiteral("glyph %1 is not in the font").arg(g));
            return false;
        }
    return true;
}

// ---------------------------------------------------------------- TrueType

quint32 tableChecksum(const QByteArray& data)
{
    quint32 sum = 0;
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n; i += 4) {
        quint32 word = 0;
        for (int k = 0; k < 4; ++k)
            word = word << 8 | (i + k < n ? quint8(data[i + k]) : 0);
        sum += word;
    }
    return sum;
}

// An sfnt from its tables (head among them), with the directory sorted by
// tag, every table on a 4-byte boundary and head.checkSumAdjustment set.
QByteArray buildSfnt(std::vector<std::pair<quint32, QByteArray>> tables)
{
    std::sort(tables.begin(), tables.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    const int count = int(tables.size());
    int entrySelector = 0;
    while ((2 << entrySelector) <= count)
        ++entrySelector;
    const int searchRange = 16 << entrySelector;

    QByteArray out;
    putU32(out, 0x00010000);
    putU16(out, count);
    putU16(out, searchRange);
    putU16(out, entrySelector);
    putU16(out, count * 16 - searchRange);
    qsizetype offset = 12 + qsizetype(count) * 16;
    qsizetype headOffset = -1;
    for (auto& [t, data] : tables) {
        if (t == tag("head"))
            setU32(data, 8, 0);
        putU32(out, t);
        putU32(out, tableChecksum(data));
        putU32(out, quint32(offset));
        putU32(out, quint32(data.size()));
        offset += (data.size() + 3) & ~qsizetype(3);
    }
    for (const auto& [t, data] : tables) {
        if (t == tag("head"))
            headOffset = out.size();
        out.append(data);
        out.append((4 - data.size() % 4) % 4, '\0');
    }
    if (headOffset >= 0)
        setU32(out, headOffset + 8, 0xB1B0AFBAu - tableChecksum(out));
    return out;
}

} // namespace

std::optional<QByteArray> subsetTrueType(const FontFile& font, const QList<quint16>& glyphs,
                                         QString* error)
{
    if (font.outlines() != FontFile::Outlines::TrueType)
        return fail(error, QStringLiteral("the font has no TrueType outlines"));
    if (!checkGlyphs(font, glyphs, error))
        return std::nullopt;
    const QByteArrayView headIn = font.table("head");
    const QByteArrayView hheaIn = font.table("hhea");
    const QByteArrayView maxpIn = font.table("maxp");
    const QByteArrayView glyf = font.table("glyf");
    Reader head(headIn), loca(font.table("loca")), hmtx(font.table("hmtx"));
    if (headIn.size() < 54 || hheaIn.size() < 36 || maxpIn.size() < 6)
        return fail(error, QStringLiteral("the font lacks head, hhea or maxp"));
    const bool longLoca = head.s16(50) == 1;
    const int hMetrics = qMin<qsizetype>(Reader(hheaIn).u16(34), hmtx.data().size() / 4);

    auto glyphData = [&](quint16 g, QByteArrayView* out) {
        const quint32 start =
            longLoca ? loca.u32(qsizetype(g) * 4) : loca.u16(qsizetype(g) * 2) * 2u;
        const quint32 end =
            longLoca ? loca.u32(qsizetype(g) * 4 + 4) : loca.u16(qsizetype(g) * 2 + 2) * 2u;
        if (!loca.ok() || start > end || end > quint32(glyf.size()))
            return false;
        *out = glyf.sliced(start, end - start);
        return true;
    };

    QList<quint16> order = glyphs;
    QHash<quint16, quint16> newIndex;
    for (qsizetype i = glyphs.size() - 1; i >= 0; --i)
        newIndex.insert(glyphs[i], quint16(i));
    QByteArray glyfOut, locaOut;
    std::vector<quint32> offsets;
    for (qsizetype i = 0; i < order.size(); ++i) {
        QByteArrayView src;
        if (!glyphData(order[i], &src))
            return fail(error,
                        QStringLiteral("glyph %1 lies outside the glyf table").arg(order[i]));
        offsets.push_back(quint32(glyfOut.size()));
        if (src.isEmpty())
            continue;
        Reader in(src);
        if (src.size() < 10)
            return fail(error, QStringLiteral("glyph %1 is cut short").arg(order[i]));
        QByteArray g = src.toByteArray();
        if (in.s16(0) < 0) {
            // Composite: every component joins the subset and is referred to
            // by its new index.
            qsizetype p = 10;
            for (;;) {
                const quint16 flags = in.u16(p);
                const quint16 component = in.u16(p + 2);
                if (!in.ok() || component >= font.glyphCount())
                    return fail(error,
                                QStringLiteral("glyph %1 has a bad component").arg(order[i]));
                auto it = newIndex.find(component);
                if (it == newIndex.end()) {
                    if (order.size() >= 0xFFFF)
                        return fail(error, QStringLiteral("too many glyphs for one font"));
                    it = newIndex.insert(component, quint16(order.size()));
                    order.append(component);
                }
                setU16(g, p + 2, *it);
                p += 4 + ((flags & 0x0001) ? 4 : 2);
                p += (flags & 0x0008) ? 2 : (flags & 0x0040) ? 4 : (flags & 0x0080) ? 8 : 0;
                if (!(flags & 0x0020))
                    break;
            }
            if (p > src.size())
                return fail(error, QStringLiteral("glyph %1 is cut short").arg(order[i]));
        }
        glyfOut.append(g);
        glyfOut.append((4 - g.size() % 4) % 4, '\0');
    }
    offsets.push_back(quint32(glyfOut.size()));

    const int count = int(order.size());
    const bool shortLoca = glyfOut.size() <= 0x1FFFE;
    for (quint32 o : offsets) {
        if (shortLoca)
            putU16(locaOut, o / 2);
        else
            putU32(locaOut, o);
    }

    QByteArray hmtxOut;
    for (quint16 g : order) {
        const qsizetype lsbAt =
            g < hMetrics ? qsizetype(g) * 4 + 2 : qsizetype(hMetrics) * 4 + (g - hMetrics) * 2;
        Reader lsb(hmtx.data());
        putU16(hmtxOut, font.advance(g));
        putU16(hmtxOut, lsb.u16(lsbAt)); // 0 when the table is short
    }

    QByteArray headOut = headIn.toByteArray();
    setU16(headOut, 50, shortLoca ? 0 : 1);
    QByteArray hheaOut = hheaIn.toByteArray();
    setU16(hheaOut, 34, count);
    QByteArray maxpOut = maxpIn.toByteArray();
    setU16(maxpOut, 4, count);

    std::vector<std::pair<quint32, QByteArray>> tables = {
        {tag("head"), headOut}, {tag("hhea"), hheaOut}, {tag("maxp"), maxpOut},
        {tag("hmtx"), hmtxOut}, {tag("loca"), locaOut}, {tag("glyf"), glyfOut},
    };
    for (const char* t : {"cvt ", "fpgm", "prep"}) {
        const QByteArrayView data = font.table(t);
        if (!data.isEmpty())
            tables.emplace_back(tag(t), data.toByteArray());
    }
    return buildSfnt(std::move(tables));
}

namespace {

// --------------------------------------------------------------------- CFF

// An INDEX of the CFF table, read in place: only the offsets of the items
// asked for are read.
struct CffIndex
{
    Reader* cff = nullptr;
    int count = 0;
    int offSize = 0;
    qsizetype offsets = 0; // the offset array
    qsizetype base = 0;    // offsets count from the byte before the data
    quint32 dataSize = 0;
    qsizetype end = 0;

    bool read(Reader& r, qsizetype at)
    {
        cff = &r;
        count = r.u16(at);
        if (!r.ok())
            return false;
        if (count == 0) {
            end = at + 2;
            return true;
        }
        offSize = r.u8(at + 2);
        if (offSize < 1 || offSize > 4)
            return false;
        offsets = at + 3;
        base = offsets + qsizetype(count + 1) * offSize - 1;
        dataSize = r.uN(offsets + qsizetype(count) * offSize, offSize);
        if (!r.ok() || dataSize < 1 || !r.has(base + 1, dataSize - 1))
            return false;
        end = base + dataSize;
        return true;
    }

    std::optional<QByteArrayView> item(int i) const
    {
        if (i < 0 || i >= count)
            return std::nullopt;
        Reader& r = *cff;
        const quint32 from = r.uN(offsets + qsizetype(i) * offSize, offSize);
        const quint32 to = r.uN(offsets + qsizetype(i + 1) * offSize, offSize);
        if (!r.ok() || from < 1 || from > to || to > dataSize)
            return std::nullopt;
        return r.data().sliced(base + from, to - from);
    }

    int bias() const { return count < 1240 ? 107 : count < 33900 ? 1131 : 32768; }
};

struct DictEntry
{
    int op = 0; // escaped operators are 1200 + second byte
    std::vector<double> operands;
    QByteArrayView raw; // operands and operator as written
};

std::optional<std::vector<DictEntry>> parseDict(QByteArrayView dict)
{
    std::vector<DictEntry> entries;
    DictEntry current;
    qsizetype start = 0;
    Reader r(dict);
    qsizetype i = 0;
    while (i < dict.size()) {
        const int b0 = r.u8(i);
        if (b0 <= 21) {
            current.op = b0;
            i += 1;
            if (b0 == 12) {
                current.op = 1200 + r.u8(i);
                i += 1;
            }
            if (!r.ok())
                return std::nullopt;
            current.raw = dict.sliced(start, i - start);
            entries.push_back(std::move(current));
            current = {};
            start = i;
        } else if (b0 == 28) {
            current.operands.push_back(r.s16(i + 1));
            i += 3;
        } else if (b0 == 29) {
            current.operands.push_back(qint32(r.u32(i + 1)));
            i += 5;
        } else if (b0 == 30) {
            QByteArray text;
            bool done = false;
            for (++i; !done && r.has(i, 1); ++i) {
                const int byte = r.u8(i);
                for (int nibble : {byte >> 4, byte & 0xf}) {
                    if (done)
                        break;
                    if (nibble <= 9)
                        text.append(char('0' + nibble));
                    else if (nibble == 0xa)
                        text.append('.');
                    else if (nibble == 0xb)
                        text.append('E');
                    else if (nibble == 0xc)
                        text.append("E-");
                    else if (nibble == 0xe)
                        text.append('-');
                    else if (nibble == 0xf)
                        done = true;
                    else
                        return std::nullopt;
                }
            }
            if (!done)
                return std::nullopt;
            current.operands.push_back(text.toDouble());
        } else if (b0 >= 32 && b0 <= 246) {
            current.operands.push_back(b0 - 139);
            i += 1;
        } else if (b0 >= 247 && b0 <= 250) {
            current.operands.push_back((b0 - 247) * 256 + r.u8(i + 1) + 108);
            i += 2;
        } else if (b0 >= 251 && b0 <= 254) {
            current.operands.push_back(-(b0 - 251) * 256 - r.u8(i + 1) - 108);
            i += 2;
        } else {
            return std::nullopt;
        }
        if (!r.ok() || current.operands.size() > 48)
            return std::nullopt;
    }
    return entries;
}

const DictEntry* find(const std::vector<DictEntry>& dict, int op)
{
    for (const DictEntry& e : dict)
        if (e.op == op)
            return &e;
    return nullptr;
}

// An operand of a DICT entry as an offset or count, or -1.
qint64 intOperand(const DictEntry* e, size_t index)
{
    if (!e || index >= e->operands.size())
        return -1;
    const double v = e->operands[index];
    return v >= 0 && v <= 0x7fffffff && v == qint64(v) ? qint64(v) : -1;
}

// Inlines the subroutine calls of Type 2 charstrings. The only state that
// has to be followed is the operand stack (for the subroutine numbers) and
// the number of stems (for the length of hintmask and cntrmask).
class Desubroutinizer
{
public:
    Desubroutinizer(const CffIndex& global, const CffIndex* local)
        : m_global(global), m_local(local)
    {
    }

    // Appends the charstring without calls to `out`; on failure `out` is as
    // it was.
    bool run(QByteArrayView charstring, std::string& out, QString* error)
    {
        m_out = &out;
        m_start = out.size();
        m_depth = 0;
        m_size = 0;
        m_stems = 0;
        m_ended = false;
        m_error.clear();
        if (interpret(charstring) && !m_ended)
            m_error = QStringLiteral("a charstring has no endchar");
        if (m_error.isEmpty() && tooLong())
            m_error = QStringLiteral("a glyph expands to more than %1 bytes").arg(maxGlyphBytes);
        if (m_error.isEmpty())
            return true;
        out.resize(m_start);
        fail(error, m_error);
        return false;
    }

private:
    static constexpr int maxStack = 48;
    static constexpr int maxDepth = 10;
    // Depth alone does not bound the output: ten levels of subroutines that
    // each call the next eight times make a glyph of a billion bytes from a
    // font of a few hundred. No drawn glyph comes near this.
    static constexpr size_t maxGlyphBytes = 64 * 1024;

    bool tooLong() const { return m_out->size() - m_start > maxGlyphBytes; }

    // Operands are copied in runs, when an operator ends them; a number is
    // decoded only when a call needs it.
    struct Operand
    {
        const quint8* bytes; // where it is written in the charstring
        size_t at;           // where it starts in the output
    };

    static double value(const quint8* b)
    {
        const int b0 = b[0];
        if (b0 == 28)
            return qint16(b[1] << 8 | b[2]);
        if (b0 <= 246)
            return b0 - 139;
        if (b0 <= 250)
            return (b0 - 247) * 256 + b[1] + 108;
        if (b0 <= 254)
            return -(b0 - 251) * 256 - b[1] - 108;
        return qint32(quint32(b[1]) << 24 | b[2] << 16 | b[3] << 8 | b[4]) / 65536.0;
    }

    bool error(const QString& message)
    {
        m_error = message;
        return false;
    }

    // Writes the operands waiting since `from` and the operator (with its
    // mask bytes) that ends at `to` and clears the stack.
    void put(const quint8* from, const quint8* to)
    {
        m_out->append(reinterpret_cast<const char*>(from), size_t(to - from));
        m_size = 0;
    }

    bool interpret(QByteArrayView charstring)
    {
        const quint8* cs = reinterpret_cast<const quint8*>(charstring.data());
        const qsizetype n = charstring.size();
        qsizetype i = 0;
        const quint8* run = cs; // operands not yet written
        auto pending = [&] { return m_out->size() + size_t(cs + i - run); };
        while (i < n) {
            const int b0 = cs[i];
            if (b0 >= 32 || b0 == 28) {
                const qsizetype length = b0 == 28 ? 3 : b0 <= 246 ? 1 : b0 <= 254 ? 2 : 5;
                if (i + length > n)
                    return error(QStringLiteral("a charstring ends inside a number"));
                if (m_size == maxStack)
                    return error(QStringLiteral("a charstring overflows the operand stack"));
                m_stack[m_size++] = {cs + i, pending()};
                i += length;
                continue;
            }
            switch (b0) {
            case 1:  // hstem
            case 3:  // vstem
            case 18: // hstemhm
            case 23: // vstemhm
                m_stems += m_size / 2;
                put(run, cs + i + 1);
                run = cs + i + 1;
                i += 1;
                break;
            case 19:   // hintmask
            case 20: { // cntrmask
                // Operands left here are the vstem pairs of an implied vstemhm.
                m_stems += m_size / 2;
                const qsizetype length = 1 + (m_stems + 7) / 8;
                if (i + length > n)
                    return error(QStringLiteral("a charstring ends inside a hint mask"));
                put(run, cs + i + length);
                run = cs + i + length;
                i += length;
                break;
            }
            case 10:   // callsubr
            case 29: { // callgsubr
                const CffIndex* subrs = b0 == 10 ? m_local : &m_global;
                if (m_size == 0)
                    return error(QStringLiteral("a subroutine call has no number"));
                const Operand number = m_stack[--m_size];
                if (!subrs)
                    return error(QStringLiteral("a call to local subroutines the font lacks"));
                const double v = value(number.bytes);
                if (v != qint64(v))
                    return error(QStringLiteral("a subroutine number is no integer"));
                const qint64 index = qint64(v) + subrs->bias();
                const auto subr = index >= 0 && index < subrs->count
                                      ? subrs->item(int(index))
                                      : std::optional<QByteArrayView>();
                if (!subr)
                    return error(QStringLiteral("subroutine %1 does not exist").arg(index));
                if (m_depth == maxDepth)
                    return error(QStringLiteral("subroutines nest too deep"));
                // Checked at every call, the output overshoots by one
                // subroutine at most.
                if (tooLong())
                    return error(
                        QStringLiteral("a glyph expands to more than %1 bytes").arg(maxGlyphBytes));
                m_out->append(reinterpret_cast<const char*>(run), size_t(cs + i - run));
                m_out->resize(number.at);
                ++m_depth;
                if (!interpret(*subr))
                    return false;
                --m_depth;
                if (m_ended)
                    return true;
                i += 1;
                run = cs + i;
                break;
            }
            case 11: // return
                if (m_depth == 0)
                    return error(QStringLiteral("a charstring returns outside a subroutine"));
                m_out->append(reinterpret_cast<const char*>(run), size_t(cs + i - run));
                return true;
            case 14: // endchar
                // Four operands would be the accented character of the
                // standard encoding (seac), which has no meaning once the
                // glyph names are gone.
                if (m_size >= 4)
                    return error(QStringLiteral("accented endchar is not supported"));
                put(run, cs + i + 1);
                run = cs + i + 1;
                m_ended = true;
                return true;
            case 4:  // vmoveto
            case 5:  // rlineto
            case 6:  // hlineto
            case 7:  // vlineto
            case 8:  // rrcurveto
            case 21: // rmoveto
            case 22: // hmoveto
            case 24: // rcurveline
            case 25: // rlinecurve
            case 26: // vvcurveto
            case 27: // hhcurveto
            case 30: // vhcurveto
            case 31: // hvcurveto
                put(run, cs + i + 1);
                run = cs + i + 1;
                i += 1;
                break;
            case 12: {
                // hflex, flex, hflex1, flex1; the arithmetic operators would
                // make subroutine numbers computed values.
                const int b1 = i + 1 < n ? cs[i + 1] : -1;
                if (b1 < 34 || b1 > 37)
                    return error(QStringLiteral("unsupported charstring operator 12 %1").arg(b1));
                put(run, cs + i + 2);
                run = cs + i + 2;
                i += 2;
                break;
            }
            default:
                return error(QStringLiteral("unknown charstring operator %1").arg(b0));
            }
        }
        m_out->append(reinterpret_cast<const char*>(run), size_t(cs + n - run));
        return true;
    }

    const CffIndex& m_global;
    const CffIndex* m_local;
    std::string* m_out = nullptr;
    size_t m_start = 0;
    Operand m_stack[maxStack];
    int m_size = 0;
    int m_depth = 0;
    int m_stems = 0;
    bool m_ended = false;
    QString m_error;
};

// An INDEX of items stored one after another in `data`, item i ending at
// ends[i].
QByteArray makeIndex(const std::string& data, const std::vector<quint32>& ends)
{
    QByteArray out;
    putU16(out, quint32(ends.size()));
    if (ends.empty())
        return out;
    const quint64 last = quint64(data.size()) + 1;
    const int offSize = last <= 0xff ? 1 : last <= 0xffff ? 2 : last <= 0xffffff ? 3 : 4;
    putU8(out, offSize);
    out.reserve(out.size() + qsizetype(ends.size() + 1) * offSize + qsizetype(data.size()));
    auto putOffset = [&](quint32 v) {
        for (int k = offSize - 1; k >= 0; --k)
            putU8(out, v >> (8 * k));
    };
    putOffset(1);
    for (quint32 end : ends)
        putOffset(end + 1);
    out.append(data.data(), qsizetype(data.size()));
    return out;
}

QByteArray makeIndex(const QList<QByteArray>& items)
{
    std::string data;
    std::vector<quint32> ends;
    for (const QByteArray& item : items) {
        data.append(item.constData(), size_t(item.size()));
        ends.push_back(quint32(data.size()));
    }
    return makeIndex(data, ends);
}

// DICT numbers in the five-byte form, so that a DICT's size does not depend
// on the offsets it holds.
void putDictInt(QByteArray& out, qint64 v)
{
    putU8(out, 29);
    putU32(out, quint32(qint32(v)));
}

void putDictOp(QByteArray& out, int op)
{
    if (op >= 1200) {
        putU8(out, 12);
        putU8(out, op - 1200);
    } else {
        putU8(out, op);
    }
}

// One Font DICT of the source font and what its glyphs need.
struct SourceFd
{
    QByteArray privateDict; // without Subrs
    QByteArrayView fontMatrix;
    CffIndex localSubrs;
    bool hasLocalSubrs = false;
};

constexpr int opCharset = 15, opCharStrings = 17, opPrivate = 18, opSubrs = 19;
constexpr int opFontBBox = 5, opFontMatrix = 1207, opCharstringType = 1206, opRos = 1230,
              opCidCount = 1234, opFdArray = 1236, opFdSelect = 1237;

// The operands of an entry as written (its raw bytes without the operator).
QByteArrayView operandBytes(const DictEntry& e)
{
    return e.raw.first(e.raw.size() - (e.op >= 1200 ? 2 : 1));
}

bool readPrivate(Reader& cff, const std::vector<DictEntry>& owner, SourceFd* fd)
{
    const DictEntry* priv = find(owner, opPrivate);
    const qint64 size = intOperand(priv, 0), offset = intOperand(priv, 1);
    if (size < 0 || offset < 0 || !cff.has(offset, size))
        return false;
    const auto dict = parseDict(cff.data().sliced(offset, size));
    if (!dict)
        return false;
    for (const DictEntry& e : *dict)
        if (e.op != opSubrs)
            fd->privateDict.append(e.raw);
    if (const DictEntry* subrs = find(*dict, opSubrs)) {
        const qint64 at = intOperand(subrs, 0);
        if (at < 0 || !fd->localSubrs.read(cff, offset + at))
            return false;
        fd->hasLocalSubrs = true;
    }
    return true;
}

} // namespace

struct CffSubset::Private
{
    explicit Private(const FontFile& f)
        : font(f), cff(f.table("CFF ")),
          maxCharStringBytes(size_t(
              std::min<qint64>(kMaxSubsetBytes, kSubsetBytesFloor + kSubsetBytesPerFontByte *
                                                                        f.table("CFF ").size())))
    {
    }

    // What the glyphs of a subset may weigh without their subroutines:
    // inlining makes them larger than in the font, but not by much once a
    // glyph is bounded; a fixed ceiling bounds even a large font.
    static constexpr qint64 kMaxSubsetBytes = 64 * 1024 * 1024;
    static constexpr qint64 kSubsetBytesFloor = 1024 * 1024;
    static constexpr qint64 kSubsetBytesPerFontByte = 4;

    const FontFile& font;
    Reader cff;
    size_t maxCharStringBytes;
    CffIndex names, topDicts, strings, globalSubrs, charStrings, fdArray;
    std::vector<DictEntry> top;
    bool cid = false;
    qint64 fdSelect = -1;
    int fdSelectFormat = 0;
    // Source Font DICTs in the order the subset first uses them.
    std::vector<SourceFd> fds;
    std::map<int, int> fdNumber;
    std::string charStringData;
    std::vector<quint32> charStringEnds;
    QByteArray outFdSelect;
    QString error; // set once the font or a glyph could not be read

    bool fail(const QString& message)
    {
        if (error.isEmpty())
            error = message;
        return false;
    }

    bool open();
    int fdOf(quint16 glyph);
    bool add(quint16 glyph);
    QByteArray assemble() const;
};

bool CffSubset::Private::open()
{
    if (font.outlines() != FontFile::Outlines::Cff)
        return fail(QStringLiteral("the font has no CFF outlines"));
    const QString damaged = QStringLiteral("the CFF table is damaged");
    if (cff.u8(0) != 1 || !names.read(cff, cff.u8(2)) || !topDicts.read(cff, names.end) ||
        !strings.read(cff, topDicts.end) || !globalSubrs.read(cff, strings.end))
        return fail(damaged);
    const auto topBytes = topDicts.item(0);
    auto parsed = topBytes ? parseDict(*topBytes) : std::nullopt;
    if (!parsed)
        return fail(damaged);
    top = std::move(*parsed);
    if (const DictEntry* type = find(top, opCharstringType); type && intOperand(type, 0) != 2)
        return fail(QStringLiteral("the CFF charstrings are not of type 2"));
    if (!charStrings.read(cff, intOperand(find(top, opCharStrings), 0)))
        return fail(damaged);
    cid = find(top, opRos) != nullptr;
    if (cid) {
        fdSelect = intOperand(find(top, opFdSelect), 0);
        if (!fdArray.read(cff, intOperand(find(top, opFdArray), 0)) || fdSelect < 0)
            return fail(damaged);
        fdSelectFormat = cff.u8(fdSelect);
        if (!cff.ok() || (fdSelectFormat != 0 && fdSelectFormat != 3))
            return fail(QStringLiteral("unsupported FDSelect format"));
    }
    return true;
}

int CffSubset::Private::fdOf(quint16 glyph)
{
    if (fdSelectFormat == 0)
        return cff.u8(fdSelect + 1 + glyph);
    const int ranges = cff.u16(fdSelect + 1);
    int lo = 0, hi = ranges - 1, found = -1;
    while (lo <= hi) { // the last range starting at or before the glyph
        const int mid = (lo + hi) / 2;
        if (cff.u16(fdSelect + 3 + qsizetype(mid) * 3) <= glyph) {
            found = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    if (found < 0 || !cff.ok())
        return -1;
    return cff.u8(fdSelect + 3 + qsizetype(found) * 3 + 2);
}

bool CffSubset::Private::add(quint16 g)
{
    if (!error.isEmpty())
        return false;
    const QString damaged = QStringLiteral("the CFF table is damaged");
    if (charStringEnds.empty() && g != 0)
        return fail(QStringLiteral("the first glyph must be .notdef (0)"));
    if (charStringEnds.size() >= 0xFFFF)
        return fail(QStringLiteral("more glyphs than a font can hold"));
    if (g >= font.glyphCount())
        return fail(
            QStringLiteral("glyph %1 is past the font's %2 glyphs").arg(g).arg(font.glyphCount()));
    const int sourceFd = cid ? fdOf(g) : 0;
    if (!cff.ok() || sourceFd < 0 || (cid && sourceFd >= fdArray.count))
        return fail(damaged);
    auto it = fdNumber.find(sourceFd);
    if (it == fdNumber.end()) {
        SourceFd fd;
        if (cid) {
            const auto fontDictBytes = fdArray.item(sourceFd);
            const auto fontDict = fontDictBytes ? parseDict(*fontDictBytes) : std::nullopt;
            if (!fontDict || !readPrivate(cff, *fontDict, &fd))
                return fail(damaged);
            if (const DictEntry* m = find(*fontDict, opFontMatrix))
                fd.fontMatrix = operandBytes(*m);
        } else if (!readPrivate(cff, top, &fd)) {
            return fail(damaged);
        }
        fds.push_back(std::move(fd));
        it = fdNumber.emplace(sourceFd, int(fds.size()) - 1).first;
    }
    const SourceFd& fd = fds[size_t(it->second)];
    const auto charstring = charStrings.item(g);
    if (!charstring)
        return fail(QStringLiteral("glyph %1 has no charstring").arg(g));
    // Charstrings lie all over a large table, a document's glyphs far apart:
    // each is read from the file on its own.
    const QByteArray bytes = font.read(*charstring);
    Desubroutinizer desubr(globalSubrs, fd.hasLocalSubrs ? &fd.localSubrs : nullptr);
    QString why;
    // A refused glyph leaves the subset as it was, whole.
    const size_t before = charStringData.size();
    if (!desubr.run(bytes, charStringData, &why)) {
        charStringData.resize(before);
        return fail(QStringLiteral("glyph %1: %2").arg(g).arg(why));
    }
    if (charStringData.size() > maxCharStringBytes) {
        charStringData.resize(before);
        return fail(QStringLiteral("the subset's glyphs pass %1 bytes, more than a font of %2 "
                                   "bytes can need")
                        .arg(maxCharStringBytes)
                        .arg(font.table("CFF ").size()));
    }
    charStringEnds.push_back(quint32(charStringData.size()));
    outFdSelect.append(char(it->second));
    return true;
}

CffSubset::CffSubset(const FontFile& font) : d(std::make_unique<Private>(font))
{
    d->charStringData.reserve(64 * 1024);
    d->open();
}

CffSubset::~CffSubset() = default;

bool CffSubset::add(quint16 glyph)
{
    return d->add(glyph);
}

QString CffSubset::refusal() const
{
    return d->error;
}

std::optional<QByteArray> CffSubset::finish(QString* error) const
{
    if (d->error.isEmpty() && d->charStringEnds.empty())
        d->fail(QStringLiteral("a subset needs at least the .notdef glyph"));
    if (d->charStringEnds.empty())
        return fail(error, d->error);
    return d->assemble();
}

std::optional<QByteArray> subsetCff(const FontFile& font, const QList<quint16>& glyphs,
                                    QString* error)
{
    if (!checkGlyphs(font, glyphs, error))
        return std::nullopt;
    CffSubset subset(font);
    for (quint16 g : glyphs) {
        if (!subset.add(g))
            return fail(error, subset.refusal());
    }
    return subset.finish(error);
}

QByteArray CffSubset::Private::assemble() const
{
    const int count = int(charStringEnds.size());

    // A name-keyed font's FontMatrix stays in the Top DICT; its one Font
    // DICT has none and so takes the top one unchanged.
    QByteArrayView topMatrix;
    if (const DictEntry* m = find(top, opFontMatrix))
        topMatrix = operandBytes(*m);
    const DictEntry* bbox = find(top, opFontBBox);

    QByteArray name = names.item(0) ? names.item(0)->toByteArray() : QByteArray();
    if (name.isEmpty() || name.size() > 127)
        name = font.postScriptName().toLatin1();

    QByteArray charset;
    if (count > 1) {
        putU8(charset, 2);
        putU16(charset, 1);
        putU16(charset, count - 2);
    } else {
        putU8(charset, 0);
    }
    QByteArray fdSelectOut;
    {
        QByteArray ranges;
        int rangeCount = 0;
        for (int i = 0; i < count; ++i)
            if (i == 0 || outFdSelect[i] != outFdSelect[i - 1]) {
                putU16(ranges, i);
                putU8(ranges, quint8(outFdSelect[i]));
                ++rangeCount;
            }
        putU8(fdSelectOut, 3);
        putU16(fdSelectOut, rangeCount);
        fdSelectOut.append(ranges);
        putU16(fdSelectOut, count);
    }
    const QByteArray charStringsOut = makeIndex(charStringData, charStringEnds);

    struct Offsets
    {
        qint64 charset = 0, fdSelect = 0, charStrings = 0, fdArray = 0;
        std::vector<qint64> privates;
    } at;
    at.privates.assign(fds.size(), 0);

    auto topDict = [&] {
        QByteArray d;
        putDictInt(d, 391); // "Adobe", the first string of the String INDEX
        putDictInt(d, 392); // "Identity"
        putDictInt(d, 0);
        putDictOp(d, opRos);
        if (!topMatrix.isEmpty()) {
            d.append(topMatrix);
            putDictOp(d, opFontMatrix);
        }
        if (bbox) {
            d.append(operandBytes(*bbox));
            putDictOp(d, opFontBBox);
        }
        putDictInt(d, count);
        putDictOp(d, opCidCount);
        putDictInt(d, at.charset);
        putDictOp(d, opCharset);
        putDictInt(d, at.fdSelect);
        putDictOp(d, opFdSelect);
        putDictInt(d, at.charStrings);
        putDictOp(d, opCharStrings);
        putDictInt(d, at.fdArray);
        putDictOp(d, opFdArray);
        return d;
    };
    auto fdArrayIndex = [&] {
        QList<QByteArray> dicts;
        for (size_t i = 0; i < fds.size(); ++i) {
            QByteArray d;
            if (!fds[i].fontMatrix.isEmpty()) {
                d.append(fds[i].fontMatrix);
                putDictOp(d, opFontMatrix);
            }
            putDictInt(d, fds[i].privateDict.size());
            putDictInt(d, at.privates[i]);
            putDictOp(d, opPrivate);
            dicts.append(d);
        }
        return makeIndex(dicts);
    };

    QByteArray header("\x01\x00\x04\x04", 4);
    const QByteArray nameIndex = makeIndex({name});
    const QByteArray stringIndex = makeIndex({"Adobe", "Identity"});
    const QByteArray globalSubrIndex = makeIndex({});
    qint64 offset = header.size() + nameIndex.size() + makeIndex({topDict()}).size() +
                    stringIndex.size() + globalSubrIndex.size();
    at.charset = offset;
    offset += charset.size();
    at.fdSelect = offset;
    offset += fdSelectOut.size();
    at.charStrings = offset;
    offset += charStringsOut.size();
    at.fdArray = offset;
    offset += fdArrayIndex().size();
    for (size_t i = 0; i < fds.size(); ++i) {
        at.privates[i] = offset;
        offset += fds[i].privateDict.size();
    }

    QByteArray out = header;
    out.reserve(offset);
    out += nameIndex;
    out += makeIndex({topDict()});
    out += stringIndex;
    out += globalSubrIndex;
    out += charset;
    out += fdSelectOut;
    out += charStringsOut;
    out += fdArrayIndex();
    for (const SourceFd& fd : fds)
        out += fd.privateDict;
    Q_ASSERT(out.size() == offset);
    return out;
}

} // namespace hra::reportengine
