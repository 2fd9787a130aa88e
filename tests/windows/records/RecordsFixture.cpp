#include "RecordsFixture.h"

#include "domain/PersonRecords.h"
#include "store/Sql.h"

#include <QDir>
#include <QImage>

namespace hra::test {

void RecordsFixture::SetUp()
{
    database = std::make_unique<TestDatabase>(GetParam());
    HRA_REQUIRE_BACKEND(*database);
    conn = database->connectInitialised();
    ASSERT_TRUE(conn);
    ASSERT_TRUE(files.isValid());
    context.reset(
        new records::Context{*conn, session, prompts, [this] { ++questionnaireOpened; }, {}});
}

void RecordsFixture::addPerson(const QString& number, const QString& name, const QString& sex,
                               int assessment)
{
    store::run(conn->db(),
               QStringLiteral(
                   "insert into jkpg_jbxx (bianh, xingm, xingb, nianl) values (:bh, :xm, :xb, 40)"),
               {{"bh", number}, {"xm", name}, {"xb", sex}});
    if (assessment <= 0)
        return;
    store::run(
        conn->db(),
        QStringLiteral(
            "insert into jkpg_id (jkpg_id, bianh, id, zhuangt) values (:id, :bh, :bh, '评估')"),
        {{"id", assessment}, {"bh", number}});
    for (const QString& table : sevenTables.mid(0, 5))
        store::run(conn->db(),
                   QStringLiteral("insert into %1 (jkpg_id, bianh) values (:id, :bh)").arg(table),
                   {{"id", assessment}, {"bh", number}});
}

QVariantMap RecordsFixture::person(const QString& number) const
{
    const store::Rows rows = store::select(
        conn->db(), QStringLiteral("select * from jkpg_jbxx where bianh = :bh"), {{"bh", number}});
    QVariantMap out;
    if (rows.size() == 1)
        for (qsizetype i = 0; i < rows.fields.size(); ++i)
            out.insert(rows.fields.at(i).toLower(), rows.rows.first().at(i));
    return out;
}

int RecordsFixture::rowsWithNumber(const QString& table, const QString& number) const
{
    return store::scalar(conn->db(),
                         QStringLiteral("select count(*) from %1 where bianh = :bh").arg(table),
                         {{"bh", number}})
        .toInt();
}

QString RecordsFixture::pictureFile(const QString& fileName, Qt::GlobalColor color) const
{
    QImage image(8, 10, QImage::Format_RGB32);
    image.fill(color);
    const QString path = files.filePath(fileName);
    image.save(path, "PNG");
    return path;
}

} // namespace hra::test
