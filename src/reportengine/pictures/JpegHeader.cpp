#include "reportengine/pictures/JpegHeader.h"

#include "reportengine/fonts/FontBytes.h"

namespace hra::reportengine {

namespace {

using fontbytes::Reader;

// The orientation an Exif segment asks for (1: as stored); 1 when it names
// none or cannot be read.
int exifOrientation(QByteArrayView segment)
{
    // "Exif\0\0", then a TIFF header whose byte order applies to the rest.
    if (!segment.startsWith(QByteArrayView("Exif\0\0", 6)) || segment.size() < 14)
        return 1;
    const QByteArrayView tiff = segment.sliced(6);
    const bool little = tiff.startsWith("II");
    if (!little && !tiff.startsWith("MM"))
        return 1;
    Reader r(tiff);
    auto u16 = [&](qsizetype at) {
        const quint16 v = r.u16(at);
        return little ? quint16((v >> 8) | (v << 8)) : v;
    };
    auto u32 = [&](qsizetype at) {
        const quint32 v = r.u32(at);
        return little ? quint32((v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24))
                      : v;
    };
    const quint32 ifd = u32(4);
    const int entries = u16(ifd);
    for (int i = 0; i < entries && r.ok(); ++i) {
        const qsizetype entry = ifd + 2 + qsizetype(i) * 12;
        if (u16(entry) == 0x0112) // Orientation, a SHORT held in the entry
            return r.ok() ? u16(entry + 8) : 1;
    }
    return 1;
}

} // namespace

std::optional<JpegHeader> readJpegHeader(QByteArrayView jpeg)
{
    Reader r(jpeg);
    if (r.u8(0) != 0xFF || r.u8(1) != 0xD8)
        return std::nullopt;
    int orientation = 1;
    qsizetype at = 2;
    while (r.has(at, 4)) {
        if (r.u8(at) != 0xFF)
            return std::nullopt;
        const quint8 marker = r.u8(at + 1);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        const int length = r.u16(at + 2);
        if (length < 2 || !r.has(at + 2, length))
            return std::nullopt;
        if (marker == 0xE1)
            orientation = exifOrientation(jpeg.sliced(at + 4, length - 2));
        // Start of frame: every kind but the huffman table, arithmetic
        // conditioning and JPEG extension markers in C4, C8 and CC.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            if (length < 8)
                return std::nullopt;
            JpegHeader header;
            header.height = r.u16(at + 5);
            header.width = r.u16(at + 7);
            header.components = r.u8(at + 9);
            if (!r.ok() || header.width == 0 || header.height == 0)
                return std::nullopt;
            header.plain = marker <= 0xC2 && r.u8(at + 4) == 8 &&
                           (header.components == 1 || header.components == 3) && orientation == 1;
            return header;
        }
        if (marker == 0xDA) // image data before any frame header
            return std::nullopt;
        at += 2 + length;
    }
    return std::nullopt;
}

} // namespace hra::reportengine
