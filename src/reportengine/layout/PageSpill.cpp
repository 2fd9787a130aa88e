#include "reportengine/layout/PageSpill.h"

#include "reportengine/fonts/Fonts.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QThread>
#include <stdexcept>

namespace hra::reportengine {

namespace {

constexpr size_t kRecentPages = 8;

enum Tag : quint8
{
    TagText,
    TagLine,
    TagRect,
    TagImage
};

QDataStream& operator<<(QDataStream& out, const Frame& frame)
{
    return out << qint32(frame.sides) << frame.width << frame.color;
}

QDataStream& operator>>(QDataStream& in, Frame& frame)
{
    qint32 sides = 0;
    in >> sides >> frame.width >> frame.color;
    frame.sides = sides;
    return in;
}

bool onApplicationThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || app->thread() == QThread::currentThread();
}

} // namespace

PageSpill::PageSpill() : m_file(QDir(QDir::tempPath()).filePath(QStringLiteral("hra-pages-XXXXXX")))
{
    m_open = m_file.open();
}

QByteArray PageSpill::serialize(const BuiltPage& page)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out << page.templatePage << qint32(page.number) << quint32(page.primitives.size());
    for (const Primitive& primitive : page.primitives) {
        if (const auto* t = std::get_if<TextPrimitive>(&primitive)) {
            out << quint8(TagText) << t->rect << t->origin << t->text << t->underlines
                << t->underlineWidth << t->color << t->fill << t->frame << t->clip << t->missing
                << t->noFont << quint32(t->runs.size());
            for (const GlyphRunText& run : t->runs) {
                const QString key = rawFontKey(run.run.rawFont());
                int id = m_fontIds.value(key, -1);
                if (id < 0) {
                    id = int(m_fontKeys.size());
                    m_fontKeys << key;
                    m_fontIds.insert(key, id);
                }
                out << qint32(id) << run.text << run.run.glyphIndexes() << run.run.positions()
                    << run.end;
            }
        } else if (const auto* l = std::get_if<LinePrimitive>(&primitive)) {
            out << quint8(TagLine) << l->line << l->width << l->color << qint32(l->style);
        } else if (const auto* r = std::get_if<RectPrimitive>(&primitive)) {
            out << quint8(TagRect) << r->rect << r->radius << r->frameWidth << r->frameColor
                << r->fill;
        } else if (const auto* i = std::get_if<ImagePrimitive>(&primitive)) {
            const qint64 key = i->image.cacheKey();
            if (!m_images.contains(key))
                m_images.insert(key, i->image);
            out << quint8(TagImage) << i->box << i->target << key;
        }
    }
    return data;
}

BuiltPage PageSpill::deserialize(const QByteArray& data, const PageSetup& setup) const
{
    QStringList fontKeys;
    QHash<qint64, PictureImage> images;
    {
        const QMutexLocker lock(&m_mutex);
        fontKeys = m_fontKeys;
        images = m_images;
    }
    QHash<int, QRawFont> fonts;
    BuiltPage page;
    page.setup = setup;
    QDataStream in(data);
    qint32 number = 0;
    quint32 count = 0;
    in >> page.templatePage >> number >> count;
    page.number = number;
    page.primitives.reserve(count);
    for (quint32 k = 0; k < count && in.status() == QDataStream::Ok; ++k) {
        quint8 tag = 0;
        in >> tag;
        if (tag == TagText) {
            TextPrimitive t;
            quint32 runs = 0;
            in >> t.rect >> t.origin >> t.text >> t.underlines >> t.underlineWidth >> t.color >>
                t.fill >> t.frame >> t.clip >> t.missing >> t.noFont >> runs;
            for (quint32 r = 0; r < runs && in.status() == QDataStream::Ok; ++r) {
                qint32 id = 0;
                GlyphRunText run;
                QList<quint32> glyphs;
                QList<QPointF> positions;
                in >> id >> run.text >> glyphs >> positions >> run.end;
                auto font = fonts.find(id);
                if (font == fonts.end())
                    font = fonts.insert(id, rawFontForKey(fontKeys.value(id)));
                run.run.setRawFont(*font);
                run.run.setGlyphIndexes(glyphs);
                run.run.setPositions(positions);
                t.runs << run;
            }
            page.primitives.emplace_back(std::move(t));
        } else if (tag == TagLine) {
            LinePrimitive l;
            qint32 style = 0;
            in >> l.line >> l.width >> l.color >> style;
            l.style = Qt::PenStyle(style);
            page.primitives.emplace_back(std::move(l));
        } else if (tag == TagRect) {
            RectPrimitive r;
            in >> r.rect >> r.radius >> r.frameWidth >> r.frameColor >> r.fill;
            page.primitives.emplace_back(std::move(r));
        } else if (tag == TagImage) {
            ImagePrimitive i;
            qint64 key = 0;
            in >> i.box >> i.target >> key;
            i.image = images.value(key);
            page.primitives.emplace_back(std::move(i));
        } else {
            break;
        }
    }
    if (in.status() != QDataStream::Ok)
        throw SpillError("a spilled page cannot be read back");
    return page;
}

SpilledPage PageSpill::write(const BuiltPage& page)
{
    const QMutexLocker lock(&m_mutex);
    if (!m_open)
        throw SpillError(
            QStringLiteral("no temporary file for the pages: %1").arg(errorString()).toStdString());
    // Glyph indexes and positions repeat a lot: a fast deflate shrinks a page
    // several times over for little time.
    const QByteArray data = qCompress(serialize(page), 1);
    const qint64 offset = m_file.size();
    if (!m_file.seek(offset) || m_file.write(data) != data.size())
        throw SpillError(QStringLiteral("cannot write the pages' temporary file: %1")
                             .arg(m_file.errorString())
                             .toStdString());
    return SpilledPage{page.setup, offset, data.size()};
}

std::shared_ptr<const BuiltPage> PageSpill::read(const SpilledPage& page) const
{
    const bool cached = onApplicationThread();
    QByteArray data;
    {
        const QMutexLocker lock(&m_mutex);
        if (cached) {
            for (const auto& [offset, built] : m_recent) {
                if (offset == page.offset)
                    return built;
            }
        }
        if (!m_file.seek(page.offset))
            throw SpillError("a spilled page cannot be read back");
        data = m_file.read(page.length);
    }
    if (data.size() != page.length)
        throw SpillError("a spilled page cannot be read back");
    const QByteArray plain = qUncompress(data);
    if (plain.isEmpty())
        throw SpillError("a spilled page cannot be read back");
    auto built = std::make_shared<const BuiltPage>(deserialize(plain, page.setup));
    if (cached) {
        const QMutexLocker lock(&m_mutex);
        m_recent.emplace_front(page.offset, built);
        if (m_recent.size() > kRecentPages)
            m_recent.pop_back();
    }
    return built;
}

} // namespace hra::reportengine
