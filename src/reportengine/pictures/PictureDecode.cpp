#include "reportengine/pictures/PictureDecode.h"

#include "reportengine/common/Log.h"
#include "reportengine/pictures/JpegHeader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace hra::reportengine {

namespace {

// Qt refuses to allocate more than this for one image (in MB).
constexpr int kAllocationLimitMb = int(kMaxPicturePixels * 4 / (1024 * 1024));

DecodedPicture refuse(DecodedPicture::Problem problem, QSize size, const QString& detail)
{
    qCWarning(lcReport).noquote() << "a picture was refused:" << detail;
    DecodedPicture out;
    out.problem = problem;
    out.size = size;
    out.detail = detail;
    return out;
}

DecodedPicture decode(QImageReader& reader, QByteArrayView head)
{
    reader.setAllocationLimit(kAllocationLimitMb);
    // A JPEG's own headers are read first: they are what libjpeg allocates by.
    QSize size;
    if (const auto jpeg = readJpegHeader(head))
        size = QSize(jpeg->width, jpeg->height);
    else if (reader.canRead())
        size = reader.size();
    if (size.isValid() && !pictureSizeAllowed(size))
        return refuse(DecodedPicture::Problem::TooLarge, size,
                      QStringLiteral("the picture claims %1 x %2 pixels")
                          .arg(size.width())
                          .arg(size.height()));
    DecodedPicture out;
    out.image = reader.read();
    if (out.image.isNull())
        return refuse(DecodedPicture::Problem::Unreadable, size, reader.errorString());
    out.size = out.image.size();
    if (!pictureSizeAllowed(out.size))
        return refuse(DecodedPicture::Problem::TooLarge, out.size,
                      QStringLiteral("the picture has %1 x %2 pixels")
                          .arg(out.size.width())
                          .arg(out.size.height()));
    return out;
}

} // namespace

bool pictureSizeAllowed(QSize size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= kMaxPictureSide &&
           size.height() <= kMaxPictureSide &&
           qint64(size.width()) * size.height() <= kMaxPicturePixels;
}

QString DecodedPicture::message() const
{
    switch (problem) {
    case Problem::None:
        return {};
    case Problem::TooLarge:
        return QStringLiteral("图片尺寸过大（%1×%2像素）").arg(size.width()).arg(size.height());
    case Problem::Unreadable:
        break;
    }
    return QStringLiteral("图片已损坏或格式无法识别");
}

DecodedPicture decodePicture(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return decode(reader, data);
}

DecodedPicture decodePictureFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(DecodedPicture::Problem::Unreadable, {}, file.errorString());
    // A JPEG's frame header comes after its metadata; beyond this much the
    // reader's own idea of the size is checked instead.
    const QByteArray head = file.peek(256 * 1024);
    QImageReader reader(&file);
    return decode(reader, head);
}

} // namespace hra::reportengine
