#include "domain/PersonPhotos.h"
#include "domain/PersonRecords.h"
#include "store/Sql.h"
#include "support/CraftedPictures.h"
#include "support/TestDatabase.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hra;

namespace {

QByteArray pictureBytes(const char* format, Qt::GlobalColor color = Qt::red)
{
    QImage image(8, 10, QImage::Format_RGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(PersonPhoto, StoredOnlyWithinTheLimitAndWhenItDecodes)
{
    QByteArray padded = pictureBytes("PNG");
    padded.append(QByteArray(domain::kMaxPhotoBytes - padded.size(), '\0'));
    const struct
    {
        const char* what;
        QByteArray bytes;
        QString format;
        QString problem;
    } cases[] = {
        {"png", pictureBytes("PNG"), "png", ""},
        {"jpeg", pictureBytes("JPG"), "jpeg", ""},
        {"png at the limit", padded, "png", ""},
        {"one byte over", padded + 'x', "", "照片文件超过2MB,无法保存!请选择较小的图片。"},
        {"too many pixels", jpegClaiming(60000, 60000), "",
         "加载照片出错!图片尺寸过大（60000×60000像素）"},
        {"no picture", "GIF89a but nothing after", "", "加载照片出错!图片已损坏或格式无法识别"},
        {"empty", QByteArray(), "", "加载照片出错!图片已损坏或格式无法识别"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const domain::PhotoCheck check = domain::checkPhoto(c.bytes);
        EXPECT_EQ(check.problem, c.problem);
        EXPECT_EQ(check.photo.format, c.format);
        EXPECT_EQ(check.photo.bytes, check.ok() ? c.bytes : QByteArray());
    }
}

TEST(PersonPhoto, NameIsTheNumberAndTheFileExtensionOrTheNumberWhenTooWide)
{
    EXPECT_EQ(domain::photoName("0000000123", "/a.b/x.JPEG", 20), "0000000123.JPEG");
    EXPECT_EQ(domain::photoName("12", "/tmp/x", 20), "12");
    EXPECT_EQ(domain::photoName("0000000123", "/tmp/x.jpg", 10), "0000000123");
}

class PersonPhotoTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
        ASSERT_TRUE(dir.isValid());
    }

    QSqlDatabase d() const { return conn->db(); }

    void addPerson(const QString& number, const QVariant& photoName, const QByteArray& stored = {})
    {
        store::run(d(),
                   "insert into jkpg_jbxx (bianh, xingm, zhaop, zhaopsj, banb) "
                   "values (:bh, '王五', :name, :bytes, 0)",
                   {{"bh", number},
                    {"name", photoName},
                    {"bytes", stored.isEmpty() ? QVariant() : QVariant(stored)}});
    }

    QVariantList row(const QString& number) const
    {
        const store::Rows rows = store::select(
            d(), "select zhaop, zhaopsj, zhaopgs, banb from jkpg_jbxx where bianh = :bh",
            {{"bh", number}});
        return rows.rows.value(0);
    }

    QStringList files(const QString& sub = {}) const
    {
        return QDir(dir.filePath("picture/" + sub)).entryList(QDir::Files, QDir::Name);
    }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
    QTemporaryDir dir;
};

// The folder of an older version: a file goes to the person with its number
// and stored name; a file without one, a broken one and one for a person who
// has a photo in the database already stay where they are and are named.
TEST_P(PersonPhotoTest, AnOldPhotoFolderIsTakenInOnceByNumberAndStoredName)
{
    const QString folder = dir.filePath("picture");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray red = pictureBytes("PNG");
    const QByteArray inDatabase = pictureBytes("PNG", Qt::blue);
    writeFile(folder + "/0001.png", red);
    writeFile(folder + "/0002.jpg", "\xff\xd8\xff broken");
    writeFile(folder + "/0003.png", red);
    writeFile(folder + "/0004.png", red);
    writeFile(folder + "/0009.png", red);
    addPerson("0001", "0001.png");
    addPerson("0002", "0002.jpg");
    addPerson("0003", "0003.jpg"); // its stored name is another file's
    addPerson("0004", "0004.png", inDatabase);
    addPerson("0005", QVariant());

    const domain::PhotoFolderImport result = domain::importPhotoFolder(d(), folder);
    EXPECT_TRUE(result.ran);
    EXPECT_EQ(result.imported, QStringList({"0001.png"}));
    EXPECT_EQ(result.unmatched, QStringList({"0003.png", "0009.png"}));
    EXPECT_EQ(result.refused, QStringList({"0002.jpg"}));
    EXPECT_EQ(result.kept, QStringList({"0004.png"}));
    EXPECT_EQ(row("0001"), QVariantList({"0001.png", red, "png", 1}));
    EXPECT_TRUE(row("0002").value(1).isNull());
    EXPECT_TRUE(row("0003").value(1).isNull());
    EXPECT_EQ(row("0004").value(1).toByteArray(), inDatabase);
    EXPECT_EQ(row("0004").value(3).toInt(), 0);
    EXPECT_EQ(files(), QStringList({"0002.jpg", "0003.png", "0004.png", "0009.png"}));
    EXPECT_EQ(files("imported"), QStringList({"0001.png"}));
    EXPECT_EQ(domain::photoFolderImportMessage(result, folder),
              QStringLiteral("照片已存入数据库,照片文件夹“%1”中有4个文件未能导入,仍留在原处:\n"
                             "0003.png(没有对应的档案)\n"
                             "0009.png(没有对应的档案)\n"
                             "0002.jpg(图片无法读取或超过2MB)\n"
                             "0004.png(档案在数据库中已有照片)")
                  .arg(QDir::toNativeSeparators(folder)));

    // Once: the next start leaves the folder alone, even when a person turns up.
    addPerson("0009", "0009.png");
    const domain::PhotoFolderImport again = domain::importPhotoFolder(d(), folder);
    EXPECT_FALSE(again.ran);
    EXPECT_TRUE(row("0009").value(1).isNull());
    EXPECT_EQ(domain::photoFolderImportMessage(again, folder), QString());
    EXPECT_EQ(files().size(), 4);

    // No folder at all: nothing happens.
    EXPECT_FALSE(domain::importPhotoFolder(d(), dir.filePath("none")).ran);
    EXPECT_FALSE(QDir(dir.filePath("none")).exists());
}

// The photo stays with the person, not with the number: renumbering takes it
// along, and a new person under the old number starts without one.
TEST_P(PersonPhotoTest, RenumberingKeepsThePhotoAndANewPersonUnderTheOldNumberHasNone)
{
    const QByteArray red = pictureBytes("PNG");
    store::RowBuffer person = domain::personBuffer();
    person.startNew(d());
    person.setValue("bianh", "2024000001");
    domain::setPhoto(person, domain::checkPhoto(red).photo, "2024000001.png");
    person.store(d());

    domain::renumberPerson(d(), "2024000001", "2024000009");
    const domain::PersonPhoto moved = domain::storedPhoto(d(), "2024000009");
    EXPECT_EQ(moved.bytes, red);
    EXPECT_EQ(moved.format, "png");
    EXPECT_EQ(row("2024000009").value(0).toString(), "2024000009.png");

    store::RowBuffer newcomer = domain::personBuffer();
    newcomer.startNew(d());
    newcomer.setValue("bianh", "2024000001");
    newcomer.store(d());
    EXPECT_TRUE(domain::storedPhoto(d(), "2024000001").isEmpty());
    EXPECT_TRUE(row("2024000001").value(0).isNull());
    EXPECT_EQ(domain::storedPhoto(d(), "2024000009").bytes, red);
}

INSTANTIATE_TEST_SUITE_P(Backends, PersonPhotoTest, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });
