#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>

// A small JPEG whose frame header claims `width` x `height` pixels: a few
// hundred bytes that a careless decoder allocates gigabytes for.
inline QByteArray jpegClaiming(int width, int height)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG"))
        return {};
    // The baseline frame header: FF C0, length, precision, height, width.
    const qsizetype sof = data.indexOf("\xff\xc0");
    if (sof < 0)
        return {};
    data[sof + 5] = char(height >> 8);
    data[sof + 6] = char(height & 0xff);
    data[sof + 7] = char(width >> 8);
    data[sof + 8] = char(width & 0xff);
    return data;
}
