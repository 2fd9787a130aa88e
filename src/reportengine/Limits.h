#pragma once

// What the engine accepts at most. A template or data file beyond these is
// a mistake or an attack, not a report: loading and building stop with an
// error that names the limit instead of running out of memory or time.

#include <QByteArray>
#include <QString>

namespace hra::reportengine::limits {

inline constexpr qint64 kTemplateBytes = 16 * 1024 * 1024;
inline constexpr qint64 kDataBytes = 64 * 1024 * 1024;
// Nesting of <include>, and templates read through includes in one load.
inline constexpr int kIncludeDepth = 16;
inline constexpr int kIncludedFiles = 1000;
// Template pages and objects read in one load, from every file.
inline constexpr int kTemplatePages = 2000;
inline constexpr int kTemplateObjects = 200000;
// Built pages of one build, rows one band prints, bars of one chart.
inline constexpr int kBuiltPages = 10000;
inline constexpr int kBandRows = 200000;
inline constexpr int kChartBars = 1000;

// Reads at most `maxBytes` of a file (a device such as /dev/zero never ends);
// false with `error` set when it cannot be read or is larger.
bool readFile(const QString& path, qint64 maxBytes, QByteArray& out, QString* error);

} // namespace hra::reportengine::limits
