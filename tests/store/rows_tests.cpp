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

INSTANTIATE_TEST_SUITE_P(Backends, RowsTest, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });
