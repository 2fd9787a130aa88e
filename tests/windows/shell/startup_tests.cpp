#include "domain/Operators.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"
#include "windows/shell/Startup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hra;

namespace {

QString writeIni(const QTemporaryDir& dir, const QString& body)
{
    const QString path = dir.filePath(QStringLiteral("inifile.ini"));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(body.toUtf8());
    return path;
}

} // namespace

TEST(FirstRun, NewSqliteFileIsCreatedSeededOnceAndLetsTheManagerIn)
{
    QTemporaryDir dir;
    const QString ini =
        writeIni(dir, QStringLiteral("[data]\ndriver=sqlite\ndatabase_file=sub/new.sqlite3\n"));

    app::DatabaseOpening first = app::openDatabase(ini);
    ASSERT_TRUE(first.connection) << first.error.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("sub/new.sqlite3"))));
    ASSERT_FALSE(first.newManagerPassword.isEmpty());
    const auto manager = domain::authenticate(first.connection->db(), QStringLiteral("rootadm"),
                                              first.newManagerPassword);
    ASSERT_TRUE(manager.has_value());
    EXPECT_EQ(manager->code, QStringLiteral("rootadm"));
    first.connection.reset();

    // The second start finds the tables and shows no password again.
    const app::DatabaseOpening second = app::openDatabase(ini);
    ASSERT_TRUE(second.connection);
    EXPECT_TRUE(second.newManagerPassword.isEmpty());
    EXPECT_TRUE(domain::authenticate(second.connection->db(), QStringLiteral("rootadm"),
                                     first.newManagerPassword));
}

// A database file named in the configuration that does not exist may be a
// typing mistake: the operator is asked before an empty one is made.
TEST(FirstRun, NamedFileThatDoesNotExistIsCreatedOnlyWhenTheOperatorSaysSo)
{
    QTemporaryDir dir;
    const QString ini =
        writeIni(dir, QStringLiteral("[data]\ndriver=sqlite\ndatabase_file=centre/qmo.sqlite3\n"));
    const QString file = dir.filePath(QStringLiteral("centre/qmo.sqlite3"));
    QStringList asked;
    const app::DatabaseOpening declined = app::openDatabase(ini, [&asked](const QString& f) {
        asked << f;
        return false;
    });
    EXPECT_FALSE(declined.connection);
    EXPECT_EQ(asked, QStringList{file});
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("centre"))));

    const app::DatabaseOpening accepted =
        app::openDatabase(ini, [](const QString&) { return true; });
    ASSERT_TRUE(accepted.connection) << accepted.error.toStdString();
    EXPECT_FALSE(accepted.newManagerPassword.isEmpty());

    // Once it exists nobody is asked again.
    asked.clear();
    const app::DatabaseOpening again = app::openDatabase(ini, [&asked](const QString& f) {
        asked << f;
        return false;
    });
    EXPECT_TRUE(again.connection);
    EXPECT_TRUE(asked.isEmpty());
}

TEST(FirstRun, SqliteFileWithTablesOfAnyKindIsLeftAlone)
{
    QTemporaryDir dir;
    const QString ini =
        writeIni(dir, QStringLiteral("[data]\ndriver=sqlite\ndatabase_file=other.db\n"));
    {
        app::DatabaseOpening opening = app::openDatabase(ini); // creates and seeds
        ASSERT_TRUE(opening.connection);
        store::execute(opening.connection->db(), QStringLiteral("drop table jkpg_jbxx"));
        store::execute(opening.connection->db(), QStringLiteral("create table notes (x integer)"));
    }
    const app::DatabaseOpening again = app::openDatabase(ini);
    ASSERT_TRUE(again.connection);
    EXPECT_TRUE(again.newManagerPassword.isEmpty());
    EXPECT_FALSE(again.connection->tables().contains(QStringLiteral("jkpg_jbxx")));
}

// A database of an older version is refused at the door, naming what it lacks.
TEST(FirstRun, DatabaseLackingADeclaredColumnIsRefusedWithTheUpgradeToRun)
{
    QTemporaryDir dir;
    const QString ini =
        writeIni(dir, QStringLiteral("[data]\ndriver=sqlite\ndatabase_file=old.sqlite3\n"));
    {
        app::DatabaseOpening opening = app::openDatabase(ini);
        ASSERT_TRUE(opening.connection);
        store::execute(opening.connection->db(),
                       QStringLiteral("alter table jkpg_tgjc drop column jiangyy"));
    }
    const app::DatabaseOpening again = app::openDatabase(ini);
    EXPECT_FALSE(again.connection);
    EXPECT_EQ(again.operatorMessage,
              QStringLiteral("数据库缺少数据列 jkpg_tgjc.jiangyy，是旧版本的数据库。\n"
                             "请由管理员运行 hra-cli db upgrade 升级数据库后再使用。"));
}

TEST(FirstRun, UnreachableDatabaseGivesTheDriverText)
{
    QTemporaryDir dir;
    // A folder where the database file should be cannot be opened as a file.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken.sqlite3")));
    const QString ini =
        writeIni(dir, QStringLiteral("[data]\ndriver=sqlite\ndatabase_file=taken.sqlite3\n"));
    const app::DatabaseOpening opening = app::openDatabase(ini);
    EXPECT_FALSE(opening.connection);
    EXPECT_FALSE(opening.error.isEmpty());
}

class FirstRunOnServer : public ::testing::Test
{
protected:
    test::TestDatabase db{store::Driver::Postgres};
};

TEST_F(FirstRunOnServer, EmptyServerDatabaseIsNotSetUpByTheDesktopProgram)
{
    HRA_REQUIRE_BACKEND(db);
    const auto conn = db.connect();
    ASSERT_TRUE(conn);
    EXPECT_FALSE(app::needsFirstRunSetup(*conn));
}

TEST(StartupArguments, IniOptionNamesTheFileElseTheOneBesideTheProgram)
{
    EXPECT_EQ(app::iniPathFromArguments({QStringLiteral("hra"), QStringLiteral("--ini"),
                                         QStringLiteral("/etc/hra/site.ini")}),
              QStringLiteral("/etc/hra/site.ini"));
    EXPECT_EQ(app::iniPathFromArguments({QStringLiteral("hra")}), store::defaultIniPath());
    // "--ini" without a file name falls back as well.
    EXPECT_EQ(app::iniPathFromArguments({QStringLiteral("hra"), QStringLiteral("--ini")}),
              store::defaultIniPath());
}

// --help and --version are answered on the console; the program neither opens
// a window nor creates the database its configuration names.
TEST(ProgramArguments, HelpAndVersionPrintAndExitWithoutADatabase)
{
    QTemporaryDir dir;
    const QString ini =
        writeIni(dir, QStringLiteral("[data]\ndriver=sqlite\ndatabase_file=never.sqlite3\n"));
    const struct
    {
        const char* argument;
        const char* printed;
    } cases[] = {{"--help", "--version"}, {"-h", "--ini"}, {"--version", "V3.0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        QProcess hra;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
        hra.setProcessEnvironment(env);
        hra.start(QStringLiteral(HRA_PROGRAM),
                  {QStringLiteral("--ini"), ini, QString::fromLatin1(c.argument)});
        ASSERT_TRUE(hra.waitForFinished(30000));
        EXPECT_EQ(hra.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(hra.exitCode(), 0);
        EXPECT_TRUE(QString::fromUtf8(hra.readAllStandardOutput()).contains(c.printed));
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("never.sqlite3"))));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                  QStringList{QStringLiteral("inifile.ini")});
    }
}
