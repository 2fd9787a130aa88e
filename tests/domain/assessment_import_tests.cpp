#include "domain/Assessment.h"
#include "domain/AssessmentImport.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>
#include <gtest/gtest.h>

using namespace hra;
using domain::ImportError;

namespace {

// An assessment with only the nine required examination values.
QJsonObject minimal(const QString& record)
{
    return {{"record", record},
            {"answers", QJsonObject{{"jkpg_tgjc", QJsonObject{{"sheng", 1.75},
                                                              {"tiz", 70},
                                                              {"yaow", 80},
                                                              {"shousy", 120},
                                                              {"shuzy", 80},
                                                              {"zongdgc", 4.5},
                                                              {"ganysz", 1.2},
                                                              {"kongfxt", 5.0},
                                                              {"canhexsxt", 6.0}}}}}};
}

// Sets answers[table][column] of an object (an undefined value removes it).
void setAnswer(QJsonObject& object, const QString& table, const QString& column,
               const QJsonValue& value)
{
    QJsonObject answers = object.value("answers").toObject();
    QJsonObject section = answers.value(table).toObject();
    if (value.isUndefined())
        section.remove(column);
    else
        section.insert(column, value);
    answers.insert(table, section);
    object.insert("answers", answers);
}

QByteArray fileOf(const QJsonArray& objects)
{
    return QJsonDocument(objects).toJson();
}

std::vector<domain::ImportProblem> problemsOf(const QByteArray& file)
{
    try {
        domain::parseAssessmentFile(file);
    } catch (const ImportError& e) {
        return e.problems();
    }
    return {};
}

} // namespace

// Each case spoils the second object of a file whose first is sound: the
// problem names that object and the column, and says what is wrong.
TEST(AssessmentFile, NamesTheObjectAndColumnOfEveryWrongValue)
{
    struct Case
    {
        const char* name;
        std::function<void(QJsonObject&)> spoil;
        const char* where;
        const char* message; // a part of it
    };
    const Case cases[] = {
        {"option text with a blank too many",
         [](QJsonObject& o) { setAnswer(o, "jkpg_mqzk", "pilcd", "稍微疲劳 "); }, "jkpg_mqzk.pilcd",
         "\"稍微疲劳 \" is none of the options \"无疲劳 \", \"稍微疲劳\""},
        {"ASCII < where the option has ≤",
         [](QJsonObject& o) { setAnswer(o, "jkpg_ydfs", "duanlcs", "<2次"); }, "jkpg_ydfs.duanlcs",
         "none of the options"},
        {"tick other than caption or 0",
         [](QJsonObject& o) { setAnswer(o, "jkpg_shfs", "yinjzl_gj", "1"); }, "jkpg_shfs.yinjzl_gj",
         "neither the tick's caption \"果酒\" nor \"0\""},
        {"text in a number column",
         [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "tiz", "70kg"); }, "jkpg_tgjc.tiz",
         "\"70kg\" is not a number"},
        {"text wider than its column",
         [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "xuens", QString(21, u'5')); },
         "jkpg_tgjc.xuens", "longer than the column's 20 characters"},
        // Implausible values, each named with its field's range.
        {"systolic 1e19", [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "shousy", 1e19); },
         "jkpg_tgjc.shousy", "必须是50到300之间的整数"},
        {"systolic -500", [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "shousy", -500); },
         "jkpg_tgjc.shousy", "\"-500\" 必须是50到300之间的整数"},
        {"diastolic -10", [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "shuzy", -10); },
         "jkpg_tgjc.shuzy", "\"-10\" 必须是20到200之间的整数"},
        {"systolic not above diastolic",
         [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "shuzy", 120); }, "jkpg_tgjc.shuzy",
         "收缩压必须高于舒张压!"},
        {"height 0", [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "sheng", 0); },
         "jkpg_tgjc.sheng", "\"0\" 必须是0.5到2.5之间的数(最多2位小数)"},
        {"height 9 m", [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "sheng", 9); },
         "jkpg_tgjc.sheng", "必须是0.5到2.5之间的数(最多2位小数)"},
        {"height 1.755 m", [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "sheng", 1.755); },
         "jkpg_tgjc.sheng", "必须是0.5到2.5之间的数(最多2位小数)"},
        {"weight 1e308", [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "tiz", 1e308); },
         "jkpg_tgjc.tiz", "必须是2到300之间的数(最多1位小数)"},
        {"weight 1e-300", [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "tiz", 1e-300); },
         "jkpg_tgjc.tiz", "必须是2到300之间的数(最多1位小数)"},
        {"weight 100000 kg", [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "tiz", 100000); },
         "jkpg_tgjc.tiz", "\"100000\" 必须是2到300之间的数(最多1位小数)"},
        {"waist 8 cm", [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "yaow", 8); },
         "jkpg_tgjc.yaow", "必须是30到250之间的数(最多1位小数)"},
        {"fasting glucose 500", [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "kongfxt", 500); },
         "jkpg_tgjc.kongfxt", "必须是1到40之间的数(最多2位小数)"},
        {"working days as words",
         [](QJsonObject& o) { setAnswer(o, "jkpg_ydfs", "meizgzts", "abc"); }, "jkpg_ydfs.meizgzts",
         "\"abc\" is not a number"},
        {"eight working days a week",
         [](QJsonObject& o) { setAnswer(o, "jkpg_ydfs", "meizgzts", 8); }, "jkpg_ydfs.meizgzts",
         "必须是0到7之间的整数"},
        {"negative drinking", [](QJsonObject& o) { setAnswer(o, "jkpg_shfs", "meirjl", -1); },
         "jkpg_shfs.meirjl", "必须是0到5000之间的整数"},
        {"infinity as text", [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "tunw", "inf"); },
         "jkpg_tgjc.tunw", "必须是30到250之间的数"},
        {"blank required value", [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "sheng", "  "); },
         "jkpg_tgjc.sheng", "身高为必填项,带*号的为必填项!"},
        {"required value left out",
         [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "canhexsxt", QJsonValue::Undefined); },
         "jkpg_tgjc.canhexsxt", "糖耐量为必填项,带*号的为必填项!"},
        {"required value null",
         [](QJsonObject& o) { setAnswer(o, "jkpg_tgjc", "shuzy", QJsonValue()); },
         "jkpg_tgjc.shuzy", "舒张压为必填项,带*号的为必填项!"},
        {"true as an answer", [](QJsonObject& o) { setAnswer(o, "jkpg_mqzk", "gaoxy", true); },
         "jkpg_mqzk.gaoxy", "must be text, a number or null"},
        {"unknown column", [](QJsonObject& o) { setAnswer(o, "jkpg_shfs", "yinjzl_hj", "0"); },
         "jkpg_shfs.yinjzl_hj", "unknown column"},
        {"a key column", [](QJsonObject& o) { setAnswer(o, "jkpg_mqzk", "bianh", "0042"); },
         "jkpg_mqzk.bianh", "unknown column"},
        {"unknown table", [](QJsonObject& o) { setAnswer(o, "jkpg_jbxx", "xingm", "王五"); },
         "jkpg_jbxx", "unknown table"},
        {"record as a number", [](QJsonObject& o) { o.insert("record", 42); }, "record",
         "record number must be given as text"},
        {"no record", [](QJsonObject& o) { o.remove("record"); }, "record", "record number"},
        {"assessment as text", [](QJsonObject& o) { o.insert("assessment", "3"); }, "assessment",
         "whole number above 0"},
        {"assessment not whole", [](QJsonObject& o) { o.insert("assessment", 2.5); }, "assessment",
         "whole number above 0"},
        {"unknown key", [](QJsonObject& o) { o.insert("person", "0042"); }, "person",
         "unknown key"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QJsonObject bad = minimal("0042");
        c.spoil(bad);
        const auto problems = problemsOf(fileOf({minimal("0042"), bad}));
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_EQ(problems[0].position, 2);
        EXPECT_EQ(problems[0].where, QString::fromUtf8(c.where));
        EXPECT_TRUE(problems[0].message.contains(QString::fromUtf8(c.message)))
            << problems[0].message.toStdString();
        EXPECT_TRUE(problems[0].text().startsWith(QStringLiteral("object 2, ") + c.where))
            << problems[0].text().toStdString();
    }
}

