#include "store/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <sys/stat.h>

namespace hra::store {

bool makePrivateFile(const QString& path)
{
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

QString targetRefusal(const QString& target, const QStringList& protectedFiles)
{
    return files::replaceRefusal(
        target, protectedFiles,
        QStringLiteral("%1 is the database in use; choose another file").arg(target));
}

QStringList sqliteFiles(const QString& databaseFile)
{
    if (databaseFile.isEmpty())
        return {};
    return {databaseFile, databaseFile + QStringLiteral("-wal"),
            databaseFile + QStringLiteral("-shm"), databaseFile + QStringLiteral("-journal")};
}

QStringList databaseFiles(const ConnectionSettings& settings)
{
    return settings.driver == Driver::Sqlite ? sqliteFiles(settings.databaseFile) : QStringList();
}

QString sourceRefusal(const QString& source)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(source).constData(), &st) != 0)
        return QStringLiteral("%1 does not exist").arg(source);
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("%1 is a folder, not a file").arg(source);
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("%1 is no regular file (a device or a pipe)").arg(source);
    return {};
}

} // namespace hra::store
