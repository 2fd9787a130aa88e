#include "reportengine/Limits.h"

#include <QFile>
#include <algorithm>

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
    // The buffer is sized for what the file holds, not for the limit; a file
    // that grows meanwhile (or tells no size) is read on to the limit.
    const qint64 expected = std::clamp<qint64>(file.size(), 0, maxBytes);
    out = file.read(expected + 1);
    if (out.size() > expected && out.size() <= maxBytes)
        out += file.read(maxBytes + 1 - out.size());
    if (out.size() > maxBytes) {
        out.clear();
        return fail(QStringLiteral("the file is larger than %1 MB").arg(maxBytes / (1024 * 1024)));
    }
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("cannot read the file: %1").arg(file.errorString()));
    return true;
}

} // namespace hra::reportengine::limits
