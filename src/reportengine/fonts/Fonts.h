#pragma once

#include "reportengine/layout/Template.h"

#include <QFont>
#include <QRawFont>
#include <QString>
#include <vector>

namespace hra::reportengine {

// Font faces named in templates map to fonts installed from Debian packages
// (fonts-noto-cjk, fonts-arphic-gkai00mp), so Chinese text renders the same
// on every machine.
struct FontSubstitution
{
    QString face;      // as written in templates
    QString family;    // installed family used instead
    bool bold = false; // the face is a heavy design: always bold
};

const std::vector<FontSubstitution>& fontSubstitutions();

// The family used for faces neither in the table nor installed, and for
// characters the chosen family lacks.
QString fallbackFamily();

// Installed family for a template face: the table, else the face itself when
// installed, else the fallback.
QString resolveFamily(const QString& face, bool* forceBold = nullptr);

QFont fontFor(const FontStyle& style);

// The raw font for a style at its pixel size, cached; and the fallback family
// at the same size and weight.
QRawFont rawFontFor(const FontStyle& style);

// The same with a text that tells the font apart from every other (family,
// style, weight, slant, size), for caches kept per font; empty without one.
struct KeyedRawFont
{
    QRawFont font;
    QString key;
};
KeyedRawFont keyedRawFontFor(const FontStyle& style);
QRawFont fallbackRawFontFor(const FontStyle& style);

// Reads the system's font list, as the first font look-up of a process
// would (several milliseconds there, nothing afterwards). Thread-safe; does
// nothing without a GUI application.
void prepareFontDatabase();

// Looks up the raw font of every text style the template names (the first
// look-up of a family opens its font file), for the calling thread.
void loadFonts(const ReportTemplate& templ);

// Raw fonts are per thread (a font engine serves the thread that made it).
// A page laid out on one thread and painted on another names its fonts by
// key and the painting thread makes its own from the key.
QString rawFontKey(const QRawFont& font);
QRawFont rawFontForKey(const QString& key);
// Lets go of the calling thread's raw fonts; a build thread calls it before
// it ends. Does nothing on the application's thread.
void releaseThreadFonts();

} // namespace hra::reportengine
