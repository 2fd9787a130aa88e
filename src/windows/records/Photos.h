#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace hra::records {

// The folder for photo files: "picture" beside the program when it can be
// created and written there, else "picture" in the per-user application data
// folder. Returns the folder (created), or an empty string when neither works.
QString choosePhotoDirectory(const QString& programDirectory, const QString& appDataDirectory);
// The same for the running program.
QString defaultPhotoDirectory();

// The photo name of a record: its number followed by the picture file's
// extension with the dot ("0000000123" and "x.jpg" give "0000000123.jpg").
QString photoName(const QString& recordNumber, const QString& pictureFile);

// Why a photo name cannot be used as a file in the photo folder or stored in
// a column of the given width; empty when it can.
QString photoNameProblem(const QString& name, int columnWidth);

// The path of a photo file, or empty when the name is empty or would leave
// the photo folder.
QString photoPath(const QString& directory, const QString& name);

// A picture chosen for one record and not yet written.
struct PendingPhoto
{
    QImage image;
    QByteArray bytes;     // the chosen file as it was read, written back unchanged
    QString recordNumber; // the record it was chosen for; empty: none
    QString name;         // its photo name; empty: none

    bool isEmpty() const { return image.isNull(); }
    // True when it is to be written as the photo of this record.
    bool belongsTo(const QString& number) const
    {
        return !isEmpty() && !name.isEmpty() && !number.isEmpty() && recordNumber == number;
    }
};

// Reads a picture file; a null image when it is not one, is damaged or is too
// large to decode (logged).
PendingPhoto readPicture(const QString& path);

// The stored photo of that name; a null image when it is missing, is no
// picture or is too large to decode (logged).
QImage readStoredPhoto(const QString& directory, const QString& name);

// Writes the photo under its name, replacing a file of that name. Returns false
// when the folder or the file cannot be written.
bool writePhoto(const QString& directory, const PendingPhoto& photo);

// Deletes a photo file; a missing file or a failure is ignored.
void deletePhoto(const QString& directory, const QString& name);

} // namespace hra::records
