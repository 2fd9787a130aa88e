#include "domain/Bootstrap.h"
#include "domain/Operators.h"
#include "store/RowBuffer.h"
#include "store/Schema.h"
#include "store/SchemaCheck.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>
#include <ostream>
#include <set>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace hra;
using store::Driver;

namespace {

const char* const kSectionTables[] = {"jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs",
                                      "jkpg_tgjc"};

// Runs one statement with positional values; false when the database refuses it.
bool accepts(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery q(db);
    if (!q.prepare(sql))
        return false;
    for (const QVariant& v : values)
        q.addBindValue(v);
    return q.exec();
}

QStringList column(const QSqlDatabase& db, const QString& sql)
{
    QStringList values;
    QSqlQuery q = store::run(db, sql);
    while (q.next())
        values << q.value(0).toString();
    return values;
}

qint64 count(const QSqlDatabase& db, const QString& sql)
{
    return store::scalar(db, sql).toLongLong();
}

// Numbers as the reference-range texts write them: 3.90 -> "3.9", 140.00 -> "140".
QString shortest(const QVariant& v)
{
    return v.isNull() ? QString() : QString::number(v.toDouble(), 'g', 15);
}

} // namespace

class Schema : public ::testing::TestWithParam<Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
    }

    QSqlDatabase sql() const { return conn->db(); }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
};

TEST_P(Schema, RefusesWhatTheServersRefuse)
{
    // One person with one assessment and a row in every section to collide with.
    ASSERT_TRUE(accepts(sql(), QStringLiteral("insert into jkpg_jbxx (bianh, xingm) values (?, ?)"),
                        {QStringLiteral("P1"), QStringLiteral("张三")}));
    ASSERT_TRUE(accepts(
        sql(), QStringLiteral("insert into jkpg_id (jkpg_id, bianh, zhuangt) values (?, ?, ?)"),
        {1, QStringLiteral("P1"), QStringLiteral("评估")}));
    for (const char* table : kSectionTables)
        ASSERT_TRUE(accepts(
            sql(), QStringLiteral("insert into %1 (jkpg_id, bianh) values (?, ?)").arg(table),
            {1, QStringLiteral("P1")}))
            << table;

    struct Case
    {
        QString what;
        QString sql;
        QVariantList values;
        bool accepted;
    };
    const QString person = QStringLiteral("insert into jkpg_jbxx (bianh, nianl) values (?, ?)");
    std::vector<Case> cases = {
        {"duplicate record number", person, {"P1", 40}, false},
        {"record number of 11 characters", person, {"12345678901", 40}, false},
        {"record number of 10 characters", person, {"1234567890", 40}, true},
        {"record number of 10 Chinese characters",
         person,
         {QStringLiteral("一二三四五六七八九十"), 40},
         true},
        {"age as letters", person, {"P2", "abc"}, false},
        {"age as empty text", person, {"P3", ""}, false},
        {"age as digits", person, {"P4", "45"}, true},
        {"age missing", person, {"P5", QVariant()}, true},
        {"duplicate assessment number",
         "insert into jkpg_id (jkpg_id, bianh) values (?, ?)",
         {1, "P4"},
         false},
        {"assessment number as letters",
         "insert into jkpg_id (jkpg_id, bianh) values (?, ?)",
         {"x", "P4"},
         false},
        {"assessment date that is no date",
         "insert into jkpg_id (jkpg_id, bianh, lurrq) values (?, ?, ?)",
         {8, "P4", "not a time"},
         false},
        {"answer longer than its column",
         "insert into jkpg_ssyy (jkpg_id, bianh, zufsbl) values (?, ?, ?)",
         {9, "P4", QString(21, u'主')},
         false},
        {"height as letters",
         "insert into jkpg_tgjc (jkpg_id, bianh, sheng) values (?, ?, ?)",
         {9, "P4", "tall"},
         false},
        {"uric acid as text",
         "insert into jkpg_tgjc (jkpg_id, bianh, xuens) values (?, ?, ?)",
         {10, "P4", "356"},
         true},
    };
    for (const char* table : kSectionTables) {
        const QString insert =
            QStringLiteral("insert into %1 (jkpg_id, bianh) values (?, ?)").arg(table);
        cases.push_back({QStringLiteral("second %1 row of an assessment").arg(table),
                         insert,
                         {1, "P1"},
                         false});
        cases.push_back(
            {QStringLiteral("%1 row of another assessment").arg(table), insert, {2, "P1"}, true});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what.toStdString());
        EXPECT_EQ(accepts(sql(), c.sql, c.values), c.accepted);
    }
    EXPECT_EQ(count(sql(), QStringLiteral("select count(*) from jkpg_jbxx where bianh = 'P1'")), 1);
}

