#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QIODevice;
class QRawFont;

namespace hra::reportengine {

struct BuiltPage;
class FontFile;

// Writes built pages straight to PDF: text in subsets of the fonts it was
// laid out in, with text maps made from the characters drawn, pictures
// (JPEG files as they are), lines and boxes. Each page goes out as it comes
// and is let go; the fonts follow at the end, when every glyph they need is
// known. Paints what paintPage() paints.
class PdfWriter
{
public:
    PdfWriter(QIODevice& out, const QString& title);
    ~PdfWriter();
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    // False when the device refuses the bytes (see errorString()).
    bool addPage(const BuiltPage& page);
    // Writes the fonts, the page tree and the cross-reference table. A
    // document without pages gets one empty A4 page.
    bool finish();

    QString errorString() const;
    // Fonts that could not be embedded as fonts (their glyphs are drawn as
    // outlines instead, or left to the reader's fonts).
    QStringList warnings() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The font file behind a raw font, found through the system's font
// configuration and checked against the font's own header; null when there
// is none (a font made from data, a format without sfnt tables).
std::shared_ptr<const FontFile> fontFileOf(const QRawFont& font);

} // namespace hra::reportengine
