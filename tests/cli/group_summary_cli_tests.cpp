// hra-cli report --group-summary on each backend: the unit and the dates
// choose each person's latest assessment, an empty choice still prints its
// pages, and wrong arguments are refused.

#include "sheets/SheetReader.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace hra;

namespace {

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

class GroupSummaryCliTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
        const store::ConnectionSettings& s = db.settings();
        QByteArray text = "[data]\ndriver=" + store::driverName(s.driver).toUtf8() + '\n';
        if (s.driver == store::Driver::Sqlite)
            text += "database_file=" + s.databaseFile.toUtf8() + '\n';
        else
            text += "server_name=" + s.serverName.toUtf8() +
                    "\nport=" + QByteArray::number(s.port) + "\nUser ID=" + s.userId.toUtf8() +
                    "\nPassword=" + s.password.toUtf8() +
                    "\ndatabase_name=" + s.databaseName.toUtf8() + '\n';
        writeFile(QStringLiteral("inifile.ini"), text);
    }

    CliRun cli(QStringList args) const
    {
        args << QStringLiteral("--ini") << dir.filePath(QStringLiteral("inifile.ini"));
        QProcess p;
        // Pages need a runtime folder of the platform's; without one Qt says so on stderr.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        p.setProcessEnvironment(env);
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

    void import(const QByteArray& rows)
    {
        const QByteArray header = "编号,姓名,性别,年龄,工作单位,身高(m),体重(kg),腰围(cm),SBP,DBP,"
                                  "TC,TG,HDL-C,FPG,OGTT\n";
        const CliRun run = cli(
            {"person", "import", "--file", writeFile(QStringLiteral("group.csv"), header + rows)});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
    QTemporaryDir dir;
};

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

TEST_P(GroupSummaryCliTest, TheUnitAndTheDatesChooseEachPersonsLatestAssessment)
{
    import("G01,赵一,男,45,示例公司,1.70,65,80,120,80,4.5,1.2,1.3,5.0,6.0\n"
           "G02,钱二,女,35,示例公司,1.60,50,70,150,95,4.5,1.2,1.3,5.0,6.0\n"
           "G03,孙三,男,25,示例公司,1.75,70,82,118,76,4.5,1.2,1.3,5.0,6.0\n"
           "G04,李四,女,62,示例公司,1.58,55,75,125,82,4.5,1.2,1.3,7.4,9.0\n"
           "G05,周五,男,50,别的公司,1.70,65,80,190,120,4.5,1.2,1.3,5.0,6.0\n");
    // These were entered long ago; 赵一 is assessed again now, at grade 2.
    store::run(conn->db(), QStringLiteral("update jkpg_id set lurrq=:d"),
               {{QStringLiteral("d"), QDateTime(QDate(2020, 3, 10), QTime(9, 0))}});
    import("G01,赵一,男,45,示例公司,1.70,65,80,170,100,4.5,1.2,1.3,5.0,6.0\n");

    const struct
    {
        QStringList dates;
        int persons;
        int followUp; // 赵一 at grade 2 now, 李四's fasting glucose always
        const char* datesText;
    } cases[] = {
        {{}, 4, 2, "全部日期"},
        {{"--to", "2020-12-31"}, 4, 1, "至 2020-12-31"},
        {{"--from", "2020-03-10", "--to", "2020-03-10"}, 4, 1, "2020-03-10 至 2020-03-10"},
        {{"--from", "2021-01-01"}, 1, 1, "2021-01-01 起"},
        {{"--from", "2020-03-11", "--to", "2020-12-31"}, 0, 0, "2020-03-11 至 2020-12-31"},
    };
    for (const auto& c : cases) {
        const QString pdf = dir.filePath(QStringLiteral("tjhz.pdf"));
        const CliRun run = cli(
            QStringList{"report", "--group-summary", "--unit", "示例公司", "--pdf", pdf} + c.dates);
        SCOPED_TRACE(c.dates.join(u' ').toStdString());
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(QJsonDocument::fromJson(run.out).object(),
                  (QJsonObject{{"unit", "示例公司"},
                               {"dates", QString::fromUtf8(c.datesText)},
                               {"persons", c.persons},
                               {"followUp", c.followUp},
                               {"pages", 4},
                               {"pdf", pdf}}))
            << run.out.toStdString();
        ASSERT_TRUE(QFile::exists(pdf));
    }
}

TEST_P(GroupSummaryCliTest, PagesSayWhatWasFoundAndAnEmptyChoiceSaysSo)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils not installed";
    import("G01,赵一,男,45,示例公司,1.70,65,80,170,100,4.5,1.2,1.3,5.0,6.0\n"
           "G02,钱二,女,35,示例公司,1.60,50,70,150,95,4.5,1.2,1.3,5.0,6.0\n"
           "G03,孙三,男,25,示例公司,1.75,70,82,118,76,4.5,1.2,1.3,5.0,6.0\n"
           "G04,李四,女,62,示例公司,1.58,55,75,125,82,4.5,1.2,1.3,7.4,9.0\n");
    const QString pdf = dir.filePath(QStringLiteral("tjhz.pdf"));
    const QString xlsx = dir.filePath(QStringLiteral("tjhz.xlsx"));
    CliRun run =
        cli({"report", "--group-summary", "--unit", "示例公司", "--pdf", pdf, "--xlsx", xlsx});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // Both files are in the operation log, the newest first.
    const CliRun log = cli({"audit", "--limit", "2"});
    ASSERT_EQ(log.exitCode, 0) << log.err.toStdString();
    const QList<QByteArray> entries = log.out.trimmed().split('\n');
    ASSERT_EQ(entries.size(), 2) << log.out.toStdString();
    const QJsonObject book = QJsonDocument::fromJson(entries[0]).object();
    const QJsonObject pages = QJsonDocument::fromJson(entries[1]).object();
    EXPECT_EQ(book.value("action"), "view");
    EXPECT_EQ(book.value("detail"), "团体报告 示例公司 全部日期 → tjhz.xlsx");
    EXPECT_EQ(pages.value("action"), "export_pdf");
    EXPECT_EQ(pages.value("detail"), "团体报告 示例公司 全部日期 → tjhz.pdf");
    // The book holds the same counts as numbers: found, known, percentage per column.
    const sheets::Sheet found = sheets::readSheet(xlsx, {{}, QStringLiteral("患病率")});
    ASSERT_GE(found.rows.size(), 2);
    EXPECT_EQ(found.rows[0].cells.mid(0, 5),
              (QStringList{"类别", "项目", "合计检出人数", "合计受检人数", "合计检出率(%)"}));
    EXPECT_EQ(found.rows[1].cells,
              (QStringList{"血压", "高血压", "2", "4", "50", "1", "2", "50",  "1",
                           "2",    "50",     "0", "1", "0",  "1", "1", "100", "1",
                           "1",    "100",    "0", "0", "",   "0", "1", "0"}));
    const sheets::Sheet followUp = sheets::readSheet(xlsx, {{}, QStringLiteral("重点随访")});
    ASSERT_EQ(followUp.rows.size(), 3);
    EXPECT_EQ(followUp.rows[2].cells,
              (QStringList{"2", "G04", "李四", "女", "62", "空腹血糖7.4mmol/L"}));
    const QString text = pdfText(pdf).simplified();
    for (const char* expected : {
             "高血压 2/4 (50.0%) 1/2 (50.0%) 1/2 (50.0%) 0/1 (0.0%) 1/1 (100.0%) 1/1 (100.0%) "
             "无数据 0/1 (0.0%)",
             "2级高血压 1/4 (25.0%) 1/2 (50.0%) 0/2 (0.0%) 0/1 (0.0%) 0/1 (0.0%) 1/1 (100.0%) "
             "无数据 0/1 (0.0%)",
             "1 G01 赵一 男 45 2级高血压（170/100mmHg）",
             "2 G04 李四 女 62 空腹血糖7.4mmol/L",
         })
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;

    run = cli({"report", "--group-summary", "--unit", "无此单位", "--pdf", pdf});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString empty = pdfText(pdf).simplified();
    EXPECT_TRUE(empty.contains(QStringLiteral("所选单位在所选日期内没有评估记录，无从统计。")));
    EXPECT_TRUE(empty.contains(QStringLiteral("高血压 无数据 无数据 无数据")));
}

TEST_P(GroupSummaryCliTest, WrongArgumentsAreRefused)
{
    const QString pdf = dir.filePath(QStringLiteral("tjhz.pdf"));
    const std::pair<QStringList, QString> refused[] = {
        {{"--pdf", pdf},
         "usage: hra-cli report --group-summary --unit U [--from yyyy-MM-dd] "
         "[--to yyyy-MM-dd] --pdf OUT [--xlsx OUT] [--png DIR] [--ini FILE]\n"},
        {{"--unit", "示例公司", "--pdf", pdf, "--from", "2020-13-01"},
         "error: --from takes a date as yyyy-MM-dd: 2020-13-01\n"},
        {{"--unit", "示例公司", "--pdf", pdf, "--from", "2021-01-01", "--to", "2020-01-01"},
         "error: --from is after --to\n"},
    };
    for (const auto& [args, message] : refused) {
        const CliRun run = cli(QStringList{"report", "--group-summary"} + args);
        EXPECT_NE(run.exitCode, 0) << args.join(u' ').toStdString();
        EXPECT_EQ(run.err, message);
    }
    EXPECT_FALSE(QFile::exists(pdf));
}

INSTANTIATE_TEST_SUITE_P(Backends, GroupSummaryCliTest,
                         ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });
