#include "analysis/AnalysisSession.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace hra;
using analysis::AnalysisSession;
using analysis::Evaluation;
using store::Driver;
using store::Rows;

namespace {

QString q(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

std::string text(const QVariant& v)
{
    return analysis::isNull(v) ? std::string("<NULL>") : v.toString().toStdString();
}

// Labels of a bar dataset, "label=value|..." in order.
std::string bars(const Rows& d)
{
    std::string out;
    for (qsizetype i = 0; i < d.rows.size(); ++i)
        out += (i ? "|" : "") + text(d.rows[i].value(0)) + "=" + text(d.rows[i].value(1));
    return out;
}

int count(const QSqlDatabase& db, const QString& sql, std::initializer_list<store::Binding> b = {})
{
    return store::scalar(db, sql, b).toInt();
}

} // namespace

// The demo database: person 0000000001 (man, 58) with assessments 1 and 5,
// 0000000002 (woman, 46) with assessment 2, and so on.
class Session : public ::testing::TestWithParam<Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised(QStringLiteral("a"), true);
        ASSERT_TRUE(conn);
    }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
};

TEST_P(Session, ServesEveryDatasetWithItsFieldNames)
{
    AnalysisSession s(*conn);
    s.open(QStringLiteral("0000000001"), 1);
    EXPECT_TRUE(s.runAll(AnalysisSession::wholeReportOrder()));

    const std::pair<const char*, QStringList> expectedFields[] = {
        {"frxDB_jbxx", {"bianh", "xingm", "xingb", "zunc", "nianl", "lrrq", "gongzdw"}},
        {"frxDB_gxyjb", {"gxyjb", "gxy1"}},
        {"frxDB_gxy_ts", {"id", "xiangm", "zhuangt", "jib", "tis"}},
        {"frxDB_gxb", {"gxbid", "gxbbwxx"}},
        {"frxDB_ncz", {"nczid", "nczbwxx"}},
        {"frxDB_tnb", {"tnbid", "tnbpgxx"}},
        {"frxDBD_dxzhz", {"jib", "tis"}},
        {"frxDB_ssyytb", {"mingc", "neir", "zhis"}},
        {"frxDB_ydcf",
         {"jianyydl", "yundfs", "yundsj", "yundqd", "yundpd", "shuom", "pind", "qdjy", "csjy"}},
        {"frxDBD_shfs_wxys",
         {"id", "TC", "TCTS", "TG", "TGTS", "HDL", "HDLTS", "LDL", "LDLTS", "TZZS", "TZZSTS",
          "YAOW", "YAOWTS", "ZIFG", "ZIFGTS"}},
    };
    for (const auto& [name, fields] : expectedFields)
        EXPECT_EQ(s.dataset(QString::fromLatin1(name)).fields, fields) << name;
    for (const QString& name : AnalysisSession::datasetNames())
        EXPECT_FALSE(s.dataset(name).isEmpty()) << name.toStdString();

    const Rows person = s.dataset(QStringLiteral("frxDB_jbxx"));
    EXPECT_EQ(text(person.value(0, QStringLiteral("xingm"))), "张建国");
    EXPECT_EQ(text(person.value(0, QStringLiteral("lrrq"))).size(), 10u); // yyyy-mm-dd
    EXPECT_EQ(person.value(0, QStringLiteral("nianl")).toDouble(), 58);

    // Unticked disease boxes ("0") read as empty text; ticked ones their name.
    const Rows status = s.dataset(QStringLiteral("frxDB_jbxx_mqzk"));
    EXPECT_EQ(text(status.value(0, QStringLiteral("guanxb"))), "");
    EXPECT_EQ(text(status.value(0, QStringLiteral("gaoxy"))), "高血压");
    EXPECT_EQ(
        count(conn->db(), QStringLiteral("select count(*) from jkpg_mqzk where guanxb = '0'")), 4);
    // An unanswered family history names nobody; several answers print joined.
    EXPECT_EQ(text(status.value(0, QStringLiteral("jiazs_gxb"))), "无");
    EXPECT_EQ(text(status.value(0, QStringLiteral("tnb_hz"))), "无");
    store::run(conn->db(),
               QStringLiteral("update jkpg_mqzk set jiazs_1tnb=:m, jiazs_2tnb=:m, guanxb=:g, "
                              "qitxzb=:q where jkpg_id=1"),
               {{"m", q("母")}, {"g", q("冠心病")}, {"q", q("其他心脏病")}});
    s.open(QStringLiteral("0000000001"), 1);
    const Rows ticked = s.dataset(QStringLiteral("frxDB_jbxx_mqzk"));
    EXPECT_EQ(text(ticked.value(0, QStringLiteral("jiazs_tnb_hz"))), "1型：母、2型：母");
    EXPECT_EQ(text(ticked.value(0, QStringLiteral("xxgjb_hz"))), "冠心病、其他心脏病");
    // The health list's cells hold the ticked diseases from the first on.
    QStringList listed;
    for (int i = 1; i <= 4; ++i)
        listed << QString::fromStdString(text(ticked.value(0, QStringLiteral("xianb_%1").arg(i))));
    EXPECT_EQ(listed, QStringList({"其他心脏病", "高血压", "冠心病", ""}));
    EXPECT_EQ(text(s.dataset(QStringLiteral("frxDB_ydcf")).value(0, QStringLiteral("jianyydl"))),
              "请先到医院评估运动风险");
    const Rows printed = s.dataset(QStringLiteral("frxDB_tjjg"));
    EXPECT_EQ(text(printed.value(0, QStringLiteral("z_tanghxhdb"))), "5.9");
    EXPECT_EQ(text(printed.value(0, QStringLiteral("fw_tanghxhdb"))), "4-6.49%");
    EXPECT_EQ(text(printed.value(0, QStringLiteral("pd_tanghxhdb"))), "正常");
    EXPECT_EQ(text(printed.value(0, QStringLiteral("yc_zongdgc"))), "↑");
    EXPECT_EQ(text(printed.value(0, QStringLiteral("pd_zongdgc"))), "");
    EXPECT_EQ(text(printed.value(0, QStringLiteral("fw_gaomdzdb"))), "≥1mmol/L");
    EXPECT_EQ(text(printed.value(0, QStringLiteral("fw_xy"))), "收缩压90-139，舒张压60-89mmHg");
    EXPECT_TRUE(s.runAll(AnalysisSession::wholeReportOrder()));

    EXPECT_EQ(bars(s.dataset(QStringLiteral("frxDB_gxyjb"))), "正常人的级别=0|您为2级高血压=2");
    EXPECT_EQ(text(s.dataset(QStringLiteral("frxDB_gxy_ts")).value(0, QStringLiteral("jib"))),
              "2级");
    const Rows coronary = s.dataset(QStringLiteral("frxDB_gxb"));
    ASSERT_EQ(coronary.rows.size(), 2);
    EXPECT_EQ(text(coronary.value(0, QStringLiteral("gxbid"))), "同龄人正常指数");
    EXPECT_EQ(text(coronary.value(1, QStringLiteral("gxbid"))), "您患冠心病的指数");
    const Rows diet = s.dataset(QStringLiteral("frxDB_ssyytb"));
    ASSERT_EQ(diet.rows.size(), 16);
    EXPECT_EQ(text(diet.value(0, QStringLiteral("mingc"))), "主食");
    EXPECT_EQ(text(diet.value(15, QStringLiteral("mingc"))), "餐量分配");

    const Rows lifestyle = s.dataset(QStringLiteral("frxDB_jbxx_shfs"));
    EXPECT_EQ(text(lifestyle.value(0, QStringLiteral("xiy_pd"))), "主动吸烟");
    EXPECT_EQ(text(lifestyle.value(0, QStringLiteral("yinj_pd"))), "您喝酒");
    const Rows ssyy = s.dataset(QStringLiteral("frxDB_ssyy"));
    EXPECT_EQ(text(ssyy.value(0, QStringLiteral("zongh_pd"))), "很不合理");
    EXPECT_EQ(ssyy.fields.size(), 1 + 16 + 1 + 10 + 1);
    EXPECT_FALSE(text(ssyy.value(0, QStringLiteral("fxys"))).empty());

    const Rows marks = s.dataset(QStringLiteral("frxDB_ckzpd_pd"));
    EXPECT_EQ(marks.fields.size(), 12);
    EXPECT_EQ(text(marks.value(0, QStringLiteral("pd_zongdgc"))), "↑");
    EXPECT_EQ(s.dataset(QStringLiteral("frxDB_yczb_pd")).fields.size(), 11);
    EXPECT_EQ(
        text(s.dataset(QStringLiteral("frxDB_yczb_pd")).value(0, QStringLiteral("pd_zongdgc"))),
        "总胆固醇偏高");
    // The printed list starts with the values the old one left out.
    EXPECT_TRUE(text(s.dataset(QStringLiteral("frxDB_yczb")).value(0, QStringLiteral("yczb")))
                    .starts_with("体重指数偏高\n收缩压偏高\n舒张压偏高\n"));
    EXPECT_EQ(text(s.dataset(QStringLiteral("frxDBD_shfs_wxys")).value(0, QStringLiteral("TC"))),
              "您的TC是：6.42mmol/L");

    EXPECT_THROW(s.dataset(QStringLiteral("frxDB_unknown")), analysis::AnalysisError);
}

TEST_P(Session, UnknownRecordOrAssessmentIsAnError)
{
    AnalysisSession s(*conn);
    EXPECT_THROW(s.open(QStringLiteral("nobody"), 1), analysis::AnalysisError);
    EXPECT_THROW(s.open(QStringLiteral("0000000001"), 999), analysis::AnalysisError);
    EXPECT_THROW(s.open(QStringLiteral("0000000002"), 1),
                 analysis::AnalysisError); // another person's
    // Numbers the record column cannot hold, or with control characters, are
    // not found like any other (and never reach a write).
    for (const QString& odd : {QStringLiteral("00000000011234"), QStringLiteral("0001\n\t")}) {
        try {
            s.open(odd, 1);
            ADD_FAILURE() << "opened " << odd.toStdString();
        } catch (const analysis::AnalysisError& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("档案编号")))
                << e.message().toStdString();
        }
    }
    EXPECT_FALSE(s.isOpen());
    EXPECT_THROW(s.dataset(QStringLiteral("frxDB_gxb")), analysis::AnalysisError);
}

TEST_P(Session, TwoSessionsReadOnlyTheirOwnRows)
{
    auto other = db.connect(QStringLiteral("b"));
    ASSERT_TRUE(other);
    AnalysisSession a(*conn);
    AnalysisSession b(*other);
    a.open(QStringLiteral("0000000001"), 1); // 162/102: grade 2
    b.open(QStringLiteral("0000000002"), 2); // 118/76: normal
    // Interleaved: each run deletes and writes between the other's.
    a.run(Evaluation::BloodPressure);
    b.run(Evaluation::BloodPressure);
    a.run(Evaluation::LabJudgement);
    b.runAll(AnalysisSession::wholeReportOrder());
    a.runAll(AnalysisSession::wholeReportOrder());

    EXPECT_EQ(count(conn->db(), QStringLiteral("select count(*) from jkpg_gxy")), 4);
    EXPECT_EQ(bars(a.dataset(QStringLiteral("frxDB_gxyjb"))), "正常人的级别=0|您为2级高血压=2");
    EXPECT_EQ(bars(b.dataset(QStringLiteral("frxDB_gxyjb"))), "正常人的级别=0|您的血压正常=0");
    for (const char* name : {"frxDB_gxb", "frxDB_ncz", "frxDB_tnb", "frxDB_ssyytb", "frxDB_ydcf",
                             "frxDB_ckzpd_pd", "frxDBD_shfs_wxys"}) {
        const Rows da = a.dataset(QString::fromLatin1(name));
        const Rows dbs = b.dataset(QString::fromLatin1(name));
        EXPECT_FALSE(da.isEmpty()) << name;
        EXPECT_EQ(da.rows.size(), dbs.rows.size()) << name;
        EXPECT_NE(da.rows, dbs.rows) << name;
    }
    EXPECT_EQ(text(b.dataset(QStringLiteral("frxDB_ckzpd_pd")).value(0, QStringLiteral("pd_yaow"))),
              "不超标");
    EXPECT_EQ(text(a.dataset(QStringLiteral("frxDB_ckzpd_pd")).value(0, QStringLiteral("pd_yaow"))),
              "↑");
}

TEST_P(Session, AnotherAssessmentNeverShowsThePreviousResults)
{
    const QSqlDatabase d = conn->db();
    // Person 2 now has a sex without a standard-weight table and a uric-acid
    // text that is no number; person 1's drinking amount is no number.
    store::run(d, QStringLiteral("update jkpg_jbxx set xingb = :x where bianh = :bh"),
               {{"x", q("不详")}, {"bh", QStringLiteral("0000000002")}});
    store::run(d, QStringLiteral("update jkpg_tgjc set xuens = :x where jkpg_id = 2"),
               {{"x", q("阴性")}});
    store::run(d, QStringLiteral("update jkpg_shfs set meirjl = :x where jkpg_id = 1"),
               {{"x", q("半斤")}});

    AnalysisSession s(*conn);
    s.open(QStringLiteral("0000000001"), 1);
    EXPECT_TRUE(s.runAll(AnalysisSession::wholeReportOrder()));
    ASSERT_EQ(s.dataset(QStringLiteral("frxDB_ydcf")).rows.size(), 1);
    const int own =
        count(d, QStringLiteral("select count(*) from jkpg_ssyypg where session_key = :k"),
              {{"k", s.key()}});
    EXPECT_EQ(own, 16);

    s.open(QStringLiteral("0000000002"), 2);
    for (const char* table :
         {"jkpg_gxy", "jkpg_gxb", "jkpg_ssyypg", "jkpg_ydcf", "jkpg_tgjc_pd", "jkpg_shfs_wxys"})
        EXPECT_EQ(count(d,
                        QStringLiteral("select count(*) from %1 where session_key = :k")
                            .arg(QLatin1String(table)),
                        {{"k", s.key()}}),
                  0)
            << table;

    EXPECT_FALSE(s.run(Evaluation::ExercisePrescription));
    ASSERT_EQ(s.problems().size(), 1u);
    EXPECT_EQ(s.problems()[0].evaluation, Evaluation::ExercisePrescription);
    // The page prints why, not the previous person's prescription.
    const Rows failed = s.dataset(QStringLiteral("frxDB_ydcf"));
    ASSERT_EQ(failed.rows.size(), 1);
    EXPECT_EQ(text(failed.value(0, QStringLiteral("shuom"))),
              "　　性别不是“男”或“女”，无法计算运动处方。");
    for (const char* f : {"jianyydl", "yundfs", "yundsj", "yundqd", "pind"})
        EXPECT_EQ(text(failed.value(0, QLatin1String(f))), "未制定") << f;
    // The advice page speaks of intensity without a heart rate nobody computed.
    EXPECT_EQ(text(failed.value(0, QStringLiteral("qdjy"))),
              "　　运动强度以中等强度的有氧运动为主，如快走、骑自行车、游泳、跳舞等。运动时心跳和"
              "呼吸加快、微微出汗，但仍能正常说话。");
    EXPECT_TRUE(s.run(Evaluation::LabJudgement));
    EXPECT_EQ(
        text(s.dataset(QStringLiteral("frxDB_ckzpd_pd")).value(0, QStringLiteral("pd_xuens"))),
        "未测");
    EXPECT_EQ(text(s.dataset(QStringLiteral("frxDB_yczb_pd")).value(0, QStringLiteral("pd_xuens"))),
              "");
    // A sex without a row leaves the waist unjudged.
    EXPECT_EQ(text(s.dataset(QStringLiteral("frxDB_ckzpd_pd")).value(0, QStringLiteral("pd_yaow"))),
              "<NULL>");

    // Rerunning for person 1 with the same session: the unreadable amount
    // adds nothing, and the stroke index is written.
    s.open(QStringLiteral("0000000001"), 1);
    EXPECT_TRUE(s.run(Evaluation::Stroke));
    EXPECT_EQ(s.dataset(QStringLiteral("frxDB_ncz")).rows.size(), 2);
}

