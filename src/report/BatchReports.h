#pragma once

#include "report/Sections.h"
#include "store/Settings.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>

namespace hra::report {

// One report of a batch: a person and the assessment it is built from.
struct BatchItem
{
    QString record;
    QString name;
    qint32 assessment = 0;
    QDateTime entered;
};

// The persons of a work unit, optionally only assessments entered in a
// range of days (both ends included).
struct BatchSelection
{
    QString unit;
    std::optional<QDate> from;
    std::optional<QDate> to;
};

// The work units persons are registered under, each once, in order.
// Throws store::DatabaseError.
QStringList workUnits(const QSqlDatabase& db);

// The latest assessment (the highest number) of every person of the unit
// among those entered in the range, in record order. Throws
// store::DatabaseError.
QList<BatchItem> batchItems(const QSqlDatabase& db, const BatchSelection& selection);

// The assessments named, in record order; numbers that name no assessment
// are left out. Throws store::DatabaseError.
QList<BatchItem> batchItemsOf(const QSqlDatabase& db, const QList<qint64>& assessments);

// "<record>_<name>_<assessment>.pdf", each part without characters a file
// name cannot hold.
QString batchFileName(const BatchItem& item);

struct BatchOptions
{
    store::ConnectionSettings settings;
    const Section* section = nullptr; // the whole report when null
    QString reportsDirectory;         // defaultReportsDirectory() when empty
    QString outDir;
    // One PDF of every report built, in the items' order, its fonts embedded
    // once; empty: none.
    QString combinedPath;
    int workers = 0; // 0: one per core
    // Files no output may replace (the open database and its logs).
    QStringList protectedFiles;
    // Reports done (built or failed) out of all; called on the workers'
    // threads.
    std::function<void(int done, int total)> progress;
    const std::atomic_bool* cancel = nullptr;
};

struct BatchFailure
{
    QString record;
    qint32 assessment = 0;
    QString reason;
};

struct BatchResult
{
    QStringList files; // written, in the items' order
    QList<BatchFailure> failed;
    QString combined;      // the combined PDF when written
    QString combinedError; // why it was not, when asked for
    bool cancelled = false;
    double seconds = 0;
};

// Builds the section for every item on a pool of workers, each with a
// connection, the template and its fonts of its own. A report that fails is
// listed with its reason and the others are built. Every file is written
// under a temporary name and takes its own only when complete: a cancel
// leaves the reports finished so far and no partial file (no combined PDF).
BatchResult buildBatch(const QList<BatchItem>& items, const BatchOptions& options);

} // namespace hra::report
