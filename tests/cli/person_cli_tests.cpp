#include "sheets/SheetReader.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace hra;

namespace {

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

class PersonCliTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
        const store::ConnectionSettings& s = db.settings();
        QFile ini(dir.filePath(QStringLiteral("inifile.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        QByteArray text = "[data]\ndriver=" + store::driverName(s.driver).toUtf8() + '\n';
        if (s.driver == store::Driver::Sqlite)
            text += "database_file=" + s.databaseFile.toUtf8() + '\n';
        else
            text += "server_name=" + s.serverName.toUtf8() +
                    "\nport=" + QByteArray::number(s.port) + "\nUser ID=" + s.userId.toUtf8() +
                    "\nPassword=" + s.password.toUtf8() +
                    "\ndatabase_name=" + s.databaseName.toUtf8() + '\n';
        ini.write(text);
    }

    CliRun cli(QStringList args) const
    {
        args << QStringLiteral("--ini") << dir.filePath(QStringLiteral("inifile.ini"));
        QProcess p;
        p.start(QStringLiteral(HRA_CLI_PATH), args);
        EXPECT_TRUE(p.waitForFinished(60000)) << args.join(u' ').toStdString();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
    }

    QString writeFile(const QString& name, const QByteArray& content) const
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return f.fileName();
    }

    int count(const QString& table) const
    {
        return store::scalar(conn->db(), QStringLiteral("select count(*) from %1").arg(table))
            .toInt();
    }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
    QTemporaryDir dir;
};

QJsonObject object(const CliRun& run)
{
    return QJsonDocument::fromJson(run.out).object();
}

} // namespace

