#include "support/CraftedPictures.h"
#include "windows/records/Photos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hra::records;

TEST(PhotoDirectory, BesideTheProgramElseApplicationDataElseNone)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = dir.filePath("bin");
    const QString appData = dir.filePath("appdata");
    ASSERT_TRUE(QDir().mkpath(program));

    EXPECT_EQ(choosePhotoDirectory(program, appData), QDir(program).filePath("picture"));
    EXPECT_TRUE(QDir(dir.filePath("bin/picture")).exists());

    // A program folder where "picture" cannot be made (here: a file of that name).
    const QString blocked = dir.filePath("blocked");
    ASSERT_TRUE(QDir().mkpath(blocked));
    QFile file(QDir(blocked).filePath("picture"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(choosePhotoDirectory(blocked, appData), QDir(appData).filePath("picture"));
    EXPECT_EQ(choosePhotoDirectory(blocked, blocked), QString());
    // The probe file used to test writing is gone again.
    EXPECT_EQ(QDir(appData + "/picture").entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST(PhotoName, NumberPlusExtensionAndOnlyNamesThatStayInTheFolderAndFit)
{
    EXPECT_EQ(photoName("0000000123", "/tmp/a.b/x.jpg"), "0000000123.jpg");
    EXPECT_EQ(photoName("12", "/tmp/x.JPEG"), "12.JPEG");
    EXPECT_EQ(photoName("12", "/tmp/x"), "12");

    EXPECT_TRUE(photoNameProblem("0000000123.jpeg", 20).isEmpty());
    EXPECT_FALSE(photoNameProblem("0000000123.jpg", 10).isEmpty());
    for (const char* bad : {"../x.jpg", "a/b.jpg", "a\\b.jpg", "c:x.jpg", "..", "a?.png"})
        EXPECT_FALSE(photoNameProblem(bad, 20).isEmpty()) << bad;

    EXPECT_EQ(photoPath("/p", "1.jpg"), "/p/1.jpg");
    EXPECT_EQ(photoPath("/p", "../1.jpg"), QString());
    EXPECT_EQ(photoPath("/p", ""), QString());
}

// A person's photo is health data: its folder and file are the owner's only.
TEST(PhotoFile, WrittenForTheOwnerOnly)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("data/picture");
    PendingPhoto photo;
    photo.name = "0000000123.png";
    photo.image = QImage(2, 2, QImage::Format_RGB32);
    photo.bytes = QByteArray("the bytes as read");
    ASSERT_TRUE(writePhoto(folder, photo));
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                        QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFileInfo(QDir(folder).filePath(photo.name)).permissions() & others, 0);
    EXPECT_EQ(QFileInfo(folder).permissions() & others, 0);
    EXPECT_EQ(QFileInfo(dir.filePath("data")).permissions() & others, 0);
}

namespace {

QStringList logged;

void keepWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && QByteArrayView(context.category) == "hra.report")
        logged << message;
}

} // namespace

// A photo that claims more pixels than may be decoded, chosen or stored, is
// refused before anything is allocated for it, and the refusal is logged.
TEST(PhotoFile, APictureTooLargeToDecodeIsRefusedAndLogged)
{
    QTemporaryDir dir;
    const QString name = "0000000123.jpg";
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(jpegClaiming(60000, 60000));
    file.close();

    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWarnings);
    const PendingPhoto chosen = readPicture(file.fileName());
    const QImage stored = readStoredPhoto(dir.path(), name);
    qInstallMessageHandler(previous);

    EXPECT_TRUE(chosen.isEmpty());
    EXPECT_TRUE(chosen.bytes.isEmpty());
    EXPECT_TRUE(stored.isNull());
    const QString refusal = "a picture was refused: the picture claims 60000 x 60000 pixels";
    EXPECT_EQ(logged, QStringList({refusal, refusal}));

    // A picture of a sensible size still reads.
    QImage small(40, 30, QImage::Format_RGB32);
    small.fill(Qt::blue);
    ASSERT_TRUE(small.save(dir.filePath("0000000124.jpg")));
    EXPECT_EQ(readStoredPhoto(dir.path(), "0000000124.jpg").size(), QSize(40, 30));
    EXPECT_EQ(readPicture(dir.filePath("0000000124.jpg")).image.size(), QSize(40, 30));
}
