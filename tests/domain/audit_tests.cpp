// The operation log: what each action writes, that an entry stands or falls
// with its change, paging through the log, and its retention.
#include "domain/Assessment.h"
#include "domain/AssessmentSearch.h"
#include "domain/Audit.h"
#include "domain/Operators.h"
#include "domain/PersonRecords.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <set>

using namespace hra;
using domain::AuditAction;
using store::Driver;

namespace {

class Audit : public ::testing::TestWithParam<Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
        domain::setAuditActor(
            {QStringLiteral("rootadm"), QStringLiteral("hra"), QStringLiteral("ws-01")});
    }

    std::vector<domain::AuditRow> all(const domain::AuditFilter& filter = {})
    {
        return domain::auditPage(conn->db(), filter, std::nullopt, 1000);
    }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
};

TEST_P(Audit, EachOperatorActionWritesItsEntry)
{
    const QSqlDatabase d = conn->db();
    const struct
    {
        std::function<void()> act;
        QString action;
        QString operatorCode;
        QString detail;
    } cases[] = {
        {[&] { domain::addOperator(d, "op01", "张三", "pw-1"); }, "operator", "rootadm",
         "增加用户 op01"},
        {[&] { domain::modifyOperator(d, "op01", "op02", "张三", QStringLiteral("pw-2")); },
         "operator", "rootadm", "修改用户 op01 → op02，重设密码"},
        {[&] { domain::setPassword(d, "op02", "pw-3"); }, "operator", "rootadm", "设置密码 op02"},
        {[&] { ASSERT_FALSE(domain::logIn(d, "op02", "wrong", "hra")); }, "login_failed", "op02",
         ""},
        {[&] { ASSERT_TRUE(domain::logIn(d, " op02 ", "pw-3", "hra")); }, "login", "op02", ""},
        // From here on the log-in's operator is the actor.
        {[&] { domain::changePassword(d, "op02", "pw-3", "pw-4"); }, "operator", "op02",
         "更改密码 op02"},
        {[&] { domain::deleteOperator(d, "op02"); }, "operator", "op02", "删除用户 op02"},
    };
    std::size_t expected = all().size();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.detail.toStdString() + c.action.toStdString());
        c.act();
        const std::vector<domain::AuditRow> rows = all();
        ASSERT_EQ(rows.size(), ++expected);
        const domain::AuditRow& newest = rows.front();
        EXPECT_EQ(newest.action, c.action);
        EXPECT_EQ(newest.operatorCode, c.operatorCode);
        EXPECT_EQ(newest.program, QStringLiteral("hra"));
        EXPECT_EQ(newest.detail, c.detail);
        EXPECT_TRUE(newest.record.isEmpty());
        EXPECT_FALSE(newest.assessment.has_value());
        EXPECT_TRUE(newest.time.isValid());
    }
}

TEST_P(Audit, RecordChangesWriteTheirEntries)
{
    test::TestDatabase demoDb{GetParam()};
    const auto demo = demoDb.connectInitialised(QStringLiteral("demo"), true);
    ASSERT_TRUE(demo);
    const QSqlDatabase d = demo->db();
    const std::size_t before = domain::auditPage(d, {}, std::nullopt, 1000).size();
    domain::AssessmentRows rows;
    ASSERT_TRUE(rows.open(d, QStringLiteral("0000000003"), 3));
    rows.save(d);
    rows.end(d);
    domain::AssessmentRows fresh;
    fresh.startNew(d, QStringLiteral("0000000004"));
    fresh.save(d, domain::OtherInProgress::Allow);
    store::RowBuffer person = domain::personBuffer();
    ASSERT_TRUE(person.load(d, {{QStringLiteral("bianh"), QStringLiteral("0000000004")}}));
    person.edit();
    person.setValue(QStringLiteral("xingm"), QStringLiteral("改名"));
    domain::storePerson(d, person);
    domain::deleteAssessment(d, QStringLiteral("0000000001"), 1);
    domain::renumberPerson(d, QStringLiteral("0000000001"), QStringLiteral("0000000099"));
    ASSERT_TRUE(domain::deletePerson(d, QStringLiteral("0000000099")));
    ASSERT_FALSE(domain::deletePerson(d, QStringLiteral("0000000099"))); // nothing, no entry
    const auto log = domain::auditPage(d, {}, std::nullopt, 1000);
    ASSERT_EQ(log.size(), before + 7);
    const struct
    {
        const char* action;
        const char* record;
        std::optional<qint32> assessment;
        QString detail;
    } expected[] = {
        {"delete", "0000000099", std::nullopt, QStringLiteral("档案")},
        {"renumber", "0000000099", std::nullopt, QStringLiteral("0000000001 → 0000000099")},
        {"delete", "0000000001", 1, QStringLiteral("评估")},
        {"modify", "0000000004", std::nullopt, QStringLiteral("档案")},
        {"create", "0000000004", fresh.id(), QStringLiteral("信息调查")},
        {"modify", "0000000003", 3, QStringLiteral("结束评估")},
        {"modify", "0000000003", 3, QStringLiteral("信息调查")},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(log[i].action, QLatin1String(expected[i].action));
        EXPECT_EQ(log[i].record, QLatin1String(expected[i].record));
        EXPECT_EQ(log[i].assessment, expected[i].assessment);
        EXPECT_EQ(log[i].detail, expected[i].detail);
    }
}

TEST_P(Audit, AnEntryStandsOrFallsWithItsChange)
{
    const QSqlDatabase d = conn->db();
    const std::size_t before = all().size();
    {
        // A change that is rolled back leaves no entry of itself.
        store::Transaction outer(d);
        domain::addOperator(d, "op09", "李四", "pw-9");
        domain::writeAudit(d, {AuditAction::Modify, "0000000001", 3, "体检检查"});
    }
    EXPECT_EQ(all().size(), before);
    EXPECT_TRUE(domain::listOperators(d).size() == 1);
    // Refused changes write nothing either.
    EXPECT_THROW(domain::addOperator(d, "rootadm", "x", "pw"), domain::OperatorRuleError);
    EXPECT_EQ(domain::deleteOperator(d, "rootadm"), domain::DeleteOperatorResult::RefusedManager);
    EXPECT_EQ(all().size(), before);
}

TEST_P(Audit, PagesAndFiltersReadNewestFirstWithoutOverlap)
{
    const QSqlDatabase d = conn->db();
    for (int i = 0; i < 25; ++i)
        domain::writeAudit(d, {i % 5 == 0 ? AuditAction::Print : AuditAction::View,
                               i % 2 ? QStringLiteral("0000000002") : QStringLiteral("0000000001"),
                               i, QStringLiteral("第%1页").arg(i)});
    std::vector<qint64> seen;
    std::optional<qint64> before;
    for (;;) {
        const auto page = domain::auditPage(d, {}, before, 10);
        for (const auto& row : page)
            seen.push_back(row.id);
        if (page.size() < 10)
            break;
        before = page.back().id;
    }
    ASSERT_EQ(seen.size(), 25u);
    EXPECT_TRUE(std::is_sorted(seen.rbegin(), seen.rend()));
    EXPECT_EQ(std::set<qint64>(seen.begin(), seen.end()).size(), 25u);

    domain::AuditFilter prints;
    prints.action = AuditAction::Print;
    prints.record = QStringLiteral("0000000001");
    const auto found = all(prints);
    ASSERT_EQ(found.size(), 3u); // 0, 10, 20
    EXPECT_EQ(found[0].assessment, 20);
    EXPECT_EQ(found[2].detail, QStringLiteral("第0页"));

    domain::AuditFilter someoneElse;
    someoneElse.operatorCode = QStringLiteral("op01");
    EXPECT_TRUE(all(someoneElse).empty());

    const QDate today = conn->serverNow().date();
    domain::AuditFilter days;
    days.from = today;
    days.to = today;
    EXPECT_EQ(all(days).size(), 25u);
    days.from = days.to = today.addDays(-1);
    EXPECT_TRUE(all(days).empty());
}

TEST_P(Audit, PruneKeepsHalfAYearAndSaysWhatItRemoved)
{
    const QSqlDatabase d = conn->db();
    const QDateTime now = conn->serverNow();
    store::run(d,
               QStringLiteral("insert into sys_czrz (shij, yonghdm, dongz, bianh) "
                              "values (:t, 'old', 'view', '0000000001')"),
               {{QStringLiteral("t"), now.addDays(-400)}});
    domain::writeAudit(d, {AuditAction::View, "0000000001", 1, {}});

    EXPECT_THROW(domain::pruneAudit(d, now.date().addDays(-domain::kAuditRetentionDays)),
                 domain::AuditRetentionError);
    EXPECT_EQ(all().size(), 2u);

    EXPECT_EQ(domain::pruneAudit(d, now.date().addDays(-domain::kAuditRetentionDays - 1)), 1);
    const auto rows = all();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].action, QStringLiteral("prune"));
    EXPECT_EQ(rows[0].detail,
              QStringLiteral("删除 %1 之前的日志 1 条")
                  .arg(now.date().addDays(-domain::kAuditRetentionDays - 1).toString(Qt::ISODate)));
    EXPECT_EQ(rows[1].action, QStringLiteral("view"));
}

TEST_P(Audit, LongTextIsCutToItsColumnNotRefused)
{
    domain::setAuditActor({QString(80, u'u'), QStringLiteral("hra"), QString(80, u'w')});
    domain::writeAudit(conn->db(), {AuditAction::ExportPdf, "0000000001", 1, QString(300, u'文')});
    const auto row = all().front();
    EXPECT_EQ(row.operatorCode.size(), 64);
    EXPECT_EQ(row.workstation.size(), 64);
    EXPECT_EQ(row.detail.size(), 255);
    EXPECT_TRUE(row.detail.endsWith(u'…'));
}

INSTANTIATE_TEST_SUITE_P(Backends, Audit, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

TEST(AuditActions, CodesAreUniqueAndReadBack)
{
    std::set<QString> codes;
    for (const AuditAction a : domain::auditActions()) {
        EXPECT_TRUE(codes.insert(domain::auditCode(a)).second);
        EXPECT_EQ(domain::auditActionFromCode(domain::auditCode(a)), a);
        EXPECT_FALSE(domain::auditCaption(a).isEmpty());
    }
    EXPECT_FALSE(domain::auditActionFromCode(QStringLiteral("LOGIN")).has_value());
}

} // namespace
