#include "store/Backup.h"
#include "store/Schema.h"
#include "store/SchemaCheck.h"
#include "store/Sql.h"
#include "support/SmallDisk.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <ostream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

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

    const store::BackupResult r = store::restoreDatabase(target.settings(), file, true, {}, 1000);
    EXPECT_EQ(r.status, BackupStatus::TargetInUse);
    EXPECT_EQ(r.detail, QStringLiteral("the database %1 is in use by another workstation and was "
                                       "not replaced; try again when the others have closed the "
                                       "program")
                            .arg(target.settings().databaseFile));
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

// Changes a copy of a good SQLite backup with statements run on it directly.
QString alteredCopy(const QString& good, const QString& path, const QStringList& statements)
{
    QFile::remove(path);
    if (!QFile::copy(good, path))
        return {};
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("alter"));
        db.setDatabaseName(path);
        if (!db.open())
            return {};
        for (const QString& sql : statements) {
            QSqlQuery q(db);
            if (!q.exec(sql))
                ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("alter"));
    return path;
}

// A file with the right table names is not enough: whatever differs from
// the database the program makes is refused, named, and the current
// database stays as it was.
TEST(SqliteBackupTest, RestoreRefusesWhatTheProgramWouldNotHaveMade)
{
    test::TestDatabase source{store::Driver::Sqlite};
    test::TestDatabase target{store::Driver::Sqlite};
    QTemporaryDir files;
    const QString good = files.filePath(QStringLiteral("good.sqlite3"));
    {
        const auto conn = source.connectInitialised(QStringLiteral("source"));
        ASSERT_TRUE(conn);
    }
    ASSERT_TRUE(store::backupDatabase(source.settings(), good).ok());
    {
        const auto conn = target.connectInitialised(QStringLiteral("target"));
        ASSERT_TRUE(conn);
        mark(*conn, QStringLiteral("current"));
    }
    const struct
    {
        const char* name;
        QStringList statements;
        const char* difference;
    } cases[] = {
        {"foreign trigger",
         {QStringLiteral(
             "create trigger wipe after insert on jkpg_id begin delete from jkpg_jbxx; end")},
         "the trigger wipe is not part of this program's database"},
        {"missing column",
         {QStringLiteral("alter table jkpg_tgjc drop column tiz")},
         "the table jkpg_tgjc lacks the column tiz"},
        {"column of its own",
         {QStringLiteral("alter table jkpg_pgzx add column secret text")},
         "the table jkpg_pgzx has a column secret that is not ours"},
        {"wrong type",
         {QStringLiteral("drop table sys_information"),
          QStringLiteral("create table sys_information (pinggzx int)")},
         "the column sys_information.pinggzx is INT, not VARCHAR(100)"},
        {"view of its own",
         {QStringLiteral("create view v_all as select * from jkpg_jbxx")},
         "the view v_all is not part of this program's database"},
        {"view missing",
         {QStringLiteral("drop view v_jkpg_jbxx")},
         "the view v_jkpg_jbxx is missing"},
        {"view with other columns",
         {QStringLiteral("drop view v_jkpg_jbxx"),
          QStringLiteral("create view v_jkpg_jbxx as select bianh from jkpg_jbxx")},
         "the view v_jkpg_jbxx shows other columns"},
        {"index missing",
         {QStringLiteral("drop index ix_jkpg_id_bianh")},
         "the index ix_jkpg_id_bianh is missing or covers other columns"},
        {"newer version",
         {QStringLiteral("update sys_sjkbb set banb = 4")},
         "it was made by a newer version of the program (schema 4; this one knows up to 3)"},
        {"photo column missing at version 3",
         {QStringLiteral("alter table jkpg_jbxx drop column zhaopgs")},
         "the table jkpg_jbxx lacks the column zhaopgs"},
        {"index of its own",
         {QStringLiteral("create index ix_mine on jkpg_jbxx (xingm)")},
         "the index ix_mine on jkpg_jbxx is not part of this program's database"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString bad =
            alteredCopy(good, files.filePath(QString::fromLatin1(c.name)), c.statements);
        ASSERT_FALSE(bad.isEmpty());
        const store::BackupResult r = store::restoreDatabase(target.settings(), bad, true);
        EXPECT_EQ(r.status, BackupStatus::NotABackup);
        EXPECT_EQ(r.detail, QStringLiteral("not a database this program made: ") +
                                QString::fromUtf8(c.difference));
        EXPECT_EQ(markerOf(target.settings()), "current");
    }
    // A table of its own holds data only and does no harm.
    const QString extra = alteredCopy(good, files.filePath(QStringLiteral("extra")),
                                      {QStringLiteral("create table notes (v text)")});
    const store::BackupResult r = store::restoreDatabase(target.settings(), extra, true);
    EXPECT_TRUE(r.ok()) << r.detail.toStdString();
    // A backup from before the version was kept (and before the operation
    // log) is taken and brought up to date.
    const QString older = alteredCopy(
        good, files.filePath(QStringLiteral("older")),
        {QStringLiteral("drop table sys_sjkbb"), QStringLiteral("drop table sys_czrz")});
    const store::BackupResult upgraded = store::restoreDatabase(target.settings(), older, true);
    ASSERT_TRUE(upgraded.ok()) << upgraded.detail.toStdString();
    auto restored = target.connect(QStringLiteral("restored"));
    ASSERT_TRUE(restored);
    EXPECT_EQ(store::schemaVersion(restored->db()), store::kSchemaVersion);
    EXPECT_EQ(store::sqliteSchemaDifference(restored->db()), QString());
    // A backup of version 2, from before photos were kept in the person row,
    // is taken and given the photo columns.
    restored.reset();
    const QString version2 =
        alteredCopy(good, files.filePath(QStringLiteral("version2")),
                    {QStringLiteral("alter table jkpg_jbxx drop column zhaopsj"),
                     QStringLiteral("alter table jkpg_jbxx drop column zhaopgs"),
                     QStringLiteral("update sys_sjkbb set banb = 2")});
    const store::BackupResult fromVersion2 =
        store::restoreDatabase(target.settings(), version2, true);
    ASSERT_TRUE(fromVersion2.ok()) << fromVersion2.detail.toStdString();
    const auto withPhotos = target.connect(QStringLiteral("version2"));
    ASSERT_TRUE(withPhotos);
    EXPECT_EQ(store::schemaVersion(withPhotos->db()), store::kSchemaVersion);
    EXPECT_FALSE(store::firstMissingColumn(withPhotos->db()));
    EXPECT_EQ(store::sqliteSchemaDifference(withPhotos->db()), QString());
}

// PostgreSQL: an archive from before the version was kept is restored and
// brought up to date.
TEST(PostgresBackupTest, RestoreOfAnOlderVersionRecordsTheCurrentOne)
{
    test::TestDatabase source{store::Driver::Postgres};
    test::TestDatabase target{store::Driver::Postgres};
    HRA_REQUIRE_BACKEND(source);
    QTemporaryDir files;
    const QString file = files.filePath(QStringLiteral("b.dump"));
    {
        const auto conn = source.connectInitialised(QStringLiteral("source"));
        ASSERT_TRUE(conn);
        EXPECT_EQ(store::schemaVersion(conn->db()), store::kSchemaVersion);
        store::execute(conn->db(), QStringLiteral("drop table sys_sjkbb"));
        store::execute(conn->db(), QStringLiteral("drop table sys_czrz"));
        EXPECT_EQ(store::schemaVersion(conn->db()), 1);
    }
    ASSERT_TRUE(store::backupDatabase(source.settings(), file).ok());
    const store::BackupResult r = store::restoreDatabase(target.settings(), file, true);
    ASSERT_TRUE(r.ok()) << r.detail.toStdString();
    const auto restored = target.connect(QStringLiteral("restored"));
    ASSERT_TRUE(restored);
    EXPECT_EQ(store::schemaVersion(restored->db()), store::kSchemaVersion);
    EXPECT_EQ(
        store::scalar(restored->db(), QStringLiteral("select count(*) from sys_sjkbb")).toInt(), 1);
    EXPECT_EQ(store::firstMissingTable(restored->db()), QString()); // the log was made
}

// A database still open in another program, in write-ahead-log mode: what
// it committed is in its log, not yet in the file. The restore reads it
// through SQLite and gets it.
TEST(SqliteBackupTest, RestoreFromAFileInUseIncludesItsLog)
{
    test::TestDatabase source{store::Driver::Sqlite};
    test::TestDatabase target{store::Driver::Sqlite};
    const auto live = source.connectInitialised(QStringLiteral("live"));
    ASSERT_TRUE(live);
    store::execute(live->db(), QStringLiteral("pragma wal_checkpoint(truncate)"));
    mark(*live, QStringLiteral("only in the log"));
    ASSERT_TRUE(QFileInfo(source.settings().databaseFile + QStringLiteral("-wal")).size() > 0);

    const store::BackupResult r =
        store::restoreDatabase(target.settings(), source.settings().databaseFile, true);
    ASSERT_TRUE(r.ok()) << r.detail.toStdString();
    EXPECT_EQ(markerOf(target.settings()), "only in the log");
    EXPECT_EQ(store::scalar(live->db(), QStringLiteral("select v from marker")).toString(),
              "only in the log");
}

// backup --out never replaces the database itself (through a link neither)
// nor anything that is no regular file; the database stays usable.
TEST(SqliteBackupTest, BackupRefusesTheDatabaseAndFilesNotItsOwn)
{
    test::TestDatabase source{store::Driver::Sqlite};
    QTemporaryDir files;
    {
        const auto conn = source.connectInitialised(QStringLiteral("source"));
        ASSERT_TRUE(conn);
        mark(*conn, QStringLiteral("live"));
    }
    const QString database = source.settings().databaseFile;
    const QString symbolic = files.filePath(QStringLiteral("symbolic.sqlite3"));
    const QString hard = files.filePath(QStringLiteral("hard.sqlite3"));
    const QString pipe = files.filePath(QStringLiteral("pipe"));
    const QString folder = files.filePath(QStringLiteral("folder"));
    ASSERT_TRUE(QFile::link(database, symbolic));
    ASSERT_EQ(::link(QFile::encodeName(database).constData(), QFile::encodeName(hard).constData()),
              0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkdir(folder));
    const auto database_ = [](const QString& path) {
        return QStringLiteral("%1 is the database in use; choose another file").arg(path);
    };
    const auto notRegular = [](const QString& path) {
        return QStringLiteral("%1 exists and is no regular file; it is not replaced").arg(path);
    };
    const struct
    {
        QString target;
        QString detail;
    } cases[] = {
        {database, database_(database)},
        {database + QStringLiteral("-wal"), database_(database + QStringLiteral("-wal"))},
        {symbolic, database_(symbolic)},
        {hard, database_(hard)},
        {pipe, notRegular(pipe)},
        {folder, notRegular(folder)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        const store::BackupResult r = store::backupDatabase(source.settings(), c.target);
        EXPECT_EQ(r.status, BackupStatus::TargetRefused);
        EXPECT_EQ(r.detail, c.detail);
        EXPECT_EQ(markerOf(source.settings()), "live");
    }
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(pipe).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

// A backup is for its owner alone, whatever the umask, in a folder made
// for it likewise; the copy a killed run left behind goes with the next run.
TEST(SqliteBackupTest, BackupIsPrivateAndCleansUpAfterAKilledRun)
{
    test::TestDatabase source{store::Driver::Sqlite};
    QTemporaryDir files;
    {
        const auto conn = source.connectInitialised(QStringLiteral("source"));
        ASSERT_TRUE(conn);
    }
    const QString out = files.filePath(QStringLiteral("new/b.sqlite3"));
    ASSERT_TRUE(QDir().mkdir(files.filePath(QStringLiteral("new"))));
    // No process has this number (above the kernel's largest).
    const QString abandoned = files.filePath(QStringLiteral("new/.b.sqlite3.hra-99999999-AbCd12"));
    {
        QFile f(abandoned);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("half a copy");
    }
    const mode_t saved = ::umask(0);
    const store::BackupResult r =
        store::backupDatabase(source.settings(), files.filePath(QStringLiteral("made/b.sqlite3")));
    const store::BackupResult second = store::backupDatabase(source.settings(), out);
    ::umask(saved);
    ASSERT_TRUE(r.ok()) << r.detail.toStdString();
    ASSERT_TRUE(second.ok()) << second.detail.toStdString();
    EXPECT_EQ(QFileInfo(files.filePath(QStringLiteral("made/b.sqlite3"))).permissions(),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser);
    EXPECT_EQ(QFileInfo(files.filePath(QStringLiteral("made"))).permissions(),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                  QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    EXPECT_EQ(QDir(files.filePath(QStringLiteral("new"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("b.sqlite3")});
}

// A backup that finds the disk full says so, naming the file, and leaves
// no part of a copy behind.
TEST(SqliteBackupTest, AFullDiskIsNamedAndLeavesNoCopy)
{
    test::TestDatabase source{store::Driver::Sqlite};
    {
        const auto conn = source.connectInitialised(QStringLiteral("source"));
        ASSERT_TRUE(conn);
    }
    test::SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "no permission to mount a small file system here";
    const QString out = disk.path(QStringLiteral("b.sqlite3"));
    const store::BackupResult r = store::backupDatabase(source.settings(), out);
    EXPECT_EQ(r.status, BackupStatus::DiskFull);
    EXPECT_EQ(r.detail, QStringLiteral("not enough disk space to write ") + out);
    EXPECT_EQ(disk.files(), QStringList());
}

// PostgreSQL: an archive holding what runs (a trigger and its function) is
// refused; the current database keeps its data.
TEST(PostgresBackupTest, RestoreRefusesAnArchiveWithATrigger)
{
    test::TestDatabase source{store::Driver::Postgres};
    test::TestDatabase target{store::Driver::Postgres};
    HRA_REQUIRE_BACKEND(source);
    QTemporaryDir files;
    const QString file = files.filePath(QStringLiteral("b.dump"));
    {
        const auto conn = source.connectInitialised(QStringLiteral("source"));
        ASSERT_TRUE(conn);
        store::execute(conn->db(),
                       QStringLiteral("create function wipe() returns trigger language plpgsql as "
                                      "$$ begin delete from jkpg_jbxx; return new; end $$"));
        store::execute(conn->db(), QStringLiteral("create trigger wipe after insert on jkpg_id "
                                                  "for each row execute function wipe()"));
    }
    const store::BackupResult backup = store::backupDatabase(source.settings(), file);
    ASSERT_TRUE(backup.ok()) << backup.detail.toStdString();
    {
        const auto conn = target.connectInitialised(QStringLiteral("target"));
        ASSERT_TRUE(conn);
        mark(*conn, QStringLiteral("current"));
    }
    const store::BackupResult r = store::restoreDatabase(target.settings(), file, true);
    EXPECT_EQ(r.status, BackupStatus::NotABackup);
    EXPECT_TRUE(r.detail.startsWith(
        QStringLiteral("not a backup this program made: it holds FUNCTION public wipe()")))
        << r.detail.toStdString();
    EXPECT_EQ(markerOf(target.settings()), "current");
}

// PostgreSQL: the archive's tables are compared with those the program
// makes, column by column, and its version is read before the database is
// touched; whatever differs is refused, named, and the database keeps its data.
TEST(PostgresBackupTest, RestoreRefusesAnArchiveThatDiffersFromTheProgramsTables)
{
    test::TestDatabase target{store::Driver::Postgres};
    HRA_REQUIRE_BACKEND(target);
    {
        const auto conn = target.connectInitialised(QStringLiteral("target"));
        ASSERT_TRUE(conn);
        mark(*conn, QStringLiteral("current"));
    }
    QTemporaryDir files;
    const QString owner = target.settings().userId;
    const struct
    {
        const char* name;
        QStringList statements;
        QString difference;
    } cases[] = {
        {"wrong type",
         {QStringLiteral("alter table sys_information alter column pinggzx type integer "
                         "using null")},
         QStringLiteral("the column sys_information.pinggzx is integer, not character "
                        "varying(100)")},
        {"missing column",
         {QStringLiteral("alter table jkpg_tgjc drop column tiz")},
         QStringLiteral("the table jkpg_tgjc lacks the column tiz")},
        {"column of its own",
         {QStringLiteral("alter table jkpg_pgzx add column secret text")},
         QStringLiteral("the table jkpg_pgzx has a column secret that is not ours")},
        {"check of its own",
         {QStringLiteral("alter table jkpg_jbxx add constraint nobody check (bianh <> 'x')")},
         QStringLiteral("the constraint nobody on jkpg_jbxx is not part of this program's "
                        "database")},
        {"index of its own",
         {QStringLiteral("create index ix_mine on jkpg_jbxx (xingm, bianh)")},
         QStringLiteral("the index ix_mine on jkpg_jbxx is not part of this program's database")},
        {"view defined otherwise",
         {QStringLiteral("create or replace view v_jkpg_jbxx as select i.bianh, i.jkpg_id, "
                         "i.zhuangt, i.lurrq, j.xingm, j.xingb, j.nianl from jkpg_id i "
                         "join jkpg_jbxx j on j.bianh = i.bianh where j.nianl > 60")},
         QStringLiteral("the view v_jkpg_jbxx is defined otherwise")},
        {"rule",
         {QStringLiteral("create rule wipe as on insert to jkpg_id do also delete from "
                         "jkpg_jbxx")},
         QStringLiteral("it holds RULE public jkpg_id wipe %1").arg(owner)},
        {"table elsewhere",
         {QStringLiteral("create schema elsewhere"),
          QStringLiteral("create table elsewhere.jkpg_jbxx (bianh text)")},
         QStringLiteral("it holds SCHEMA - elsewhere %1").arg(owner)},
        {"newer version",
         {QStringLiteral("update sys_sjkbb set banb = 4")},
         QStringLiteral("it was made by a newer version of the program (schema 4; this one "
                        "knows up to 3)")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TestDatabase source{store::Driver::Postgres};
        {
            const auto conn = source.connectInitialised(QStringLiteral("source"));
            ASSERT_TRUE(conn);
            for (const QString& statement : c.statements)
                store::execute(conn->db(), statement);
        }
        const QString file = files.filePath(QString::fromLatin1(c.name) + QStringLiteral(".dump"));
        const store::BackupResult backup = store::backupDatabase(source.settings(), file);
        ASSERT_TRUE(backup.ok()) << backup.detail.toStdString();
        const store::BackupResult r = store::restoreDatabase(target.settings(), file, true);
        EXPECT_EQ(r.status, BackupStatus::NotABackup);
        EXPECT_EQ(r.detail, QStringLiteral("not a backup this program made: ") + c.difference);
        EXPECT_EQ(markerOf(target.settings()), "current");
    }
}

// PostgreSQL: another workstation keeps a transaction open on a table; the
// restore gives up after its lock timeout, says so, and changes nothing.
TEST(PostgresBackupTest, RestoreGivesUpWhenAnotherSessionHoldsItsLocks)
{
    test::TestDatabase source{store::Driver::Postgres};
    test::TestDatabase target{store::Driver::Postgres};
    HRA_REQUIRE_BACKEND(source);
    QTemporaryDir files;
    const QString file = files.filePath(QStringLiteral("b.dump"));
    {
        const auto conn = source.connectInitialised(QStringLiteral("source"));
        ASSERT_TRUE(conn);
        mark(*conn, QStringLiteral("from the backup"));
    }
    ASSERT_TRUE(store::backupDatabase(source.settings(), file).ok());
    const auto holder = target.connectInitialised(QStringLiteral("holder"));
    ASSERT_TRUE(holder);
    mark(*holder, QStringLiteral("current"));
    ASSERT_TRUE(holder->db().transaction());
    store::scalar(holder->db(), QStringLiteral("select count(*) from jkpg_jbxx"));

    const store::BackupResult r = store::restoreDatabase(target.settings(), file, true, {}, 1000);
    holder->db().rollback();
    EXPECT_EQ(r.status, BackupStatus::TargetInUse);
    EXPECT_EQ(r.detail, QStringLiteral("the database %1 is in use by another workstation and was "
                                       "not replaced; try again when the others have closed the "
                                       "program")
                            .arg(target.settings().databaseName));
    EXPECT_EQ(markerOf(target.settings()), "current");
}
