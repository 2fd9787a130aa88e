#include "store/Backup.h"
#include "store/Schema.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace hra;
using store::BackupStatus;

namespace {

// Every row of every table of the program, as sorted text: two databases
// that give the same list hold the same data.
QStringList contents(const store::Connection& conn)
{
    QStringList out;
    for (const store::TableDef& t : store::tables()) {
        const store::Rows rows =
            store::select(conn.db(), QStringLiteral("select * from ") + t.name);
        for (const QVariantList& row : rows.rows) {
            QStringList values;
            for (const QVariant& v : row)
                values << (store::isNull(v) ? QStringLiteral("<null>") : v.toString());
            out << t.name + u':' + values.join(u'|');
        }
    }
    out.sort();
    return out;
}

// A marker the tests put into a database to recognise it afterwards.
void mark(const store::Connection& conn, const QString& text)
{
    store::execute(conn.db(), QStringLiteral("create table marker (v varchar(40))"));
    store::Sql(conn.db(), conn.dialect())
        .run(QStringLiteral("insert into marker (v) values (:v)"), {{QStringLiteral("v"), text}});
}

QString markerOf(const store::ConnectionSettings& settings)
{
    QString error;
    const auto conn = store::Connection::open(settings, &error, QStringLiteral("marker-check"));
    if (!conn)
        return QStringLiteral("<cannot open: %1>").arg(error);
    if (!conn->tables().contains(QStringLiteral("marker")))
        return QStringLiteral("<no marker>");
    return store::scalar(conn->db(), QStringLiteral("select v from marker")).toString();
}

} // namespace

class BackupTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(source);
        HRA_REQUIRE_BACKEND(target);
    }

    QString backupFile() const
    {
        return files.filePath(GetParam() == store::Driver::Sqlite ? QStringLiteral("b.sqlite3")
                                                                  : QStringLiteral("b.dump"));
    }

    // The source, marked "from the backup", backed up; the target holding
    // data of its own, marked "current".
    void backUpOneAndFillTheOther()
    {
        {
            const auto conn = source.connectInitialised(QStringLiteral("source"));
            ASSERT_TRUE(conn);
            mark(*conn, QStringLiteral("from the backup"));
        }
        const store::BackupResult backup = store::backupDatabase(source.settings(), backupFile());
        ASSERT_TRUE(backup.ok()) << backup.detail.toStdString();
        const auto conn = target.connectInitialised(QStringLiteral("target"));
        ASSERT_TRUE(conn);
        mark(*conn, QStringLiteral("current"));
    }

    test::TestDatabase source{GetParam()};
    test::TestDatabase target{GetParam()};
    QTemporaryDir files;
};

