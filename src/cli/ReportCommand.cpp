#include "analysis/AnalysisSession.h"
#include "cli/Command.h"
#include "cli/GroupSummaryCommand.h"
#include "domain/Assessment.h"
#include "domain/Audit.h"
#include "report/CentreSettings.h"
#include "report/SectionBuild.h"
#include "report/Sections.h"
#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "reportengine/common/TaskQueue.h"
#include "store/Connection.h"
#include "store/PrivateFiles.h"
#include "store/Sql.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <functional>
#include <future>
#include <memory>
#include <optional>

namespace hra::cli {
namespace {

// What the report command keeps of the database, all of it made, used and
// destroyed on the worker thread.
struct Database
{
    std::unique_ptr<store::Connection> connection;
    std::unique_ptr<analysis::AnalysisSession> session; // removes its rows when destroyed
    std::optional<QByteArray> cover;
    qint32 assessment = 0;
};

// Ends the session on the worker soon, beside whatever comes next, or at the
// latest when the command returns; the connection is closed then, after the
// operation log has been told what was written.
class DatabaseCloser
{
public:
    DatabaseCloser(reportengine::TaskQueue& worker, Database& db) : m_worker(worker), m_db(db) {}
    ~DatabaseCloser()
    {
        closeSoon();
        m_closed.wait();
        m_worker.run([this] { m_db.connection.reset(); });
    }
    void closeSoon()
    {
        if (!m_closed.valid())
            m_closed = m_worker.post([this] { m_db.session.reset(); });
    }

private:
    reportengine::TaskQueue& m_worker;
    Database& m_db;
    reportengine::TaskResult<void> m_closed;
};

} // namespace

const report::Section* sectionFrom(const Arguments& args)
{
    bool given = false;
    const QString name = args.value(QStringLiteral("section"), &given);
    const report::Section* section = report::findSection(given ? name : report::kWholeReport);
    if (!section)
        QTextStream(stderr) << "error: unknown section \"" << name << "\"; the sections are: "
                            << report::sectionNames().join(QStringLiteral(", ")) << '\n';
    return section;
}

namespace {

const char* const kReportUsage =
    "--record BH [--assessment N] [--section NAME] --pdf OUT [--png DIR] [--ini FILE]";

// Builds one section of one assessment exactly as the data-analysis window
// does: the same evaluations run again, the same template, the same cover.
int reportCommand(const QStringList& raw)
{
    if (raw.contains(QStringLiteral("--group-summary")))
        return groupSummaryReport(raw);
    const Arguments args(raw);
    if (args.flag(QStringLiteral("unit")) && !args.flag(QStringLiteral("group-summary")))
        return batchReportCommand(raw);
    QTextStream err(stderr);
    const QStringList valueOptions = {QStringLiteral("record"),  QStringLiteral("assessment"),
                                      QStringLiteral("section"), QStringLiteral("pdf"),
                                      QStringLiteral("png"),     QStringLiteral("ini")};
    const QString record = args.value(QStringLiteral("record"));
    bool hasAssessment = false;
    const QString assessmentText = args.value(QStringLiteral("assessment"), &hasAssessment);
    const QString pdfPath = args.value(QStringLiteral("pdf"));
    bool pngGiven = false;
    const QString pngDir = args.value(QStringLiteral("png"), &pngGiven);
    if (!args.unknown(valueOptions, {}).isEmpty() || record.isEmpty() || pdfPath.isEmpty() ||
        (pngGiven && pngDir.isEmpty()) || (hasAssessment && assessmentText.isEmpty())) {
        err << "usage: hra-cli report " << kReportUsage << '\n';
        return 2;
    }
    bool numeric = true;
    const qint32 requested = hasAssessment ? assessmentText.toInt(&numeric) : 0;
    if (!numeric) {
        err << "error: the assessment number must be a whole number: " << assessmentText << '\n';
        return 2;
    }
    const report::Section* section = sectionFrom(args);
    if (!section)
        return 1;

    // The database work runs on a thread of its own while this one loads the
    // template and opens its fonts; the session's clean-up runs there while
    // this one says what went wrong. The connection, the session and every
    // read of them stay on that thread.
    const std::optional<store::ConnectionSettings> settings = settingsFrom(args);
    if (!settings)
        return 1;
    // The pages never take the place of the database or its logs.
    const QStringList database = store::databaseFiles(*settings);
    reportengine::TaskQueue worker;
    Database db;
    DatabaseCloser closer{worker, db};
    reportengine::TaskResult<int> opened = worker.post([&]() -> int {
        db.connection = connectTo(*settings);
        if (!db.connection)
            return 1;
        qint32 assessment = requested;
        if (!hasAssessment) {
            const auto latest = domain::latestAssessment(db.connection->db(), record);
            if (!latest) {
                QTextStream(stderr) << "error: record " << record << " has no assessment\n";
                return 1;
            }
            assessment = latest->id;
        }
        db.assessment = assessment;
        // The session's registration, the opening of the assessment and the
        // evaluations' rows are one transaction: one commit, one sync of the
        // log, instead of one each; a failure in any rolls all of them back.
        store::Transaction written(db.connection->db());
        db.session = std::make_unique<analysis::AnalysisSession>(*db.connection);
        db.session->open(record, assessment);
        report::runSectionEvaluations(*db.session, *section);
        written.commit();
        if (section->cover)
            db.cover = report::loadCover(*db.connection);
        return 0;
    });

    reportengine::Report report;
    QString templateError;
    if (!report::loadSectionTemplate(report, *section, report::defaultReportsDirectory(),
                                     &templateError)) {
        err << "error: " << templateError << '\n';
        return 1;
    }
    report.loadFonts();
    try {
        if (const int failed = opened.get())
            return failed;
        if (section->cover)
            report::applyCover(report, db.cover);
        report::addSessionSources(report, *db.session);
        // The datasets the template reads are read on the worker (this
        // thread waits meanwhile); then the session is ended there while the
        // pages are built here, each written as it is laid out.
        const QString problems = worker.run([&] {
            report::readSessionDatasets(report, report::AfterReading::LetGo);
            return report::problemsText(*db.session);
        });
        closer.closeSoon();
        const int code = writePages(report, pdfPath, pngDir, 150, section->name, database);
        if (code != 0)
            return code;
        worker.run([&] {
            domain::noteAudit(
                db.connection->db(),
                {domain::AuditAction::ExportPdf, record, db.assessment,
                 section->name + QStringLiteral(" → ") + QFileInfo(pdfPath).fileName()});
        });
        if (!problems.isEmpty())
            err << "warning: " << problems << '\n';
        return 0;
    } catch (const analysis::AnalysisError& e) {
        err << "error: " << e.message() << '\n';
        return 1;
    } catch (const store::DatabaseError& e) {
        err << "error: " << e.message() << '\n';
        return 1;
    }
}

} // namespace

std::vector<Command> reportCommands()
{
    return {
        {{QStringLiteral("report")},
         QString::fromLatin1(kReportUsage) + QStringLiteral(" | ") + batchReportUsage() +
             QStringLiteral(" | ") + QString::fromLatin1(kGroupSummaryUsage),
         reportCommand,
         true},
    };
}

} // namespace hra::cli
