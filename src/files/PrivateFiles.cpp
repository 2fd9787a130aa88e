#include "files/PrivateFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <cerrno>
#include <filesystem>
#include <signal.h>
#include <sys/stat.h>
#include <system_error>

namespace hra::files {

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

namespace {

enum class Replacement
{
    Allowed,
    Protected,
    NotRegularFile,
};

// The same path, the folders compared after resolving links.
bool sameName(const QString& a, const QString& b)
{
    const QFileInfo x(a);
    const QFileInfo y(b);
    return x.fileName() == y.fileName() && QFileInfo(x.absolutePath()).canonicalFilePath() ==
                                               QFileInfo(y.absolutePath()).canonicalFilePath();
}

Replacement mayReplace(const QString& target, const QStringList& protectedFiles)
{
    const std::filesystem::path t(
        QFile::encodeName(QFileInfo(target).absoluteFilePath()).toStdString());
    for (const QString& p : protectedFiles) {
        std::error_code ec;
        // A file that does not exist yet is protected by its name alone.
        if (!p.isEmpty() &&
            (sameName(target, p) ||
             (std::filesystem::equivalent(t, QFile::encodeName(p).toStdString(), ec) && !ec)))
            return Replacement::Protected;
    }
    struct stat st
    {
    };
    if (::stat(t.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return Replacement::NotRegularFile;
    return Replacement::Allowed;
}

} // namespace

QString replaceRefusal(const QString& target, const QStringList& protectedFiles,
                       const QString& whenProtected)
{
    switch (mayReplace(target, protectedFiles)) {
    case Replacement::Protected:
        return whenProtected;
    case Replacement::NotRegularFile:
        return QStringLiteral("%1 exists and is no regular file; it is not replaced").arg(target);
    case Replacement::Allowed:
        break;
    }
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

bool nearlyFull(const QString& folder)
{
    constexpr qint64 kNearlyFull = 1024 * 1024;
    const QStorageInfo disk(folder);
    if (!disk.isValid() || !disk.isReady() || disk.isReadOnly())
        return false;
    const qint64 left = disk.bytesAvailable();
    return left >= 0 && left < kNearlyFull;
}

} // namespace hra::files
