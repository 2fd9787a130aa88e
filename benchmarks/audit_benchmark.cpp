// Reading the operation log at 10,000 and at 10,000,000 entries, side by
// side: the log window's first page (every entry, and one action), and what
// hra-cli audit --record reads (every entry of one person). Each person has
// about twenty entries at both sizes: a centre's persons grow with its log.
// Median of several runs, alternating sizes so that both see the same load.
// Not a test.
#include "domain/Audit.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <vector>

using namespace hra;

namespace {

constexpr int kEntriesPerPerson = 20;

// Entries spread over ten years by the server itself: the benchmark's own set-up.
void populate(const QSqlDatabase& db, store::Driver driver, int entries)
{
    const int persons = std::max(1, entries / kEntriesPerPerson);
    store::Transaction transaction(db);
    const QString actions =
        QStringLiteral("case i % 10 when 0 then 'print' when 1 then 'search' when 2 then 'modify' "
                       "when 3 then 'analyse' else 'view' end");
    if (driver == store::Driver::Sqlite)
        store::execute(
            db, QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n "
                               "where i < %1) "
                               "insert into sys_czrz (shij, yonghdm, chengx, gongzz, dongz, bianh, "
                               "jkpg_id, xiangq) "
                               "select strftime('%Y-%m-%dT%H:%M:%S', julianday('2016-01-01') + i "
                               "* (3650.0 / %1)), 'op' || (i % 20), 'hra', 'ws', %3, "
                               "substr('000000000' || (1 + i % %2), -10), i % 7, '体检检查' from n")
                    .arg(entries)
                    .arg(persons)
                    .arg(actions));
    else
        store::execute(
            db, QStringLiteral("insert into sys_czrz (shij, yonghdm, chengx, gongzz, dongz, bianh, "
                               "jkpg_id, xiangq) "
                               "select timestamp '2016-01-01' + (i * (3650.0 / %1)) * "
                               "interval '1 day', 'op' || (i % 20), 'hra', 'ws', %3, "
                               "lpad((1 + i % %2)::text, 10, '0'), i % 7, '体检检查' "
                               "from generate_series(1, %1) i")
                    .arg(entries)
                    .arg(persons)
                    .arg(actions));
    transaction.commit();
    if (driver == store::Driver::Postgres)
        store::execute(db, QStringLiteral("analyze"));
}

struct Read
{
    const char* name;
    std::function<std::size_t(const QSqlDatabase&, int entries)> run;
};

// Every entry of a person, page by page, as hra-cli audit --record prints them.
std::size_t wholeRecord(const QSqlDatabase& db, const QString& record)
{
    domain::AuditFilter filter;
    filter.record = record;
    std::size_t rows = 0;
    std::optional<qint64> before;
    for (;;) {
        const auto page = domain::auditPage(db, filter, before, 1000);
        rows += page.size();
        if (page.size() < 1000)
            return rows;
        before = page.back().id;
    }
}

const Read kReads[] = {
    {"window, first page", [](const QSqlDatabase& db,
                              int) { return domain::auditPage(db, {}, std::nullopt, 100).size(); }},
    {"window, prints only",
     [](const QSqlDatabase& db, int) {
         domain::AuditFilter f;
         f.action = domain::AuditAction::Print;
         return domain::auditPage(db, f, std::nullopt, 100).size();
     }},
    {"window, one operator",
     [](const QSqlDatabase& db, int) {
         domain::AuditFilter f;
         f.operatorCode = QStringLiteral("op7");
         return domain::auditPage(db, f, std::nullopt, 100).size();
     }},
    {"audit --record",
     [](const QSqlDatabase& db, int entries) {
         const int persons = std::max(1, entries / kEntriesPerPerson);
         return wholeRecord(db, QStringLiteral("%1").arg(persons / 2, 10, 10, QLatin1Char('0')));
     }},
};

double medianMs(const QSqlDatabase& db, const Read& read, int entries, int runs, std::size_t* rows)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        *rows = read.run(db, entries);
        times.push_back(double(t.nsecsElapsed()) / 1e6);
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
    const int large = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000000;
    for (const store::Driver driver : test::databaseBackends()) {
        test::TestDatabase smallDb(driver);
        test::TestDatabase largeDb(driver);
        if (!smallDb.available())
            break;
        auto a = smallDb.connectInitialised(QStringLiteral("small"));
        auto b = largeDb.connectInitialised(QStringLiteral("large"));
        QElapsedTimer load;
        load.start();
        populate(a->db(), driver, small);
        populate(b->db(), driver, large);
        out << "\n"
            << QString::fromStdString(test::backendName(driver)) << ": " << small << " vs " << large
            << " entries (loaded in " << load.elapsed() / 1000 << " s); median of 9 (ms)\n";
        out << QStringLiteral("%1 %2 %3 %4 %5\n")
                   .arg(QStringLiteral("read"), -22)
                   .arg(QStringLiteral("small"), 8)
                   .arg(QStringLiteral("large"), 8)
                   .arg(QStringLiteral("ratio"), 6)
                   .arg(QStringLiteral("rows"), 6);
        for (const Read& read : kReads) {
            std::size_t rowsSmall = 0;
            std::size_t rowsLarge = 0;
            medianMs(a->db(), read, small, 1, &rowsSmall);
            medianMs(b->db(), read, large, 1, &rowsLarge);
            const double s = medianMs(a->db(), read, small, 9, &rowsSmall);
            const double l = medianMs(b->db(), read, large, 9, &rowsLarge);
            out << QStringLiteral("%1 %2 %3 %4 %5/%6\n")
                       .arg(QString::fromUtf8(read.name), -22)
                       .arg(s, 8, 'f', 3)
                       .arg(l, 8, 'f', 3)
                       .arg(l / s, 6, 'f', 2)
                       .arg(rowsSmall)
                       .arg(rowsLarge);
            out.flush();
        }
    }
    return 0;
}
