#pragma once

// Small fonts made byte by byte, to feed the font code what no installed
// font has: subroutines that fan out, damaged tables.

#include <QByteArray>
#include <QList>
#include <QString>
#include <iterator>
#include <utility>

namespace hra::reportengine::test::smallfonts {

inline QByteArray be16(int v)
{
    const char bytes[2] = {char((v >> 8) & 0xff), char(v & 0xff)};
    return QByteArray(bytes, 2);
}
inline QByteArray be32(quint32 v)
{
    return be16(int(v >> 16)) + be16(int(v & 0xffff));
}

inline QByteArray cffIndex(const QList<QByteArray>& items)
{
    if (items.isEmpty())
        return be16(0);
    QByteArray offsets = be32(1), data;
    for (const QByteArray& item : items) {
        data += item;
        offsets += be32(quint32(data.size() + 1));
    }
    return be16(int(items.size())) + char(4) + offsets + data;
}

inline QByteArray dictInt(int v)
{
    return char(29) + be32(quint32(v));
}

// An OpenType font (tables in the order given, no checksums).
inline QByteArray sfnt(quint32 version, const QList<std::pair<const char*, QByteArray>>& tables)
{
    QByteArray out = be32(version) + be16(int(tables.size())) + be16(0) + be16(0) + be16(0);
    qsizetype offset = 12 + 16 * tables.size();
    QByteArray body;
    for (const auto& [tag, data] : tables) {
        out += QByteArray(tag, 4) + be32(0) + be32(quint32(offset + body.size())) +
               be32(quint32(data.size()));
        body += data + QByteArray((4 - data.size() % 4) % 4, '\0');
    }
    return out + body;
}

// A name table that gives the font a family, in the one encoding every
// reader takes (Windows, Unicode, US English).
inline QByteArray nameTable(const QString& family)
{
    QByteArray records, strings;
    const std::pair<int, QString> names[] = {{1, family},
                                             {2, QStringLiteral("Regular")},
                                             {4, family},
                                             {6, QString(family).remove(u' ')}};
    for (const auto& [id, text] : names) {
        QByteArray utf16;
        for (QChar c : text)
            utf16 += be16(c.unicode());
        records += be16(3) + be16(1) + be16(0x409) + be16(id) + be16(int(utf16.size())) +
                   be16(int(strings.size()));
        strings += utf16;
    }
    return be16(0) + be16(int(std::size(names))) + be16(6 + 12 * int(std::size(names))) + records +
           strings;
}

// A name-keyed CFF font whose glyphs 1, 2, ... are `charstrings`, with the
// given subroutines; given a family, it has a name table and the system's
// font configuration takes it.
inline QByteArray cffFont(const QList<QByteArray>& charstrings, const QList<QByteArray>& localSubrs,
                          const QList<QByteArray>& globalSubrs, const QString& family)
{
    const int glyphs = int(charstrings.size()) + 1;
    const QByteArray head =
        QByteArray::fromHex("0001000000010000000000005f0f3cf50003") // magic at 12
        + be16(1000) + QByteArray(16, '\0')                         // upem, dates
        + be16(0) + be16(-200) + be16(600) + be16(800)              // bbox
        + QByteArray(10, '\0');
    const QByteArray hhea =
        be32(0x00010000) + be16(800) + be16(-200) + QByteArray(26, '\0') + be16(glyphs);
    // The charstrings have the default width, 0.
    const QByteArray hmtx = QByteArray(4 * glyphs, '\0');
    const QByteArray maxp = be32(0x00005000) + be16(glyphs);

    const QByteArray privateDict =
        localSubrs.isEmpty() ? QByteArray() : dictInt(6) + char(19); // Subrs right after it
    const QByteArray charStrings = cffIndex(QList<QByteArray>{QByteArray(1, 14)} + charstrings);
    const QByteArray header = QByteArray::fromHex("01000404") + cffIndex({"Test"});
    const int topSize = int(cffIndex({QByteArray(17, 'x')}).size());
    const QByteArray rest = cffIndex({}) + cffIndex(globalSubrs);
    const int charStringsAt = int(header.size()) + topSize + int(rest.size());
    const int privateAt = charStringsAt + int(charStrings.size());
    const QByteArray top = dictInt(charStringsAt) + char(17) + dictInt(int(privateDict.size())) +
                           dictInt(privateAt) + char(18);
    const QByteArray cff = header + cffIndex({top}) + rest + charStrings + privateDict +
                           (localSubrs.isEmpty() ? QByteArray() : cffIndex(localSubrs));
    QList<std::pair<const char*, QByteArray>> tables = {
        {"CFF ", cff}, {"head", head}, {"hhea", hhea}, {"hmtx", hmtx}, {"maxp", maxp}};
    if (!family.isEmpty())
        tables.append({"name", nameTable(family)});
    return sfnt(0x4f54544f, tables);
}

inline QByteArray cffFont(const QByteArray& charstring, const QList<QByteArray>& localSubrs,
                          const QList<QByteArray>& globalSubrs)
{
    return cffFont(QList<QByteArray>{charstring}, localSubrs, globalSubrs, {});
}

// Type 2 charstring pieces.
inline QByteArray n(int v)
{
    if (v >= -107 && v <= 107)
        return QByteArray(1, char(v + 139));
    return char(28) + be16(v);
}
inline QByteArray op(int code)
{
    return QByteArray(1, char(code));
}
inline const QByteArray rmoveto = op(21), rlineto = op(5), endchar = op(14), callsubr = op(10),
                        callgsubr = op(29), ret = op(11), hstemhm = op(18), hintmask = op(19);
inline QByteArray repeat(const QByteArray& piece, int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += piece;
    return out;
}
// Subroutine k of a font with fewer than 1240 is called with k - 107.
inline QByteArray call(int k)
{
    return n(k - 107) + callsubr;
}

// Subroutines `depth` deep, each calling the next `calls` times, the last
// drawing a line: calls^(depth - 1) lines from a few bytes each.
inline QList<QByteArray> fanOut(int depth, int calls)
{
    QList<QByteArray> subrs;
    for (int k = 0; k + 1 < depth; ++k)
        subrs.append(repeat(call(k + 1), calls) + ret);
    subrs.append(n(5) + n(5) + rlineto + ret);
    return subrs;
}

} // namespace hra::reportengine::test::smallfonts
