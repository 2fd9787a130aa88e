#include "store/RowSet.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <optional>

using namespace hra;

class RowsTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connect();
        ASSERT_TRUE(conn);
        store::execute(conn->db(), QStringLiteral("create table t (id integer primary key, "
                                                  "v varchar(10) not null, amount decimal(6,2), "
                                                  "at timestamp)"));
    }

    int rowCount() const
    {
        return store::scalar(conn->db(), QStringLiteral("select count(*) from t")).toInt();
    }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
};

// Every backend hands rows back in one shape: decimals as doubles, stored
// times as date-times, a repeated field name made unique, statements counted.
TEST_P(RowsTest, SelectGivesTheSameShapeOnEveryBackend)
{
    store::Sql sql = conn->sql();
    const QDateTime at = sql.serverNow();
    sql.run(QStringLiteral("insert into t (id, v, amount, at) values (:id, :v, :amount, :at)"),
            {{QStringLiteral("id"), 1},
             {QStringLiteral("v"), QStringLiteral("甲")},
             {QStringLiteral("amount"), 12.5},
             {QStringLiteral("at"), at}});
    const store::Rows rows =
        sql.select(QStringLiteral("select v, amount, at, v from t where id = :id"),
                   {{QStringLiteral("id"), 1}});
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.fields, (QStringList{"v", "amount", "at", "v_1"}));
    EXPECT_EQ(rows.value(0, QStringLiteral("amount")).typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(rows.value(0, QStringLiteral("amount")).toDouble(), 12.5);
    const QVariant stored = rows.value(0, QStringLiteral("at"));
    ASSERT_EQ(stored.typeId(), QMetaType::QDateTime);
    EXPECT_EQ(stored.toDateTime().toString(Qt::ISODate), at.toString(Qt::ISODate));
    EXPECT_EQ(sql.count(), 3); // clock, insert, select

    // Text that only looks like a time stays text where it is not one.
    EXPECT_EQ(store::normalised(QStringLiteral("2026-12-10")).typeId(), QMetaType::QString);
    EXPECT_EQ(store::normalised(QStringLiteral("2026-12-10 03:45:36")).typeId(),
              QMetaType::QDateTime);
    EXPECT_EQ(store::normalised(QStringLiteral("2026-13-10 03:45:36")).typeId(),
              QMetaType::QString);
}

TEST_P(RowsTest, FailedStatementThrowsTheDriversText)
{
    try {
        store::run(conn->db(), QStringLiteral("insert into t (id, v) values (:id, null)"),
                   {{QStringLiteral("id"), 1}});
        FAIL() << "a NULL in a not-null column was accepted";
    } catch (const store::DatabaseError& e) {
        EXPECT_FALSE(e.message().isEmpty());
    }
    EXPECT_EQ(rowCount(), 0);
}

// Statements kept prepared run again with their new values: a select left
// half read, run again, gives the rows as they are now; a failed statement
// is thrown and the same text runs afterwards; a transaction commits and
// rolls back around them; once the keeping ends, statements go as before.
TEST_P(RowsTest, KeptStatementsRunAgainWithNewValues)
{
    const QSqlDatabase d = conn->db();
    const QString insert = QStringLiteral("insert into t (id, v) values (:id, :v)");
    const QString select = QStringLiteral("select v from t where id >= :from order by id");
    {
        const store::KeptStatements keep(d);
        {
            store::Transaction tx(d);
            for (int id = 1; id <= 3; ++id)
                store::run(d, insert, {{QStringLiteral("id"), id}, {QStringLiteral("v"), id * 10}});
            EXPECT_EQ(store::scalar(d, select, {{QStringLiteral("from"), 2}}).toString(), "20");
            tx.commit();
        }
        EXPECT_THROW(store::run(d, insert, {{QStringLiteral("id"), 4}, {QStringLiteral("v"), {}}}),
                     store::DatabaseError);
        store::run(d, insert, {{QStringLiteral("id"), 4}, {QStringLiteral("v"), "40"}});
    }
    {
        const store::KeptStatements keep(d);
        store::Transaction tx(d);
        store::run(d, insert, {{QStringLiteral("id"), 5}, {QStringLiteral("v"), "50"}});
        const store::Rows rows = store::select(d, select, {{QStringLiteral("from"), 3}});
        EXPECT_EQ(rows.rows, (QList<QVariantList>{{"30"}, {"40"}, {"50"}}));
        EXPECT_EQ(store::tableRecord(d, QStringLiteral("t")).count(), 4);
    }
    EXPECT_EQ(rowCount(), 4);
    store::run(d, insert, {{QStringLiteral("id"), 6}, {QStringLiteral("v"), "60"}});
    EXPECT_EQ(store::select(d, select, {{QStringLiteral("from"), 4}}).rows,
              (QList<QVariantList>{{"40"}, {"60"}}));
}

// Six rows saved together (three new, three loaded and edited, one of them
// with a changed key), the fourth failing on the first attempt: nothing is
// stored, every buffer is as before, and the same save tried again stores all.
TEST_P(RowsTest, RowSetRestoresEveryBufferWhenTheSaveFailsAndStoresAllOnRetry)
{
    enum class Failure
    {
        HookThrows,
        DatabaseRefuses
    };
    for (Failure failure : {Failure::HookThrows, Failure::DatabaseRefuses}) {
        SCOPED_TRACE(failure == Failure::HookThrows ? "hook throws" : "database refuses");
        store::execute(conn->db(), QStringLiteral("delete from t"));
        for (int id : {11, 12, 13})
            store::run(conn->db(), QStringLiteral("insert into t (id, v) values (:id, 'old')"),
                       {{QStringLiteral("id"), id}});

        std::vector<store::RowBuffer> buffers;
        for (int i = 0; i < 6; ++i)
            buffers.emplace_back(QStringLiteral("t"), QStringList{QStringLiteral("id")});
        for (int i = 0; i < 3; ++i) {
            buffers[i].startNew(conn->db(), {{QStringLiteral("id"), i + 1}});
            buffers[i].setValue(QStringLiteral("v"), QStringLiteral("new%1").arg(i));
        }
        for (int i = 3; i < 6; ++i) {
            ASSERT_TRUE(buffers[i].load(conn->db(), {{QStringLiteral("id"), 8 + i}}));
            buffers[i].setValue(QStringLiteral("v"), QStringLiteral("edited%1").arg(i));
        }
        buffers[5].setValue(QStringLiteral("id"), 16); // a new key for a stored row

        bool failNow = true;
        buffers[3].beforeStore = [&](QVariantMap& values) {
            values.insert(QStringLiteral("v"), values.value(QStringLiteral("v")).toString() + "!");
            if (!failNow)
                return;
            if (failure == Failure::HookThrows)
                throw store::DatabaseError(QStringLiteral("injected"));
            values.insert(QStringLiteral("v"), QVariant()); // refused: not null
        };

        std::vector<store::RowBuffer::Snapshot> before;
        for (const store::RowBuffer& b : buffers)
            before.push_back(b.snapshot());
        store::RowSet set;
        for (store::RowBuffer& b : buffers)
            set.add(b);

        EXPECT_THROW(set.store(conn->db()), std::exception);
        EXPECT_EQ(rowCount(), 3);
        EXPECT_EQ(
            store::scalar(conn->db(), QStringLiteral("select count(*) from t where v = 'old'"))
                .toInt(),
            3);
        for (size_t i = 0; i < buffers.size(); ++i) {
            EXPECT_EQ(buffers[i].state(), before[i].state) << "row " << i;
            EXPECT_EQ(buffers[i].values(), before[i].values) << "row " << i;
        }

        failNow = false;
        set.store(conn->db());
        const store::Rows stored =
            store::select(conn->db(), QStringLiteral("select id, v from t order by id"));
        QStringList got;
        for (const QVariantList& row : stored.rows)
            got << row[0].toString() + "=" + row[1].toString();
        EXPECT_EQ(got, (QStringList{"1=new0", "2=new1", "3=new2", "11=edited3!", "12=edited4",
                                    "16=edited5"}));
        for (const store::RowBuffer& b : buffers)
            EXPECT_EQ(b.state(), store::RowBuffer::State::Browsing);
        EXPECT_EQ(buffers[3].value(QStringLiteral("v")).toString(), QStringLiteral("edited3!"));
    }
}

