#include "store/PersonRecords.h"

#include "store/Sql.h"

#include <QSqlField>
#include <QSqlRecord>

namespace hra::store {

RowBuffer personBuffer()
{
    return RowBuffer(QStringLiteral("jkpg_jbxx"), {QStringLiteral("bianh")});
}

void applyNewPersonRules(QVariantMap& row, const QDateTime& serverNow)
{
    row.insert(QStringLiteral("lurrq"), serverNow);
    const QString sex = row.value(QStringLiteral("xingb")).toString();
    if (sex == QStringLiteral("男"))
        row.insert(QStringLiteral("zunc"), QStringLiteral("先生"));
    else if (sex == QStringLiteral("女"))
        row.insert(QStringLiteral("zunc"), QStringLiteral("女士"));
}

int photoNameWidth(const QSqlDatabase& db)
{
    // Drivers that do not report a width (SQLite) have our own schema's.
    const int width =
        db.record(QStringLiteral("jkpg_jbxx")).field(QStringLiteral("zhaop")).length();
    return width > 0 ? width : 20;
}

QList<QVariantMap> findPersons(const QSqlDatabase& db, const QString& recordNumber)
{
    const QString number = recordNumber.trimmed();
    const Rows found = number.isEmpty()
                           ? select(db, QStringLiteral("select * from jkpg_jbxx order by bianh"))
                           : select(db, QStringLiteral("select * from jkpg_jbxx where bianh = :bh"),
                                    {{QStringLiteral("bh"), number}});
    QList<QVariantMap> persons;
    for (const QVariantList& values : found.rows) {
        QVariantMap person;
        for (qsizetype i = 0; i < found.fields.size(); ++i)
            person.insert(found.fields.at(i).toLower(), values.at(i));
        persons << person;
    }
    return persons;
}

bool deletePerson(const QSqlDatabase& db, const QString& recordNumber)
{
    return run(db, QStringLiteral("delete from jkpg_jbxx where bianh = :bh"),
               {{"bh", recordNumber}})
               .numRowsAffected() > 0;
}

void renumberPerson(const QSqlDatabase& db, const QString& oldNumber, const QString& newNumber)
{
    static const char* const tables[] = {"jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs",
                                         "jkpg_tgjc", "jkpg_id",   "jkpg_jbxx"};
    Transaction tx(db);
    for (const char* table : tables)
        run(db,
            QStringLiteral("update %1 set bianh = :newbh where bianh = :bh")
                .arg(QLatin1String(table)),
            {{"newbh", newNumber}, {"bh", oldNumber}});
    tx.commit();
}

} // namespace hra::store
