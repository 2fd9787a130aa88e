#pragma once

#include <QByteArrayView>
#include <QRectF>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

class QFile;

namespace hra::reportengine {

// One face of an sfnt font file (.ttf, .otf, or a face of a .ttc/.otc),
// mapped read-only: opening it reads the table directory and the few small
// tables parsed below, never the whole file. Thread-safe to read once opened.
class FontFile
{
public:
    ~FontFile();
    FontFile(const FontFile&) = delete;
    FontFile& operator=(const FontFile&) = delete;

    // nullptr with a message when the file cannot be mapped or is no sfnt /
    // has no such face.
    static std::shared_ptr<const FontFile> open(const QString& path, int faceIndex,
                                                QString* error = nullptr);
    // The same over bytes the caller keeps alive as long as the FontFile
    // (fonts made in memory, damaged copies in tests).
    static std::shared_ptr<const FontFile> fromData(QByteArrayView data, int faceIndex,
                                                    QString* error = nullptr);

    // Empty when absent or out of the file's bounds.
    QByteArrayView table(const char tag[4]) const;

    int unitsPerEm() const { return m_unitsPerEm; }     // head
    QRectF boundingBox() const { return m_bbox; }       // head xMin..yMax in font units
    int ascent() const { return m_ascent; }             // hhea, else OS/2 typo
    int descent() const { return m_descent; }           // negative
    int capHeight() const { return m_capHeight; }       // OS/2 sCapHeight, else ascent
    int weightClass() const { return m_weightClass; }   // OS/2 usWeightClass, 400 when absent
    bool italic() const { return m_italic; }            // head macStyle / OS/2 fsSelection
    int glyphCount() const { return m_glyphCount; }     // maxp
    int advance(quint16 glyph) const;                   // hmtx, font units
    QString postScriptName() const { return m_psName; } // name id 6, else a made-up safe name

    // The bytes of `part`, a piece of this face's data, read from the file
    // rather than through the mapping, where each first touch maps a run of
    // pages around it: for many small pieces spread over a large table
    // (glyph outlines). Thread-safe.
    QByteArray read(QByteArrayView part) const;

    enum class Outlines
    {
        TrueType,
        Cff,
        None
    };
    Outlines outlines() const { return m_outlines; }

private:
    FontFile() = default;
    bool parse(int faceIndex, const QString& fallbackName, QString* error);

    std::unique_ptr<QFile> m_file;
    QByteArrayView m_data;
    std::vector<std::pair<quint32, QByteArrayView>> m_tables;

    int m_unitsPerEm = 1000;
    QRectF m_bbox;
    int m_ascent = 0;
    int m_descent = 0;
    int m_capHeight = 0;
    int m_weightClass = 400;
    bool m_italic = false;
    int m_glyphCount = 0;
    int m_hMetrics = 0;
    QByteArrayView m_hmtx;
    QString m_psName;
    Outlines m_outlines = Outlines::None;
};

} // namespace hra::reportengine
