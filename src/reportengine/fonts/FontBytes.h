#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

// Big-endian reads and writes for font tables. Reads are bounds-checked: a
// read past the end of the view gives 0 and clears `ok`, so a damaged font
// is noticed once at the end of a parse instead of at every field.
namespace hra::reportengine::fontbytes {

class Reader
{
public:
    explicit Reader(QByteArrayView data) : m_data(data) {}

    bool ok() const { return m_ok; }
    bool has(qsizetype offset, qsizetype length) const
    {
        return offset >= 0 && length >= 0 && offset <= m_data.size() &&
               length <= m_data.size() - offset;
    }
    quint8 u8(qsizetype offset)
    {
        if (!has(offset, 1))
            return fail();
        return quint8(m_data[offset]);
    }
    quint16 u16(qsizetype offset)
    {
        if (!has(offset, 2))
            return fail();
        return quint16(quint8(m_data[offset]) << 8 | quint8(m_data[offset + 1]));
    }
    qint16 s16(qsizetype offset) { return qint16(u16(offset)); }
    quint32 u32(qsizetype offset)
    {
        if (!has(offset, 4))
            return fail();
        return quint32(u16(offset)) << 16 | u16(offset + 2);
    }
    // An unsigned big-endian number of 1 to 4 bytes (CFF offsets).
    quint32 uN(qsizetype offset, int size)
    {
        if (size < 1 || size > 4 || !has(offset, size))
            return fail();
        quint32 v = 0;
        for (int i = 0; i < size; ++i)
            v = v << 8 | quint8(m_data[offset + i]);
        return v;
    }
    // The bytes [offset, offset + length), or an empty view (and not ok).
    QByteArrayView slice(qsizetype offset, qsizetype length)
    {
        if (!has(offset, length)) {
            fail();
            return {};
        }
        return m_data.sliced(offset, length);
    }
    QByteArrayView data() const { return m_data; }

private:
    quint8 fail()
    {
        m_ok = false;
        return 0;
    }
    QByteArrayView m_data;
    bool m_ok = true;
};

inline void putU8(QByteArray& out, quint32 v)
{
    out.append(char(v & 0xff));
}
inline void putU16(QByteArray& out, quint32 v)
{
    out.append(char((v >> 8) & 0xff));
    out.append(char(v & 0xff));
}
inline void putU32(QByteArray& out, quint32 v)
{
    putU16(out, v >> 16);
    putU16(out, v & 0xffff);
}
inline void setU16(QByteArray& out, qsizetype offset, quint32 v)
{
    out[offset] = char((v >> 8) & 0xff);
    out[offset + 1] = char(v & 0xff);
}
inline void setU32(QByteArray& out, qsizetype offset, quint32 v)
{
    setU16(out, offset, v >> 16);
    setU16(out, offset + 2, v & 0xffff);
}

constexpr quint32 tag(const char t[4])
{
    return quint32(quint8(t[0])) << 24 | quint32(quint8(t[1])) << 16 | quint32(quint8(t[2])) << 8 |
           quint32(quint8(t[3]));
}

} // namespace hra::reportengine::fontbytes
