#include "cli/Command.h"
#include "cli/Json.h"
#include "report/BatchReports.h"
#include "report/Sections.h"
#include "store/PrivateFiles.h"
#include "store/Sql.h"

#include <QTextStream>
#include <atomic>
#include <csignal>

namespace hra::cli {
namespace {

// Set by Ctrl-C or a kill: the workers stop after the page they lay out and
// leave no partial file.
std::atomic_bool g_interrupted{false};
static_assert(std::atomic_bool::is_always_lock_free);

extern "C" void interrupt(int)
{
    g_interrupted.store(true);
}

QString summary(const report::BatchResult& result)
{
    QStringList failed;
    for (const report::BatchFailure& f : result.failed)
        failed << QStringLiteral("{\"record\": %1, \"assessment\": %2, \"reason\": %3}")
                      .arg(jsonString(f.record), QString::number(f.assessment),
                           jsonString(f.reason));
    QStringList files;
    for (const QString& file : result.files)
        files << jsonString(file);
    QString text =
        QStringLiteral("{\"built\": %1, \"failed\": [%2], \"seconds\": %3, \"files\": [%4]")
            .arg(result.files.size())
            .arg(failed.join(QStringLiteral(", ")), QString::number(result.seconds, 'f', 3),
                 files.join(QStringLiteral(", ")));
    if (!result.combined.isEmpty())
        text += QStringLiteral(", \"combined\": %1").arg(jsonString(result.combined));
    if (result.cancelled)
        text += QStringLiteral(", \"cancelled\": true");
    return text + u'}';
}

} // namespace

QString batchReportUsage()
{
    return QStringLiteral("--unit U [--from yyyy-MM-dd] [--to yyyy-MM-dd] [--section NAME] "
                          "--out-dir DIR [--combined FILE.pdf] [--ini FILE]");
}

// The report of the latest assessment of every person of a work unit, one
// PDF each, built on a worker per core. Exit status 1 when any report (or
// the combined PDF) failed, so that a script notices; the summary on
// standard output says which.
int batchReportCommand(const QStringList& raw)
{
    const Arguments args(raw);
    QTextStream err(stderr);
    const QStringList valueOptions = {QStringLiteral("unit"),    QStringLiteral("from"),
                                      QStringLiteral("to"),      QStringLiteral("section"),
                                      QStringLiteral("out-dir"), QStringLiteral("combined"),
                                      QStringLiteral("ini")};
    const QString unit = args.value(QStringLiteral("unit")).trimmed();
    const QString outDir = args.value(QStringLiteral("out-dir"));
    bool combinedGiven = false;
    const QString combined = args.value(QStringLiteral("combined"), &combinedGiven);
    if (!args.unknown(valueOptions, {}).isEmpty() || unit.isEmpty() || outDir.isEmpty() ||
        (combinedGiven && combined.isEmpty())) {
        err << "usage: hra-cli report " << batchReportUsage() << '\n';
        return 2;
    }
    bool badDate = false;
    report::BatchSelection selection{unit, args.date(QStringLiteral("from"), &badDate),
                                     args.date(QStringLiteral("to"), &badDate)};
    if (badDate)
        return 2;
    const report::Section* section = sectionFrom(args);
    if (!section)
        return 1;
    const std::optional<store::ConnectionSettings> settings = settingsFrom(args);
    if (!settings)
        return 1;

    QList<report::BatchItem> items;
    {
        const auto connection = connectTo(*settings);
        if (!connection)
            return 1;
        try {
            items = report::batchItems(connection->db(), selection);
        } catch (const store::DatabaseError& e) {
            err << "error: " << e.message() << '\n';
            return 1;
        }
    }
    if (items.isEmpty()) {
        err << "error: no assessment of a person of work unit " << unit
            << (selection.from || selection.to ? " in that range of days" : "") << '\n';
        return 1;
    }

    report::BatchOptions options;
    options.settings = *settings;
    options.section = section;
    options.outDir = outDir;
    options.combinedPath = combined;
    // The reports never take the place of the database or its logs.
    options.protectedFiles = store::databaseFiles(*settings);
    options.cancel = &g_interrupted;
    std::signal(SIGINT, interrupt);
    std::signal(SIGTERM, interrupt);
    const report::BatchResult result = report::buildBatch(items, options);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);

    QTextStream(stdout) << summary(result) << '\n';
    for (const report::BatchFailure& f : result.failed)
        err << "error: record " << f.record << " assessment " << f.assessment << ": " << f.reason
            << '\n';
    if (!result.combinedError.isEmpty() && !result.cancelled)
        err << "error: " << result.combinedError << '\n';
    if (result.cancelled) {
        err << "error: interrupted; the reports finished before are kept\n";
        return 1;
    }
    return result.failed.isEmpty() && result.combinedError.isEmpty() ? 0 : 1;
}

} // namespace hra::cli