// Two workstations load the same row: the second to store finds it changed and
// stores nothing; it can take the stored row keeping its own edit, or
// overwrite deliberately; a delete is checked the same way.
TEST_P(RowsTest, RowChangedElsewhereIsNeitherOverwrittenNorDeletedUnknowingly)
{
    store::execute(conn->db(), QStringLiteral("create table w (id integer primary key, "
                                              "a varchar(10), b varchar(10), "
                                              "banb integer not null default 0)"));
    store::run(conn->db(), QStringLiteral("insert into w (id, a, b) values (1, 'a0', 'b0')"));
    auto other = db.connect(QStringLiteral("other"));
    ASSERT_TRUE(other);
    auto storedRow = [this] {
        const store::Rows r = store::select(conn->db(), QStringLiteral("select a, b, banb from w"));
        QStringList cells;
        for (const QVariantList& row : r.rows)
            cells << row[0].toString() + u'/' + row[1].toString() + u'/' + row[2].toString();
        return cells.join(u' ');
    };
    const QVariantMap key{{QStringLiteral("id"), 1}};
    store::RowBuffer mine(QStringLiteral("w"), {QStringLiteral("id")});
    store::RowBuffer theirs(QStringLiteral("w"), {QStringLiteral("id")});
    ASSERT_TRUE(mine.load(conn->db(), key));
    ASSERT_TRUE(theirs.load(other->db(), key));
    EXPECT_TRUE(mine.isVersioned());

    theirs.setValue(QStringLiteral("a"), QStringLiteral("a1"));
    theirs.store(other->db());
    EXPECT_EQ(storedRow(), "a1/b0/1");

    mine.setValue(QStringLiteral("b"), QStringLiteral("b1"));
    try {
        mine.store(conn->db());
        FAIL() << "a row changed elsewhere was overwritten";
    } catch (const store::StaleRowError& e) {
        EXPECT_FALSE(e.removed());
        EXPECT_EQ(e.table(), "w");
    }
    EXPECT_EQ(storedRow(), "a1/b0/1");
    EXPECT_EQ(mine.state(), store::RowBuffer::State::Editing);
    EXPECT_EQ(mine.value(QStringLiteral("b")), "b1");
    EXPECT_EQ(mine.value(QStringLiteral("a")), "a0");
    EXPECT_EQ(mine.changedElsewhere(conn->db()), QStringList{"a"});
    EXPECT_EQ(mine.editedColumns(), QStringList{"b"});

    // Reloaded: their change and my edit, stored together.
    mine.reloadKeepingEdits(conn->db());
    EXPECT_EQ(mine.value(QStringLiteral("a")), "a1");
    EXPECT_EQ(mine.value(QStringLiteral("b")), "b1");
    mine.store(conn->db());
    EXPECT_EQ(storedRow(), "a1/b1/2");

    // Overwritten on purpose: their buffer's values replace the row.
    theirs.setValue(QStringLiteral("b"), QStringLiteral("b2"));
    EXPECT_THROW(theirs.store(other->db()), store::StaleRowError);
    EXPECT_EQ(storedRow(), "a1/b1/2");
    theirs.overwriteStored(other->db());
    theirs.store(other->db());
    EXPECT_EQ(storedRow(), "a1/b2/3");

    // A delete of a row changed since it was loaded deletes nothing; a row
    // deleted elsewhere is said to be gone.
    try {
        mine.remove(conn->db());
        FAIL() << "a row changed elsewhere was deleted";
    } catch (const store::StaleRowError& e) {
        EXPECT_FALSE(e.removed());
    }
    EXPECT_EQ(storedRow(), "a1/b2/3");
    theirs.remove(other->db());
    EXPECT_FALSE(theirs.isOpen());
    EXPECT_EQ(storedRow(), "");
    mine.setValue(QStringLiteral("a"), QStringLiteral("a3"));
    try {
        mine.store(conn->db());
        FAIL() << "an update of a deleted row succeeded";
    } catch (const store::StaleRowError& e) {
        EXPECT_TRUE(e.removed());
    }
}

