// Search times of the information query at 10,000 and at 1,000,000
// assessments: each search as the window runs it (the statement and its
// first page of rows), median of several runs. Not a test.
#include "store/AssessmentSearch.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace hra;

namespace {

const QDate kFirstDay(2016, 1, 1);
constexpr double kDays = 3650;

// Persons (a third as many as assessments) and assessments spread over ten
// years, made by the server itself: this is the benchmark's own set-up.
void populate(const QSqlDatabase& db, store::Driver driver, int assessments)
{
    const int persons = std::max(1, assessments / 3);
    store::Transaction transaction(db);
    if (driver == store::Driver::Sqlite) {
        store::execute(
            db, QStringLiteral(
                    "with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                    "insert into jkpg_jbxx (bianh, xingm, xingb, nianl) "
                    "select substr('000000000' || i, -10), '名' || (i % 2000), case i % 2 when 0 then '男' "
                    "else '女' end, "
                    "18 + (i % 70) from n")
                    .arg(persons));
        store::execute(
            db,
            QStringLiteral(
                "with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                "insert into jkpg_id (jkpg_id, bianh, zhuangt, lurrq) "
                "select i, substr('000000000' || (1 + i % %2), -10), '结束', "
                "strftime('%Y-%m-%dT%H:%M:%S', julianday('2016-01-01') + i * (%3 / %1.0)) from n")
                .arg(assessments)
                .arg(persons)
                .arg(kDays));
    } else {
        store::execute(db, QStringLiteral("insert into jkpg_jbxx (bianh, xingm, xingb, nianl) "
                                          "select lpad(i::text, 10, '0'), '名' || (i % 2000), case "
                                          "i % 2 when 0 then '男' else '女' end, "
                                          "18 + (i % 70) from generate_series(1, %1) i")
                               .arg(persons));
        store::execute(
            db, QStringLiteral("insert into jkpg_id (jkpg_id, bianh, zhuangt, lurrq) "
                               "select i, lpad((1 + i % %2)::text, 10, '0'), '结束', "
                               "timestamp '2016-01-01' + (i * (%3 / %1.0)) * interval '1 day' "
                               "from generate_series(1, %1) i")
                    .arg(assessments)
                    .arg(persons)
                    .arg(kDays));
    }
    transaction.commit();
    if (driver == store::Driver::Postgres)
        store::execute(db, QStringLiteral("analyze")); // what autovacuum does after a load
}

struct Search
{
    const char* name;
    store::SearchCriteria criteria;
};

std::vector<Search> searches(int assessments)
{
    const int persons = std::max(1, assessments / 3);
    const QString somePerson = QStringLiteral("%1").arg(persons / 2, 10, 10, QLatin1Char('0'));
    const QDate middle = kFirstDay.addDays(qint64(kDays / 2));
    return {
        {"no criteria", {}},
        {"record number", {.recordNumber = somePerson}},
        {"name", {.name = QStringLiteral("名77")}},
        {"sex", {.sex = QStringLiteral("女")}},
        {"age 30 to 40", {.ageFrom = QStringLiteral("30"), .ageTo = QStringLiteral("40")}},
        {"one day", {.useDates = true, .dateFrom = middle, .dateTo = middle}},
        {"sex, age and a month",
         {.sex = QStringLiteral("男"),
          .ageFrom = QStringLiteral("30"),
          .ageTo = QStringLiteral("60"),
          .useDates = true,
          .dateFrom = middle,
          .dateTo = middle.addMonths(1)}},
        {"name not found", {.name = QStringLiteral("无此人")}},
        {"ages 20 to 19 (none)", {.ageFrom = QStringLiteral("20"), .ageTo = QStringLiteral("19")}},
        {"sex typed wrong (none)", {.sex = QStringLiteral("x")}},
    };
}

double medianMs(const QSqlDatabase& db, const store::SearchCriteria& criteria, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        const auto search = store::AssessmentSearch::build(criteria);
        const auto rows = search->page(db, std::nullopt, 200);
        times.push_back(double(t.nsecsElapsed()) / 1e6);
        Q_UNUSED(rows);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int small = 10000;
    const int large = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    for (const store::Driver driver : test::databaseBackends()) {
        test::TestDatabase smallDb(driver);
        test::TestDatabase largeDb(driver);
        if (!smallDb.available())
            continue;
        auto a = smallDb.connectInitialised(QStringLiteral("small"));
        auto b = largeDb.connectInitialised(QStringLiteral("large"));
        QElapsedTimer load;
        load.start();
        populate(a->db(), driver, small);
        populate(b->db(), driver, large);
        out << "\n"
            << QString::fromStdString(test::backendName(driver)) << ": " << small << " vs " << large
            << " assessments (loaded in " << load.elapsed() / 1000
            << " s); first page of 200 rows, median of 7\n";
        out << QStringLiteral("%1 %2 %3 %4\n")
                   .arg(QStringLiteral("search"), -26)
                   .arg(QStringLiteral("small ms"), 10)
                   .arg(QStringLiteral("large ms"), 10)
                   .arg(QStringLiteral("ratio"), 7);
        const auto smallSearches = searches(small);
        const auto largeSearches = searches(large);
        for (size_t i = 0; i < smallSearches.size(); ++i) {
            // Alternating, so that both sizes see the same machine load.
            medianMs(a->db(), smallSearches[i].criteria, 1);
            medianMs(b->db(), largeSearches[i].criteria, 1);
            const double s = medianMs(a->db(), smallSearches[i].criteria, 7);
            const double l = medianMs(b->db(), largeSearches[i].criteria, 7);
            out << QStringLiteral("%1 %2 %3 %4\n")
                       .arg(QString::fromUtf8(smallSearches[i].name), -26)
                       .arg(s, 10, 'f', 2)
                       .arg(l, 10, 'f', 2)
                       .arg(l / s, 7, 'f', 2);
            out.flush();
        }
    }
    return 0;
}
