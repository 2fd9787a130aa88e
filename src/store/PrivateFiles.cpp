#include "store/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

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

} // namespace hra::store