TEST_P(Schema, ViewListsOnlyAssessmentsWhosePersonExists)
{
    store::run(sql(), QStringLiteral("insert into jkpg_jbxx (bianh, xingm, xingb, nianl) values "
                                     "('A', '甲', '男', 50), ('B', '乙', '女', 60)"));
    store::run(sql(), QStringLiteral("insert into jkpg_id (jkpg_id, bianh, zhuangt) values "
                                     "(1, 'A', '评估'), (2, 'B', '结束'), (3, 'A', '结束')"));
    store::run(sql(), QStringLiteral("delete from jkpg_jbxx where bianh = 'B'"));

    QStringList rows;
    QSqlQuery q = store::run(sql(), QStringLiteral("select jkpg_id, bianh, zhuangt, xingm, xingb, "
                                                   "nianl from v_jkpg_jbxx order by jkpg_id"));
    while (q.next())
        rows << QStringLiteral("%1 %2 %3 %4 %5 %6")
                    .arg(q.value(0).toInt())
                    .arg(q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                         q.value(4).toString())
                    .arg(q.value(5).toInt());
    EXPECT_EQ(rows, QStringList({"1 A 评估 甲 男 50", "3 A 结束 甲 男 50"}));
}

TEST_P(Schema, InitReplacesOurTablesOnlyWhenForced)
{
    store::run(sql(), QStringLiteral("insert into jkpg_jbxx (bianh) values ('KEEP')"));
    store::execute(sql(), QStringLiteral("create table other_notes (note varchar(20))"));
    store::run(sql(), QStringLiteral("insert into other_notes (note) values ('theirs')"));

    EXPECT_THROW(domain::initializeDatabase(*conn, {}), store::DatabaseError);
    EXPECT_EQ(count(sql(), QStringLiteral("select count(*) from jkpg_jbxx")), 1);

    const domain::InitResult result = domain::initializeDatabase(*conn, {.force = true});
    EXPECT_FALSE(result.managerPassword.isEmpty());
    EXPECT_EQ(count(sql(), QStringLiteral("select count(*) from jkpg_jbxx")), 0);
    EXPECT_EQ(column(sql(), QStringLiteral("select yonghdm from sys_yhxx")),
              QStringList{domain::kManagerCode});
    EXPECT_EQ(column(sql(), QStringLiteral("select note from other_notes")), QStringList{"theirs"});
}

// A database made before an index was declared gets it; one that has every
// index is left as it is.
TEST_P(Schema, MissingIndexesAreAddedOnce)
{
    store::execute(sql(), QStringLiteral("drop index ix_jkpg_jbxx_xingb"));
    store::execute(sql(), QStringLiteral("drop index ix_jkpg_jbxx_nianl"));
    const auto names = [this] {
        QStringList all = column(sql(), conn->dialect().listIndexesQuery());
        for (QString& name : all)
            name = name.toLower();
        return all;
    };
    ASSERT_FALSE(names().contains(QStringLiteral("ix_jkpg_jbxx_xingb")));
    EXPECT_EQ(
        domain::addMissingIndexes(*conn),
        QStringList({QStringLiteral("ix_jkpg_jbxx_xingb"), QStringLiteral("ix_jkpg_jbxx_nianl")}));
    EXPECT_TRUE(names().contains(QStringLiteral("ix_jkpg_jbxx_xingb")));
    EXPECT_TRUE(names().contains(QStringLiteral("ix_jkpg_jbxx_nianl")));
    EXPECT_TRUE(domain::addMissingIndexes(*conn).isEmpty());
}

// A database that lacks declared columns is told by the first of them;
// upgrade adds those that may be empty, as the scripts define them, so that
// the database then has every declared column again (on SQLite, exactly as
// a new one has them).
TEST_P(Schema, MissingColumnsAreFoundAndAddedOnce)
{
    EXPECT_FALSE(store::firstMissingColumn(sql()));
    EXPECT_EQ(store::schemaVersion(sql()), store::kSchemaVersion);
    store::execute(sql(), QStringLiteral("alter table jkpg_tgjc drop column tiz"));
    store::execute(sql(), QStringLiteral("alter table jkpg_mqzk drop column pilcd"));
    const auto missing = store::firstMissingColumn(sql());
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->table, "jkpg_mqzk");
    EXPECT_EQ(missing->column, "pilcd");
    // A database of version 2 has no photo columns; that is no difference
    // for it, and upgrade adds them.
    store::execute(sql(), QStringLiteral("alter table jkpg_jbxx drop column zhaopsj"));
    store::execute(sql(), QStringLiteral("alter table jkpg_jbxx drop column zhaopgs"));
    store::execute(sql(), QStringLiteral("update sys_sjkbb set banb = 2"));
    EXPECT_EQ(store::firstMissingColumn(sql())->column, "zhaopsj");
    EXPECT_EQ(store::addMissingColumns(sql(), conn->dialect()),
              QStringList({QStringLiteral("jkpg_jbxx.zhaopsj"), QStringLiteral("jkpg_jbxx.zhaopgs"),
                           QStringLiteral("jkpg_mqzk.pilcd"), QStringLiteral("jkpg_tgjc.tiz")}));
    store::recordSchemaVersion(sql(), conn->dialect());
    EXPECT_EQ(store::schemaVersion(sql()), store::kSchemaVersion);
    EXPECT_FALSE(store::firstMissingColumn(sql()));
    EXPECT_TRUE(store::addMissingColumns(sql(), conn->dialect()).isEmpty());
    if (GetParam() == Driver::Sqlite) {
        EXPECT_EQ(store::sqliteSchemaDifference(sql()), QString());
    }
}

// A database made before rows had versions gets the column where missing
// (its rows at version 0), once; until then rows are stored unversioned.
TEST_P(Schema, MissingVersionColumnsAreAddedOnce)
{
    store::execute(sql(), QStringLiteral("alter table jkpg_jbxx drop column banb"));
    store::execute(sql(), QStringLiteral("alter table jkpg_tgjc drop column banb"));
    store::run(sql(),
               QStringLiteral("insert into jkpg_jbxx (bianh, xingm) values ('0042', '王五')"));
    store::RowBuffer person(QStringLiteral("jkpg_jbxx"), {QStringLiteral("bianh")});
    ASSERT_TRUE(person.load(sql(), {{QStringLiteral("bianh"), QStringLiteral("0042")}}));
    EXPECT_FALSE(person.isVersioned());
    person.setValue(QStringLiteral("xingm"), QStringLiteral("王六"));
    person.store(sql());

    EXPECT_EQ(domain::addMissingVersionColumns(*conn),
              QStringList({QStringLiteral("jkpg_jbxx.banb"), QStringLiteral("jkpg_tgjc.banb")}));
    EXPECT_TRUE(domain::addMissingVersionColumns(*conn).isEmpty());
    EXPECT_EQ(store::scalar(sql(), QStringLiteral("select banb from jkpg_jbxx")).toInt(), 0);
    ASSERT_TRUE(person.load(sql(), {{QStringLiteral("bianh"), QStringLiteral("0042")}}));
    EXPECT_TRUE(person.isVersioned());
    person.setValue(QStringLiteral("xingm"), QStringLiteral("王七"));
    person.store(sql());
    EXPECT_EQ(store::scalar(sql(), QStringLiteral("select banb from jkpg_jbxx")).toInt(), 1);
}

TEST_P(Schema, FailedForcedInitLeavesTheDatabaseAsItWas)
{
    store::run(sql(), QStringLiteral("insert into jkpg_jbxx (bianh) values ('KEEP')"));
    // A table of others that takes the name of one of our indexes makes the
    // scripts fail after our tables have been dropped and created again.
    store::execute(sql(), QStringLiteral("drop index ix_jkpg_id_lurrq"));
    store::execute(sql(), QStringLiteral("create table ix_jkpg_id_lurrq (note varchar(20))"));

    EXPECT_THROW(domain::initializeDatabase(*conn, {.force = true}), store::DatabaseError);
    EXPECT_EQ(column(sql(), QStringLiteral("select bianh from jkpg_jbxx")), QStringList{"KEEP"});
}

TEST_P(Schema, InitLeavesTablesOfOthersAloneAndNeedsNoForceForThem)
{
    test::TestDatabase other(GetParam());
    auto c = other.connect(QStringLiteral("other"));
    ASSERT_TRUE(c);
    store::execute(c->db(), QStringLiteral("create table other_notes (note varchar(20))"));
    domain::initializeDatabase(*c, {});
    EXPECT_TRUE(c->tables().contains(QStringLiteral("other_notes")));
    EXPECT_TRUE(c->tables().contains(QStringLiteral("v_jkpg_jbxx")));
}

TEST_P(Schema, ScriptsNameEachTableAndViewOnceAndCreateThemAll)
{
    const domain::SchemaObjects objects = domain::schemaObjects(conn->dialect());
    EXPECT_EQ(objects.views, QStringList{"v_jkpg_jbxx"});
    // Each name once, so that nothing is created or dropped twice.
    const QStringList all = objects.tables + objects.views;
    EXPECT_EQ(std::set<QString>(all.begin(), all.end()).size(), static_cast<size_t>(all.size()));
    const QStringList present = conn->tables();
    for (const QString& name : all)
        EXPECT_TRUE(present.contains(name)) << name.toStdString();
}

// What the scripts created is what the column list declares; PostgreSQL also
// says each column's type, width and nullability.
TEST_P(Schema, TheDatabaseHoldsTheDeclaredColumns)
{
    for (const store::TableDef& table : store::tables()) {
        SCOPED_TRACE(table.name.toStdString());
        const QSqlRecord record = sql().record(table.name);
        QStringList present;
        for (int i = 0; i < record.count(); ++i)
            present << record.fieldName(i).toLower();
        QStringList declared;
        for (const store::ColumnDef& c : table.columns)
            declared << c.name.toLower();
        EXPECT_EQ(present, declared);
    }
    if (GetParam() != Driver::Postgres)
        return;
    const auto typeOf = [](const store::ColumnDef& c) -> QString {
        switch (c.type) {
        case store::ColumnType::Text:
            return QStringLiteral("character varying(%1)").arg(c.width);
        case store::ColumnType::FixedText:
            return QStringLiteral("character(%1)").arg(c.width);
        case store::ColumnType::LongText:
            return QStringLiteral("text");
        case store::ColumnType::Integer:
            return QStringLiteral("integer");
        case store::ColumnType::Identity:
            return QStringLiteral("integer identity");
        case store::ColumnType::Decimal:
            return QStringLiteral("numeric(%1,%2)").arg(c.width).arg(c.scale);
        case store::ColumnType::Float:
            return QStringLiteral("double precision");
        case store::ColumnType::DateTime:
            return QStringLiteral("timestamp without time zone");
        case store::ColumnType::Binary:
            return QStringLiteral("bytea");
        }
        return {};
    };
    QSqlQuery q = store::run(
        sql(),
        QStringLiteral("select table_name, column_name, data_type, character_maximum_length, "
                       "numeric_precision, numeric_scale, is_nullable, is_identity "
                       "from information_schema.columns where table_schema = current_schema()"));
    int seen = 0;
    while (q.next()) {
        const store::ColumnDef* c = store::column(q.value(0).toString(), q.value(1).toString());
        if (!c)
            continue;
        ++seen;
        QString type = q.value(2).toString();
        if (!q.value(3).isNull())
            type += QStringLiteral("(%1)").arg(q.value(3).toInt());
        if (type == QLatin1String("numeric"))
            type += QStringLiteral("(%1,%2)").arg(q.value(4).toInt()).arg(q.value(5).toInt());
        if (q.value(7).toString() == QLatin1String("YES"))
            type += QStringLiteral(" identity");
        const QString where = q.value(0).toString() + u'.' + q.value(1).toString();
        EXPECT_EQ(type, typeOf(*c)) << where.toStdString();
        EXPECT_EQ(q.value(6).toString() == QLatin1String("YES"), c->nullable)
            << where.toStdString();
    }
    size_t declared = 0;
    for (const store::TableDef& table : store::tables())
        declared += table.columns.size();
    EXPECT_EQ(size_t(seen), declared);
}

