#pragma once

#include "reportengine/LoadResult.h"
#include "reportengine/layout/Template.h"

#include <QString>
#include <QStringList>

namespace hra::reportengine {

// Loads a template file. A missing file gives an empty template and success;
// a malformed one gives an error with its line and column and leaves `out`
// empty. Never throws.
LoadResult loadTemplate(const QString& path, ReportTemplate& out);

// The same from memory; `baseDir` resolves picture and include file names.
LoadResult loadTemplateFromData(const QByteArray& xml, const QString& baseDir, ReportTemplate& out);

} // namespace hra::reportengine
