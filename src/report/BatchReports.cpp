#include "report/BatchReports.h"

#include "analysis/AnalysisError.h"
#include "analysis/AnalysisSession.h"
#include "domain/Audit.h"
#include "files/PrivateFiles.h"
#include "report/CentreSettings.h"
#include "report/SectionBuild.h"
#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "reportengine/common/TaskQueue.h"
#include "store/Connection.h"
#include "store/Sql.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <vector>

namespace hra::report {

namespace {

QList<BatchItem> itemsFrom(const store::Rows& rows)
{
    // Rows come by record, the latest assessment first: the first of each
    // record is kept.
    QList<BatchItem> items;
    QSet<QString> seen;
    for (int i = 0; i < rows.size(); ++i) {
        const QString record = rows.value(i, QStringLiteral("bianh")).toString();
        if (seen.contains(record))
            continue;
        seen.insert(record);
        items.append({record, rows.value(i, QStringLiteral("xingm")).toString(),
                      rows.value(i, QStringLiteral("jkpg_id")).toInt(),
                      rows.value(i, QStringLiteral("lurrq")).toDateTime()});
    }
    return items;
}

const QString kItemColumns = QStringLiteral(
    "select p.bianh as bianh, p.xingm as xingm, a.jkpg_id as jkpg_id, a.lurrq as lurrq "
    "from jkpg_jbxx p join jkpg_id a on a.bianh = p.bianh ");

// How one report of the batch ended.
struct Outcome
{
    enum class State
    {
        NotRun,
        Built,
        Failed
    };
    State state = State::NotRun;
    QString file;
    QString reason;
};

QString failureOf(const reportengine::ExportResult& result)
{
    return result.error.isEmpty() ? QStringLiteral("the report could not be built") : result.error;
}

// What every worker shares: the items, where each one ended, the next to take.
struct Pool
{
    const QList<BatchItem>& items;
    const BatchOptions& options;
    const Section& section;
    QString reportsDirectory;
    std::vector<Outcome> outcomes;
    std::atomic_int next{0};
    std::atomic_int done{0};

    // The combined PDF: written on a thread of its own, each report's pages
    // handed over in the items' order, the next in turn waited for.
    std::unique_ptr<reportengine::TaskQueue> bookThread;
    std::unique_ptr<reportengine::PdfBook> book;
    std::mutex turnMutex;
    std::condition_variable turnTaken;
    int turn = 0;
    QString bookError; // read once the workers have ended

    // Waits until every item before `i` has been handed over (or the batch
    // was cancelled), hands over `pages` (none: the report failed), and
    // passes the turn on.
    void handOver(int i, const std::shared_ptr<reportengine::BuiltReport>& pages)
    {
        if (!book)
            return;
        {
            std::unique_lock lock(turnMutex);
            while (turn != i) {
                if (cancelled())
                    return;
                turnTaken.wait_for(lock, std::chrono::milliseconds(50));
            }
        }
        // The next report's turn comes whatever happens to this one's pages:
        // a worker that left without passing it on would keep the others
        // waiting for ever.
        struct PassTurn
        {
            Pool& pool;
            ~PassTurn()
            {
                {
                    const std::lock_guard lock(pool.turnMutex);
                    ++pool.turn;
                }
                pool.turnTaken.notify_all();
            }
        } passTurn{*this};
        if (!pages)
            return;
        try {
            bookThread->run([&] {
                QString error;
                if (bookError.isEmpty() && !book->add(*pages, &error))
                    bookError = error;
            });
        } catch (const std::bad_alloc&) {
            bookError = QStringLiteral("out of memory");
        } catch (const std::runtime_error& e) {
            bookError = QString::fromUtf8(e.what());
        }
    }

    bool cancelled() const { return options.cancel && options.cancel->load(); }
    void finished()
    {
        const int count = ++done;
        if (options.progress)
            options.progress(count, int(items.size()));
    }
};

// One worker: a connection, the template and its fonts of its own, then
// reports one after another until none is left. Returns why it could not
// start, empty when it ran.
QString runWorker(Pool& pool, int index)
{
    QString error;
    const auto connection = store::Connection::open(pool.options.settings, &error,
                                                    QStringLiteral("hra-batch-%1").arg(index),
                                                    store::Connection::Missing::Refuse);
    if (!connection)
        return error.isEmpty() ? QStringLiteral("the database does not open") : error;
    reportengine::Report report;
    if (!loadSectionTemplate(report, pool.section, pool.reportsDirectory, &error))
        return error;
    if (pool.section.cover)
        applyCover(report, loadCover(*connection));
    report.loadFonts();

    while (!pool.cancelled()) {
        const int i = pool.next++;
        if (i >= pool.items.size())
            break;
        const BatchItem& item = pool.items.at(i);
        Outcome& outcome = pool.outcomes[size_t(i)];
        std::shared_ptr<reportengine::BuiltReport> pages;
        const QString path = QDir(pool.options.outDir).filePath(batchFileName(item));
        try {
            analysis::AnalysisSession session(*connection);
            {
                store::Transaction written(connection->db());
                session.open(item.record, item.assessment);
                runSectionEvaluations(session, pool.section);
                written.commit();
            }
            report.dataSources().clear();
            addSessionSources(report, session);
            reportengine::ExportTarget target;
            target.pdfPath = path;
            target.title = pool.section.name;
            target.protectedFiles = pool.options.protectedFiles;
            reportengine::ExportControl control;
            control.cancel = pool.options.cancel;
            const reportengine::ExportResult written =
                buildAndExport(report, target, control, pool.book ? &pages : nullptr);
            report.dataSources().clear(); // before the session ends
            if (written.cancelled)
                break;
            if (written.ok) {
                outcome = {Outcome::State::Built, path, {}};
                domain::noteAudit(
                    connection->db(),
                    {domain::AuditAction::ExportPdf, item.record, item.assessment,
                     pool.section.name + QStringLiteral(" → ") + QFileInfo(path).fileName()});
            } else {
                outcome = {Outcome::State::Failed, {}, failureOf(written)};
            }
        } catch (const analysis::AnalysisError& e) {
            outcome = {Outcome::State::Failed, {}, e.message()};
        } catch (const store::DatabaseError& e) {
            outcome = {Outcome::State::Failed, {}, e.message()};
        } catch (const std::bad_alloc&) {
            outcome = {Outcome::State::Failed, {}, QStringLiteral("out of memory")};
        } catch (const std::runtime_error& e) {
            // Programming errors (logic_error) are not a person's failure.
            outcome = {Outcome::State::Failed, {}, QString::fromUtf8(e.what())};
        }
        report.dataSources().clear();
        pool.finished();
        pool.handOver(i, outcome.state == Outcome::State::Built ? pages : nullptr);
    }
    return {};
}

} // namespace

QStringList workUnits(const QSqlDatabase& db)
{
    const store::Rows rows = store::select(
        db, QStringLiteral("select distinct gongzdw from jkpg_jbxx where gongzdw is not null "
                           "order by gongzdw"));
    QStringList units;
    for (int i = 0; i < rows.size(); ++i) {
        const QString unit = rows.value(i, QStringLiteral("gongzdw")).toString().trimmed();
        if (!unit.isEmpty() && !units.contains(unit))
            units << unit;
    }
    return units;
}

QList<BatchItem> batchItems(const QSqlDatabase& db, const BatchSelection& selection)
{
    QString sql = kItemColumns + QStringLiteral("where p.gongzdw = :unit");
    store::Bindings bindings{{QStringLiteral("unit"), selection.unit.trimmed()}};
    // Whole days as date-times, the end open, as the information query does.
    if (selection.from) {
        sql += QStringLiteral(" and a.lurrq >= :date_q");
        bindings.push_back({QStringLiteral("date_q"), QDateTime(*selection.from, QTime(0, 0))});
    }
    if (selection.to && selection.to->addDays(1).year() <= 9999) {
        sql += QStringLiteral(" and a.lurrq < :date_z");
        bindings.push_back(
            {QStringLiteral("date_z"), QDateTime(selection.to->addDays(1), QTime(0, 0))});
    }
    sql += QStringLiteral(" order by p.bianh, a.jkpg_id desc");
    return itemsFrom(store::select(db, sql, bindings));
}

QList<BatchItem> batchItemsOf(const QSqlDatabase& db, const QList<qint64>& assessments)
{
    QList<BatchItem> items;
    for (const qint64 id : assessments) {
        const QList<BatchItem> one =
            itemsFrom(store::select(db, kItemColumns + QStringLiteral("where a.jkpg_id = :id"),
                                    {{QStringLiteral("id"), id}}));
        if (!one.isEmpty() && std::none_of(items.begin(), items.end(), [&](const BatchItem& i) {
                return i.assessment == one.front().assessment;
            }))
            items << one.front();
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const BatchItem& a, const BatchItem& b) { return a.record < b.record; });
    return items;
}

QString batchFileName(const BatchItem& item)
{
    return safeFileName({item.record, item.name, QString::number(item.assessment)});
}

BatchResult buildBatch(const QList<BatchItem>& items, const BatchOptions& options)
{
    QElapsedTimer clock;
    clock.start();
    BatchResult result;
    const Section& section = options.section ? *options.section : *findSection(kWholeReport);
    Pool pool{items, options, section,
              options.reportsDirectory.isEmpty() ? defaultReportsDirectory()
                                                 : options.reportsDirectory,
              std::vector<Outcome>(size_t(items.size()))};
    if (!files::makePrivateFolder(options.outDir)) {
        const QString reason = QStringLiteral("cannot create the folder %1").arg(options.outDir);
        for (const BatchItem& item : items)
            result.failed.append({item.record, item.assessment, reason});
        result.seconds = clock.elapsed() / 1000.0;
        return result;
    }

    if (!options.combinedPath.isEmpty()) {
        pool.bookThread = std::make_unique<reportengine::TaskQueue>();
        pool.bookThread->run([&] {
            reportengine::ExportTarget target;
            target.pdfPath = options.combinedPath;
            target.title = section.name;
            target.protectedFiles = options.protectedFiles;
            pool.book = std::make_unique<reportengine::PdfBook>(target);
            if (!pool.book->begin(&result.combinedError))
                pool.book.reset();
        });
    }

    const int cores = options.workers > 0 ? options.workers : QThread::idealThreadCount();
    const int count = std::clamp(int(items.size()), 1, std::max(1, cores));
    QString notStarted;
    {
        std::vector<std::unique_ptr<reportengine::TaskQueue>> workers;
        std::vector<reportengine::TaskResult<QString>> ran;
        for (int k = 0; k < count; ++k) {
            workers.push_back(std::make_unique<reportengine::TaskQueue>());
            ran.push_back(workers.back()->post([&pool, k] { return runWorker(pool, k); }));
        }
        for (auto& r : ran) {
            try {
                const QString why = r.get();
                if (!why.isEmpty())
                    notStarted = why;
            } catch (const std::exception& e) {
                notStarted = QString::fromUtf8(e.what());
            }
        }
    }

    result.cancelled = options.cancel && options.cancel->load();
    for (int i = 0; i < items.size(); ++i) {
        const Outcome& o = pool.outcomes[size_t(i)];
        if (o.state == Outcome::State::Built)
            result.files << o.file;
        else if (o.state == Outcome::State::Failed)
            result.failed.append({items.at(i).record, items.at(i).assessment, o.reason});
        else if (!result.cancelled) // no worker could take it
            result.failed.append({items.at(i).record, items.at(i).assessment,
                                  notStarted.isEmpty() ? QStringLiteral("not built") : notStarted});
    }

    if (pool.bookThread) {
        // Made, finished or abandoned on its own thread, whose fonts it used.
        pool.bookThread->run([&] {
            // Cancelled: destroyed unfinished, which leaves no file.
            if (!pool.book || result.cancelled) {
                pool.book.reset();
                return;
            }
            if (!pool.bookError.isEmpty())
                result.combinedError = pool.bookError;
            else if (result.files.isEmpty())
                result.combinedError = QStringLiteral("no report was built to join");
            else if (pool.book->finish(&result.combinedError))
                result.combined = options.combinedPath;
            pool.book.reset();
        });
    }
    result.seconds = clock.elapsed() / 1000.0;
    return result;
}

} // namespace hra::report
