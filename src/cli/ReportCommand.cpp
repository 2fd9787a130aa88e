#include "analysis/AnalysisSession.h"
#include "cli/Command.h"
#include "report/SectionBuild.h"
#include "report/Sections.h"
#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "store/Assessment.h"
#include "store/Connection.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace hra::cli {
namespace {

const char* const kReportUsage =
    "--record BH [--assessment N] [--section NAME] --pdf OUT [--png DIR] [--ini FILE]";

// Builds one section of one assessment exactly as the data-analysis window
// does: the same evaluations run again, the same template, the same cover.
int reportCommand(const QStringList& raw)
{
    const Arguments args(raw);
    QTextStream err(stderr);
    const QStringList valueOptions = {QStringLiteral("record"),  QStringLiteral("assessment"),
                                      QStringLiteral("section"), QStringLiteral("pdf"),
                                      QStringLiteral("png"),     QStringLiteral("ini")};
    const QString record = args.value(QStringLiteral("record"));
    bool hasAssessment = false;
    const QString assessmentText = args.value(QStringLiteral("assessment"), &hasAssessment);
    bool hasSection = false;
    const QString sectionName = args.value(QStringLiteral("section"), &hasSection);
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
    const report::Section* section =
        report::findSection(hasSection ? sectionName : report::kWholeReport);
    if (!section) {
        err << "error: unknown section \"" << sectionName
            << "\"; the sections are: " << report::sectionNames().join(QStringLiteral(", "))
            << '\n';
        return 1;
    }

    const auto connection = connectFrom(args);
    if (!connection)
        return 1;

    reportengine::Report report;
    try {
        qint32 assessment = requested;
        if (!hasAssessment) {
            const auto latest = store::latestAssessment(connection->db(), record);
            if (!latest) {
                err << "error: record " << record << " has no assessment\n";
                return 1;
            }
            assessment = latest->id;
        }
        analysis::AnalysisSession session(*connection);
        session.open(record, assessment);
        report::prepareSection(report, session, *connection, *section,
                               report::defaultReportsDirectory());
        // Built while the session is open; each page is written as it is laid out.
        const int code = writePages(report, pdfPath, pngDir, 150, section->name);
        if (code != 0)
            return code;
        const QString problems = report::problemsText(session);
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
        {{QStringLiteral("report")}, QString::fromLatin1(kReportUsage), reportCommand, true},
    };
}

} // namespace hra::cli
