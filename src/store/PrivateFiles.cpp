#include "store/PrivateFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <cerrno>
#include <signal.h>
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

QString temporaryTemplate(const QString& target)
{
    const QFileInfo info(target);
    return info.absoluteDir().filePath(QStringLiteral(".%1.hra-%2-XXXXXX")
                                           .arg(info.fileName())
                                           .arg(QCoreApplication::applicationPid()));
}

void removeAbandonedTemporaries(const QString& target)
{
    const QFileInfo info(target);
    const QRegularExpression ours(QStringLiteral("^\\.%1\\.hra-(\\d+)-[A-Za-z0-9]{6}$")
                                      .arg(QRegularExpression::escape(info.fileName())));
    const QDir dir = info.absoluteDir();
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch m = ours.match(name);
        if (!m.hasMatch())
            continue;
        const pid_t pid = m.captured(1).toInt();
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
            QFile::remove(dir.filePath(name));
    }
}

} // namespace hra::store
