#include "windows/records/Photos.h"

#include "reportengine/pictures/PictureDecode.h"
#include "store/PrivateFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace hra::records {
namespace {

const QString folderName = QStringLiteral("picture");

// Creating the folder is not enough: a folder beside an installed program is
// often read-only for the operator, so try to write a file there.
bool usableFolder(const QString& path)
{
    if (path.isEmpty() || !store::makePrivateFolder(path))
        return false;
    QTemporaryFile probe(QDir(path).filePath(QStringLiteral("probe-XXXXXX")));
    return probe.open();
}

} // namespace

QString choosePhotoDirectory(const QString& programDirectory, const QString& appDataDirectory)
{
    for (const QString& base : {programDirectory, appDataDirectory}) {
        if (base.isEmpty())
            continue;
        const QString path = QDir(base).filePath(folderName);
        if (usableFolder(path))
            return QDir::cleanPath(path);
    }
    return {};
}

QString defaultPhotoDirectory()
{
    return choosePhotoDirectory(QCoreApplication::applicationDirPath(),
                                QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

QString photoName(const QString& recordNumber, const QString& pictureFile)
{
    const QString suffix = QFileInfo(pictureFile).suffix();
    return suffix.isEmpty() ? recordNumber : recordNumber + u'.' + suffix;
}

QString photoNameProblem(const QString& name, int columnWidth)
{
    static const QString reserved = QStringLiteral("/\\:*?\"<>|");
    for (QChar c : name)
        if (reserved.contains(c) || c.unicode() < 0x20)
            return QStringLiteral("编号中含有不能用于文件名的字符“%1”,无法保存照片!").arg(c);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("照片名“%1”不能用作文件名,无法保存照片!").arg(name);
    if (name.size() > columnWidth)
        return QStringLiteral("照片名“%1”超过%2个字符,无法保存照片!请选择扩展名较短的图片文件。")
            .arg(name)
            .arg(columnWidth);
    return {};
}

QString photoPath(const QString& directory, const QString& name)
{
    if (directory.isEmpty() || name.isEmpty() || !photoNameProblem(name, name.size()).isEmpty())
        return {};
    return QDir(directory).filePath(name);
}

PendingPhoto readPicture(const QString& path)
{
    PendingPhoto photo;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return photo;
    photo.bytes = file.readAll();
    reportengine::DecodedPicture picture = reportengine::decodePicture(photo.bytes);
    photo.image = std::move(picture.image);
    if (photo.image.isNull())
        photo.bytes.clear();
    return photo;
}

bool writePhoto(const QString& directory, const PendingPhoto& photo)
{
    const QString path = photoPath(directory, photo.name);
    if (path.isEmpty() || photo.isEmpty() || !store::makePrivateFolder(directory))
        return false;
    if (QFile::exists(path) && !QFile::remove(path))
        return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(photo.bytes) == photo.bytes.size() &&
           file.commit() && store::makePrivateFile(path);
}

void deletePhoto(const QString& directory, const QString& name)
{
    const QString path = photoPath(directory, name);
    if (!path.isEmpty())
        QFile::remove(path);
}

} // namespace hra::records

namespace hra::records {

QImage readStoredPhoto(const QString& directory, const QString& name)
{
    const QString path = photoPath(directory, name);
    return path.isEmpty() ? QImage() : reportengine::decodePictureFile(path).image;
}

} // namespace hra::records
