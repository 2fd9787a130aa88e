#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace hra::reportengine {

// Pictures come from files an operator chose and from the shared database,
// so a picture is input like any other: its size is checked from its headers
// before anything is allocated, and a decoder that fails leaves no half image.

// The largest picture decoded: 64 million pixels (a 256 MB image), no side
// over 32767 (what QImage and PDF readers hold).
constexpr qint64 kMaxPicturePixels = 64LL * 1024 * 1024;
constexpr int kMaxPictureSide = 32767;

// Whether a picture of this size may be decoded.
bool pictureSizeAllowed(QSize size);

struct DecodedPicture
{
    enum class Problem
    {
        None,
        Unreadable,
        TooLarge
    };

    QImage image; // null unless problem is None
    Problem problem = Problem::None;
    QSize size;     // as the headers claim, when they could be read
    QString detail; // for the log

    bool ok() const { return problem == Problem::None; }
    // What an operator is told.
    QString message() const;
};

DecodedPicture decodePicture(const QByteArray& data);
DecodedPicture decodePictureFile(const QString& path);

} // namespace hra::reportengine
