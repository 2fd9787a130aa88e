#include "files/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
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

} // namespace hra::files
