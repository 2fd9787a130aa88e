#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace hra;

class DialectTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connect();
        ASSERT_TRUE(conn);
    }
    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
};

// The pieces of SQL that differ between backends, run for real.
TEST_P(DialectTest, DifferingPiecesRun)
{
    const QSqlDatabase d = conn->db();
    const store::Dialect& dialect = conn->dialect();
    store::execute(d, QStringLiteral("create table t (n integer, at timestamp)"));
    const QDateTime now = conn->serverNow();
    ASSERT_TRUE(now.isValid());
    // The server clock and the workstation clock agree here (same machine).
    EXPECT_LT(std::abs(now.secsTo(QDateTime::currentDateTime())), 120);

    store::run(d, QStringLiteral("insert into t values (:n, :at)"), {{"n", 2}, {"at", now}});
    store::run(d, QStringLiteral("insert into t values (:n, :at)"), {{"n", 1}, {"at", now}});
    EXPECT_EQ(store::scalar(d, dialect.firstRowOnly(QStringLiteral("select n from t order by n")))
                  .toInt(),
              1);
    QSqlQuery q = store::run(d, dialect.firstRowOnly(QStringLiteral("select n from t order by n")));
    int rows = 0;
    while (q.next())
        ++rows;
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(store::scalar(d, QStringLiteral("select %1 from t where n = 1")
                                   .arg(dialect.dateToText(QStringLiteral("at"))))
                  .toString(),
              now.date().toString(Qt::ISODate));
    EXPECT_TRUE(conn->tables().contains(QStringLiteral("t")));
}

INSTANTIATE_TEST_SUITE_P(Backends, DialectTest, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });
