#include "domain/AssessmentSearch.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <set>

using namespace hra;
using domain::SearchCriteria;

class SearchTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
        addPerson("0000000011", QStringLiteral("张三"), QStringLiteral("男"), 20);
        addPerson("0000000012", QStringLiteral("张三丰"), QStringLiteral("男"), 45);
        addPerson("0000000013", QStringLiteral("李四"), QStringLiteral("女"), 19);
        const QDate day(2025, 3, 10);
        addAssessment(101, "0000000011", QDateTime(day.addDays(-1), QTime(23, 59, 59)));
        addAssessment(102, "0000000011", QDateTime(day, QTime(0, 0)));
        addAssessment(103, "0000000012", QDateTime(day, QTime(23, 59, 30)));
        addAssessment(104, "0000000013", QDateTime(day.addDays(1), QTime(0, 0)));
        addAssessment(105, "0000000013", QDateTime(QDate(2024, 1, 5), QTime(8, 0)));
    }

    QSqlDatabase d() const { return conn->db(); }

    void addPerson(const QString& number, const QString& name, const QString& sex, int age)
    {
        store::run(
            d(),
            QStringLiteral(
                "insert into jkpg_jbxx (bianh, xingm, xingb, nianl) values (:bh, :xm, :xb, :nl)"),
            {{"bh", number}, {"xm", name}, {"xb", sex}, {"nl", age}});
    }

    // The date-time is bound as the program binds every stored time.
    void addAssessment(qint32 id, const QString& number, const QDateTime& at)
    {
        store::run(d(),
                   QStringLiteral("insert into jkpg_id (jkpg_id, bianh, zhuangt, lurrq) "
                                  "values (:id, :bh, '结束', :t)"),
                   {{"id", id}, {"bh", number}, {"t", at}});
    }

    std::vector<qint32> found(const SearchCriteria& c, const domain::StartLimits& limits = {})
    {
        const auto search = domain::AssessmentSearch::build(c, limits);
        EXPECT_TRUE(search.has_value());
        std::vector<qint32> ids;
        if (search)
            for (const domain::FoundAssessment& a :
                 search->all(d(), 2)) // small pages: paging is used
                ids.push_back(a.id);
        return ids;
    }

    // The rows found, the same however the search starts: walking the
    // assessments newest first (no count is under a limit of 0), from the
    // index of its first condition (every count is), from the dates, walking
    // the numbers within the dates or sorting the assessments within them.
    std::vector<qint32> foundEveryWay(const SearchCriteria& c)
    {
        const std::vector<qint32> ids = found(c);
        EXPECT_EQ(found(c, {.persons = 0, .assessments = 0}), ids) << "walking newest first";
        EXPECT_EQ(found(c, {.persons = 1'000'000, .assessments = 1'000'000}), ids)
            << "starting from an index";
        EXPECT_EQ(found(c, {.persons = 0, .assessments = 1'000'000}), ids)
            << "starting from the dates where they are given";
        EXPECT_EQ(found(c, {.persons = 0, .assessments = 1'000'000, .spread = 0}), ids)
            << "sorting the assessments within the dates";
        return ids;
    }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
};

TEST_P(SearchTest, CriteriaFindExactlyTheirRowsNewestFirst)
{
    const QDate day(2025, 3, 10);
    struct Case
    {
        const char* name;
        SearchCriteria criteria;
        std::vector<qint32> ids;
    };
    const Case cases[] = {
        {"no criteria lists everything", {}, {105, 104, 103, 102, 101}},
        {"record number", {.recordNumber = QStringLiteral(" 0000000011 ")}, {102, 101}},
        {"record number is not matched in part", {.recordNumber = QStringLiteral("000000001")}, {}},
        {"names containing the typed text", {.name = QStringLiteral("张三")}, {103, 102, 101}},
        {"a family name alone", {.name = QStringLiteral("张")}, {103, 102, 101}},
        {"the end of a name", {.name = QStringLiteral(" 丰 ")}, {103}},
        {"a name nobody has", {.name = QStringLiteral("王")}, {}},
        {"number and name together",
         {.recordNumber = QStringLiteral("0000000011"), .name = QStringLiteral("三丰")},
         {}},
        {"sex", {.sex = QStringLiteral(" 女")}, {105, 104}},
        {"sex as typed", {.sex = QStringLiteral("x")}, {}},
        {"ages inclusive",
         {.ageFrom = QStringLiteral("19"), .ageTo = QStringLiteral("20")},
         {105, 104, 102, 101}},
        {"only the lowest age adds nothing",
         {.ageFrom = QStringLiteral("40")},
         {105, 104, 103, 102, 101}},
        {"only the highest age adds nothing",
         {.ageTo = QStringLiteral("x")},
         {105, 104, 103, 102, 101}},
        {"20 to 19 finds nothing",
         {.ageFrom = QStringLiteral("20"), .ageTo = QStringLiteral("19")},
         {}},
        {"one whole day, 00:00:00 to 23:59:30",
         {.useDates = true, .dateFrom = day, .dateTo = day},
         {103, 102}},
        {"two days",
         {.useDates = true, .dateFrom = day.addDays(-1), .dateTo = day},
         {103, 102, 101}},
        {"dates whose assessment numbers lie apart",
         {.useDates = true, .dateFrom = QDate(2024, 1, 1), .dateTo = day.addDays(-1)},
         {105, 101}},
        {"first date after the last: the days between",
         {.useDates = true, .dateFrom = day, .dateTo = day.addDays(-1)},
         {103, 102, 101}},
        {"dates unticked add nothing",
         {.useDates = false, .dateFrom = day, .dateTo = day},
         {105, 104, 103, 102, 101}},
        {"sex and a day",
         {.sex = QStringLiteral("男"), .useDates = true, .dateFrom = day, .dateTo = day},
         {103, 102}},
        {"name and ages",
         {.name = QStringLiteral("张"),
          .ageFrom = QStringLiteral("19"),
          .ageTo = QStringLiteral("20")},
         {102, 101}},
        {"sex and ages nobody has",
         {.sex = QStringLiteral("女"),
          .ageFrom = QStringLiteral("20"),
          .ageTo = QStringLiteral("45")},
         {}},
        {"all conditions",
         {.recordNumber = QStringLiteral("0000000012"),
          .name = QStringLiteral("张三丰"),
          .sex = QStringLiteral("男"),
          .ageFrom = QStringLiteral("45"),
          .ageTo = QStringLiteral("45"),
          .useDates = true,
          .dateFrom = day,
          .dateTo = day},
         {103}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(foundEveryWay(c.criteria), c.ids);
    }
}

TEST_P(SearchTest, RowsCarryTheGridFields)
{
    const auto search =
        domain::AssessmentSearch::build({.recordNumber = QStringLiteral("0000000012")});
    ASSERT_TRUE(search);
    const auto rows = search->page(d(), std::nullopt, 10);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].name, QStringLiteral("张三丰"));
    EXPECT_EQ(rows[0].sex, QStringLiteral("男"));
    EXPECT_EQ(rows[0].state, QStringLiteral("结束"));
    EXPECT_EQ(rows[0].date, QDateTime(QDate(2025, 3, 10), QTime(23, 59, 30)));
    EXPECT_EQ(rows[0].age.toInt(), 45);
    EXPECT_EQ(rows[0].id, 103);
}

TEST_P(SearchTest, TypedTextIsSearchedLiterally)
{
    for (const char* typed :
         {"' or '1'='1", "张三'; delete from jkpg_id; --", "%", "_", "!", "[张]", "张%丰"}) {
        SCOPED_TRACE(typed);
        EXPECT_TRUE(found({.recordNumber = QString::fromUtf8(typed)}).empty());
        EXPECT_TRUE(found({.name = QString::fromUtf8(typed)}).empty());
        EXPECT_TRUE(found({.sex = QString::fromUtf8(typed)}).empty());
    }
    EXPECT_EQ(store::scalar(d(), QStringLiteral("select count(*) from jkpg_id")).toInt(), 5);
}

TEST(SearchCriteria, AgesThatAreNotWholeNumbersAreRefused)
{
    struct Case
    {
        const char* from;
        const char* to;
        bool refused;
    };
    const Case cases[] = {
        {"a", "20", true}, {"20", "2x", true}, {"1.5", "20", true}, {" 20 ", " 30 ", false},
        {"", "x", false},  {"x", " ", false},  {"-1", "3", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " / " + c.to);
        const auto search = domain::AssessmentSearch::build(
            {.ageFrom = QString::fromUtf8(c.from), .ageTo = QString::fromUtf8(c.to)});
        EXPECT_EQ(!search.has_value(), c.refused);
    }
}

class DeleteAssessmentTest : public SearchTest
{
protected:
    void addSections(qint32 id, const QString& number, std::initializer_list<const char*> tables)
    {
        for (const char* table : tables)
            store::run(d(),
                       QStringLiteral("insert into %1 (jkpg_id, bianh) values (:id, :bh)")
                           .arg(QLatin1String(table)),
                       {{"id", id}, {"bh", number}});
    }

    int rowsOf(qint32 id)
    {
        int n = 0;
        for (const char* table :
             {"jkpg_id", "jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs", "jkpg_tgjc"})
            n += store::scalar(d(),
                               QStringLiteral("select count(*) from %1 where jkpg_id = :id")
                                   .arg(QLatin1String(table)),
                               {{"id", id}})
                     .toInt();
        return n;
    }
};

TEST_P(DeleteAssessmentTest, RemovesTheSixRowsAndKeepsThePerson)
{
    const auto all = {"jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs", "jkpg_tgjc"};
    addSections(101, "0000000011", all);
    addSections(102, "0000000011", all);
    addSections(103, "0000000012", {"jkpg_mqzk", "jkpg_tgjc"}); // sections never saved
    ASSERT_EQ(rowsOf(101), 6);

    domain::deleteAssessment(d(), QStringLiteral("0000000011"), 101);
    domain::deleteAssessment(d(), QStringLiteral("0000000012"), 103);

    EXPECT_EQ(rowsOf(101), 0);
    EXPECT_EQ(rowsOf(103), 0);
    EXPECT_EQ(rowsOf(102), 6); // the person's other assessment
    EXPECT_EQ(store::scalar(d(), QStringLiteral("select count(*) from jkpg_jbxx")).toInt(), 3);
    EXPECT_EQ(found({.recordNumber = QStringLiteral("0000000012")}), std::vector<qint32>{});
}

TEST_P(DeleteAssessmentTest, AFailureRollsEverythingBack)
{
    addSections(101, "0000000011",
                {"jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs", "jkpg_tgjc"});
    // The register row is deleted last; make that statement fail.
    if (GetParam() == store::Driver::Sqlite) {
        store::execute(d(), QStringLiteral("create trigger refuse before delete on jkpg_id "
                                           "begin select raise(abort, 'refused'); end"));
    } else {
        store::execute(
            d(), QStringLiteral("create function refuse() returns trigger language plpgsql as "
                                "$$ begin raise exception 'refused'; end $$"));
        store::execute(d(), QStringLiteral("create trigger refuse before delete on jkpg_id "
                                           "for each row execute function refuse()"));
    }
    EXPECT_THROW(domain::deleteAssessment(d(), QStringLiteral("0000000011"), 101),
                 store::DatabaseError);
    EXPECT_EQ(rowsOf(101), 6);
}

INSTANTIATE_TEST_SUITE_P(Backends, SearchTest, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });
INSTANTIATE_TEST_SUITE_P(Backends, DeleteAssessmentTest,
                         ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });
