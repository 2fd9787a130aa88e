#pragma once

#include "reportengine/Template.h"

#include <QString>
#include <QStringList>

namespace hra::reportengine {

struct LoadResult
{
    bool ok = true;
    QString file;   // the file the error is in (an included template, perhaps)
    int line = 0;   // from 1
    int column = 0; // from 1: the last character of the offending tag
    QString message;
    QStringList warnings; // pictures that could not be read

    // "file:line:column: message", for showing to a template author.
    QString toString() const;
};

// Loads a template file. A missing file gives an empty template and success;
// a malformed one gives an error with its line and column and leaves `out`
// empty. Never throws.
LoadResult loadTemplate(const QString& path, ReportTemplate& out);

// The same from memory; `baseDir` resolves picture and include file names.
LoadResult loadTemplateFromData(const QByteArray& xml, const QString& baseDir, ReportTemplate& out);

} // namespace hra::reportengine
