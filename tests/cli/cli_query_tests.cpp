// hra-cli query and operator, run as a program on a demo database.
#include "store/Operators.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hra;

namespace {

struct Outcome
{
    int status = -1;
    QByteArray out;
    QString err;
};

class CliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ini = dir.filePath(QStringLiteral("hra.ini"));
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[data]\ndriver=sqlite\ndatabase_file=demo.sqlite3\n");
        file.close();
        ASSERT_EQ(run({"db", "init", "--demo"}).status, 0);
    }

    Outcome run(QStringList args, const QByteArray& input = {})
    {
        QProcess p;
        p.start(QStringLiteral(HRA_CLI), args << QStringLiteral("--ini") << ini);
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(60000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
    }

    QSqlDatabase db()
    {
        if (!conn) {
            store::ConnectionSettings s;
            s.driver = store::Driver::Sqlite;
            s.databaseFile = dir.filePath(QStringLiteral("demo.sqlite3"));
            conn = store::Connection::open(s, nullptr, QStringLiteral("cli"));
        }
        return conn->db();
    }

    QTemporaryDir dir;
    QString ini;
    std::unique_ptr<store::Connection> conn;
};

TEST_F(CliTest, QueryPrintsTheFoundAssessmentsNewestFirst)
{
    const Outcome r =
        run({"query", "--name", "张建国", "--age-from", "50"}); // one bound: no age condition
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].toObject().value("jkpg_id").toInt(), 5);
    EXPECT_EQ(rows[1].toObject().value("jkpg_id").toInt(), 1);
    const QJsonObject first = rows[0].toObject();
    EXPECT_EQ(first.keys(),
              (QStringList{"bianh", "jkpg_id", "lurrq", "nianl", "xingb", "xingm", "zhuangt"}));
    EXPECT_EQ(first.value("bianh").toString(), QStringLiteral("0000000001"));

    const Outcome bad = run({"query", "--age-from", "2x", "--age-to", "30"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("录入内容不合法!")));
    EXPECT_TRUE(bad.out.isEmpty());
}

TEST_F(CliTest, OperatorPasswordsComeFromStandardInputOnly)
{
    EXPECT_EQ(
        run({"operator", "add", "--code", "op7", "--name", "王", "--password", "x"}, "pw\n").status,
        2);
    EXPECT_EQ(run({"operator", "add", "--code", "op7", "--name", "王"}).status,
              1); // no line to read
    ASSERT_EQ(run({"operator", "add", "--code", "op7", "--name", "王"}, "pw7\n").status, 0);
    EXPECT_EQ(run({"operator", "add", "--code", "op7", "--name", "王"}, "pw7\n").status,
              1); // exists
    ASSERT_EQ(run({"operator", "passwd", "--code", "rootadm"}, "fresh pw\r\n").status, 0);
    EXPECT_TRUE(store::authenticate(db(), QStringLiteral("op7"), QStringLiteral("pw7")));
    EXPECT_TRUE(store::authenticate(db(), QStringLiteral("rootadm"), QStringLiteral("fresh pw")));
    EXPECT_EQ(run({"operator", "passwd", "--code", "nobody"}, "x\n").status, 1);

    const Outcome list = run({"operator", "list"});
    ASSERT_EQ(list.status, 0);
    EXPECT_FALSE(list.out.contains("argon2")); // never a password
    const QJsonArray operators = QJsonDocument::fromJson(list.out).array();
    ASSERT_EQ(operators.size(), 2);
    EXPECT_EQ(operators[1].toObject().value("code").toString(), QStringLiteral("rootadm"));
    EXPECT_TRUE(operators[1].toObject().value("manager").toBool());
}

TEST_F(CliTest, OperatorDeleteKeepsTheManagerAndTheLastOperator)
{
    const Outcome manager = run({"operator", "delete", "--code", "rootadm"});
    EXPECT_EQ(manager.status, 1);
    EXPECT_TRUE(manager.err.contains(store::kRefuseDeleteManager));
    ASSERT_EQ(run({"operator", "add", "--code", "op7", "--name", "王"}, "pw\n").status, 0);
    EXPECT_EQ(run({"operator", "delete", "--code", "op7"}).status, 0);
    EXPECT_EQ(run({"operator", "delete", "--code", "op7"}).status, 1);
}

} // namespace
