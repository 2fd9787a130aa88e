#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <sys/mount.h>

namespace hra::test {

// A file system of 64 KiB, nearly full: writes into it run out of space as
// they would on a full disk. Mounting needs root (or CAP_SYS_ADMIN);
// mounted() is false where it is not allowed, and the test should skip.
class SmallDisk
{
public:
    // Leaves `freeBytes` free, give or take a page.
    explicit SmallDisk(qint64 freeBytes = 8 * 1024)
    {
        m_mounted = m_dir.isValid() && ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(),
                                               "tmpfs", 0, "size=64k,mode=0700") == 0;
        if (!m_mounted)
            return;
        QFile filler(path(QStringLiteral("filler")));
        if (filler.open(QIODevice::WriteOnly))
            filler.write(QByteArray(64 * 1024 - freeBytes, 'x'));
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    // What the disk holds besides the filler, hidden files included.
    QStringList files() const
    {
        QStringList names = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        names.removeAll(QStringLiteral("filler"));
        return names;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

} // namespace hra::test
