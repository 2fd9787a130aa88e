// Search times of the information query at 10,000 and at 1,000,000
// assessments: each search as the window runs it (the statement and its
// first page of rows), median of several runs. Not a test.
//
// Two models of the dates. "ten years": any number of assessments spread
// over the same ten years (3 a day at 10,000, 274 at 1,000,000), the model
// the first figures were measured with. "steady centre": one centre of
// constant throughput, 274 assessments a day (1,000,000 in ten years), whose
// history grows: 10,000 are its first 36 days. In both, a third as many
// persons as assessments, each coming back, named from 2,000 names, so that
// at 1,000,000 a name is shared by 100 times as many persons as at 10,000.
#include "domain/AssessmentSearch.h"
#include "store/Dialect.h"
#include "store/Schema.h"
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

struct Model
{
    const char* name;
    // The days from the first assessment to the last.
    double (*days)(int assessments);
};

const Model kModels[] = {
    {"ten years", [](int) { return 3650.0; }},
    {"steady centre", [](int assessments) { return assessments / 274.0; }},
};

// Persons (a third as many as assessments) and assessments spread evenly over
// `days`, made by the server itself: this is the benchmark's own set-up.
void populate(const QSqlDatabase& db, store::Driver driver, int assessments, double days)
{
    const int persons = std::max(1, assessments / 3);
    store::Transaction transaction(db);
    if (driver == store::Driver::Sqlite) {
        store::execute(
            db, QStringLiteral(
                    "with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                    "insert into jkpg_jbxx (bianh, xingm, xingb, nianl) "
                    "select substr('000000000' || i, -10), '名' || (i % 2000), case i % 2 when 0 "
                    "then '男' "
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
                .arg(days, 0, 'f', 6));
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
                    .arg(days, 0, 'f', 6));
    }
    transaction.commit();
    if (driver == store::Driver::Postgres)
        store::execute(db, QStringLiteral("analyze")); // what autovacuum does after a load
}

struct Search
{
    const char* name;
    domain::SearchCriteria criteria;
};

std::vector<Search> searches(const Model& model, int assessments)
{
    const int persons = std::max(1, assessments / 3);
    const QString somePerson = QStringLiteral("%1").arg(persons / 2, 10, 10, QLatin1Char('0'));
    const double days = model.days(assessments);
    const QDate middle = kFirstDay.addDays(qint64(days / 2));
    // Ten years: the month after the middle day. Steady centre: its last
    // month, which the first 36 days hold whole.
    const QDate last = kFirstDay.addDays(qint64(days));
    const bool tenYears = &model == &kModels[0];
    const QDate monthFrom = tenYears ? middle : last.addMonths(-1);
    const QDate monthTo = tenYears ? middle.addMonths(1) : last;
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
          .dateFrom = monthFrom,
          .dateTo = monthTo}},
        {"name not found", {.name = QStringLiteral("无此人")}},
        {"ages 20 to 19 (none)", {.ageFrom = QStringLiteral("20"), .ageTo = QStringLiteral("19")}},
        {"sex typed wrong (none)", {.sex = QStringLiteral("x")}},
    };
}

// How the window ran a search before it chose where to start: the plain
// conditions ordered by the assessment number, on a database with the
// indexes it had then (none on sex and age, which made SQLite sort half the
// database; the date index without the number).
QList<domain::FoundAssessment> firstPageBefore(const QSqlDatabase& db,
                                               const domain::AssessmentSearch& search)
{
    const QString sql = QStringLiteral("select bianh, xingm, xingb, zhuangt, lurrq, nianl, "
                                       "jkpg_id from v_jkpg_jbxx where %1 order by jkpg_id desc")
                            .arg(search.conditions());
    QList<domain::FoundAssessment> out;
    const store::Rows rows =
        store::select(db, store::Dialect::of(db).firstRows(sql, 200), search.bindings());
    for (const QVariantList& r : rows.rows)
        out << domain::FoundAssessment{.id = r.value(6).toInt()};
    return out;
}

// The indexes the search now relies on, and the columns they had before.
struct ChangedIndex
{
    const char* table;
    const char* name;
    const char* before; // nullptr: there was none
};
const ChangedIndex kChangedIndexes[] = {
    {"jkpg_jbxx", "ix_jkpg_jbxx_xingb", nullptr},
    {"jkpg_jbxx", "ix_jkpg_jbxx_nianl", nullptr},
    {"jkpg_id", "ix_jkpg_id_lurrq", "lurrq"},
};

void indexesBefore(const QSqlDatabase& db)
{
    for (const ChangedIndex& index : kChangedIndexes) {
        store::execute(db, QStringLiteral("drop index %1").arg(QLatin1String(index.name)));
        if (index.before)
            store::execute(db, QStringLiteral("create index %1 on %2 (%3)")
                                   .arg(QLatin1String(index.name), QLatin1String(index.table),
                                        QLatin1String(index.before)));
    }
}

void indexesNow(const QSqlDatabase& db, store::Driver driver)
{
    for (const ChangedIndex& index : kChangedIndexes) {
        if (index.before)
            store::execute(db, QStringLiteral("drop index %1").arg(QLatin1String(index.name)));
        for (const store::IndexDef& declared :
             store::table(QString::fromLatin1(index.table))->indexes) {
            if (declared.name == QLatin1String(index.name))
                store::execute(db, QStringLiteral("create index %1 on %2 (%3)")
                                       .arg(declared.name, QLatin1String(index.table),
                                            declared.columns.join(QStringLiteral(", "))));
        }
    }
    if (driver == store::Driver::Postgres)
        store::execute(db, QStringLiteral("analyze"));
}

double medianMs(const QSqlDatabase& db, const domain::SearchCriteria& criteria, int runs,
                bool before)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        const auto search = domain::AssessmentSearch::build(criteria);
        const auto rows =
            before ? firstPageBefore(db, *search) : search->page(db, std::nullopt, 200);
        times.push_back(double(t.nsecsElapsed()) / 1e6);
        Q_UNUSED(rows);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The assessments the search finds in all (not timed).
int matches(const QSqlDatabase& db, const domain::SearchCriteria& criteria)
{
    const auto search = domain::AssessmentSearch::build(criteria);
    return store::scalar(db,
                         QStringLiteral("select count(*) from v_jkpg_jbxx where %1")
                             .arg(search->conditions()),
                         search->bindings())
        .toInt();
}

// Median times of each search at both sizes, alternating so that both sizes
// see the same machine load.
std::vector<std::pair<double, double>> measure(const QSqlDatabase& small, const QSqlDatabase& large,
                                               const std::vector<Search>& smallSearches,
                                               const std::vector<Search>& largeSearches,
                                               bool before)
{
    std::vector<std::pair<double, double>> times;
    for (size_t i = 0; i < smallSearches.size(); ++i) {
        medianMs(small, smallSearches[i].criteria, 1, before);
        medianMs(large, largeSearches[i].criteria, 1, before);
        times.emplace_back(medianMs(small, smallSearches[i].criteria, 7, before),
                           medianMs(large, largeSearches[i].criteria, 7, before));
    }
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int small = 10000;
    const int large = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    for (const store::Driver driver : test::databaseBackends()) {
        for (const Model& model : kModels) {
            test::TestDatabase smallDb(driver);
            test::TestDatabase largeDb(driver);
            if (!smallDb.available())
                break;
            auto a = smallDb.connectInitialised(QStringLiteral("small"));
            auto b = largeDb.connectInitialised(QStringLiteral("large"));
            QElapsedTimer load;
            load.start();
            populate(a->db(), driver, small, model.days(small));
            populate(b->db(), driver, large, model.days(large));
            out << "\n"
                << QString::fromStdString(test::backendName(driver)) << ", " << model.name << ": "
                << small << " vs " << large << " assessments (loaded in " << load.elapsed() / 1000
                << " s); first page of 200 rows, median of 7 (ms)\n";
            out.flush();
            const auto smallSearches = searches(model, small);
            const auto largeSearches = searches(model, large);
            indexesBefore(a->db());
            indexesBefore(b->db());
            const auto before = measure(a->db(), b->db(), smallSearches, largeSearches, true);
            indexesNow(a->db(), driver);
            indexesNow(b->db(), driver);
            const auto after = measure(a->db(), b->db(), smallSearches, largeSearches, false);
            out << QStringLiteral("%1 %2 %3 %4 | %5 %6 %7 | %8 %9\n")
                       .arg(QStringLiteral("search"), -24)
                       .arg(QStringLiteral("before"), 8)
                       .arg(QStringLiteral("large"), 8)
                       .arg(QStringLiteral("ratio"), 6)
                       .arg(QStringLiteral("after"), 8)
                       .arg(QStringLiteral("large"), 8)
                       .arg(QStringLiteral("ratio"), 6)
                       .arg(QStringLiteral("found"), 8)
                       .arg(QStringLiteral("found large"), 11);
            for (size_t i = 0; i < smallSearches.size(); ++i) {
                const auto [bs, bl] = before[i];
                const auto [as, al] = after[i];
                out << QStringLiteral("%1 %2 %3 %4 | %5 %6 %7 | %8 %9\n")
                           .arg(QString::fromUtf8(smallSearches[i].name), -24)
                           .arg(bs, 8, 'f', 2)
                           .arg(bl, 8, 'f', 2)
                           .arg(bl / bs, 6, 'f', 1)
                           .arg(as, 8, 'f', 2)
                           .arg(al, 8, 'f', 2)
                           .arg(al / as, 6, 'f', 1)
                           .arg(matches(a->db(), smallSearches[i].criteria), 8)
                           .arg(matches(b->db(), largeSearches[i].criteria), 11);
            }
            out.flush();
        }
    }
    return 0;
}
