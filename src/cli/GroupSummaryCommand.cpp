#include "cli/GroupSummaryCommand.h"

#include "cli/Command.h"
#include "cli/Json.h"
#include "domain/Audit.h"
#include "report/GroupSummaryReport.h"
#include "report/Sections.h"
#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "store/Connection.h"
#include "store/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace hra::cli {
int groupSummaryReport(const QStringList& raw)
{
    const Arguments args(raw);
    QTextStream err(stderr);
    const QStringList valueOptions = {
        QStringLiteral("unit"), QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("pdf"),
        QStringLiteral("png"),  QStringLiteral("xlsx"), QStringLiteral("ini")};
    const QString pdfPath = args.value(QStringLiteral("pdf"));
    bool unitGiven = false;
    report::GroupChoice choice;
    choice.unit = args.value(QStringLiteral("unit"), &unitGiven);
    bool pngGiven = false;
    const QString pngDir = args.value(QStringLiteral("png"), &pngGiven);
    bool xlsxGiven = false;
    const QString xlsxPath = args.value(QStringLiteral("xlsx"), &xlsxGiven);
    if (!args.unknown(valueOptions, {QStringLiteral("group-summary")}).isEmpty() ||
        choice.unit.trimmed().isEmpty() || pdfPath.isEmpty() || (pngGiven && pngDir.isEmpty()) ||
        (xlsxGiven && xlsxPath.isEmpty())) {
        err << "usage: hra-cli report " << kGroupSummaryUsage << '\n';
        return 2;
    }
    bool badDate = false;
    choice.from = args.date(QStringLiteral("from"), &badDate);
    choice.to = args.date(QStringLiteral("to"), &badDate);
    if (badDate)
        return 2;
    if (choice.from && choice.to && *choice.from > *choice.to) {
        err << "error: --from is after --to\n";
        return 1;
    }

    const std::optional<store::ConnectionSettings> settings = settingsFrom(args);
    if (!settings)
        return 1;
    const QStringList database = store::databaseFiles(*settings);
    report::GroupSummaryData data;
    {
        const auto connection = connectTo(*settings);
        if (!connection)
            return 1;
        try {
            store::Sql statements = connection->sql();
            data = report::readGroupSummary(statements, choice);
        } catch (const store::DatabaseError& e) {
            err << "error: " << e.message() << '\n';
            return 1;
        }
    }

    reportengine::Report report;
    const QString path = QDir(report::defaultReportsDirectory())
                             .filePath(QLatin1String(report::kGroupSummaryTemplate));
    const reportengine::LoadResult loaded = report.load(path);
    if (!loaded.ok || !QFileInfo::exists(path)) {
        err << "error: the template " << path << " could not be loaded"
            << (loaded.ok ? QString() : QStringLiteral(": ") + loaded.toString()) << '\n';
        return 1;
    }
    report::addGroupSummarySources(report, data);
    // Written as the report command writes its pages (a temporary file that
    // takes the name only when complete), but with JSON alone on stdout.
    const QFileInfo target(pdfPath);
    store::makePrivateFolder(target.absolutePath());
    reportengine::ExportTarget to;
    to.protectedFiles = database;
    to.pdfPath = target.absoluteFilePath();
    to.title = QStringLiteral("团体健康评估报告");
    to.pngDir = pngGiven ? pngDir : QString();
    to.dpi = 150;
    const reportengine::ExportResult result = reportengine::buildAndExport(report, to);
    for (const QString& w : result.warnings)
        err << "warning: " << w << '\n';
    if (!result.ok) {
        err << (result.buildFailed ? "error: build failed: " : "error: ") << result.error << '\n';
        return 1;
    }
    domain::noteAudit(*settings,
                      report::groupSummaryAudit(domain::AuditAction::ExportPdf, choice, pdfPath));

    if (xlsxGiven) {
        const QString failed = report::writeSummaryBook(data, xlsxPath, database);
        if (!failed.isEmpty()) {
            err << "error: " << failed << '\n';
            return 1;
        }
        domain::noteAudit(*settings,
                          report::groupSummaryAudit(domain::AuditAction::View, choice, xlsxPath));
    }

    const analysis::GroupSummary& s = data.summary;
    QTextStream out(stdout);
    out << "{\"unit\": " << jsonString(choice.unit)
        << ", \"dates\": " << jsonString(report::datesText(choice))
        << ", \"persons\": " << s.persons[analysis::AllPersons]
        << ", \"followUp\": " << s.followUp.size() << ", \"pages\": " << result.pages
        << ", \"pdf\": " << jsonString(pdfPath);
    if (xlsxGiven)
        out << ", \"xlsx\": " << jsonString(xlsxPath);
    out << "}\n";
    return 0;
}

} // namespace hra::cli
