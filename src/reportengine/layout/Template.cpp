#include "reportengine/layout/Template.h"

#include "reportengine/common/Log.h"
#include "reportengine/common/Units.h"
#include "reportengine/pictures/JpegHeader.h"
#include "reportengine/pictures/PictureDecode.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <memory>
#include <mutex>

namespace hra::reportengine {

struct PictureImage::Decode
{
    QString path;    // a file,
    QByteArray data; // or bytes in memory (a plain JPEG's always)
    QSize size;
    bool plainJpeg = false;
    std::once_flag decoded;
    QImage pixels;

    std::unique_ptr<QImageReader> reader(QBuffer& buffer) const
    {
        std::unique_ptr<QImageReader> out;
        if (!path.isEmpty()) {
            out = std::make_unique<QImageReader>(path);
        } else {
            buffer.setData(data);
            buffer.open(QIODevice::ReadOnly);
            out = std::make_unique<QImageReader>(&buffer);
        }
        out->setAllocationLimit(int(kMaxPicturePixels * 4 / (1024 * 1024)));
        return out;
    }

    const QImage& image()
    {
        std::call_once(decoded, [this] {
            QBuffer buffer;
            pixels = reader(buffer)->read();
        });
        return pixels;
    }
};

namespace {

// A JPEG's size is in its headers; reading them takes no image plugin, and
// a PDF embeds the bytes as they are.
constexpr qint64 kMaxKeptJpeg = 64 * 1024 * 1024;

} // namespace

PictureImage PictureImage::fromReader(const std::shared_ptr<Decode>& decode)
{
    // Too large to show or to put on paper: left out, as an unreadable one.
    auto refuse = [](QSize size) {
        qCWarning(lcReport).noquote() << QStringLiteral("a picture of %1 x %2 pixels was left out")
                                             .arg(size.width())
                                             .arg(size.height());
        return PictureImage();
    };
    const auto jpeg = readJpegHeader(decode->data);
    if (jpeg && !pictureSizeAllowed(QSize(jpeg->width, jpeg->height)))
        return refuse(QSize(jpeg->width, jpeg->height));
    if (jpeg && jpeg->plain) {
        decode->size = QSize(jpeg->width, jpeg->height);
        decode->plainJpeg = true;
        decode->path.clear();
        PictureImage picture;
        picture.m_decode = decode;
        return picture;
    }
    decode->data = decode->path.isEmpty() ? decode->data : QByteArray();
    QBuffer buffer;
    const auto reader = decode->reader(buffer);
    const QSize size = reader->canRead() ? reader->size() : QSize();
    if (size.isValid() && !size.isEmpty() && !pictureSizeAllowed(size))
        return refuse(size);
    if (!size.isValid() || size.isEmpty()) {
        QImage image = reader->read(); // no size without decoding
        if (!image.isNull() && !pictureSizeAllowed(image.size()))
            return refuse(image.size());
        return PictureImage(std::move(image));
    }
    decode->size = size;
    PictureImage picture;
    picture.m_decode = decode;
    return picture;
}

PictureImage PictureImage::fromFile(const QString& path)
{
    auto decode = std::make_shared<Decode>();
    decode->path = path;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.peek(2) == "\xff\xd8" && file.size() <= kMaxKeptJpeg)
        decode->data = file.readAll();
    return fromReader(decode);
}

PictureImage PictureImage::fromData(const QByteArray& data)
{
    auto decode = std::make_shared<Decode>();
    decode->data = data;
    return fromReader(decode);
}

bool PictureImage::isNull() const
{
    return m_decode ? false : m_image.isNull();
}

QSize PictureImage::size() const
{
    return m_decode ? m_decode->size : m_image.size();
}

const QImage& PictureImage::image() const
{
    return m_decode ? m_decode->image() : m_image;
}

qint64 PictureImage::cacheKey() const
{
    // A QImage's key is never negative; the pending decode's address, negated,
    // cannot meet one.
    return m_decode ? -qint64(reinterpret_cast<quintptr>(m_decode.get())) : m_image.cacheKey();
}

QByteArray PictureImage::jpegData() const
{
    return m_decode && m_decode->plainJpeg ? m_decode->data : QByteArray();
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
