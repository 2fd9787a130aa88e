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
    // A second one in progress, as batch imports make them.
    mine.save(d(), domain::OtherInProgress::Allow);
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

// Two workstations open the same assessment; the second save is refused and
// nothing of the first is lost; reloaded, the second keeps what was typed and
// stores it beside the first one's change.
TEST_P(AssessmentTest, SecondSaveOfAnAssessmentChangedElsewhereIsRefused)
{
    AssessmentRows first;
    first.startNew(d(), QStringLiteral("0042"));
    fillRequired(first);
    first.save(d());
    const qint32 id = first.id();
    EXPECT_EQ(first.version(), 1);

    auto other = db.connect(QStringLiteral("other"));
    AssessmentRows a;
    AssessmentRows b;
    ASSERT_TRUE(a.open(d(), QStringLiteral("0042"), id));
    ASSERT_TRUE(b.open(other->db(), QStringLiteral("0042"), id));
    b.section(AssessmentTable::Examination).setValue(QStringLiteral("shuzy"), 95);
    b.save(other->db());
    EXPECT_EQ(b.version(), 2);

    a.section(AssessmentTable::Examination).setValue(QStringLiteral("kongfxt"), 6.2);
    a.section(AssessmentTable::CurrentStatus)
        .setValue(QStringLiteral("pilcd"), QStringLiteral("无疲劳"));
    EXPECT_THROW(a.save(d()), store::StaleRowError);
    EXPECT_EQ(stored("jkpg_tgjc", "shuzy", id).toInt(), 95);
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "kongfxt", id).toDouble(), 5.0);
    EXPECT_TRUE(store::isNull(stored("jkpg_mqzk", "pilcd", id)));
    EXPECT_EQ(stored("jkpg_id", "banb", id).toInt(), 2);
    EXPECT_DOUBLE_EQ(
        a.section(AssessmentTable::Examination).value(QStringLiteral("kongfxt")).toDouble(), 6.2);

    using Changed = QList<std::pair<QString, QStringList>>;
    EXPECT_EQ(a.changedElsewhere(d()), (Changed{{"jkpg_id", {"lurrq"}}, {"jkpg_tgjc", {"shuzy"}}}));
    a.reloadKeepingEdits(d());
    a.save(d());
    EXPECT_EQ(stored("jkpg_tgjc", "shuzy", id).toInt(), 95);
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "kongfxt", id).toDouble(), 6.2);
    EXPECT_EQ(stored("jkpg_mqzk", "pilcd", id).toString(), "无疲劳");
    EXPECT_EQ(a.version(), 3);

    // B, now behind, overwrites only on purpose.
    b.section(AssessmentTable::Examination).setValue(QStringLiteral("shuzy"), 100);
    EXPECT_THROW(b.save(other->db()), store::StaleRowError);
    EXPECT_EQ(stored("jkpg_tgjc", "shuzy", id).toInt(), 95);
    b.overwriteStored(other->db());
    b.save(other->db());
    EXPECT_EQ(stored("jkpg_tgjc", "shuzy", id).toInt(), 100);
    EXPECT_TRUE(store::isNull(stored("jkpg_mqzk", "pilcd", id))); // B's rows as B had them

    // The end moves the version on too.
    AssessmentRows c;
    ASSERT_TRUE(c.open(d(), QStringLiteral("0042"), id));
    EXPECT_TRUE(c.end(d()));
    EXPECT_EQ(stored("jkpg_id", "banb", id).toInt(), 5);
}

// Two workstations start the first assessment of one person at once: the
// second save is told of the first and may continue it (its answers carried
// over) or store a second one on purpose.
TEST_P(AssessmentTest, SecondNewAssessmentOfAPersonIsNotMadeUnknowingly)
{
    auto other = db.connect(QStringLiteral("other"));
    AssessmentRows mine;
    AssessmentRows theirs;
    mine.startNew(d(), QStringLiteral("0042"));
    theirs.startNew(other->db(), QStringLiteral("0042"));
    fillRequired(theirs);
    theirs.section(AssessmentTable::CurrentStatus)
        .setValue(QStringLiteral("pilcd"), QStringLiteral("无疲劳"));
    theirs.save(other->db());

    fillRequired(mine);
    mine.section(AssessmentTable::CurrentStatus)
        .setValue(QStringLiteral("gaoxy"), QStringLiteral("高血压"));
    mine.section(AssessmentTable::Examination).setValue(QStringLiteral("shuzy"), 90);
    try {
        mine.save(d());
        FAIL() << "a second assessment in progress was stored unasked";
    } catch (const domain::AnotherAssessmentInProgress& e) {
        EXPECT_EQ(e.id(), theirs.id());
    }
    EXPECT_EQ(mine.mode(), domain::AssessmentMode::New);
    EXPECT_EQ(store::scalar(d(), QStringLiteral("select count(*) from jkpg_id")).toInt(), 1);

    ASSERT_TRUE(mine.continueWith(d(), theirs.id()));
    EXPECT_EQ(mine.id(), theirs.id());
    EXPECT_EQ(mine.mode(), domain::AssessmentMode::Stored);
    mine.save(d());
    EXPECT_EQ(store::scalar(d(), QStringLiteral("select count(*) from jkpg_id")).toInt(), 1);
    EXPECT_EQ(stored("jkpg_mqzk", "pilcd", theirs.id()).toString(), "无疲劳");
    EXPECT_EQ(stored("jkpg_mqzk", "gaoxy", theirs.id()).toString(), "高血压");
    EXPECT_EQ(stored("jkpg_tgjc", "shuzy", theirs.id()).toInt(), 90);

    AssessmentRows second;
    second.startNew(d(), QStringLiteral("0042"));
    fillRequired(second);
    EXPECT_THROW(second.save(d()), domain::AnotherAssessmentInProgress);
    second.save(d(), domain::OtherInProgress::Allow);
    EXPECT_EQ(store::scalar(d(), QStringLiteral("select count(*) from jkpg_id where zhuangt = "
                                                "'评估'"))
                  .toInt(),
              2);
}

// A save during an outage stores nothing and keeps every answer; once the
// database is back the same save stores all six rows.
TEST_P(AssessmentTest, SaveDuringAnOutageKeepsTheRowsAndTheRetryStoresAllSix)
{
    auto other = db.connect(QStringLiteral("other"));
    AssessmentRows rows;
    rows.startNew(d(), QStringLiteral("0042"));
    fillRequired(rows);
    rows.section(AssessmentTable::Diet)
        .setValue(QStringLiteral("meitsc"), QStringLiteral("≥400克"));

    db.cut(*conn, *other);
    EXPECT_THROW(rows.save(d()), store::ConnectionLostError);
    // Not "no such person": the lookup says the link is gone.
    EXPECT_THROW(domain::findPerson(d(), QStringLiteral("0042")), store::ConnectionLostError);
    EXPECT_EQ(rows.mode(), domain::AssessmentMode::New);
    EXPECT_EQ(rows.section(AssessmentTable::Diet).value(QStringLiteral("meitsc")), "≥400克");
    EXPECT_EQ(rows.section(AssessmentTable::Diet).state(), store::RowBuffer::State::New);

    db.restore(*other);
    ASSERT_TRUE(conn->reconnect(nullptr, true));
    rows.save(d());
    for (const QString table :
         {"jkpg_id", "jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs", "jkpg_tgjc"})
        EXPECT_EQ(count(table, rows.id()), 1) << table.toStdString();
    EXPECT_EQ(stored("jkpg_ssyy", "meitsc", rows.id()).toString(), "≥400克");
}

// The server ends the program's session between two saves of an assessment:
// the second save opens the connection again and stores all six rows.
TEST_P(AssessmentTest, SessionEndedBetweenTwoSavesTheSecondStoresAllSixRows)
{
    if (GetParam() != store::Driver::Postgres)
        GTEST_SKIP() << "sessions end on a server";
    auto other = db.connect(QStringLiteral("other"));
    AssessmentRows rows;
    rows.startNew(d(), QStringLiteral("0042"));
    fillRequired(rows);
    rows.save(d());
    const qint32 id = rows.id();

    test::terminateSession(*conn, *other);
    const std::pair<AssessmentTable, const char*> answers[] = {
        {AssessmentTable::CurrentStatus, "pilcd"},
        {AssessmentTable::Diet, "meitsc"},
        {AssessmentTable::Exercise, "chuxfs"},
        {AssessmentTable::Lifestyle, "shuimzk"},
        {AssessmentTable::Examination, "xuens"}};
    for (const auto& [table, column] : answers)
        ASSERT_TRUE(
            rows.section(table).setValue(QString::fromLatin1(column), QStringLiteral("甲")));
    rows.save(d());
    EXPECT_FALSE(conn->isLost());
    for (const auto& [table, column] : answers)
        EXPECT_EQ(store::scalar(other->db(),
                                QStringLiteral("select %1 from %2 where jkpg_id = :id")
                                    .arg(QString::fromLatin1(column), domain::tableName(table)),
                                {{QStringLiteral("id"), id}})
                      .toString(),
                  "甲")
            << column;
    EXPECT_EQ(store::scalar(other->db(),
                            QStringLiteral("select banb from jkpg_id where jkpg_id "
                                           "= :id"),
                            {{QStringLiteral("id"), id}})
                  .toInt(),
              2);
}