TEST_P(Session, DatabaseErrorRollsBackTheWholeRun)
{
    const QSqlDatabase d = conn->db();
    AnalysisSession s(*conn);
    s.open(QStringLiteral("0000000001"), 1);
    ASSERT_TRUE(s.runAll(AnalysisSession::wholeReportOrder()));
    s.open(QStringLiteral("0000000002"), 2);
    store::execute(d, QStringLiteral("drop table jkpg_ydcf"));
    EXPECT_THROW(s.runAll(AnalysisSession::wholeReportOrder()), store::DatabaseError);
    // Neither the first assessment's rows nor a part of this run remain.
    for (const char* table :
         {"jkpg_gxy", "jkpg_gxb", "jkpg_ssyypg", "jkpg_tgjc_pd", "jkpg_shfs_wxys"})
        EXPECT_EQ(count(d,
                        QStringLiteral("select count(*) from %1 where session_key = :k")
                            .arg(QLatin1String(table)),
                        {{"k", s.key()}}),
                  0)
            << table;
}

TEST_P(Session, AssessmentWithoutSectionRowsStillWritesRows)
{
    const QSqlDatabase d = conn->db();
    store::run(d,
               QStringLiteral("insert into jkpg_id (jkpg_id, bianh, zhuangt) values (77, :bh, :z)"),
               {{"bh", QStringLiteral("0000000002")}, {"z", q("评估")}});
    AnalysisSession s(*conn);
    s.open(QStringLiteral("0000000002"), 77);
    // No examination: no exercise prescription, said as a notice, not a failure.
    EXPECT_TRUE(s.runAll(AnalysisSession::wholeReportOrder()));
    EXPECT_TRUE(s.problems().empty());
    ASSERT_EQ(s.notices().size(), 1u);
    EXPECT_EQ(s.notices()[0].evaluation, analysis::Evaluation::ExercisePrescription);
    // The prescription's page says why it has no numbers.
    const Rows prescription = s.dataset(QStringLiteral("frxDB_ydcf"));
    EXPECT_EQ(text(prescription.value(0, QStringLiteral("jianyydl"))),
              "缺少身高和体重，未制定运动处方");
    EXPECT_EQ(text(prescription.value(0, QStringLiteral("yundqd"))), "未制定");
    EXPECT_EQ(text(prescription.value(0, QStringLiteral("pind"))), "未制定");
    EXPECT_EQ(text(prescription.value(0, QStringLiteral("shuom"))),
              "　　缺少身高和体重的检查数据，未能为您制定运动处方。补测身高和体重后，"
              "可重新生成本报告。");
    EXPECT_EQ(bars(s.dataset(QStringLiteral("frxDB_gxyjb"))), "正常人的级别=0");
    EXPECT_EQ(bars(s.dataset(QStringLiteral("frxDB_gxb"))), "同龄人正常指数=0|您患冠心病的指数=0");
    EXPECT_EQ(text(s.dataset(QStringLiteral("frxDBD_dxzhz")).value(0, QStringLiteral("jib"))),
              "目前没有代谢紊乱现象");
    const Rows diet = s.dataset(QStringLiteral("frxDB_ssyytb"));
    ASSERT_EQ(diet.rows.size(), 16);
    EXPECT_EQ(text(diet.value(3, QStringLiteral("neir"))), "<NULL>");
    // Stored as scored, 0; the chart gets no value and draws no bar below "缺乏".
    EXPECT_EQ(count(d,
                    QStringLiteral("select count(*) from jkpg_ssyypg where session_key = :k "
                                   "and zhis = 0"),
                    {{"k", s.key()}}),
              16);
    for (qsizetype i = 0; i < diet.size(); ++i)
        EXPECT_EQ(text(diet.value(i, QStringLiteral("zhis"))), "<NULL>") << i;
    // Sections nobody filled in are not judged: they say so.
    const Rows unansweredDiet = s.dataset(QStringLiteral("frxDB_ssyy"));
    ASSERT_EQ(unansweredDiet.rows.size(), 1);
    EXPECT_EQ(text(unansweredDiet.value(0, QStringLiteral("zongh_pd"))), "未填写");
    EXPECT_EQ(text(unansweredDiet.value(0, QStringLiteral("fxys"))), "未填写");
    EXPECT_EQ(text(s.dataset(QStringLiteral("frxDB_jbxx_ydfs")).value(0, QStringLiteral("yundjg"))),
              "未填写");
    const Rows unansweredHabits = s.dataset(QStringLiteral("frxDB_jbxx_shfs"));
    EXPECT_EQ(text(unansweredHabits.value(0, QStringLiteral("xiy_pd"))), "未填写");
    EXPECT_EQ(text(unansweredHabits.value(0, QStringLiteral("yinj_pd"))), "未填写");
    EXPECT_EQ(text(s.dataset(QStringLiteral("frxDB_yczb")).value(0, QStringLiteral("yczb"))),
              "未测");
    const Rows marks = s.dataset(QStringLiteral("frxDB_ckzpd_pd"));
    for (const QVariant& v : marks.rows.value(0))
        EXPECT_EQ(text(v), "未测");
    // Sections without a row still name the person's sex and age; answers
    // nobody gave say so; no disease box ticked in a section never saved.
    const Rows exam = s.dataset(QStringLiteral("frxDB_jbxx_tgjc"));
    ASSERT_EQ(exam.rows.size(), 1);
    EXPECT_EQ(text(exam.value(0, QStringLiteral("xingb"))), "女");
    EXPECT_EQ(exam.value(0, QStringLiteral("nianl")).toInt(), 46);
    EXPECT_TRUE(analysis::isNull(exam.value(0, QStringLiteral("tizzs"))));
    EXPECT_EQ(text(s.dataset(QStringLiteral("frxDB_ssyy")).value(0, QStringLiteral("meitsy"))),
              "未填写");
    EXPECT_EQ(
        text(s.dataset(QStringLiteral("frxDB_jbxx_ydfs")).value(0, QStringLiteral("duanlsj"))),
        "未填写");
    EXPECT_EQ(text(unansweredHabits.value(0, QStringLiteral("shifyj"))), "未填写");
    const Rows noStatus = s.dataset(QStringLiteral("frxDB_jbxx_mqzk"));
    EXPECT_EQ(text(noStatus.value(0, QStringLiteral("xianb_1"))), "未填写");
    EXPECT_EQ(text(noStatus.value(0, QStringLiteral("xianb_2"))), "");
    for (const char* f : {"jiazs_gxy", "jiazs_tnb_hz", "jiazs_gxb", "tnb_hz", "xxgjb_hz"})
        EXPECT_EQ(text(noStatus.value(0, QLatin1String(f))), "未填写") << f;
    // Items without advice print as empty text, never NULL.
    store::execute(d, QStringLiteral("delete from jkpg_sjzd_ts"));
    s.open(QStringLiteral("0000000002"), 77);
    const Rows risks = s.dataset(QStringLiteral("frxDBD_shfs_wxys"));
    ASSERT_EQ(risks.size(), 1);
    for (qsizetype f = 1; f < risks.fields.size(); ++f) {
        const QVariant v = risks.rows[0][f];
        EXPECT_FALSE(v.isNull()) << risks.fields[f].toStdString();
        EXPECT_EQ(v.toString(), QString()) << risks.fields[f].toStdString();
    }
}

TEST_P(Session, RowsOfDeadSessionsAreSweptAndOwnRowsRemovedAtTheEnd)
{
    const QSqlDatabase d = conn->db();
    const QDateTime now = conn->serverNow();
    store::run(d,
               QStringLiteral(
                   "insert into jkpg_fxhh (session_key, huodsj) values ('old', :t), ('live', :n)"),
               {{"t", now.addDays(-2)}, {"n", now}});
    for (const char* key : {"old", "live", "orphan"})
        store::run(
            d,
            QStringLiteral(
                "insert into jkpg_gxb (gxbid, gxbbwxx, session_key, xuh) values ('x', 1, :k, 1)"),
            {{"k", QString::fromLatin1(key)}});
    QString key;
    {
        AnalysisSession s(*conn);
        key = s.key();
        EXPECT_EQ(count(d, QStringLiteral("select count(*) from jkpg_gxb")), 1);
        EXPECT_EQ(
            count(d, QStringLiteral("select count(*) from jkpg_gxb where session_key = 'live'")),
            1);
        EXPECT_EQ(
            count(d, QStringLiteral("select count(*) from jkpg_fxhh where session_key = 'old'")),
            0);
        s.open(QStringLiteral("0000000001"), 5);
        s.run(Evaluation::Coronary);
        EXPECT_EQ(count(d, QStringLiteral("select count(*) from jkpg_gxb where session_key = :k"),
                        {{"k", key}}),
                  2);
    }
    EXPECT_EQ(count(d, QStringLiteral("select count(*) from jkpg_gxb where session_key = :k"),
                    {{"k", key}}),
              0);
    EXPECT_EQ(count(d, QStringLiteral("select count(*) from jkpg_fxhh where session_key = :k"),
                    {{"k", key}}),
              0);
    EXPECT_EQ(count(d, QStringLiteral("select count(*) from jkpg_gxb where session_key = 'live'")),
              1);
}

TEST_P(Session, ReferenceTablesAreReadOncePerRun)
{
    AnalysisSession s(*conn);
    s.open(QStringLiteral("0000000004"), 4);
    const int opened = s.statementCount();
    s.runAll(AnalysisSession::wholeReportOrder());
    const int firstRun = s.statementCount() - opened;
    s.runAll(AnalysisSession::wholeReportOrder());
    const int secondRun = s.statementCount() - opened - firstRun;
    // The first run reads each table it needs once: eight banded tables, the
    // women's standard weights, the reference ranges and the advice
    // dictionary. Later runs of the same analysis read none of them again.
    EXPECT_EQ(firstRun - secondRun, 11);
    s.open(QStringLiteral("0000000001"), 1);
    const int reopened = s.statementCount();
    s.runAll(AnalysisSession::wholeReportOrder());
    EXPECT_EQ(s.statementCount() - reopened, firstRun); // read again for the next analysis
}

// The exercise page's word for the index and the examination page's mark,
// judged by the seeded reference row, agree at every class bound.
TEST_P(Session, BodyMassIndexWordAgreesWithTheExaminationMark)
{
    const struct
    {
        double bmi;
        const char* mark;
        const char* word;
    } cases[] = {
        {18.4, "↓", "体重过低 ↓"}, {18.5, "正常", "正常"}, {23.99, "正常", "正常"},
        {24.0, "↑", "超重 ↑"},     {27.99, "↑", "超重 ↑"}, {28.0, "↑", "肥胖 ↑"},
    };
    AnalysisSession s(*conn);
    for (const auto& c : cases) {
        store::run(conn->db(), QStringLiteral("update jkpg_tgjc set tizzs=:v where jkpg_id=1"),
                   {{"v", c.bmi}});
        s.open(QStringLiteral("0000000001"), 1);
        const Rows printed = s.dataset(QStringLiteral("frxDB_tjjg"));
        EXPECT_EQ(text(printed.value(0, QStringLiteral("pd_tizzs"))) +
                      text(printed.value(0, QStringLiteral("yc_tizzs"))),
                  c.mark)
            << c.bmi;
        EXPECT_EQ(text(printed.value(0, QStringLiteral("zk_tizzs"))), c.word) << c.bmi;
    }
}

TEST_P(Session, ExerciseAdviceSendsAPersonWithHeartDiseaseToTheDoctorFirst)
{
    const QString first =
        QStringLiteral("运动前请先到医院评估运动风险，运动的方式和强度请在医生指导下确定。");
    // Every advice of the risk list and the metabolic page that speaks of exercise.
    const auto exerciseAdvice = [](const Rows& rows) {
        QStringList out;
        for (const QVariantList& row : rows.rows)
            for (const QVariant& v : row)
                if (v.toString().contains(QStringLiteral("运动")))
                    out << v.toString();
        return out;
    };
    // BMI 30 and a pressure of 150/95 ask for advice with exercise in it.
    store::run(conn->db(), QStringLiteral("update jkpg_tgjc set tizzs=30, shousy=150, shuzy=95 "
                                          "where jkpg_id=1"));
    AnalysisSession s(*conn);
    for (const bool coronary : {false, true}) {
        SCOPED_TRACE(coronary);
        store::run(conn->db(), QStringLiteral("update jkpg_mqzk set guanxb=:g where jkpg_id=1"),
                   {{"g", coronary ? q("冠心病") : q("0")}});
        s.open(QStringLiteral("0000000001"), 1);
        QStringList advice = exerciseAdvice(s.dataset(QStringLiteral("frxDBD_shfs_wxys")));
        advice << exerciseAdvice(s.dataset(QStringLiteral("frxDB_gxy_ts")));
        ASSERT_FALSE(advice.isEmpty());
        for (const QString& a : advice)
            EXPECT_EQ(a.endsWith(first), coronary) << a.toStdString();
    }
}

TEST_P(Session, CalibratedRiskNamesWhatIsMissingAndFollowsThePersonOverTime)
{
    // A new centre has not said where it lies: no figure, and the page says why.
    AnalysisSession s(*conn);
    s.open(QStringLiteral("0000000001"), 5);
    Rows risk = s.dataset(QStringLiteral("frxDB_chinapar"));
    EXPECT_EQ(text(risk.value(0, QStringLiteral("fengx"))), "<NULL>");
    EXPECT_EQ(text(risk.value(0, QStringLiteral("dengj"))), "无法评估");
    EXPECT_EQ(text(risk.value(0, QStringLiteral("queshi"))), "所在地区（南方或北方）、城市或农村");
    EXPECT_EQ(
        text(s.dataset(QStringLiteral("frxDB_chinapar_jd")).value(0, QStringLiteral("shuom"))),
        "未能计算10年风险，暂不能给出。");

    store::run(conn->db(), QStringLiteral("update jkpg_pgzx set diq=:d, chengx=:c"),
               {{QStringLiteral("d"), q("北方")}, {QStringLiteral("c"), q("城市")}});
    // The demo man of 58: 136 mmHg (medication not asked), TC 5.34, HDL 1.08,
    // waist 91, quit smoking, no diabetes; a grandfather's stroke is no family
    // history for the model. The published equation gives 8.3 %.
    s.open(QStringLiteral("0000000001"), 5);
    risk = s.dataset(QStringLiteral("frxDB_chinapar"));
    EXPECT_EQ(text(risk.value(0, QStringLiteral("fengx"))), "8.3");
    EXPECT_EQ(text(risk.value(0, QStringLiteral("dengj"))), "中危");
    EXPECT_EQ(text(risk.value(0, QStringLiteral("queshi"))), "");
    EXPECT_EQ(text(s.dataset(QStringLiteral("frxDB_cdrs")).value(0, QStringLiteral("defen"))),
              "34");

    // Both of his assessments, oldest first, each with its own risk; opened
    // on the first, the trend stops there.
    const Rows trend = s.dataset(QStringLiteral("frxDB_trend"));
    ASSERT_EQ(trend.size(), 2);
    EXPECT_EQ(text(trend.value(0, QStringLiteral("jkpg_id"))), "1");
    EXPECT_EQ(text(trend.value(0, QStringLiteral("shousy"))), "162");
    // Then he smoked, at 162 mmHg, TC 6.42, HDL 0.98, waist 96.
    EXPECT_EQ(text(trend.value(0, QStringLiteral("fengx"))), "17.4");
    EXPECT_EQ(text(trend.value(1, QStringLiteral("jkpg_id"))), "5");
    EXPECT_EQ(text(trend.value(1, QStringLiteral("fengx"))), "8.3");
    s.open(QStringLiteral("0000000001"), 1);
    EXPECT_EQ(s.dataset(QStringLiteral("frxDB_trend")).size(), 1);

    // Smoking now and then counts as smoking: 9.5 %, and quitting is listed as
    // a way down, after the pressure.
    store::run(conn->db(), QStringLiteral("update jkpg_shfs set shifxy=:s where jkpg_id=5"),
               {{QStringLiteral("s"), q("偶吸")}});
    s.open(QStringLiteral("0000000001"), 5);
    EXPECT_EQ(text(s.dataset(QStringLiteral("frxDB_chinapar")).value(0, QStringLiteral("fengx"))),
              "9.5");
    const Rows ways = s.dataset(QStringLiteral("frxDB_chinapar_jd"));
    QStringList items;
    for (qsizetype i = 0; i < ways.size(); ++i)
        items << ways.value(i, QStringLiteral("xiangm")).toString();
    EXPECT_EQ(items, QStringList({q("收缩压"), q("吸烟"), q("总胆固醇")}));
    EXPECT_EQ(text(ways.value(1, QStringLiteral("shuom"))), "戒烟后，10年风险可降为8.3%。");
}

INSTANTIATE_TEST_SUITE_P(Backends, Session, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });
