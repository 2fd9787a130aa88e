#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace hra::report {

// JPEG pictures through libjpeg(-turbo): the report cover is stored as JPEG.

// Whether the data starts like a JPEG file.
bool looksLikeJpeg(const QByteArray& data);
// A null image, with the operator's message, when the data is not a JPEG
// picture, is damaged or claims more pixels than may be decoded.
QImage decodeJpeg(const QByteArray& data, QString* error = nullptr);
// Compressed at libjpeg's default quality; empty, with a message, on failure.
QByteArray encodeJpeg(const QImage& image, QString* error = nullptr);

// The bytes to store for a chosen picture file: a JPEG file unchanged, any
// other picture compressed as JPEG. Empty, with the operator's message, when
// the file cannot be read, is no picture or is too large.
QByteArray jpegFromFile(const QString& path, QString* error = nullptr);

} // namespace hra::report
