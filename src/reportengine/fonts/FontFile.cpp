#include "reportengine/fonts/FontFile.h"

#include "reportengine/fonts/FontBytes.h"

#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace hra::reportengine {

using fontbytes::Reader;
using fontbytes::tag;

namespace {

void setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
}

// PostScript names are printable ASCII without the PDF delimiters, at most 63
// characters; anything else is dropped.
QString safeName(const QString& name)
{
    QString out;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u > 32 && u < 127 && !QStringView(u"[](){}<>/%#").contains(c))
            out.append(c);
        if (out.size() == 63)
            break;
    }
    return out;
}

QString nameRecord(QByteArrayView nameTable, int wantedId)
{
    Reader r(nameTable);
    const int count = r.u16(2);
    const int storage = r.u16(4);
    QString mac;
    for (int i = 0; i < count && r.ok(); ++i) {
        const qsizetype rec = 6 + qsizetype(i) * 12;
        const int platform = r.u16(rec);
        const int encoding = r.u16(rec + 2);
        const int id = r.u16(rec + 6);
        const int length = r.u16(rec + 8);
        const int offset = r.u16(rec + 10);
        if (!r.ok() || id != wantedId)
            continue;
        Reader bytes(nameTable);
        const QByteArrayView text = bytes.slice(storage + offset, length);
        if (!bytes.ok())
            continue;
        if (platform == 3 || platform == 0) {
            QString s;
            for (qsizetype k = 0; k + 1 < text.size(); k += 2)
                s.append(QChar(char16_t(quint8(text[k]) << 8 | quint8(text[k + 1]))));
            if (!s.isEmpty())
                return s;
        } else if (platform == 1 && encoding == 0 && mac.isEmpty()) {
            mac = QString::fromLatin1(text.data(), text.size());
        }
    }
    return mac;
}

} // namespace

FontFile::~FontFile() = default;

QByteArray FontFile::read(QByteArrayView part) const
{
    const qsizetype offset = part.data() - m_data.data();
    if (!m_file || offset < 0 || part.size() > m_data.size() - offset)
        return part.toByteArray();
    QByteArray out(part.size(), Qt::Uninitialized);
    if (pread(m_file->handle(), out.data(), size_t(out.size()), off_t(offset)) != out.size())
        return part.toByteArray(); // the mapping still has it
    return out;
}

std::shared_ptr<const FontFile> FontFile::open(const QString& path, int faceIndex, QString* error)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("cannot open %1: %2").arg(path, file->errorString()));
        return nullptr;
    }
    const qint64 size = file->size();
    uchar* mapped = size > 0 ? file->map(0, size) : nullptr;
    if (!mapped) {
        setError(error, QStringLiteral("cannot map %1").arg(path));
        return nullptr;
    }
    std::shared_ptr<FontFile> font(new FontFile);
    font->m_file = std::move(file);
    font->m_data = QByteArrayView(reinterpret_cast<const char*>(mapped), size);
    const QString fallback = safeName(QFileInfo(path).completeBaseName()) + QLatin1Char('-') +
                             QString::number(faceIndex);
    if (!font->parse(faceIndex, fallback, error))
        return nullptr;
    return font;
}

std::shared_ptr<const FontFile> FontFile::fromData(QByteArrayView data, int faceIndex,
                                                   QString* error)
{
    std::shared_ptr<FontFile> font(new FontFile);
    font->m_data = data;
    if (!font->parse(faceIndex, QStringLiteral("Font-%1").arg(faceIndex), error))
        return nullptr;
    return font;
}

