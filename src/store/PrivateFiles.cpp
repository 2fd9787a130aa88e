#include "store/PrivateFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <cerrno>
#include <filesystem>
#include <signal.h>
#include <sys/stat.h>
#include <system_error>

namespace hra::store {

bool makePrivateFolder(const QString& path)
{
    QStringList missing;
    for (QString f = QFileInfo(path).absoluteFilePath(); !f.isEmpty() && !QFileInfo::exists(f);
         f = QFileInfo(f).absolutePath())
        missing.prepend(f);
    for (const QString& f : missing) {
        if (!QDir().mkdir(f) && !QFileInfo(f).isDir())
            return false;
        QFile::setPermissions(f, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return QFileInfo(path).isDir();
}

bool makePrivateFile(const QString& path)
{
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

namespace {

// The same path, the folders compared after resolving links.
bool sameName(const QString& a, const QString& b)
{
    const QFileInfo x(a);
    const QFileInfo y(b);
    return x.fileName() == y.fileName() && QFileInfo(x.absolutePath()).canonicalFilePath() ==
                                               QFileInfo(y.absolutePath()).canonicalFilePath();
}

} // namespace

QString targetRefusal(const QString& target, const QStringList& protectedFiles)
{
    const std::filesystem::path t(QFileInfo(target).absoluteFilePath().toStdString());
    for (const QString& p : protectedFiles) {
        std::error_code ec;
        // A log that does not exist yet is protected by its name alone.
        if (!p.isEmpty() &&
            (sameName(target, p) || (std::filesystem::equivalent(t, p.toStdString(), ec) && !ec)))
            return QStringLiteral("%1 is the database in use; choose another file").arg(target);
    }
    struct stat st
    {
    };
    if (::stat(t.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return QStringLiteral("%1 exists and is no regular file; it is not replaced").arg(target);
    return {};
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
