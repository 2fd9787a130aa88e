#include "store/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hra::store;

namespace {

QString writeIni(const QTemporaryDir& dir, const QByteArray& text)
{
    const QString path = dir.filePath(QStringLiteral("inifile.ini"));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return path;
}

} // namespace

TEST(ConnectionString, MissingFileGivesTheDefaults)
{
    const LoadedSettings loaded = loadSettings(QStringLiteral("/nonexistent/inifile.ini"));
    EXPECT_FALSE(loaded.warning.isEmpty());
    EXPECT_EQ(loaded.settings.driver, Driver::Mssql);
    EXPECT_EQ(connectionString(loaded.settings).toStdString(),
              "Provider=SQLOLEDB.1;Password=;Persist Security Info=False;User ID=sa;"
              "Initial Catalog=qmo_jkpg;Data Source=server;Use Procedure for Prepare=1;"
              "Auto Translate=True;Packet Size=4096;Workstation ID=server;"
              "Use Encryption for Data=False;Tag with column collation when possible=False ");
}

TEST(ConnectionString, FileValuesReplaceDefaultsKeyByKey)
{
    QTemporaryDir dir;
    const QString path = writeIni(dir, "[other]\nserver_name=wrong\n"
                                       "[data]\n; comment\nPassword = p;w,d \nserver_name=db01\n"
                                       "user id=hra\n");
    const LoadedSettings loaded = loadSettings(path);
    EXPECT_TRUE(loaded.warning.isEmpty());
    EXPECT_EQ(connectionString(loaded.settings).toStdString(),
              "Provider=SQLOLEDB.1;Password=p;w,d;Persist Security Info=False;User ID=hra;"
              "Initial Catalog=qmo_jkpg;Data Source=db01;Use Procedure for Prepare=1;"
              "Auto Translate=True;Packet Size=4096;Workstation ID=db01;"
              "Use Encryption for Data=False;Tag with column collation when possible=False ");
}

TEST(Settings, BackendKeys)
{
    QTemporaryDir dir;
    struct Case
    {
        QByteArray text;
        Driver driver;
        QString file; // relative to the ini folder, or absolute
        int port;
        QString unknownDriver = {};
        QString badPort = {};
    };
    const Case cases[] = {
        {"[data]\ndriver=sqlite\ndatabase_file=data/x.sqlite3\n", Driver::Sqlite, "data/x.sqlite3",
         0},
        {"[data]\ndriver=sqlite\ndatabase_file=/var/db/y.sqlite3\n", Driver::Sqlite,
         "/var/db/y.sqlite3", 0},
        {"[data]\ndriver=postgres\nport=5433\n", Driver::Postgres, {}, 5433},
        {"[data]\ndriver=mssql\n", Driver::Mssql, {}, 0},
        {"[data]\nserver_name=s\n", Driver::Mssql, {}, 0},
        {"[data]\ndriver= PostgreSQL \n", Driver::Postgres, {}, 0},
        // A misspelt driver keeps the old meaning but is reported.
        {"[data]\ndriver=sqlit\n", Driver::Mssql, {}, 0, "sqlit"},
        // A port that is no port number keeps the usual one but is reported.
        {"[data]\ndriver=postgres\nport=70000\n", Driver::Postgres, {}, 0, {}, "70000"},
        {"[data]\ndriver=postgres\nport=54x\n", Driver::Postgres, {}, 0, {}, "54x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const ConnectionSettings s = loadSettings(writeIni(dir, c.text)).settings;
        const LoadedSettings loaded = loadSettings(writeIni(dir, c.text));
        EXPECT_EQ(s.driver, c.driver);
        EXPECT_EQ(s.port, c.port);
        EXPECT_EQ(loaded.unknownDriver, c.unknownDriver);
        EXPECT_EQ(loaded.unknownDriverMessage().isEmpty(), c.unknownDriver.isEmpty());
        EXPECT_EQ(loaded.badPort, c.badPort);
        if (!c.file.isEmpty()) {
            EXPECT_EQ(s.databaseFile, QDir::isRelativePath(c.file) ? dir.filePath(c.file) : c.file);
        }
    }
}

TEST(Settings, DefaultSqliteFileIsNamedAfterTheCatalog)
{
    QTemporaryDir dir;
    const ConnectionSettings s =
        loadSettings(writeIni(dir, "[data]\ndriver=sqlite\ndatabase_name=centre\n")).settings;
    EXPECT_TRUE(s.databaseFile.endsWith(QStringLiteral("/centre.sqlite3")))
        << s.databaseFile.toStdString();
    EXPECT_FALSE(s.databaseFile.startsWith(dir.path()));
}
