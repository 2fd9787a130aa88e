#pragma once

#include "reportengine/fonts/FontFile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

namespace hra::reportengine {

// Font programs for embedding in PDF, made of the glyphs a document draws.
// `glyphs` are original glyph ids; glyphs[0] must be 0 (.notdef). The
// subset's glyph i draws original glyphs[i]. Each returns nullopt with a
// message for a font it cannot read (the caller then draws those glyphs as
// paths); reads touch only the parts of the font the glyphs need.

// A CID-keyed bare CFF table (PDF /FontFile3 /Subtype /CIDFontType0C) whose
// CID i is glyph i, without subroutines; name-keyed fonts become CID-keyed
// with one Font DICT. ROS Adobe-Identity-0.
std::optional<QByteArray> subsetCff(const FontFile& font, const QList<quint16>& glyphs,
                                    QString* error);

// The same made a glyph at a time, so that a document's glyphs can be taken
// while it is still being written (from one thread at a time) and the font
// put together at the end. `font` must outlive it.
class CffSubset
{
public:
    explicit CffSubset(const FontFile& font);
    ~CffSubset();
    CffSubset(const CffSubset&) = delete;
    CffSubset& operator=(const CffSubset&) = delete;

    // Adds the next glyph (the first must be 0). False when the font or the
    // glyph could not be read or would pass the caps; the glyph is then not
    // in the subset and every later add is refused too.
    bool add(quint16 glyph);
    // Why add() refused; empty while it has not.
    QString refusal() const;
    // The font program of the glyphs added, or nullopt with the problem
    // when not even .notdef was.
    std::optional<QByteArray> finish(QString* error) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// An sfnt with head, hhea, maxp, hmtx, loca, glyf and, when present, cvt,
// fpgm and prep (PDF /FontFile2 with /CIDToGIDMap /Identity). Components of
// composite glyphs not in `glyphs` are appended after them.
std::optional<QByteArray> subsetTrueType(const FontFile& font, const QList<quint16>& glyphs,
                                         QString* error);

} // namespace hra::reportengine