// A lost link is its own error (never an empty result), a save during the
// outage stores nothing and keeps its buffers, and the connection opens again
// once the database is back, where the same save stores everything.
TEST_P(RowsTest, LostConnectionIsItsOwnErrorAndTheRetriedSaveStoresAll)
{
    store::run(conn->db(), QStringLiteral("insert into t (id, v) values (1, 'before')"));
    auto other = db.connect(QStringLiteral("other"));
    ASSERT_TRUE(other);
    store::RowBuffer loaded(QStringLiteral("t"), {QStringLiteral("id")});
    ASSERT_TRUE(loaded.load(conn->db(), {{QStringLiteral("id"), 1}}));
    loaded.setValue(QStringLiteral("v"), QStringLiteral("after"));
    store::RowBuffer added(QStringLiteral("t"), {QStringLiteral("id")});
    added.startNew(conn->db(), {{QStringLiteral("id"), 2}, {QStringLiteral("v"), "new"}});
    store::RowSet set{&loaded, &added};

    db.cut(*conn, *other);
    EXPECT_THROW(set.store(conn->db()), store::ConnectionLostError);
    EXPECT_TRUE(conn->isLost());
    store::RowBuffer lookup(QStringLiteral("t"), {QStringLiteral("id")});
    EXPECT_THROW(lookup.load(conn->db(), {{QStringLiteral("id"), 1}}), store::ConnectionLostError);
    EXPECT_EQ(loaded.state(), store::RowBuffer::State::Editing);
    EXPECT_EQ(loaded.value(QStringLiteral("v")), "after");
    EXPECT_EQ(added.state(), store::RowBuffer::State::New);

    db.restore(*other);
    ASSERT_TRUE(conn->reconnect(nullptr, true));
    EXPECT_FALSE(conn->isLost());
    set.store(conn->db());
    const store::Rows rows =
        store::select(other->db(), QStringLiteral("select id, v from t order by id"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows.value(0, QStringLiteral("v")), "after");
    EXPECT_EQ(rows.value(1, QStringLiteral("v")), "new");
}

// A server that ended an idle session (pg_terminate_backend, a restart):
// the next transaction opens the connection again by itself, since nothing
// had run in it yet.
TEST_P(RowsTest, SessionEndedBetweenTwoSavesIsReopenedByTheNextSave)
{
    if (GetParam() != store::Driver::Postgres)
        GTEST_SKIP() << "sessions end on a server";
    auto other = db.connect(QStringLiteral("other"));
    ASSERT_TRUE(other);
    store::RowBuffer row(QStringLiteral("t"), {QStringLiteral("id")});
    row.startNew(conn->db(), {{QStringLiteral("id"), 1}, {QStringLiteral("v"), "first"}});
    store::RowSet set{&row};
    set.store(conn->db());

    test::terminateSession(*conn, *other);
    row.setValue(QStringLiteral("v"), QStringLiteral("second"));
    set.store(conn->db());
    EXPECT_EQ(store::scalar(other->db(), QStringLiteral("select v from t where id = 1")), "second");
    EXPECT_FALSE(conn->isLost());
}

INSTANTIATE_TEST_SUITE_P(Backends, RowsTest, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });
