#include "reportengine/Limits.h"

#include <QFile>

namespace hra::reportengine::limits {

bool readFile(const QString& path, qint64 maxBytes, QByteArray& out, QString* error)
{
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read the file: %1").arg(file.errorString()));
    // One byte more than allowed tells a file at the limit from a larger one.
    out = file.read(maxBytes + 1);
    if (out.size() > maxBytes) {
        out.clear();
        return fail(QStringLiteral("the file is larger than %1 MB").arg(maxBytes / (1024 * 1024)));
    }
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("cannot read the file: %1").arg(file.errorString()));
    return true;
}

} // namespace hra::reportengine::limits
