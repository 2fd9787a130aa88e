#pragma once

#include <QByteArrayView>
#include <optional>

namespace hra::reportengine {

// What a JPEG file's headers say, read without decoding it.
struct JpegHeader
{
    int width = 0;
    int height = 0;
    int components = 0; // 1 grey, 3 colour, 4 CMYK
    // Shows as stored and a PDF reader can draw the bytes as they are:
    // baseline or progressive, 8 bits, grey or colour, and no turn asked for
    // by its metadata.
    bool plain = false;
};

// Nothing for bytes that are no JPEG, or whose frame header cannot be
// found before the image data.
std::optional<JpegHeader> readJpegHeader(QByteArrayView jpeg);

} // namespace hra::reportengine