// Another program goes on committing rows while the backup runs: the copy
// holds every row committed before it started, and no half of anything
// (the rows it holds run from 1 without a gap).
TEST_P(BackupTest, BackupWhileAnotherConnectionWritesHoldsEveryCommittedRow)
{
    {
        const auto conn = source.connectInitialised();
        ASSERT_TRUE(conn);
        store::execute(conn->db(), QStringLiteral("create table probe (id integer primary key)"));
    }
    std::atomic<int> committed{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> failed{false};
    std::thread writer([&] {
        QString error;
        const auto conn =
            store::Connection::open(source.settings(), &error, QStringLiteral("writer"));
        if (!conn) {
            failed = true;
            return;
        }
        store::Sql sql = conn->sql();
        for (int id = 1; !stop; ++id) {
            sql.run(QStringLiteral("insert into probe (id) values (:id)"),
                    {{QStringLiteral("id"), id}});
            committed = id;
        }
    });
    while (committed < 20 && !failed)
        QThread::msleep(5);
    if (failed) {
        writer.join();
        FAIL() << "the writer could not connect";
    }
    const int before = committed;
    const store::BackupResult backup = store::backupDatabase(source.settings(), backupFile());
    const int afterBackup = committed;
    stop = true;
    writer.join();
    ASSERT_TRUE(backup.ok()) << backup.detail.toStdString();
    ASSERT_GT(afterBackup, before) << "the writer did not run during the backup";

    const store::BackupResult restore =
        store::restoreDatabase(target.settings(), backupFile(), false);
    ASSERT_TRUE(restore.ok()) << restore.detail.toStdString();
    const auto restored = target.connect(QStringLiteral("restored"));
    ASSERT_TRUE(restored);
    const int count =
        store::scalar(restored->db(), QStringLiteral("select count(*) from probe")).toInt();
    const int highest =
        store::scalar(restored->db(), QStringLiteral("select max(id) from probe")).toInt();
    EXPECT_GE(count, before);
    EXPECT_EQ(count, highest);
}

// A backup restored elsewhere holds the same rows in every table, so the
// analysis there reads the same input.
TEST_P(BackupTest, RestoredCopyHoldsTheSameRows)
{
    const auto conn = source.connectInitialised(QStringLiteral("source"), true);
    ASSERT_TRUE(conn);
    const store::BackupResult backup = store::backupDatabase(source.settings(), backupFile());
    ASSERT_TRUE(backup.ok()) << backup.detail.toStdString();
    const store::BackupResult restore =
        store::restoreDatabase(target.settings(), backupFile(), false);
    ASSERT_TRUE(restore.ok()) << restore.detail.toStdString();
    const auto restored = target.connect(QStringLiteral("restored"));
    ASSERT_TRUE(restored);
    const QStringList expected = contents(*conn);
    EXPECT_GT(expected.size(), 100);
    EXPECT_EQ(contents(*restored), expected);
}

// A database that holds data is replaced only when forced.
TEST_P(BackupTest, RestoreOverDataNeedsForce)
{
    ASSERT_NO_FATAL_FAILURE(backUpOneAndFillTheOther());
    ASSERT_TRUE(store::databaseHoldsData(target.settings()));

    EXPECT_EQ(store::restoreDatabase(target.settings(), backupFile(), false).status,
              BackupStatus::TargetNotEmpty);
    EXPECT_EQ(markerOf(target.settings()), "current");

    const store::BackupResult forced =
        store::restoreDatabase(target.settings(), backupFile(), true);
    ASSERT_TRUE(forced.ok()) << forced.detail.toStdString();
    EXPECT_EQ(markerOf(target.settings()), "from the backup");
}

// Stopped at any step, a restore leaves the current database as it was, and
// a later one still works.
TEST_P(BackupTest, RestoreStoppedAtAnyStepLeavesTheDatabase)
{
    ASSERT_NO_FATAL_FAILURE(backUpOneAndFillTheOther());
    // Each step of a successful restore, stopped there in turn.
    QList<int> restoreSteps;
    {
        test::TestDatabase scratch{GetParam()};
        ASSERT_TRUE(store::restoreDatabase(scratch.settings(), backupFile(), true, [&](int p) {
                        restoreSteps << p;
                        return true;
                    }).ok());
    }
    for (int stopAt : restoreSteps) {
        if (stopAt == 100)
            continue;
        SCOPED_TRACE(stopAt);
        const store::BackupResult r = store::restoreDatabase(target.settings(), backupFile(), true,
                                                             [&](int p) { return p < stopAt; });
        EXPECT_EQ(r.status, BackupStatus::Cancelled);
        EXPECT_EQ(markerOf(target.settings()), "current");
    }
    EXPECT_TRUE(store::restoreDatabase(target.settings(), backupFile(), true).ok());
    EXPECT_EQ(markerOf(target.settings()), "from the backup");
    if (GetParam() == store::Driver::Sqlite) {
        // No copy is left beside the database.
        const QFileInfo db(target.settings().databaseFile);
        EXPECT_EQ(db.dir().entryList(QDir::Files | QDir::Hidden), QStringList{db.fileName()});
    }
}

// Files that are no backup of this program are refused, whatever --force
// says, and the current database stays as it was.
TEST_P(BackupTest, RestoreRefusesWhatIsNoBackup)
{
    {
        const auto conn = source.connectInitialised(QStringLiteral("source"));
        ASSERT_TRUE(conn);
    }
    ASSERT_TRUE(store::backupDatabase(source.settings(), backupFile()).ok());
    QFile good(backupFile());
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    const QByteArray bytes = good.readAll();
    good.close();
    {
        const auto conn = target.connectInitialised(QStringLiteral("target"));
        ASSERT_TRUE(conn);
        mark(*conn, QStringLiteral("current"));
    }

    // Another program's SQLite database, a text file, half a backup, a
    // backup with a damaged stretch in the middle.
    QString foreign = files.filePath(QStringLiteral("foreign.sqlite3"));
    {
        const test::TestDatabase other{store::Driver::Sqlite};
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
            db.setDatabaseName(foreign);
            ASSERT_TRUE(db.open());
            QSqlQuery(db).exec(QStringLiteral("create table jkpg_jbxx (bh text)"));
            QSqlQuery(db).exec(QStringLiteral("create table orders (id integer)"));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
    }
    QByteArray damaged = bytes;
    for (qsizetype i = damaged.size() / 3; i < damaged.size() / 3 + 8192 && i < damaged.size(); ++i)
        damaged[i] = char(0x5a);
    const struct
    {
        const char* name;
        QByteArray content;
    } cases[] = {
        {"text", QByteArray("this is a note, not a database\n")},
        {"empty", QByteArray()},
        {"truncated", bytes.left(bytes.size() / 2)},
        {"damaged", damaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = files.filePath(QString::fromLatin1(c.name));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content);
        f.close();
        const store::BackupResult r = store::restoreDatabase(target.settings(), path, true);
        EXPECT_FALSE(r.ok());
        EXPECT_TRUE(r.status == BackupStatus::NotABackup || r.status == BackupStatus::RestoreFailed)
            << int(r.status);
        EXPECT_EQ(markerOf(target.settings()), "current");
    }
    const store::BackupResult r = store::restoreDatabase(target.settings(), foreign, true);
    EXPECT_EQ(r.status, BackupStatus::NotABackup);
    EXPECT_EQ(markerOf(target.settings()), "current");
    EXPECT_EQ(
        store::restoreDatabase(target.settings(), files.filePath(QStringLiteral("missing")), true)
            .status,
        BackupStatus::NotABackup);
}

INSTANTIATE_TEST_SUITE_P(Backends, BackupTest, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

// SQLite: the file is not replaced under a program that has it open (its
// write-ahead log would be replayed into the restored file).
TEST(SqliteBackupTest, RestoreRefusesAFileAnotherProgramHasOpen)
{
    test::TestDatabase source{store::Driver::Sqlite};
    test::TestDatabase target{store::Driver::Sqlite};
    QTemporaryDir files;
    const QString file = files.filePath(QStringLiteral("b.sqlite3"));
    {
        const auto conn = source.connectInitialised(QStringLiteral("source"));
        ASSERT_TRUE(conn);
        mark(*conn, QStringLiteral("from the backup"));
    }
    ASSERT_TRUE(store::backupDatabase(source.settings(), file).ok());
    const auto open = target.connectInitialised(QStringLiteral("target"));
    ASSERT_TRUE(open);
    mark(*open, QStringLiteral("current"));

    EXPECT_EQ(store::restoreDatabase(target.settings(), file, true).status,
              BackupStatus::TargetInUse);
    EXPECT_EQ(store::scalar(open->db(), QStringLiteral("select v from marker")).toString(),
              "current");
    store::execute(open->db(), QStringLiteral("insert into marker (v) values ('still writable')"));
}

TEST(SqlServerBackupTest, BackupAndRestoreAreLeftToTheServersTools)
{
    store::ConnectionSettings settings;
    settings.driver = store::Driver::Mssql;
    QTemporaryDir files;
    EXPECT_EQ(store::backupDatabase(settings, files.filePath(QStringLiteral("b"))).status,
              BackupStatus::NotSupported);
    EXPECT_EQ(store::restoreDatabase(settings, files.filePath(QStringLiteral("b")), true).status,
              BackupStatus::NotSupported);
    EXPECT_TRUE(QDir(files.path()).isEmpty());
}

// hra-cli restore killed at any moment leaves a sound database: the one it
// had, or the restored one, never a mixture or a broken file.
TEST(SqliteBackupTest, RestoreKilledAnywhereLeavesASoundDatabase)
{
    test::TestDatabase target{store::Driver::Sqlite};
    QTemporaryDir files;
    const QString current = files.filePath(QStringLiteral("current.sqlite3"));
    const QString other = files.filePath(QStringLiteral("other.sqlite3"));
    {
        test::TestDatabase source{store::Driver::Sqlite};
        const auto conn = source.connectInitialised(QStringLiteral("source"), true);
        ASSERT_TRUE(conn);
        mark(*conn, QStringLiteral("other"));
        ASSERT_TRUE(store::backupDatabase(source.settings(), other).ok());
    }
    {
        const auto conn = target.connectInitialised(QStringLiteral("target"));
        ASSERT_TRUE(conn);
        mark(*conn, QStringLiteral("current"));
    }
    ASSERT_TRUE(store::backupDatabase(target.settings(), current).ok());
    const QString ini = files.filePath(QStringLiteral("target.ini"));
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[data]\ndriver=sqlite\ndatabase_file=" + target.settings().databaseFile.toUtf8() +
                "\n");
    }

    for (int delayMs : {0, 2, 5, 10, 15, 20, 25, 30, 35, 40, 50, 60, 80, 120, 200}) {
        SCOPED_TRACE(delayMs);
        const QString before = markerOf(target.settings());
        ASSERT_TRUE(before == "current" || before == "other") << before.toStdString();
        QProcess cli;
        cli.start(QStringLiteral(HRA_CLI),
                  {QStringLiteral("restore"), QStringLiteral("--from"),
                   before == "current" ? other : current, QStringLiteral("--force"),
                   QStringLiteral("--ini"), ini});
        ASSERT_TRUE(cli.waitForStarted());
        QThread::msleep(delayMs);
        cli.kill();
        cli.waitForFinished();

        const QString after = markerOf(target.settings());
        EXPECT_TRUE(after == "current" || after == "other") << after.toStdString();
        QString error;
        const auto conn =
            store::Connection::open(target.settings(), &error, QStringLiteral("check"));
        ASSERT_TRUE(conn) << error.toStdString();
        EXPECT_EQ(store::scalar(conn->db(), QStringLiteral("pragma integrity_check")).toString(),
                  "ok");
        EXPECT_FALSE(conn->isEmpty());
    }
}
