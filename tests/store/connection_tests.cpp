#include "store/Connection.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hra;

namespace {

store::ConnectionSettings sqliteAt(const QString& file)
{
    store::ConnectionSettings s;
    s.driver = store::Driver::Sqlite;
    s.databaseFile = file;
    return s;
}

} // namespace

// Health data: a database file made by the program, and the folders made for
// it, are readable by their owner only; a command that only reads never
// makes one.
TEST(Connection, NewSqliteFileIsPrivateAndReadingNeverCreatesOne)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a/b/centre.sqlite3"));
    QString error;
    EXPECT_FALSE(store::Connection::open(sqliteAt(file), &error, QStringLiteral("ro"),
                                         store::Connection::Missing::Refuse));
    EXPECT_TRUE(error.contains(file)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("a"))));

    {
        auto conn = store::Connection::open(sqliteAt(file), &error, QStringLiteral("rw"));
        ASSERT_TRUE(conn) << error.toStdString();
        EXPECT_TRUE(conn->isEmpty());
    }
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                        QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFileInfo(file).permissions() & (ownerOnly | others), ownerOnly);
    for (const char* folder : {"a", "a/b"})
        EXPECT_EQ(QFileInfo(dir.filePath(QLatin1String(folder))).permissions() & others, 0)
            << folder;
}
