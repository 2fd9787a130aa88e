// frxDB_llda read from the database page by page: the rows and order of the
// list, a few pages held at a time, a connection of its own opened in the
// thread that reads and gone when the read ends.
#include "reportengine/Report.h"
#include "store/Connection.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"
#include "windows/records/PersonListModel.h"
#include "windows/records/PersonListReport.h"
#include "windows/records/PersonListSource.h"

#include <QSqlDatabase>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace hra;

namespace {

constexpr int kPersons = 1234;
constexpr int kPage = 100;

QStringList sourceConnections()
{
    return QSqlDatabase::connectionNames().filter(QStringLiteral("hra-person-list-"));
}

class PersonListSourceTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        database = std::make_unique<test::TestDatabase>(GetParam());
        HRA_REQUIRE_BACKEND(*database);
        conn = database->connectInitialised();
        ASSERT_TRUE(conn);
        // Inserted out of order, so that the order read is the database's.
        store::Transaction transaction(conn->db());
        for (int i = 0; i < kPersons; ++i) {
            const int n = (i * 577) % kPersons;
            store::run(conn->db(),
                       QStringLiteral("insert into jkpg_jbxx (bianh, xingm, xingb, nianl, lurrq) "
                                      "values (:bh, :xm, :xb, :nl, :rq)"),
                       {{"bh", QStringLiteral("%1").arg(n, 10, 10, QLatin1Char('0'))},
                        {"xm", QStringLiteral("名%1").arg(n)},
                        {"xb", n % 2 ? QStringLiteral("女") : QStringLiteral("男")},
                        {"nl", 18 + n % 70},
                        {"rq", QDateTime(QDate(2020, 1, 1), QTime(8, 0)).addSecs(n)}});
        }
        transaction.commit();
    }

    // The list of the browse window, read to its end.
    QList<QStringList> listed(const QStringList& columns, const QString& number = {})
    {
        QList<records::ListColumn> list;
        for (const QString& c : columns)
            list << records::ListColumn{c, c};
        records::PersonListModel model(list);
        model.search(conn->db(), number);
        while (model.canFetchMore({}))
            model.fetchMore({});
        QList<QStringList> rows;
        for (int r = 0; r < model.rowCount(); ++r) {
            QStringList row;
            for (const QString& c : columns)
                row << model.value(r, c).toString();
            rows << row;
        }
        return rows;
    }

    // Reads every row in order as the builder does, checking what is held.
    QList<QStringList> readAll(records::PersonListSource& source, const QStringList& columns,
                               int* mostHeld = nullptr)
    {
        source.aboutToRead();
        QList<QStringList> rows;
        for (int r = 0; r < source.rowCount(); ++r) {
            QStringList row;
            for (const QString& c : columns)
                row << source.value(r, source.fieldIndex(c)).toString();
            rows << row;
            if (mostHeld)
                *mostHeld = std::max(*mostHeld, source.rowsHeld());
        }
        return rows;
    }

    std::unique_ptr<test::TestDatabase> database;
    std::unique_ptr<store::Connection> conn;
};

TEST_P(PersonListSourceTest, ReadsTheListsRowsInItsOrderHoldingTwoPagesAtMost)
{
    const QStringList columns{"bianh", "xingm", "xingb", "nianl", "lurrq"};
    const QList<QStringList> expected = listed(columns);
    ASSERT_EQ(expected.size(), kPersons);
    for (int r = 1; r < expected.size(); ++r)
        ASSERT_LT(expected[r - 1][0], expected[r][0]) << "row " << r;

    records::PersonListSource source(database->settings(), QString(), kPage);
    int mostHeld = 0;
    EXPECT_EQ(readAll(source, columns, &mostHeld), expected);
    EXPECT_LE(mostHeld, 2 * kPage);
    // The read is over: its connection is gone.
    EXPECT_FALSE(source.isConnected());
    EXPECT_TRUE(sourceConnections().isEmpty());

    // An earlier row is read again (the page's own objects print row 0, the
    // builder goes back to the first row), a middle page read anew.
    const int name = source.fieldIndex("xingm");
    EXPECT_EQ(source.value(0, name).toString(), expected[0][1]);
    EXPECT_EQ(source.value(550, name).toString(), expected[550][1]);
    EXPECT_EQ(source.value(kPersons - 1, name).toString(), expected.last()[1]);
    EXPECT_FALSE(source.value(kPersons, name).isValid());
    EXPECT_LE(source.rowsHeld(), 2 * kPage);

    // A second build reads the persons as they are then.
    store::run(conn->db(), QStringLiteral("delete from jkpg_jbxx where bianh = :bh"),
               {{"bh", expected[3][0]}});
    QList<QStringList> fewer = expected;
    fewer.removeAt(3);
    EXPECT_EQ(readAll(source, columns), fewer);
}

TEST_P(PersonListSourceTest, ANumberListsThatPersonOnly)
{
    const QString number = QStringLiteral("0000000042");
    records::PersonListSource one(database->settings(), QStringLiteral(" %1 ").arg(number));
    EXPECT_EQ(readAll(one, {"bianh", "xingm"}), QList<QStringList>({{number, "名42"}}));
    records::PersonListSource nobody(database->settings(), QStringLiteral("nobody"));
    EXPECT_TRUE(readAll(nobody, {"bianh"}).isEmpty());
    EXPECT_TRUE(sourceConnections().isEmpty());
}

// The build may run on a worker thread: the source opens its connection
// there, and a read cut short on a thread that has ended leaves nothing open
// once the source is gone.
TEST_P(PersonListSourceTest, ReadsOnAnotherThread)
{
    const QStringList columns{"bianh", "nianl"};
    const QList<QStringList> expected = listed(columns);
    auto source =
        std::make_unique<records::PersonListSource>(database->settings(), QString(), kPage);

    QList<QStringList> onStdThread;
    std::thread([&] { onStdThread = readAll(*source, columns); }).join();
    EXPECT_EQ(onStdThread, expected);

    QList<QStringList> onQThread;
    std::unique_ptr<QThread> thread(
        QThread::create([&] { onQThread = readAll(*source, columns); }));
    thread->start();
    ASSERT_TRUE(thread->wait());
    EXPECT_EQ(onQThread, expected);
    EXPECT_TRUE(sourceConnections().isEmpty());

    // Cut short: a page in the middle was the last one read.
    QString middle;
    std::thread([&] {
        source->aboutToRead();
        middle = source->value(kPersons / 2, source->fieldIndex("bianh")).toString();
    }).join();
    EXPECT_EQ(middle, expected[kPersons / 2][0]);
    EXPECT_TRUE(source->isConnected());
    // The window thread reads it again with a connection of its own.
    EXPECT_EQ(source->value(kPersons / 2 + kPage, source->fieldIndex("bianh")).toString(),
              expected[kPersons / 2 + kPage][0]);
    source.reset();
    EXPECT_TRUE(sourceConnections().isEmpty());
}

// A database that cannot be reached fails the build with the system's
// message, not an empty list.
TEST_P(PersonListSourceTest, AnUnreachableDatabaseFailsTheBuild)
{
    store::ConnectionSettings settings = database->settings();
    settings.databaseFile += QStringLiteral(".missing");
    settings.databaseName += QStringLiteral("_missing");
    reportengine::Report report;
    QString error;
    EXPECT_FALSE(records::buildPersonList(
        report, qEnvironmentVariable("HRA_SOURCE_DIR") + QStringLiteral("/reports/jbxx.fr3"),
        std::make_shared<records::PersonListSource>(settings, QString()), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("查找不成功!"))) << error.toStdString();
    EXPECT_TRUE(sourceConnections().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Backends, PersonListSourceTest,
                         ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

} // namespace
