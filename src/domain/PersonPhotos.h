#pragma once

#include "store/RowBuffer.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace hra::domain {

// A person's photo lives in the person row (jkpg_jbxx.zhaopsj, the bytes as
// chosen, and zhaopgs, their picture format), so every workstation sees it,
// backups carry it and renumbering keeps it. zhaop keeps the photo's name.

// The largest photo stored.
constexpr qsizetype kMaxPhotoBytes = 2 * 1024 * 1024;

struct PersonPhoto
{
    QByteArray bytes; // stored unchanged
    QString format;   // "jpeg", "png", ...: what the bytes decode as

    bool isEmpty() const { return bytes.isEmpty(); }
};

struct PhotoCheck
{
    PersonPhoto photo;
    QString problem; // what the operator is told; empty when the photo may be stored

    bool ok() const { return problem.isEmpty(); }
};

// Whether these bytes may be stored as a photo: at most kMaxPhotoBytes, and
// decoded through the report engine's safe path.
PhotoCheck checkPhoto(const QByteArray& bytes);
// The same for a file; one over the limit is refused before it is read.
PhotoCheck readPhotoFile(const QString& path);

// The photo's name stored in zhaop: the record number and the picture file's
// extension ("0001" and "a.JPG" give "0001.JPG"), or the number alone when
// that would not fit a column of `width` characters.
QString photoName(const QString& recordNumber, const QString& pictureFile, int width);

// The photo of a person row as loaded; empty when it has none.
PersonPhoto photoOf(const store::RowBuffer& row);
// Puts a photo and its name into a person row; an empty photo clears all three.
void setPhoto(store::RowBuffer& row, const PersonPhoto& photo, const QString& name);

// The photo stored with a person; empty when the person or the photo is
// missing. Throws DatabaseError.
PersonPhoto storedPhoto(const QSqlDatabase& db, const QString& recordNumber);

// What taking an old picture folder into the database did, file names each.
struct PhotoFolderImport
{
    bool ran = false;      // false: no folder, or it was taken in before
    QStringList imported;  // stored with their person, moved to "imported"
    QStringList unmatched; // no person has that number and photo name
    QStringList refused;   // too large or no picture
    QStringList kept;      // the person already has a photo in the database

    bool anyLeft() const { return !unmatched.isEmpty() || !refused.isEmpty() || !kept.isEmpty(); }
};

// Takes the files of an old photo folder into the database, once: a file
// goes to the person whose record number is its base name and whose stored
// photo name is its name, when that person has no photo in the database yet.
// Each file taken is moved to the folder's subfolder "imported" (never
// deleted); every other file is left where it is and logged. A marker in the
// subfolder says the folder was gone through. Throws DatabaseError.
PhotoFolderImport importPhotoFolder(const QSqlDatabase& db, const QString& folder);

// What the manager is told about files left in the folder; empty when none was.
QString photoFolderImportMessage(const PhotoFolderImport& result, const QString& folder);

} // namespace hra::domain