TEST_P(Schema, ReferenceRangesAreSeededAndReadAsTheyAreShown)
{
    QSqlQuery q = store::run(
        sql(), QStringLiteral("select duiyzd, min_value, max_value, danw, duiyz from jkpg_sjzd "
                              "where biaomc = 'jkpg_tgjc'"));
    QStringList keys;
    while (q.next()) {
        const QString key = q.value(0).toString();
        keys << key;
        SCOPED_TRACE(key.toStdString());
        EXPECT_FALSE(q.value(1).isNull() && q.value(2).isNull());
        EXPECT_FALSE(q.value(3).toString().isEmpty());
        // A minimum alone reads as one: "≥1mmol/L".
        const QString shown =
            q.value(2).isNull()
                ? u'≥' + shortest(q.value(1)) + q.value(3).toString()
                : shortest(q.value(1)) + u'-' + shortest(q.value(2)) + q.value(3).toString();
        EXPECT_EQ(q.value(4).toString(), shown);
    }
    keys.sort();
    EXPECT_EQ(keys, QStringList({"canhexsxt", "dimdzdb", "ganysz", "gaomdzdb", "kongfxt", "shousy",
                                 "shuzy", "tanghxhdb", "tizzs", "xuens", "yaow_nan", "yaow_nv",
                                 "zongdgc"}));
    EXPECT_EQ(column(sql(), QStringLiteral("select duiyz from jkpg_sjzd where duiyzd = 'kongfxt'")),
              QStringList{"3.9-6.09mmol/L"});

    const QStringList centre = column(sql(), QStringLiteral("select danwmc from jkpg_pgzx"));
    ASSERT_EQ(centre.size(), 1);
    EXPECT_FALSE(centre.first().isEmpty());
    EXPECT_EQ(column(sql(), QStringLiteral("select pinggzx from sys_information")), centre);
}

TEST_P(Schema, DemoSeedHoldsCompleteStoredAssessments)
{
    const domain::InitResult result =
        domain::initializeDatabase(*conn, {.demo = true, .force = true});
    EXPECT_EQ(result.managerPassword, domain::kDemoManagerPassword);

    EXPECT_GE(count(sql(), QStringLiteral("select count(*) from jkpg_jbxx")), 3);
    const qint64 assessments = count(sql(), QStringLiteral("select count(*) from jkpg_id"));
    EXPECT_GT(assessments, count(sql(), QStringLiteral("select count(*) from jkpg_jbxx")));
    EXPECT_EQ(count(sql(), QStringLiteral("select count(*) from v_jkpg_jbxx")), assessments);
    for (const char* table : kSectionTables) {
        SCOPED_TRACE(table);
        EXPECT_EQ(count(sql(), QStringLiteral("select count(*) from jkpg_id i join %1 s "
                                              "on s.jkpg_id = i.jkpg_id and s.bianh = i.bianh")
                                   .arg(table)),
                  assessments);
        EXPECT_EQ(
            count(sql(), QStringLiteral("select count(*) from %1 where lurrq is null").arg(table)),
            0);
    }
    // Only stored states, and at most one assessment in progress per person.
    EXPECT_EQ(
        count(sql(),
              QStringLiteral("select count(*) from jkpg_id where zhuangt not in ('评估', '结束')")),
        0);
    EXPECT_EQ(
        count(sql(), QStringLiteral(
                         "select count(*) from (select bianh from jkpg_id where zhuangt = '评估' "
                         "group by bianh having count(*) > 1) t")),
        0);
    EXPECT_EQ(column(sql(), QStringLiteral("select distinct mqzk_id from jkpg_mqzk")),
              QStringList{"jkpg_mqzk"});
    EXPECT_EQ(
        count(sql(),
              QStringLiteral("select count(*) from jkpg_mqzk where manxzqgy is null or qit is null "
                             "or qianlxa is null")),
        0);

    // The stored body-mass index follows the save rule: the first five
    // characters of weight / height^2 written with 15 significant digits.
    QSqlQuery q =
        store::run(sql(), QStringLiteral("select jkpg_id, sheng, tiz, tizzs from jkpg_tgjc"));
    int rows = 0;
    while (q.next()) {
        ++rows;
        SCOPED_TRACE(q.value(0).toInt());
        const double h = q.value(1).toDouble();
        const double w = q.value(2).toDouble();
        EXPECT_DOUBLE_EQ(q.value(3).toDouble(),
                         QString::number(w / (h * h), 'g', 15).left(5).toDouble());
    }
    EXPECT_EQ(rows, assessments);
}

INSTANTIATE_TEST_SUITE_P(Backends, Schema, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });
