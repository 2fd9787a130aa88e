#include "domain/Bootstrap.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace hra;

namespace {

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

QJsonObject exampleAssessment(const QString& record)
{
    return {{"record", record},
            {"answers",
             QJsonObject{
                 {"jkpg_mqzk",
                  QJsonObject{{"gaoxy", "高血压"}, {"pilcd", "无疲劳 "}, {"jiazs_gxy", "袓父"}}},
                 {"jkpg_ssyy", QJsonObject{{"meitsc", "≥400克"}, {"meitgr", ">100克"}}},
                 {"jkpg_ydfs", QJsonObject{{"duanlfs", "太极拳,上楼梯"}, {"duanlcs", "5-7次"}}},
                 {"jkpg_shfs", QJsonObject{{"yinjzl_pj", "啤酒"}, {"shuimsj", "＜6小时"}}},
                 {"jkpg_tgjc", QJsonObject{{"sheng", 1.75},
                                           {"tiz", 70},
                                           {"yaow", 80},
                                           {"shousy", "120"},
                                           {"shuzy", 80},
                                           {"zongdgc", 4.5},
                                           {"ganysz", 1.2},
                                           {"kongfxt", 5.0},
                                           {"canhexsxt", 6.0},
                                           {"xuens", "398"}}}}}};
}

class AssessmentCliTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
        store::run(conn->db(), QStringLiteral("insert into jkpg_jbxx (bianh, xingm, xingb, nianl) "
                                              "values ('0042', '王五', '男', 50)"));
        writeIni();
    }

    // The test database's settings as a configuration file of hra-cli.
    void writeIni()
    {
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

    QStringList withIni(QStringList args) const
    {
        return args << QStringLiteral("--ini") << dir.filePath(QStringLiteral("inifile.ini"));
    }

    QString writeFile(const QString& name, const QByteArray& content) const
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }

    CliRun cli(const QStringList& args) const
    {
        QProcess p;
        p.start(QStringLiteral(HRA_CLI_PATH), withIni(args));
        EXPECT_TRUE(p.waitForFinished(60000)) << args.join(u' ').toStdString();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
    }

    CliRun import(const QByteArray& file) const
    {
        return cli({QStringLiteral("assessment"), QStringLiteral("import"),
                    QStringLiteral("--file"), writeFile(QStringLiteral("in.json"), file)});
    }

    CliRun show(int assessment) const
    {
        return cli({QStringLiteral("assessment"), QStringLiteral("show"),
                    QStringLiteral("--record"), QStringLiteral("0042"),
                    QStringLiteral("--assessment"), QString::number(assessment)});
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

// The answers of a shown assessment without the entry dates, which belong to
// the save and not to the answers.
QJsonObject answersWithoutDates(const QByteArray& shown)
{
    QJsonObject answers = QJsonDocument::fromJson(shown).object().value("answers").toObject();
    for (const QString& table : answers.keys()) {
        QJsonObject section = answers.value(table).toObject();
        section.remove("lurrq");
        answers.insert(table, section);
    }
    return answers;
}

} // namespace

// What show prints imports again: replacing the assessment changes nothing,
// and as a new assessment it stores the same answers. End writes the state.
TEST_P(AssessmentCliTest, ShownAssessmentImportsAgain)
{
    const CliRun created = import(QJsonDocument(exampleAssessment("0042")).toJson());
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(created.out).array(),
              (QJsonArray{QJsonObject{{"record", "0042"}, {"assessment", 1}}}));

    const CliRun first = show(1);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const QJsonObject shown = QJsonDocument::fromJson(first.out).object();
    EXPECT_EQ(shown.value("zhuangt"), "评估");
    const QJsonObject exam = shown.value("answers").toObject().value("jkpg_tgjc").toObject();
    EXPECT_EQ(exam.value("tizzs").toDouble(), 22.86);
    EXPECT_EQ(exam.value("shousy").toDouble(), 120);
    EXPECT_EQ(exam.value("xuens"), "398");
    EXPECT_EQ(shown.value("answers").toObject().value("jkpg_mqzk").toObject().value("pilcd"),
              "无疲劳 ");
    EXPECT_EQ(shown.value("answers").toObject().value("jkpg_ydfs").toObject().value("yundjg"),
              "合适");

    EXPECT_EQ(shown.value("banb"), 1);

    const CliRun replaced = import(first.out);
    ASSERT_EQ(replaced.exitCode, 0) << replaced.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(replaced.out).array(),
              (QJsonArray{QJsonObject{{"record", "0042"}, {"assessment", 1}}}));
    // The same answers, saved once more.
    QJsonObject shownAgain = QJsonDocument::fromJson(show(1).out).object();
    EXPECT_EQ(shownAgain.value("banb"), 2);
    shownAgain.insert("banb", 1);
    EXPECT_EQ(shownAgain, shown);

    QJsonObject asNew = shown;
    asNew.remove("assessment");
    const CliRun again = import(QJsonDocument(asNew).toJson());
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(again.out).array().at(0).toObject().value("assessment"), 2);
    EXPECT_EQ(answersWithoutDates(show(2).out), answersWithoutDates(first.out));

    const QVariant savedAt =
        store::scalar(conn->db(), "select lurrq from jkpg_id where jkpg_id = 2");
    const CliRun ended = cli({"assessment", "end", "--record", "0042", "--assessment", "2"});
    ASSERT_EQ(ended.exitCode, 0) << ended.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(show(2).out).object().value("zhuangt"), "结束");
    EXPECT_EQ(QJsonDocument::fromJson(show(1).out).object().value("zhuangt"), "评估");
    EXPECT_EQ(store::scalar(conn->db(), "select lurrq from jkpg_id where jkpg_id = 2"), savedAt);
}

// A refused file or key: exit status 1, the problem on standard error, and
// nothing stored; a wrong command line: exit status 2.
TEST_P(AssessmentCliTest, RefusedFilesStoreNothing)
{
    QJsonObject wrong = exampleAssessment("0042");
    QJsonObject answers = wrong.value("answers").toObject();
    answers.insert("jkpg_mqzk", QJsonObject{{"pilcd", "无疲劳"}});
    wrong.insert("answers", answers);
    const CliRun badOption =
        import(QJsonDocument(QJsonArray{exampleAssessment("0042"), wrong}).toJson());
    EXPECT_EQ(badOption.exitCode, 1);
    EXPECT_TRUE(
        badOption.err.contains("object 2, jkpg_mqzk.pilcd: \"无疲劳\" is none of the options"))
        << badOption.err.toStdString();

    const CliRun unknownRecord = import(
        QJsonDocument(QJsonArray{exampleAssessment("0042"), exampleAssessment("0099")}).toJson());
    EXPECT_EQ(unknownRecord.exitCode, 1);
    EXPECT_TRUE(
        unknownRecord.err.contains("object 2, record: no person has the record number 0099"))
        << unknownRecord.err.toStdString();
    EXPECT_EQ(count("jkpg_id"), 0);
    EXPECT_EQ(count("jkpg_mqzk"), 0);

    EXPECT_EQ(show(1).exitCode, 1);
    EXPECT_EQ(cli({"assessment", "end", "--record", "0042", "--assessment", "1"}).exitCode, 1);
    EXPECT_EQ(cli({"assessment", "show", "--record", "0042"}).exitCode, 2);
    EXPECT_EQ(cli({"assessment", "import", "--file", "in.json", "--replace"}).exitCode, 2);
}

// A file shown before someone else saved the assessment would undo that
// save: it is refused, naming the assessment and both versions, unless forced.
TEST_P(AssessmentCliTest, ImportOfAnAssessmentSavedSinceItWasShownIsRefused)
{
    ASSERT_EQ(import(QJsonDocument(exampleAssessment("0042")).toJson()).exitCode, 0);
    const CliRun shown = show(1);
    ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();

    QJsonObject changed = QJsonDocument::fromJson(shown.out).object();
    QJsonObject answers = changed.value("answers").toObject();
    QJsonObject exam = answers.value("jkpg_tgjc").toObject();
    exam.insert("shuzy", 95);
    answers.insert("jkpg_tgjc", exam);
    changed.insert("answers", answers);
    ASSERT_EQ(import(QJsonDocument(changed).toJson()).exitCode, 0); // someone else's save
    auto storedShuzy = [this] {
        return store::scalar(conn->db(), "select shuzy from jkpg_tgjc where jkpg_id = 1").toInt();
    };
    ASSERT_EQ(storedShuzy(), 95);

    const CliRun refused = import(shown.out);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(
        "object 1, banb: assessment 1 of the person 0042 was changed after the file was made: "
        "version 2 is stored, the file has version 1 (--force stores the file over it)"))
        << refused.err.toStdString();
    EXPECT_EQ(storedShuzy(), 95);
    EXPECT_EQ(QJsonDocument::fromJson(show(1).out).object().value("banb"), 2);

    const CliRun forced =
        cli({QStringLiteral("assessment"), QStringLiteral("import"), QStringLiteral("--file"),
             writeFile("old.json", shown.out), QStringLiteral("--force")});
    ASSERT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    EXPECT_EQ(storedShuzy(), 80);
    EXPECT_EQ(QJsonDocument::fromJson(show(1).out).object().value("banb"), 3);
}

// Eight imports started at the same moment for one person each store a new
// assessment under its own number.
TEST_P(AssessmentCliTest, EightConcurrentImportsTakeEightNumbers)
{
    const QString file = writeFile("one.json", QJsonDocument(exampleAssessment("0042")).toJson());
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < 8; ++i)
        processes.push_back(std::make_unique<QProcess>());
    for (auto& p : processes)
        p->start(QStringLiteral(HRA_CLI_PATH), withIni({"assessment", "import", "--file", file}));
    QSet<int> numbers;
    for (auto& p : processes) {
        ASSERT_TRUE(p->waitForFinished(120000));
        const QString err = QString::fromUtf8(p->readAllStandardError());
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0) << err.toStdString();
        const QJsonArray out = QJsonDocument::fromJson(p->readAllStandardOutput()).array();
        ASSERT_EQ(out.size(), 1) << err.toStdString();
        numbers.insert(out.at(0).toObject().value("assessment").toInt());
    }
    EXPECT_EQ(numbers.size(), 8);
    for (const char* table :
         {"jkpg_id", "jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs", "jkpg_tgjc"})
        EXPECT_EQ(count(QString::fromLatin1(table)), 8) << table;
    for (const int n : numbers)
        EXPECT_EQ(
            store::scalar(conn->db(),
                          QStringLiteral("select count(*) from jkpg_tgjc where jkpg_id = :id"),
                          {{QStringLiteral("id"), n}})
                .toInt(),
            1)
            << n;
}

