#pragma once

#include "reportengine/internal/FontFile.h"

#include <QByteArray>
#include <QList>
#include <QString>
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

// An sfnt with head, hhea, maxp, hmtx, loca, glyf and, when present, cvt,
// fpgm and prep (PDF /FontFile2 with /CIDToGIDMap /Identity). Components of
// composite glyphs not in `glyphs` are appended after them.
std::optional<QByteArray> subsetTrueType(const FontFile& font, const QList<quint16>& glyphs,
                                         QString* error);

} // namespace hra::reportengine
