#include "reportengine/Limits.h"

#include <QFile>

namespace hra::reportengine::limits {

bool readFile(const QString& path, qint64 maxBytes, QByteArray& out, QString* error)
{
    auto fail = [&](const QString& message) {
        out.clear();
        if (error)
            *error = message;
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read the file: %1").arg(file.errorString()));
    // One byte more than allowed tells a file at the limit from a larger one.
    // The buffer starts at the file's size (a device reports none) and grows
    // only for what is really there: reserving the whole limit for every
    // small template would cost more than reading it.
    const qint64 limit = maxBytes + 1;
    const qint64 sizeHint = file.isSequential() ? 0 : file.size();
    out.resize(qBound<qint64>(1, sizeHint + 1, qMin<qint64>(limit, 64 * 1024 * 1024)));
    qint64 filled = 0;
    while (true) {
        const qint64 got = file.read(out.data() + filled, out.size() - filled);
        if (got < 0)
            return fail(QStringLiteral("cannot read the file: %1").arg(file.errorString()));
        if (got == 0)
            break;
        filled += got;
        if (filled == out.size()) {
            if (filled >= limit)
                break;
            out.resize(qMin(limit, qMax<qint64>(out.size() * 2, 64 * 1024)));
        }
    }
    out.resize(filled);
    if (out.size() > maxBytes)
        return fail(QStringLiteral("the file is larger than %1 MB").arg(maxBytes / (1024 * 1024)));
    return true;
}

} // namespace hra::reportengine::limits