// Every problem of a file is listed, required values in the window's order.
TEST(AssessmentFile, ListsEveryProblemAndRefusesWhatIsNoFile)
{
    QJsonObject a = minimal("0042");
    setAnswer(a, "jkpg_tgjc", "ganysz", QJsonValue::Undefined);
    setAnswer(a, "jkpg_tgjc", "zongdgc", "");
    QJsonObject b = minimal("0043");
    setAnswer(b, "jkpg_ssyy", "meitsc", "＜100克");
    const auto problems = problemsOf(fileOf({a, b}));
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].text(), "object 1, jkpg_tgjc.zongdgc: 总胆固醇为必填项,带*号的为必填项!");
    EXPECT_EQ(problems[1].text(), "object 1, jkpg_tgjc.ganysz: 甘油三酯为必填项,带*号的为必填项!");
    EXPECT_EQ(problems[2].where, "jkpg_ssyy.meitsc");

    for (const QByteArray& file : {QByteArray("{\"record\": "), QByteArray("[1, {}]")}) {
        const auto refused = problemsOf(file);
        ASSERT_FALSE(refused.empty()) << file.toStdString();
    }
    EXPECT_EQ(problemsOf("{\"record\": ")[0].position, 0);
    EXPECT_EQ(problemsOf("[1]")[0].text(), "object 1: an assessment must be a JSON object");
}

// What QJsonDocument would let through: a key given twice (the last wins,
// so the answers would go to another person), a surrogate without its pair
// and a NUL. Each is refused with the character it is at.
TEST(AssessmentFile, RefusesDuplicateKeysLoneSurrogatesAndNul)
{
    const struct
    {
        const char* name;
        QByteArray file;
        const char* message;
    } cases[] = {
        {"duplicate record", R"({"record": "0042", "answers": {}, "record": "0043"})",
         "not accepted JSON at character 35: the key \"record\" is given twice in one object"},
        {"duplicate in a section",
         R"([{"record": "0042", "answers": {"jkpg_tgjc": {"tiz": 70, "tiz": 80}}}])",
         "not accepted JSON at character 58: the key \"tiz\" is given twice in one object"},
        {"duplicate spelt with an escape", R"({"record": "1", "rec\u006frd": "2"})",
         "not accepted JSON at character 17: the key \"record\" is given twice in one object"},
        {"lone high surrogate", R"({"record": "a\ud800b"})",
         "not accepted JSON at character 14: a high surrogate (\\ud800) without its low one"},
        {"lone low surrogate", R"({"record": "a\udc00"})",
         "not accepted JSON at character 14: a low surrogate (\\udc00) without its high one"},
        {"escaped NUL", R"({"record": "a\u0000"})",
         "not accepted JSON at character 14: a NUL character (\\u0000) in a string"},
        {"raw NUL", QByteArray("{\"record\": \"a\0b\"}", 17),
         "not accepted JSON at character 14: a NUL character in a string"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto problems = problemsOf(c.file);
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_EQ(problems[0].text(), QStringLiteral("file: ") + QString::fromUtf8(c.message));
    }
    // A pair is one character, and the same key in two objects is no repeat.
    QByteArray file = fileOf({minimal("PAIR"), minimal("PAIR")});
    file.replace("\"PAIR\"", R"("\ud83d\ude00")");
    const std::vector<domain::AssessmentInput> inputs = domain::parseAssessmentFile(file);
    ASSERT_EQ(inputs.size(), 2u);
    EXPECT_EQ(inputs[1].record, QStringLiteral("😀"));
}

// What the rows will store: numbers as numbers whatever JSON kind they came
// in, unanswered ticks "0", empty text NULL, exact option texts kept, derived
// columns and entry dates ignored; one object alone is a file too.
TEST(AssessmentFile, ConvertsAnswersToTheValuesTheWindowStores)
{
    QJsonObject o = minimal(" 0042 ");
    o.insert("assessment", 3);
    o.insert("zhuangt", "结束");
    setAnswer(o, "jkpg_tgjc", "sheng", "1.75");
    setAnswer(o, "jkpg_tgjc", "tizzs", 99);
    setAnswer(o, "jkpg_tgjc", "lurrq", "2020-01-01 00:00:00");
    setAnswer(o, "jkpg_tgjc", "xuens", 398);
    setAnswer(o, "jkpg_ydfs", "yundjg", "合适");
    setAnswer(o, "jkpg_ydfs", "meizgzts", "");
    setAnswer(o, "jkpg_shfs", "meirjl", 250); // a number kept as text, as the window stores it
    setAnswer(o, "jkpg_tgjc", "tiz", 72.5);
    setAnswer(o, "jkpg_mqzk", "gaoxy", QJsonValue());
    setAnswer(o, "jkpg_mqzk", "pilcd", "无疲劳 ");
    setAnswer(o, "jkpg_mqzk", "jiazs_gxy", "外公"); // a drop-down takes typed text

    const auto inputs = domain::parseAssessmentFile(QJsonDocument(o).toJson());
    ASSERT_EQ(inputs.size(), 1u);
    const domain::AssessmentInput& in = inputs[0];
    EXPECT_EQ(in.record, "0042");
    EXPECT_EQ(in.assessment, 3);
    const QVariantMap& exam = in.answers["jkpg_tgjc"];
    EXPECT_EQ(exam.value("sheng").typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(exam.value("sheng").toDouble(), 1.75);
    EXPECT_EQ(exam.value("tiz"), QVariant(72.5));
    EXPECT_EQ(exam.value("shousy").typeId(), QMetaType::LongLong);
    EXPECT_EQ(in.answers["jkpg_shfs"].value("meirjl"), QVariant(QStringLiteral("250")));
    EXPECT_FALSE(exam.contains("tizzs"));
    EXPECT_FALSE(exam.contains("lurrq"));
    EXPECT_EQ(exam.value("xuens"), QVariant(QStringLiteral("398")));
    EXPECT_FALSE(in.answers["jkpg_ydfs"].contains("yundjg"));
    EXPECT_TRUE(store::isNull(in.answers["jkpg_ydfs"].value("meizgzts")));
    EXPECT_TRUE(in.answers["jkpg_ydfs"].contains("meizgzts"));
    EXPECT_EQ(in.answers["jkpg_mqzk"].value("gaoxy"), "0");
    EXPECT_EQ(in.answers["jkpg_mqzk"].value("naoxs"), "0");
    EXPECT_EQ(in.answers["jkpg_mqzk"].value("pilcd"), "无疲劳 ");
    EXPECT_EQ(in.answers["jkpg_mqzk"].value("jiazs_gxy"), "外公");
    EXPECT_EQ(in.answers["jkpg_shfs"].value("yinjzl_qt"), "0");
    EXPECT_TRUE(store::isNull(in.answers["jkpg_ssyy"].value("meitsc")));
}

class AssessmentImportTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
        for (const char* number : {"0042", "0043"})
            store::run(d(),
                       QStringLiteral("insert into jkpg_jbxx (bianh, xingm, xingb, nianl) "
                                      "values (:bh, '王五', '男', 50)"),
                       {{QStringLiteral("bh"), QString::fromLatin1(number)}});
    }

    QSqlDatabase d() const { return conn->db(); }

    std::vector<domain::ImportedAssessment> import(const QJsonArray& objects)
    {
        return domain::importAssessments(d(), domain::parseAssessmentFile(fileOf(objects)));
    }

    QVariant stored(const QString& table, const QString& column, qint32 id) const
    {
        return store::scalar(
            d(), QStringLiteral("select %1 from %2 where jkpg_id = :id").arg(column, table),
            {{QStringLiteral("id"), id}});
    }

    int rowCount(const QString& table) const
    {
        return store::scalar(d(), QStringLiteral("select count(*) from %1").arg(table)).toInt();
    }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
};

// New assessments take the next numbers in file order; a given one has its
// five rows replaced as the window's save of a reopened assessment does:
// left-out answers become unanswered, derived columns are computed again,
// the sections' entry dates stay and the state is not touched.
TEST_P(AssessmentImportTest, NewAndReplacedAssessmentsInFileOrder)
{
    QJsonObject first = minimal("0042");
    setAnswer(first, "jkpg_mqzk", "gaoxy", "高血压");
    setAnswer(first, "jkpg_mqzk", "pilcd", "很疲劳");
    setAnswer(first, "jkpg_ydfs", "duanlfs", "太极拳,上楼梯");
    setAnswer(first, "jkpg_ydfs", "duanlcs", "5-7次");
    const auto created = import({first, minimal(" 0043 ")});
    ASSERT_EQ(created.size(), 2u);
    EXPECT_EQ(created[0].record, "0042");
    EXPECT_EQ(created[0].assessment, 1);
    EXPECT_EQ(created[1].record, "0043");
    EXPECT_EQ(created[1].assessment, 2);
    EXPECT_EQ(stored("jkpg_ydfs", "yundjg", 1).toString(), "合适");
    EXPECT_EQ(stored("jkpg_id", "zhuangt", 2).toString(), "评估");
    EXPECT_EQ(stored("jkpg_shfs", "yinjzl_bj", 2).toString(), "0");

    const QDateTime old(QDate(2020, 1, 2), QTime(3, 4, 5));
    store::run(d(), QStringLiteral("update jkpg_mqzk set lurrq = :t"),
               {{QStringLiteral("t"), old}});
    store::run(d(), QStringLiteral("update jkpg_id set lurrq = :t, zhuangt = '结束'"),
               {{QStringLiteral("t"), old}});

    QJsonObject again = minimal("0042");
    again.insert("assessment", 1);
    setAnswer(again, "jkpg_tgjc", "tiz", 64);
    setAnswer(again, "jkpg_tgjc", "sheng", 1.6);
    setAnswer(again, "jkpg_ydfs", "duanlfs", "打篮球,快跑");
    const auto replaced = import({minimal("0043"), again});
    ASSERT_EQ(replaced.size(), 2u);
    EXPECT_EQ(replaced[0].assessment, 3);
    EXPECT_EQ(replaced[1].assessment, 1);
    EXPECT_EQ(rowCount("jkpg_id"), 3);
    EXPECT_EQ(rowCount("jkpg_mqzk"), 3);
    EXPECT_EQ(stored("jkpg_mqzk", "gaoxy", 1).toString(), "0");
    EXPECT_TRUE(store::isNull(stored("jkpg_mqzk", "pilcd", 1)));
    EXPECT_TRUE(store::isNull(stored("jkpg_ydfs", "duanlcs", 1)));
    // No frequency gives no verdict: the file's answers alone decide it.
    EXPECT_TRUE(store::isNull(stored("jkpg_ydfs", "yundjg", 1)));
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "tizzs", 1).toDouble(), 25);
    EXPECT_EQ(stored("jkpg_mqzk", "lurrq", 1).toDateTime(), old);
    EXPECT_NE(stored("jkpg_id", "lurrq", 1).toDateTime(), old);
    EXPECT_EQ(stored("jkpg_id", "zhuangt", 1).toString(), "结束");

    const auto shown = domain::readAssessment(d(), QStringLiteral("0042"), 1);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->state, "结束");
    ASSERT_EQ(shown->answers.size(), 5);
    EXPECT_EQ(shown->answers[0].first, "jkpg_mqzk");
    EXPECT_EQ(shown->answers[0].second.first().first, "manxzqgy");
    EXPECT_EQ(shown->answers[0].second.last().first, "lurrq");
    EXPECT_FALSE(domain::readAssessment(d(), QStringLiteral("0043"), 1));
}

