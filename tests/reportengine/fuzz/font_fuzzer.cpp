// libFuzzer target for font files and both subsetters: any input must be
// refused with a message or read, and a font read must subset or be refused
// with a message, never crash or run away. Build as template_loader_fuzzer:
//   cmake --build build/fuzz --target font_fuzzer
//   build/fuzz/tests/font_fuzzer -max_total_time=60 -rss_limit_mb=1024 \
//       tests/reportengine/fuzz/font-corpus

#include "reportengine/fonts/FontFile.h"
#include "reportengine/fonts/FontSubset.h"

#include <QByteArrayView>
#include <QList>
#include <cstdint>
#include <cstdlib>

using namespace hra::reportengine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QString error;
    const auto font = FontFile::fromData(
        QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)), 0, &error);
    if (!font) {
        if (error.isEmpty())
            abort();
        return 0;
    }
    // The first glyphs, and the last one (where tables run out).
    QList<quint16> glyphs{0};
    for (int g = 1; g < font->glyphCount() && g < 16; ++g)
        glyphs << quint16(g);
    if (font->glyphCount() > 16)
        glyphs << quint16(font->glyphCount() - 1);
    for (quint16 g : glyphs)
        (void)font->advance(g);
    error.clear();
    const auto subset = font->outlines() == FontFile::Outlines::Cff
                            ? subsetCff(*font, glyphs, &error)
                            : subsetTrueType(*font, glyphs, &error);
    if (!subset && error.isEmpty())
        abort();
    // A TrueType subset is a font this program reads again.
    if (subset && font->outlines() == FontFile::Outlines::TrueType &&
        !FontFile::fromData(*subset, 0, &error))
        abort();
    return 0;
}