bool FontFile::parse(int faceIndex, const QString& fallbackName, QString* error)
{
    Reader file(m_data);
    qsizetype faceOffset = 0;
    if (file.u32(0) == tag("ttcf")) {
        const quint32 faces = file.u32(8);
        if (faceIndex < 0 || quint32(faceIndex) >= faces) {
            setError(error, QStringLiteral("the collection has no face %1").arg(faceIndex));
            return false;
        }
        faceOffset = file.u32(12 + qsizetype(faceIndex) * 4);
    } else if (faceIndex != 0) {
        setError(error, QStringLiteral("the font has no face %1").arg(faceIndex));
        return false;
    }
    const quint32 version = file.u32(faceOffset);
    if (!file.ok() || (version != 0x00010000 && version != tag("OTTO") && version != tag("true"))) {
        setError(error, QStringLiteral("not an sfnt font"));
        return false;
    }
    const int tableCount = file.u16(faceOffset + 4);
    for (int i = 0; i < tableCount; ++i) {
        const qsizetype rec = faceOffset + 12 + qsizetype(i) * 16;
        const quint32 t = file.u32(rec);
        const quint32 offset = file.u32(rec + 8);
        const quint32 length = file.u32(rec + 12);
        if (!file.ok()) {
            setError(error, QStringLiteral("the table directory is cut short"));
            return false;
        }
        // A table out of the file's bounds is left out: table() reports it absent.
        if (file.has(offset, length))
            m_tables.emplace_back(t, m_data.sliced(offset, length));
    }

    Reader head(table("head"));
    Reader maxp(table("maxp"));
    if (head.data().size() < 54 || maxp.data().size() < 6) {
        setError(error, QStringLiteral("the font has no usable head or maxp table"));
        return false;
    }
    m_unitsPerEm = head.u16(18);
    if (m_unitsPerEm < 16 || m_unitsPerEm > 16384)
        m_unitsPerEm = 1000;
    m_bbox = QRectF(QPointF(head.s16(36), head.s16(38)), QPointF(head.s16(40), head.s16(42)));
    m_italic = head.u16(44) & 0x2;
    m_glyphCount = maxp.u16(4);

    Reader os2(table("OS/2"));
    int typoAscender = 0, typoDescender = 0;
    if (os2.data().size() >= 78) {
        m_weightClass = os2.u16(4);
        m_italic = m_italic || (os2.u16(62) & 0x1);
        typoAscender = os2.s16(68);
        typoDescender = os2.s16(70);
    }
    if (m_weightClass < 1 || m_weightClass > 1000)
        m_weightClass = 400;

    Reader hhea(table("hhea"));
    if (hhea.data().size() >= 36) {
        m_ascent = hhea.s16(4);
        m_descent = hhea.s16(6);
        m_hMetrics = hhea.u16(34);
    }
    if (m_ascent == 0 && m_descent == 0) {
        m_ascent = typoAscender;
        m_descent = typoDescender;
    }
    m_descent = -qAbs(m_descent);
    m_capHeight = os2.data().size() >= 90 && os2.u16(0) >= 2 ? os2.s16(88) : 0;
    if (m_capHeight <= 0)
        m_capHeight = m_ascent;

    m_hmtx = table("hmtx");
    m_hMetrics = qMin<qsizetype>(m_hMetrics, m_hmtx.size() / 4);

    m_psName = safeName(nameRecord(table("name"), 6));
    if (m_psName.isEmpty())
        m_psName = fallbackName.isEmpty() ? QStringLiteral("Font") : fallbackName;

    if (!table("CFF ").isEmpty())
        m_outlines = Outlines::Cff;
    else if (!table("glyf").isEmpty() && !table("loca").isEmpty())
        m_outlines = Outlines::TrueType;
    return true;
}

QByteArrayView FontFile::table(const char tagName[4]) const
{
    const quint32 wanted = tag(tagName);
    for (const auto& [t, bytes] : m_tables)
        if (t == wanted)
            return bytes;
    return {};
}

int FontFile::advance(quint16 glyph) const
{
    if (m_hMetrics == 0)
        return 0;
    Reader r(m_hmtx);
    return r.u16(qsizetype(qMin<int>(glyph, m_hMetrics - 1)) * 4);
}

} // namespace hra::reportengine
