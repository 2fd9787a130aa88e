// hra-cli query, operator and report, run as a program on a demo database.
#include "domain/Operators.h"
#include "sheets/SheetReader.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
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

// With --xlsx the same rows as the JSON go to a book, under the grid's
// captions; the database's own file is refused and left as it was.
TEST_F(CliTest, QueryWritesTheSameRowsToABook)
{
    const QStringList criteria{"query", "--sex", "男"};
    const Outcome json = run(criteria);
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    QList<QStringList> expected{{"编号", "姓名", "性别", "状态", "评估日期", "年龄"}};
    for (const QJsonValue& v : QJsonDocument::fromJson(json.out).array()) {
        const QJsonObject o = v.toObject();
        expected << QStringList{
            o.value("bianh").toString(), o.value("xingm").toString(),
            o.value("xingb").toString(), o.value("zhuangt").toString(),
            o.value("lurrq").toString(), QString::number(o.value("nianl").toInt())};
    }
    ASSERT_GT(expected.size(), 2);
    const QString book = dir.filePath(QStringLiteral("查询.xlsx"));
    const Outcome written = run(QStringList(criteria) << "--xlsx" << book);
    ASSERT_EQ(written.status, 0) << written.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(written.out).object(),
              (QJsonObject{{"file", book}, {"rows", qsizetype(expected.size() - 1)}}));
    QList<QStringList> rows;
    for (const sheets::Row& r : sheets::readSheet(book).rows)
        rows << r.cells;
    EXPECT_EQ(rows, expected);

    const QString database = dir.filePath(QStringLiteral("demo.sqlite3"));
    QFile before(database);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();
    const Outcome refused = run(QStringList(criteria) << "--xlsx" << database);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "error: " + database + " is the database in use; choose another file\n");
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    EXPECT_EQ(before.readAll(), bytes);

    const Outcome usage = run({"query", "--xlsx"});
    EXPECT_EQ(usage.status, 2);
}

TEST_F(CliTest, QueryPrintsTheFoundAssessmentsNewestFirst)
{
    const Outcome r = run({"query", "--name", "张建国", "--age-from", "0", "--age-to", "150"});
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
    EXPECT_TRUE(domain::authenticate(db(), QStringLiteral("op7"), QStringLiteral("pw7")));
    EXPECT_TRUE(domain::authenticate(db(), QStringLiteral("rootadm"), QStringLiteral("fresh pw")));
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
    EXPECT_TRUE(manager.err.contains(domain::kRefuseDeleteManager));
    ASSERT_EQ(run({"operator", "add", "--code", "op7", "--name", "王"}, "pw\n").status, 0);
    EXPECT_EQ(run({"operator", "delete", "--code", "op7"}).status, 0);
    EXPECT_EQ(run({"operator", "delete", "--code", "op7"}).status, 1);
}

} // namespace

TEST_F(CliTest, ReportWritesTheSectionAndCleansUpItsSession)
{
    const struct
    {
        QStringList args;
        int pages;
    } cases[] = {
        {{"--record", "0000000001", "--assessment", "1"}, 24},
        {{"--record", "0000000001"}, 24}, // the latest assessment
        {{"--record", "0000000002", "--section", "高血压"}, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        QFile::remove(pdf);
        const Outcome r = run(QStringList{"report", "--pdf", pdf} + c.args);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, QByteArray::number(c.pages) + " pages written to " + pdf.toUtf8() + '\n');
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.read(5) == "%PDF-");
        // The session's work rows went with it.
        QSqlQuery sessions(QStringLiteral("select count(*) from jkpg_fxhh"), db());
        ASSERT_TRUE(sessions.next());
        EXPECT_EQ(sessions.value(0).toInt(), 0);
    }
}

TEST_F(CliTest, ReportOfAnUnknownRecordOrAssessmentWritesNoFile)
{
    const QString pdf = dir.filePath(QStringLiteral("none.pdf"));
    for (const QStringList& args : {QStringList{"--record", "9999999999"},
                                    QStringList{"--record", "0000000001", "--assessment", "99"}}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const Outcome r = run(QStringList{"report", "--pdf", pdf} + args);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("error: "))) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(pdf));
        EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("none.pdf*")}).isEmpty());
        // Nothing of the failed session stays behind either.
        for (const char* table : {"jkpg_fxhh", "jkpg_gxb", "jkpg_tgjc_pd"}) {
            QSqlQuery rows(QStringLiteral("select count(*) from %1").arg(QLatin1String(table)),
                           db());
            ASSERT_TRUE(rows.next()) << table;
            EXPECT_EQ(rows.value(0).toInt(), 0) << table;
        }
    }
}

TEST_F(CliTest, ReportWithoutItsTemplatesFailsAndWritesNoFile)
{
    // The program alone, without the report templates beside it: an empty
    // PDF must not pass for the report.
    QTemporaryDir alone;
    const QString program = alone.filePath(QStringLiteral("hra-cli"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(HRA_CLI), program));
    const QString pdf = dir.filePath(QStringLiteral("none.pdf"));
    QProcess p;
    p.start(program, {"report", "--record", "0000000001", "--pdf", pdf, "--ini", ini});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("error: the report template"));
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(CliTest, CentreSetChangesOnlyWhatIsGivenAndTheRiskFollowsIt)
{
    const auto risk = [this] {
        const Outcome a = run({"analyse", "--record", "0000000001", "--assessment", "5"});
        EXPECT_EQ(a.status, 0) << a.err.toStdString();
        return QJsonDocument::fromJson(a.out)
            .object()
            .value(QStringLiteral("frxDB_chinapar"))
            .toArray()
            .at(0)
            .toObject();
    };
    EXPECT_EQ(risk().value(QStringLiteral("dengj")).toString(), QStringLiteral("无法评估"));

    Outcome r = run({"centre", "set", "--region", "北方", "--area", "城市"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject centre = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(centre.value(QStringLiteral("name")).toString(),
              QStringLiteral("示例健康管理评估中心"));
    EXPECT_EQ(centre.value(QStringLiteral("region")).toString(), QStringLiteral("北方"));
    EXPECT_EQ(risk().value(QStringLiteral("fengx")).toDouble(), 8.3);

    r = run({"centre", "set", "--area", "郊区"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("郊区"))) << r.err.toStdString();
    r = run({"centre", "show"});
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object().value(QStringLiteral("area")).toString(),
              QStringLiteral("城市"));
}

namespace {

QList<QJsonObject> jsonLines(const QByteArray& out)
{
    QList<QJsonObject> rows;
    for (const QByteArray& line : out.split('\n'))
        if (!line.isEmpty())
            rows << QJsonDocument::fromJson(line).object();
    return rows;
}

} // namespace

TEST_F(CliTest, TheLogFindsWhatEachCommandDid)
{
    const QString shown = dir.filePath(QStringLiteral("shown.json"));
    const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
    const QString saved = dir.filePath(QStringLiteral("saved.sqlite3"));
    const struct
    {
        QStringList args;
        QByteArray input;
        const char* action;
        const char* record; // nullptr: none
        int assessment;     // 0: none
        QString detail;
    } cases[] = {
        {{"query", "--name", "张建国"}, {}, "search", nullptr, 0, "姓名含 张建国"},
        {{"assessment", "show", "--record", "0000000001", "--assessment", "5"},
         {},
         "view",
         "0000000001",
         5,
         "assessment show"},
        {{"analyse", "--record", "0000000001", "--assessment", "5"},
         {},
         "analyse",
         "0000000001",
         5,
         ""},
        {{"report", "--record", "0000000002", "--section", "高血压", "--pdf", pdf},
         {},
         "export_pdf",
         "0000000002",
         2,
         "高血压 → r.pdf"}, // the latest assessment
        {{"assessment", "import", "--file", shown}, {}, "import", "0000000001", 5, "shown.json"},
        {{"operator", "add", "--code", "op7", "--name", "王"},
         "pw7\n",
         "operator",
         nullptr,
         0,
         "增加用户 op7"},
        {{"backup", "--out", saved}, {}, "backup", nullptr, 0, "saved.sqlite3"},
        {{"restore", "--from", saved, "--force"}, {}, "restore", nullptr, 0, "saved.sqlite3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Outcome r = run(c.args, c.input);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        if (c.args.value(1) == QLatin1String("show")) {
            QFile file(shown);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(r.out);
        }
        const Outcome log = run({"audit", "--limit", "1"});
        ASSERT_EQ(log.status, 0) << log.err.toStdString();
        const QList<QJsonObject> rows = jsonLines(log.out);
        ASSERT_EQ(rows.size(), 1);
        const QJsonObject& e = rows.front();
        EXPECT_EQ(e.value("action").toString(), QLatin1String(c.action));
        EXPECT_EQ(e.value("record").toString(), c.record ? QString::fromUtf8(c.record) : QString());
        EXPECT_EQ(e.value("assessment").toInt(), c.assessment);
        EXPECT_EQ(e.value("detail").toString(), c.detail);
        EXPECT_EQ(e.value("program").toString(), QStringLiteral("hra-cli"));
        EXPECT_FALSE(e.value("operator").toString().isEmpty()); // the system user
    }
    // The restored database kept what was logged before the backup.
    const Outcome person = run({"audit", "--record", "0000000001"});
    QStringList actions;
    for (const QJsonObject& e : jsonLines(person.out))
        actions << e.value("action").toString();
    EXPECT_EQ(actions.join(u' '), QStringLiteral("import analyse view"));
    const Outcome bad = run({"audit", "--action", "wipe"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("unknown action \"wipe\"")));
}

TEST_F(CliTest, EightProcessesWritingAtOnceLoseNoEntry)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < 8; ++i) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(HRA_CLI),
                 {"assessment", "show", "--record", "0000000001", "--assessment",
                  QString::number(i % 2 ? 1 : 5), "--ini", ini});
        processes.push_back(std::move(p));
    }
    for (auto& p : processes) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    const Outcome log = run({"audit", "--action", "view"});
    ASSERT_EQ(log.status, 0);
    EXPECT_EQ(jsonLines(log.out).size(), 8);
}

TEST_F(CliTest, OperatorRefusesEmptyPasswordsAndEndlessLines)
{
    const Outcome empty = run({"operator", "passwd", "--code", "rootadm"}, "\n");
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, QStringLiteral("error: 密码不能为空！\n"));
    const Outcome endless =
        run({"operator", "add", "--code", "op8", "--name", "x"}, QByteArray(8 << 20, 'p') + '\n');
    EXPECT_EQ(endless.status, 1);
    EXPECT_EQ(endless.err, QStringLiteral("error: 密码不能超过128个字符！\n"));
    const Outcome control =
        run({"operator", "add", "--code", QStringLiteral("a\x1b"), "--name", "x"}, "pw\n");
    EXPECT_EQ(control.status, 1);
    EXPECT_EQ(control.err, QStringLiteral("error: 用户代码不能含有控制字符！\n"));
    EXPECT_TRUE(domain::authenticate(db(), QStringLiteral("rootadm"), QStringLiteral("demo1234")));
}