// The example file of the README imports on the demo database.
TEST_P(AssessmentCliTest, TheDocumentedExampleImportsOnTheDemoDatabase)
{
    domain::initializeDatabase(*conn, {.demo = true, .force = true});
    const int before = count("jkpg_id");
    const CliRun run =
        cli({"assessment", "import", "--file",
             qEnvironmentVariable("HRA_SOURCE_DIR") + "/docs/examples/assessment.json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray out = QJsonDocument::fromJson(run.out).array();
    ASSERT_EQ(out.size(), 2);
    EXPECT_EQ(out.at(0).toObject().value("record"), "0000000003");
    EXPECT_EQ(out.at(1).toObject().value("record"), "0000000004");
    EXPECT_EQ(count("jkpg_id"), before + 2);
}

// The reports of a work unit: one PDF per person of its latest assessment,
// the summary on standard output, a person whose report fails listed with
// exit status 1 while the others are built.
TEST_P(AssessmentCliTest, TheReportsOfAWorkUnitAreOnePdfEach)
{
    store::run(conn->db(), "insert into jkpg_jbxx (bianh, xingm, xingb, nianl) "
                           "values ('0043', '赵六', '女', 44)");
    store::run(conn->db(), "update jkpg_jbxx set gongzdw = '甲公司'");
    for (const char* record : {"0042", "0042", "0043"})
        ASSERT_EQ(import(QJsonDocument(exampleAssessment(record)).toJson()).exitCode, 0);
    auto pages = [](const QString& pdf) {
        QProcess qpdf;
        qpdf.start("qpdf", {"--show-npages", pdf});
        return qpdf.waitForFinished(30000) && qpdf.exitCode() == 0
                   ? qpdf.readAllStandardOutput().trimmed().toInt()
                   : -1;
    };
    // What the command said, without what Qt says of the environment.
    auto said = [](const QString& err) {
        QStringList lines = err.split('\n');
        lines.removeIf([](const QString& l) { return l.startsWith("QStandardPaths:"); });
        return lines.join('\n');
    };
    auto strings = [](const QJsonValue& v) {
        QStringList out;
        for (const QJsonValue& s : v.toArray())
            out << s.toString();
        return out;
    };

    const QString out = dir.filePath("reports");
    const CliRun built = cli(
        {"report", "--unit", "甲公司", "--out-dir", out, "--combined", dir.filePath("all.pdf")});
    ASSERT_EQ(built.exitCode, 0) << built.err.toStdString();
    const QJsonObject summary = QJsonDocument::fromJson(built.out).object();
    EXPECT_EQ(summary.value("built"), 2);
    EXPECT_EQ(summary.value("failed"), QJsonArray());
    EXPECT_TRUE(summary.value("seconds").isDouble());
    const QStringList files = {out + "/0042_王五_2.pdf", out + "/0043_赵六_3.pdf"};
    EXPECT_EQ(strings(summary.value("files")), files);
    for (const QString& f : files)
        EXPECT_EQ(pages(f), 24) << f.toStdString();
    EXPECT_EQ(summary.value("combined"), dir.filePath("all.pdf"));
    EXPECT_EQ(pages(dir.filePath("all.pdf")), 48);

    // A folder where 赵六's report would go.
    const QString again = dir.filePath("again");
    ASSERT_TRUE(QDir().mkpath(again + "/0043_赵六_3.pdf"));
    const CliRun partly = cli({"report", "--unit", "甲公司", "--out-dir", again});
    EXPECT_EQ(partly.exitCode, 1);
    const QJsonObject told = QJsonDocument::fromJson(partly.out).object();
    EXPECT_EQ(told.value("built"), 1);
    EXPECT_EQ(strings(told.value("files")), QStringList{again + "/0042_王五_2.pdf"});
    const QJsonArray failed = told.value("failed").toArray();
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed.at(0).toObject().value("record"), "0043");
    EXPECT_EQ(failed.at(0).toObject().value("assessment"), 3);
    const QString reason = failed.at(0).toObject().value("reason").toString();
    EXPECT_EQ(reason, again + "/0043_赵六_3.pdf exists and is no regular file; it is not replaced");
    EXPECT_EQ(said(partly.err), "error: record 0043 assessment 3: " + reason + "\n");

    const struct
    {
        QStringList args;
        int exitCode;
        const char* err;
    } refused[] = {
        {{"--unit", "乙公司", "--out-dir", out},
         1,
         "error: no assessment of a person of work unit 乙公司\n"},
        {{"--unit", "甲公司", "--from", "2026-02-30", "--out-dir", out},
         2,
         "error: --from takes a date as yyyy-MM-dd: 2026-02-30\n"},
        {{"--unit", "甲公司"}, 2, nullptr},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.args.join(' ').toStdString());
        const CliRun run = cli(QStringList{"report"} + r.args);
        EXPECT_EQ(run.exitCode, r.exitCode);
        if (r.err)
            EXPECT_EQ(said(run.err).toStdString(), r.err);
        else
            EXPECT_TRUE(said(run.err).startsWith("usage: hra-cli report --unit U"))
                << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, AssessmentCliTest, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });
