#include "domain/PersonPhotos.h"

#include "reportengine/pictures/PictureDecode.h"
#include "store/Log.h"
#include "store/Sql.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace hra::domain {
namespace {

const QString kImportedFolder = QStringLiteral("imported");
// Written into the subfolder when a folder has been gone through to its end.
const QString kDoneMarker = QStringLiteral("imported/.done");

QString tooLargeMessage()
{
    return QStringLiteral("照片文件超过%1MB,无法保存!请选择较小的图片。")
        .arg(kMaxPhotoBytes / (1024 * 1024));
}

} // namespace

PhotoCheck checkPhoto(const QByteArray& bytes)
{
    PhotoCheck check;
    if (bytes.size() > kMaxPhotoBytes) {
        check.problem = tooLargeMessage();
        return check;
    }
    const reportengine::DecodedPicture picture = reportengine::decodePicture(bytes);
    if (!picture.ok()) {
        check.problem = QStringLiteral("加载照片出错!") + picture.message();
        return check;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    check.photo = {bytes, QString::fromLatin1(QImageReader::imageFormat(&buffer)).toLower()};
    return check;
}

PhotoCheck readPhotoFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("加载照片出错!照片文件无法打开")};
    if (file.size() > kMaxPhotoBytes)
        return {{}, tooLargeMessage()};
    return checkPhoto(file.read(kMaxPhotoBytes + 1));
}

QString photoName(const QString& recordNumber, const QString& pictureFile, int width)
{
    const QString suffix = QFileInfo(pictureFile).suffix();
    const QString name = suffix.isEmpty() ? recordNumber : recordNumber + u'.' + suffix;
    return name.size() <= width ? name : recordNumber;
}

PersonPhoto photoOf(const store::RowBuffer& row)
{
    return {row.value(QStringLiteral("zhaopsj")).toByteArray(),
            row.value(QStringLiteral("zhaopgs")).toString()};
}

void setPhoto(store::RowBuffer& row, const PersonPhoto& photo, const QString& name)
{
    const bool none = photo.isEmpty();
    row.setValue(QStringLiteral("zhaopsj"), none ? QVariant() : QVariant(photo.bytes));
    row.setValue(QStringLiteral("zhaopgs"), none ? QVariant() : QVariant(photo.format));
    row.setValue(QStringLiteral("zhaop"), none || name.isEmpty() ? QVariant() : QVariant(name));
}

PersonPhoto storedPhoto(const QSqlDatabase& db, const QString& recordNumber)
{
    const store::Rows rows = store::select(
        db, QStringLiteral("select zhaopsj, zhaopgs from jkpg_jbxx where bianh = :bh"),
        {{QStringLiteral("bh"), recordNumber}});
    if (rows.rows.isEmpty())
        return {};
    return {rows.rows[0].value(0).toByteArray(), rows.rows[0].value(1).toString()};
}

PhotoFolderImport importPhotoFolder(const QSqlDatabase& db, const QString& folder)
{
    PhotoFolderImport result;
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists() || QFile::exists(dir.filePath(kDoneMarker)))
        return result;
    if (!dir.mkpath(kImportedFolder)) {
        qCWarning(store::lcStore).noquote()
            << "photo folder" << folder << "left for later: cannot make its subfolder";
        return result;
    }
    result.ran = true;
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files, QDir::Name)) {
        const QString name = file.fileName();
        const QString number = file.completeBaseName();
        const store::Rows person = store::select(
            db,
            QStringLiteral("select case when zhaopsj is null then 0 else 1 end from jkpg_jbxx "
                           "where bianh = :bh and zhaop = :name"),
            {{QStringLiteral("bh"), number}, {QStringLiteral("name"), name}});
        if (person.rows.isEmpty()) {
            result.unmatched << name;
            qCWarning(store::lcStore).noquote()
                << "photo file" << name << "left in" << folder << ": no person with that photo";
            continue;
        }
        if (person.rows[0].value(0).toInt() != 0) {
            result.kept << name;
            qCWarning(store::lcStore).noquote()
                << "photo file" << name << "left in" << folder
                << ": the person has a photo in the database already";
            continue;
        }
        const PhotoCheck check = readPhotoFile(file.filePath());
        if (!check.ok()) {
            result.refused << name;
            qCWarning(store::lcStore).noquote()
                << "photo file" << name << "left in" << folder << ":" << check.problem;
            continue;
        }
        // The row's version counts up, so that a window holding it stores nothing over it.
        store::run(db,
                   QStringLiteral("update jkpg_jbxx set zhaopsj = :bytes, zhaopgs = :format, "
                                  "banb = banb + 1 where bianh = :bh and zhaop = :name and "
                                  "zhaopsj is null"),
                   {{QStringLiteral("bytes"), check.photo.bytes},
                    {QStringLiteral("format"), check.photo.format},
                    {QStringLiteral("bh"), number},
                    {QStringLiteral("name"), name}});
        result.imported << name;
        if (!QFile::rename(file.filePath(), dir.filePath(kImportedFolder + u'/' + name)))
            qCWarning(store::lcStore).noquote()
                << "photo file" << name << "is stored in the database but stays in" << folder;
    }
    // A failure above (thrown) leaves no marker: the files not yet taken are
    // tried again at the next start, those taken are in the subfolder.
    QFile marker(dir.filePath(kDoneMarker));
    if (!marker.open(QIODevice::WriteOnly))
        qCWarning(store::lcStore).noquote() << "photo folder" << folder << "cannot be marked done";
    return result;
}

QString photoFolderImportMessage(const PhotoFolderImport& result, const QString& folder)
{
    if (!result.anyLeft())
        return {};
    QStringList lines;
    for (const QString& name : result.unmatched)
        lines << QStringLiteral("%1(没有对应的档案)").arg(name);
    for (const QString& name : result.refused)
        lines << QStringLiteral("%1(图片无法读取或超过%2MB)")
                     .arg(name)
                     .arg(kMaxPhotoBytes / (1024 * 1024));
    for (const QString& name : result.kept)
        lines << QStringLiteral("%1(档案在数据库中已有照片)").arg(name);
    return QStringLiteral("照片已存入数据库,照片文件夹“%1”中有%2个文件未能导入,仍留在原处:\n%3")
        .arg(QDir::toNativeSeparators(folder))
        .arg(lines.size())
        .arg(lines.join(u'\n'));
}

} // namespace hra::domain