// Add, show, renumber and delete with the windows' rules and messages.
TEST_P(PersonCliTest, AddShowRenumberDelete)
{
    const CliRun first = cli({"person", "add", "--name", "张三", "--sex", "男", "--age", "45",
                              "--unit", "第一中学", "--id-card", "110101197901010038"});
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(object(first), (QJsonObject{{"record", "0000000001"}}));
    const CliRun second =
        cli({"person", "add", "--name", "李四", "--sex", "女", "--age", "38", "--record", "0042"});
    ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_EQ(object(second), (QJsonObject{{"record", "0042"}}));

    // Refusals: exit status 1, the window's message, nothing stored.
    const std::vector<std::pair<QStringList, QString>> refused{
        {{"--name", "王五", "--sex", "男", "--age", "50", "--record", "0042"},
         "error: 保存不成功,编号重复或非法!\n"},
        {{"--sex", "男", "--age", "50"}, "error: 姓名不能为空!\n"},
        {{"--name", "王五", "--sex", "男性", "--age", "50"}, "error: 性别只能是“男”或“女”\n"},
        {{"--name", "王五", "--sex", "男", "--age", "200"},
         "error: 年龄“200”必须是0到150之间的整数\n"},
        {{"--name", "王五", "--sex", "男"}, "error: 年龄不能为空!\n"},
    };
    for (const auto& [args, message] : refused) {
        const CliRun run = cli(QStringList{"person", "add"} + args);
        EXPECT_EQ(run.exitCode, 1) << args.join(u' ').toStdString();
        EXPECT_EQ(run.err, message);
    }
    EXPECT_EQ(count("jkpg_jbxx"), 2);

    const CliRun shown = cli({"person", "show", "--record", "0000000001"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    const QJsonObject person = object(shown);
    EXPECT_EQ(person.value("xingm"), "张三");
    EXPECT_EQ(person.value("zunc"), "先生");
    EXPECT_EQ(person.value("nianl"), 45);
    EXPECT_EQ(person.value("gongzdw"), "第一中学");
    EXPECT_EQ(person.value("shenfzh"), "110101197901010038");
    EXPECT_TRUE(person.value("lurrq").isString());
    EXPECT_EQ(person.value("assessments"), QJsonArray());
    EXPECT_EQ(cli({"person", "show", "--record", "9"}).err, "error: 没有编号为“9”的档案!\n");

    EXPECT_EQ(cli({"person", "renumber", "--record", "0042", "--to", "0000000001"}).err,
              "error: 编号“0000000001”已是“张三”的档案编号,请换一个编号!\n");
    EXPECT_EQ(cli({"person", "renumber", "--record", "0042", "--to", "0042"}).err,
              "error: 新编号与原编号相同!\n");
    store::run(conn->db(),
               "insert into jkpg_id (jkpg_id, bianh, zhuangt) values (5, '0042', '评估')");
    store::run(conn->db(), "insert into jkpg_tgjc (jkpg_id, bianh) values (5, '0042')");
    const CliRun renumbered = cli({"person", "renumber", "--record", "0042", "--to", "0043"});
    ASSERT_EQ(renumbered.exitCode, 0) << renumbered.err.toStdString();
    EXPECT_EQ(object(renumbered), (QJsonObject{{"record", "0043"}, {"was", "0042"}}));
    EXPECT_EQ(store::scalar(conn->db(), "select bianh from jkpg_tgjc where jkpg_id = 5"), "0043");

    // A person's assessments are not left behind without a word.
    const CliRun kept = cli({"person", "delete", "--record", "0043"});
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_EQ(kept.err, "error: 编号为“0043”的档案有1次评估,未删除;"
                        "连同评估一起删除请加 --with-assessments\n");
    EXPECT_EQ(count("jkpg_jbxx"), 2);
    const CliRun deleted = cli({"person", "delete", "--record", "0043", "--with-assessments"});
    ASSERT_EQ(deleted.exitCode, 0) << deleted.err.toStdString();
    EXPECT_EQ(object(deleted), (QJsonObject{{"record", "0043"}, {"assessments_deleted", 1}}));
    EXPECT_EQ(count("jkpg_jbxx"), 1);
    EXPECT_EQ(count("jkpg_id"), 0);
    EXPECT_EQ(count("jkpg_tgjc"), 0);
}

// A GB18030 file as a spreadsheet program on a Chinese system saves it:
// a dry run first, then the import, then the same file again.
TEST_P(PersonCliTest, ImportsAGb18030FileTwice)
{
    const QString text = QStringLiteral(
        "姓名,性别,年龄,身份证号,身高,体重,腰围,收缩压,舒张压,总胆固醇,甘油三酯,空腹血糖,糖耐量\r\n"
        "赵一,男,45,110101197901010038,1.72,70.5,88,135,85,5.2,1.4,5.6,7.1\r\n"
        "钱二,女,38,11010119860202002X,1.6,55,72,118,76,4.6,1.1,4.9,6.3\r\n");
    QStringEncoder gb18030("GB18030");
    ASSERT_TRUE(gb18030.isValid());
    const QString file = writeFile("group.csv", gb18030.encode(text));

    const CliRun dry = cli({"person", "import", "--file", file, "--dry-run"});
    ASSERT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    const QJsonObject summary = object(dry);
    EXPECT_EQ(summary.value("rows"), 2);
    EXPECT_EQ(summary.value("new_persons"), 2);
    EXPECT_EQ(count("jkpg_jbxx"), 0);

    const CliRun first = cli({"person", "import", "--file", file});
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(
        QJsonDocument::fromJson(first.out).array(),
        (QJsonArray{
            QJsonObject{
                {"row", 2}, {"record", "0000000001"}, {"assessment", 1}, {"new_person", true}},
            QJsonObject{
                {"row", 3}, {"record", "0000000002"}, {"assessment", 2}, {"new_person", true}}}));
    EXPECT_EQ(store::scalar(conn->db(), "select xingm from jkpg_jbxx where bianh = '0000000002'"),
              "钱二");

    const CliRun again = cli({"person", "import", "--file", file});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(again.out).array().at(1).toObject(),
              (QJsonObject{
                  {"row", 3}, {"record", "0000000002"}, {"assessment", 4}, {"new_person", false}}));
    EXPECT_EQ(again.err, "note: 2人已有评估,本次为其增加了新的评估\n");
    EXPECT_EQ(count("jkpg_jbxx"), 2);
    EXPECT_EQ(count("jkpg_id"), 4);
}

// A laboratory system's own headers through --map; a bad map file is named
// by its rows and nothing is read further.
TEST_P(PersonCliTest, ImportsThroughAHeaderMap)
{
    const QString file = writeFile("lab.csv", "Name,Sex,Age,H,W,WC,SBP,DBP,TC,TG,GLU,OGTT\n"
                                              "赵一,男,45,1.72,70.5,88,135,85,5.2,1.4,5.6,7.1\n");
    const QString badMap = writeFile("bad-map.csv", "Name,姓名\nSex,性别,多余\nAge,岁数\n");
    const CliRun refused = cli({"person", "import", "--file", file, "--map", badMap});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "error: 映射文件第2行: 应有两项: 对方的表头, 本系统的名称或列名\n"
                           "error: 映射文件第3行: 无法识别的表头“岁数”\n");

    const CliRun unmapped = cli({"person", "import", "--file", file});
    EXPECT_EQ(unmapped.exitCode, 1);
    EXPECT_TRUE(unmapped.err.startsWith("error: 表头: 无法识别的表头“Name”\n"))
        << unmapped.err.toStdString();

    const QString map = writeFile("map.csv", "Name,姓名\nSex,xingb\nAge,年龄\nH,身高\nW,体重\n"
                                             "WC,腰围\nGLU,空腹血糖\n");
    const CliRun stored = cli({"person", "import", "--file", file, "--map", map});
    ASSERT_EQ(stored.exitCode, 0) << stored.err.toStdString();
    EXPECT_EQ(store::select(conn->db(), "select xingm, xingb, nianl from jkpg_jbxx").rows,
              (QList<QVariantList>{{"赵一", "男", 45.0}}));
    EXPECT_EQ(store::select(conn->db(), "select sheng, yaow, kongfxt from jkpg_tgjc").rows,
              (QList<QVariantList>{{1.72, 88.0, 5.6}}));
}

// The XLSX fixture's first sheet; a bad last row stores nothing of the file.
TEST_P(PersonCliTest, ImportsXlsxAllOrNothing)
{
    const CliRun run = cli({"person", "import", "--file", HRA_SHEETS_DATA "/group.xlsx"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(run.out).array().size(), 2);
    const store::Rows stored = store::select(
        conn->db(), "select p.shenfzh, p.gongzdw, t.sheng, t.tiz from jkpg_jbxx p join jkpg_tgjc t "
                    "on t.bianh = p.bianh order by p.bianh");
    ASSERT_EQ(stored.rows.size(), 2);
    EXPECT_EQ(stored.rows.at(0), (QVariantList{"110101197901010038", "第一中学", 1.72, 70.5}));
    EXPECT_EQ(stored.rows.at(1).at(0), "11010119860202002X");

    const QString bad = writeFile(
        "bad.csv", "姓名,性别,年龄,身高,体重,腰围,收缩压,舒张压,总胆固醇,甘油三酯,空腹血糖,糖耐量\n"
                   "孙三,男,61,1.7,65,80,130,80,4.5,1.2,5.1,6.4\n"
                   "周七,女,30,1.6,50,70,120,80,4.5,1.2,5.1,\n");
    const CliRun refused = cli({"person", "import", "--file", bad});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "error: 第3行 糖耐量: 糖耐量为必填项,带*号的为必填项!\n"
                           "文件中的数据均未保存\n");
    EXPECT_EQ(count("jkpg_jbxx"), 2);
    EXPECT_EQ(count("jkpg_id"), 2);
}

// The example of the README imports on the demo database.
TEST_P(PersonCliTest, ExampleGroupFileImports)
{
    const CliRun demo = cli({"db", "init", "--demo", "--force"});
    ASSERT_EQ(demo.exitCode, 0) << demo.err.toStdString();
    const CliRun run =
        cli({"person", "import", "--file", HRA_SOURCE_DIR "/docs/examples/group.csv"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(run.out).array();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows.at(0).toObject().value("record"), "0000000003");
    EXPECT_EQ(rows.at(0).toObject().value("new_person"), false);
    EXPECT_EQ(rows.at(1).toObject().value("record"), "0000000005");
    EXPECT_EQ(rows.at(2).toObject().value("new_person"), true);
    const int assessment = rows.at(0).toObject().value("assessment").toInt();
    EXPECT_EQ(store::scalar(
                  conn->db(),
                  QStringLiteral("select gaoxy from jkpg_mqzk where jkpg_id = %1").arg(assessment)),
              "高血压");
    EXPECT_EQ(store::scalar(
                  conn->db(),
                  QStringLiteral("select shousy from jkpg_tgjc where jkpg_id = %1").arg(assessment))
                  .toInt(),
              138);
}

// "person list --xlsx" writes every person, or those of one unit, in
// record-number order with the list's captions; the database's own file is
// refused and a bad command line says how to call it.
TEST_P(PersonCliTest, ListWritesThePersonsToABook)
{
    for (const QStringList& person :
         {QStringList{"--name", "张三", "--sex", "男", "--age", "45", "--unit", "第一中学",
                      "--id-card", "110101197901010038"},
          QStringList{"--name", "李四", "--sex", "女", "--age", "38", "--unit", "第二中学"},
          QStringList{"--name", "王五", "--sex", "男", "--age", "50", "--unit", "第一中学"}})
        ASSERT_EQ(cli(QStringList{"person", "add"} + person).exitCode, 0);
    const QString book = dir.filePath(QStringLiteral("名单.xlsx"));
    struct Case
    {
        QStringList unit;
        QList<QStringList> rows; // the first five columns and the unit
    };
    const std::vector<Case> cases{
        {{},
         {{"编号", "姓名", "性别", "身份证号", "年龄", "工作单位"},
          {"0000000001", "张三", "男", "110101197901010038", "45", "第一中学"},
          {"0000000002", "李四", "女", "", "38", "第二中学"},
          {"0000000003", "王五", "男", "", "50", "第一中学"}}},
        {{"--unit", "第一中学"},
         {{"编号", "姓名", "性别", "身份证号", "年龄", "工作单位"},
          {"0000000001", "张三", "男", "110101197901010038", "45", "第一中学"},
          {"0000000003", "王五", "男", "", "50", "第一中学"}}},
        {{"--unit", "第三中学"}, {{"编号", "姓名", "性别", "身份证号", "年龄", "工作单位"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unit.join(' ').toStdString());
        const CliRun run = cli(QStringList{"person", "list", "--xlsx", book} + c.unit);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(object(run),
                  (QJsonObject{{"file", book}, {"rows", qsizetype(c.rows.size() - 1)}}));
        QList<QStringList> rows;
        for (const sheets::Row& r : sheets::readSheet(book).rows)
            rows << (QStringList(r.cells.mid(0, 5)) << r.cells.value(9));
        EXPECT_EQ(rows, c.rows);
    }

    const CliRun usage = cli({"person", "list", "--unit", "第一中学"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_EQ(usage.err, "usage: hra-cli person list --xlsx OUT [--unit U] [--ini FILE]\n");
    if (GetParam() == store::Driver::Sqlite) {
        const QString file = db.settings().databaseFile;
        const CliRun refused = cli({"person", "list", "--xlsx", file});
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_EQ(refused.err, "error: " + file + " is the database in use; choose another file\n");
        EXPECT_EQ(count("jkpg_jbxx"), 3);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, PersonCliTest, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });
