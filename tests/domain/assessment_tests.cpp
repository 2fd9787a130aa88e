#include "domain/Assessment.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace hra;
using domain::AssessmentRows;
using domain::AssessmentTable;
using Action = domain::LookupDecision::Action;

class AssessmentTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
        addPerson("0042");
    }

    QSqlDatabase d() const { return conn->db(); }

    void addPerson(const QString& number)
    {
        store::run(d(),
                   QStringLiteral("insert into jkpg_jbxx (bianh, xingm, xingb, nianl) "
                                  "values (:bh, '王五', '男', 50)"),
                   {{QStringLiteral("bh"), number}});
    }

    void addAssessment(qint32 id, const QString& number, const QString& state)
    {
        store::run(d(),
                   QStringLiteral("insert into jkpg_id (jkpg_id, bianh, id, zhuangt) "
                                  "values (:id, :bh, :bh, :state)"),
                   {{QStringLiteral("id"), id},
                    {QStringLiteral("bh"), number},
                    {QStringLiteral("state"), state}});
    }

    int count(const QString& table, qint32 id) const
    {
        return store::scalar(
                   d(), QStringLiteral("select count(*) from %1 where jkpg_id = :id").arg(table),
                   {{QStringLiteral("id"), id}})
            .toInt();
    }

    QVariant stored(const QString& table, const QString& column, qint32 id) const
    {
        return store::scalar(
            d(), QStringLiteral("select %1 from %2 where jkpg_id = :id").arg(column, table),
            {{QStringLiteral("id"), id}});
    }

    // The nine values the window requires, so that a save is realistic.
    static void fillRequired(AssessmentRows& rows)
    {
        store::RowBuffer& exam = rows.section(AssessmentTable::Examination);
        const std::pair<const char*, double> values[] = {
            {"sheng", 1.75},  {"tiz", 70},     {"yaow", 80},     {"shousy", 120},   {"shuzy", 80},
            {"zongdgc", 4.5}, {"ganysz", 1.2}, {"kongfxt", 5.0}, {"canhexsxt", 6.0}};
        for (const auto& [column, value] : values)
            ASSERT_TRUE(exam.setValue(QString::fromLatin1(column), value)) << column;
    }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
};

TEST_P(AssessmentTest, LookupDecidesBetweenNewContinueAndChooser)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<qint32, QString>> assessments; // of person 0042
        bool history;
        QString typed;
        Action action;
        QString stateText;
        bool notice;
        bool scan;
        std::optional<bool> endEnabled;
        qint32 continued;
    };
    const Case cases[] = {
        {"none", {}, false, " 0042 ", Action::StartNew, "评估", false, false, true, 0},
        {"none, history ticked", {}, true, "0042", Action::StartNew, "评估", true, false, true, 0},
        {"latest in progress",
         {{3, "结束"}, {7, "评估"}},
         false,
         "0042",
         Action::Continue,
         "评估",
         false,
         false,
         true,
         7},
        {"latest ended",
         {{3, "评估"}, {7, "结束"}},
         false,
         "0042",
         Action::OfferChooser,
         "结束",
         false,
         false,
         false,
         0},
        {"history ticked",
         {{3, "结束"}},
         true,
         "0042",
         Action::OfferChooser,
         "",
         false,
         true,
         std::nullopt,
         0},
        {"unknown state",
         {{3, "暂停"}},
         false,
         "0042",
         Action::Nothing,
         "暂停",
         false,
         false,
         std::nullopt,
         0},
        {"no such person", {}, false, "0043", Action::NoPerson, "", false, false, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store::execute(d(), QStringLiteral("delete from jkpg_id"));
        for (const auto& [id, state] : c.assessments)
            addAssessment(id, QStringLiteral("0042"), state);
        const domain::LookupDecision got = domain::decideLookup(d(), c.typed, c.history);
        EXPECT_EQ(got.action, c.action);
        EXPECT_EQ(got.person.has_value(), c.action != Action::NoPerson);
        EXPECT_EQ(got.stateText, c.stateText);
        EXPECT_EQ(got.firstAssessmentNotice, c.notice);
        EXPECT_EQ(got.scanForInProgress, c.scan);
        EXPECT_EQ(got.endEnabled, c.endEnabled);
        if (c.action == Action::Continue) {
            EXPECT_EQ(got.assessmentId, c.continued);
        }
    }
    EXPECT_FALSE(domain::hasAssessmentInProgress(domain::assessmentsOf(d(), "0042")));
    addAssessment(9, QStringLiteral("0042"), QStringLiteral("评估"));
    EXPECT_TRUE(domain::hasAssessmentInProgress(domain::assessmentsOf(d(), "0042")));
}

// The first assessment of the database is 1, then the highest plus one even
// when lower numbers are free; a new assessment is only stored by a save.
TEST_P(AssessmentTest, NewAssessmentNumbersAndTheFirstSave)
{
    AssessmentRows rows;
    rows.startNew(d(), QStringLiteral(" 0042 "));
    EXPECT_EQ(rows.id(), 1);
    EXPECT_EQ(rows.mode(), domain::AssessmentMode::New);
    EXPECT_EQ(count(QStringLiteral("jkpg_id"), 1), 0);
    EXPECT_EQ(rows.section(AssessmentTable::CurrentStatus).value(QStringLiteral("gaoxy")), "0");
    EXPECT_EQ(rows.section(AssessmentTable::Lifestyle).value(QStringLiteral("yinjzl_bj")), "0");

    addPerson(QStringLiteral("0050"));
    addAssessment(5, QStringLiteral("0050"), QStringLiteral("结束"));
    rows.startNew(d(), QStringLiteral(" 0042 "));
    EXPECT_EQ(rows.id(), 6);

    fillRequired(rows);
    rows.save(d());
    EXPECT_EQ(rows.mode(), domain::AssessmentMode::Stored);
    for (const QString table :
         {"jkpg_id", "jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs", "jkpg_tgjc"}) {
        EXPECT_EQ(count(table, 6), 1) << table.toStdString();
        EXPECT_EQ(stored(table, QStringLiteral("bianh"), 6).toString(), "0042")
            << table.toStdString();
        EXPECT_TRUE(stored(table, QStringLiteral("lurrq"), 6).toDateTime().isValid())
            << table.toStdString();
    }
    EXPECT_EQ(stored("jkpg_id", "id", 6).toString(), "0042");
    EXPECT_EQ(stored("jkpg_id", "zhuangt", 6).toString(), "评估");
    EXPECT_EQ(stored("jkpg_mqzk", "mqzk_id", 6).toString(), "jkpg_mqzk");
    EXPECT_EQ(stored("jkpg_mqzk", "feia", 6).toString(), "0");
    EXPECT_TRUE(store::isNull(stored("jkpg_mqzk", "pilcd", 6)));
    EXPECT_TRUE(store::isNull(stored("jkpg_ydfs", "duanlfs", 6)));
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "tizzs", 6).toDouble(), 22.86);
}

// A failed first save stores nothing and keeps the assessment new; the save
// tried again stores all six rows with their entry dates.
TEST_P(AssessmentTest, RetriedFirstSaveStoresAllRowsWithEntryDates)
{
    AssessmentRows rows;
    rows.startNew(d(), QStringLiteral("0042"));
    fillRequired(rows);
    rows.section(AssessmentTable::Exercise).setValue(QStringLiteral("meizgzts"), QString(30, u'5'));
    EXPECT_THROW(rows.save(d()), store::DatabaseError);
    EXPECT_EQ(rows.mode(), domain::AssessmentMode::New);
    EXPECT_EQ(count(QStringLiteral("jkpg_id"), rows.id()), 0);
    EXPECT_EQ(count(QStringLiteral("jkpg_mqzk"), rows.id()), 0);

    rows.section(AssessmentTable::Exercise)
        .setValue(QStringLiteral("meizgzts"), QStringLiteral("5"));
    rows.save(d());
    for (const QString table : {"jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs", "jkpg_tgjc"})
        EXPECT_TRUE(stored(table, QStringLiteral("lurrq"), rows.id()).toDateTime().isValid())
            << table.toStdString();
}

// Saving a stored assessment again keeps each section's entry date and moves
// the register row's; a reopened assessment shows its answers; a section
// without a row gets a new one under the assessment's number.
TEST_P(AssessmentTest, ContinuedAssessmentKeepsEntryDatesAndMendsAMissingSection)
{
    AssessmentRows first;
    first.startNew(d(), QStringLiteral("0042"));
    fillRequired(first);
    first.section(AssessmentTable::CurrentStatus)
        .setValue(QStringLiteral("pilcd"), QStringLiteral("无疲劳 "));
    first.save(d());
    const qint32 id = first.id();
    store::run(d(), QStringLiteral("update jkpg_mqzk set lurrq = :t"),
               {{QStringLiteral("t"), QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5))}});
    store::run(d(), QStringLiteral("update jkpg_id set lurrq = :t"),
               {{QStringLiteral("t"), QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5))}});
    store::run(d(), QStringLiteral("delete from jkpg_ssyy where jkpg_id = :id"),
               {{QStringLiteral("id"), id}});

    AssessmentRows again;
    ASSERT_TRUE(again.open(d(), QStringLiteral("0042"), id));
    EXPECT_FALSE(again.open(d(), QStringLiteral("0043"), id)); // not that person's
    ASSERT_TRUE(again.open(d(), QStringLiteral("0042"), id));
    EXPECT_EQ(again.mode(), domain::AssessmentMode::Stored);
    EXPECT_EQ(again.section(AssessmentTable::CurrentStatus).value(QStringLiteral("pilcd")),
              "无疲劳 ");
    EXPECT_EQ(again.section(AssessmentTable::Diet).state(), store::RowBuffer::State::New);
    again.section(AssessmentTable::Diet)
        .setValue(QStringLiteral("meitsc"), QStringLiteral("≥400克"));
    again.save(d());
    EXPECT_EQ(stored("jkpg_mqzk", "lurrq", id).toDateTime().date(), QDate(2020, 1, 2));
    EXPECT_NE(stored("jkpg_id", "lurrq", id).toDateTime().date(), QDate(2020, 1, 2));
    EXPECT_EQ(stored("jkpg_ssyy", "meitsc", id).toString(), "≥400克");
}

// Two workstations prepare the same number; the second save moves to the
// next free number and stores all six rows there.
TEST_P(AssessmentTest, SecondWorkstationWithTheSameNumberSavesUnderTheNext)
{
    auto other = db.connect(QStringLiteral("other"));
    AssessmentRows mine;
    AssessmentRows theirs;
    mine.startNew(d(), QStringLiteral("0042"));
    theirs.startNew(other->db(), QStringLiteral("0042"));
    ASSERT_EQ(mine.id(), theirs.id());
    fillRequired(mine);
    fillRequired(theirs);
    theirs.save(other->db());
    mine.save(d());
    EXPECT_EQ(mine.id(), theirs.id() + 1);
    for (const QString table :
         {"jkpg_id", "jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs", "jkpg_tgjc"}) {
        EXPECT_EQ(count(table, mine.id()), 1) << table.toStdString();
        EXPECT_EQ(count(table, theirs.id()), 1) << table.toStdString();
    }
}

TEST_P(AssessmentTest, RefillEmptiesOnlyStoredRowsAndEndWritesOnlyTheState)
{
    AssessmentRows rows;
    rows.startNew(d(), QStringLiteral("0042"));
    rows.section(AssessmentTable::CurrentStatus)
        .setValue(QStringLiteral("gaoxy"), QStringLiteral("高血压"));
    EXPECT_FALSE(rows.refill(AssessmentTable::CurrentStatus));
    EXPECT_EQ(rows.section(AssessmentTable::CurrentStatus).value(QStringLiteral("gaoxy")),
              "高血压");
    EXPECT_FALSE(rows.end(d())); // never saved: nothing to end

    fillRequired(rows);
    rows.save(d());
    const qint32 id = rows.id();
    ASSERT_TRUE(rows.open(d(), QStringLiteral("0042"), id));
    store::RowBuffer& status = rows.section(AssessmentTable::CurrentStatus);
    const QVariant entered = status.value(QStringLiteral("lurrq"));
    EXPECT_TRUE(rows.refill(AssessmentTable::CurrentStatus));
    EXPECT_EQ(status.value(QStringLiteral("gaoxy")), "0");
    EXPECT_EQ(status.value(QStringLiteral("mqzk_id")), "jkpg_mqzk");
    EXPECT_EQ(status.value(QStringLiteral("bianh")), "0042");
    EXPECT_EQ(status.value(QStringLiteral("jkpg_id")).toInt(), id);
    EXPECT_EQ(status.value(QStringLiteral("lurrq")), entered);
    EXPECT_TRUE(store::isNull(status.value(QStringLiteral("pilcd"))));

    const QVariant savedAt = stored("jkpg_id", "lurrq", id);
    EXPECT_TRUE(rows.end(d()));
    EXPECT_EQ(stored("jkpg_id", "zhuangt", id).toString(), "结束");
    EXPECT_EQ(stored("jkpg_id", "lurrq", id), savedAt);
    EXPECT_EQ(stored("jkpg_mqzk", "gaoxy", id).toString(), "高血压"); // the re-fill was never saved
}

INSTANTIATE_TEST_SUITE_P(Backends, AssessmentTest, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });
