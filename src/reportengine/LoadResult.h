#pragma once

#include <QString>
#include <QStringList>

namespace hra::reportengine {

// The outcome of loading a template.
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

} // namespace hra::reportengine