// A problem found while storing (an unknown record or assessment) after
// earlier objects were stored in the transaction leaves the database as it
// was; so does a statement failing on the last object.
TEST_P(AssessmentImportTest, AProblemAnywhereInTheFileStoresNothing)
{
    import({minimal("0042")});
    const QVariant savedAt = stored("jkpg_id", "lurrq", 1);

    QJsonObject replace = minimal("0042");
    replace.insert("assessment", 1);
    setAnswer(replace, "jkpg_mqzk", "gaoxy", "高血压");
    QJsonObject unknownAssessment = minimal("0043");
    unknownAssessment.insert("assessment", 1); // 0042's, not 0043's
    struct Case
    {
        const char* name;
        QJsonObject bad;
        const char* text;
    };
    const Case cases[] = {
        {"unknown record", minimal("0044"),
         "object 3, record: no person has the record number 0044"},
        {"another person's assessment", unknownAssessment,
         "object 3, assessment: the person 0043 has no assessment 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            import({minimal("0043"), replace, c.bad});
            ADD_FAILURE() << "the file was accepted";
        } catch (const ImportError& e) {
            ASSERT_EQ(e.problems().size(), 1u);
            EXPECT_EQ(e.problems()[0].text(), QString::fromUtf8(c.text));
        }
        EXPECT_EQ(rowCount("jkpg_id"), 1);
        EXPECT_EQ(rowCount("jkpg_tgjc"), 1);
        EXPECT_EQ(stored("jkpg_mqzk", "gaoxy", 1).toString(), "0");
        EXPECT_EQ(stored("jkpg_id", "lurrq", 1), savedAt);
    }

    // The database refuses the last section row of the last object (a stray
    // row holds its key): the rows stored before it in the transaction go too,
    // and the refusal is not mistaken for a number taken by another workstation.
    store::run(d(), QStringLiteral("insert into jkpg_tgjc (jkpg_id, bianh) values (3, '0042')"));
    EXPECT_THROW(import({minimal("0043"), minimal("0042")}), store::DatabaseError);
    EXPECT_EQ(rowCount("jkpg_id"), 1);
    EXPECT_EQ(rowCount("jkpg_mqzk"), 1);
    EXPECT_EQ(rowCount("jkpg_tgjc"), 2);
}

INSTANTIATE_TEST_SUITE_P(Backends, AssessmentImportTest,
                         ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });
