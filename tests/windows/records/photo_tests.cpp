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
