#include "reportengine/internal/Template.h"

#include "reportengine/internal/Units.h"

#include <QImageReader>
#include <future>
#include <mutex>

namespace hra::reportengine {

struct PictureImage::Decode
{
    QString path;
    QSize size;
    std::once_flag started;
    std::shared_future<QImage> pixels;

    void start()
    {
        std::call_once(started, [this] {
            pixels = std::async(std::launch::async, [path = path] {
                         return QImageReader(path).read();
                     }).share();
        });
    }
};

PictureImage PictureImage::fromFile(const QString& path)
{
    QImageReader reader(path);
    const QSize size = reader.canRead() ? reader.size() : QSize();
    if (!size.isValid() || size.isEmpty())
        return PictureImage(reader.read()); // no size without decoding
    PictureImage picture;
    picture.m_decode = std::make_shared<Decode>();
    picture.m_decode->path = path;
    picture.m_decode->size = size;
    return picture;
}

bool PictureImage::isNull() const
{
    return m_decode ? false : m_image.isNull();
}

QSize PictureImage::size() const
{
    if (!m_decode)
        return m_image.size();
    m_decode->start();
    return m_decode->size;
}

const QImage& PictureImage::image() const
{
    if (!m_decode)
        return m_image;
    m_decode->start();
    return m_decode->pixels.get();
}

qint64 PictureImage::cacheKey() const
{
    // A QImage's key is never negative; the pending decode's address, negated,
    // cannot meet one.
    return m_decode ? -qint64(reinterpret_cast<quintptr>(m_decode.get())) : m_image.cacheKey();
}

QPageLayout PageSetup::pageLayout() const
{
    return QPageLayout(size, orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

QSizeF PageSetup::paperSize() const
{
    QSizeF mm = size.size(QPageSize::Millimeter);
    if (orientation == QPageLayout::Landscape)
        mm.transpose();
    return mm * kUnitsPerMm;
}

QRectF PageSetup::printableRect() const
{
    const QSizeF paper = paperSize();
    return QRectF(QPointF(mmToUnits(marginsMm.left()), mmToUnits(marginsMm.top())),
                  QPointF(paper.width() - mmToUnits(marginsMm.right()),
                          paper.height() - mmToUnits(marginsMm.bottom())));
}

namespace {

template <typename Objects>
auto findIn(Objects& objects, const QString& name) -> decltype(&objects.front())
{
    for (auto& object : objects) {
        if (object.name == name)
            return &object;
        if (auto* band = std::get_if<DataBand>(&object.item)) {
            if (auto* found = findIn(band->children, name))
                return found;
        }
    }
    return nullptr;
}

} // namespace

ReportObject* ReportTemplate::findObject(const QString& name)
{
    for (TemplatePage& page : pages) {
        if (ReportObject* found = findIn(page.objects, name))
            return found;
    }
    return nullptr;
}

const ReportObject* ReportTemplate::findObject(const QString& name) const
{
    return const_cast<ReportTemplate*>(this)->findObject(name);
}

} // namespace hra::reportengine
