#include "analysis/AnalysisSession.h"
#include "cli/Command.h"
#include "cli/Json.h"
#include "domain/Audit.h"
#include "store/Connection.h"
#include "store/Settings.h"
#include "store/Sql.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <cstdio>

namespace hra::cli {
namespace {

const QString kUsage = QStringLiteral("--record BH --assessment N [--ini FILE] [--stats]");

// Keys in the order of the datasets and their fields.
QString datasetsJson(analysis::AnalysisSession& session)
{
    QStringList datasets;
    for (const QString& name : analysis::AnalysisSession::datasetNames()) {
        const store::Rows d = session.dataset(name);
        QStringList rows;
        for (const QVariantList& row : d.rows) {
            QStringList fields;
            for (qsizetype i = 0; i < d.fields.size(); ++i)
                fields << jsonString(d.fields.at(i)) + u':' + jsonValue(row.value(i));
            rows << u'{' + fields.join(u',') + u'}';
        }
        datasets << QStringLiteral("  %1: [%2%3%4]")
                        .arg(jsonString(name),
                             rows.isEmpty() ? QString() : QStringLiteral("\n    "),
                             rows.join(QStringLiteral(",\n    ")),
                             rows.isEmpty() ? QString() : QStringLiteral("\n  "));
    }
    return QStringLiteral("{\n") + datasets.join(QStringLiteral(",\n")) + QStringLiteral("\n}\n");
}

int analyseCommand(const QStringList& raw)
{
    const Arguments args(raw);
    QTextStream err(stderr);
    int exitCode = 0;
    const std::optional<AssessmentKey> key = assessmentKeyFrom(
        args, QStringLiteral("analyse ") + kUsage, {QStringLiteral("stats")}, &exitCode);
    if (!key)
        return exitCode;
    const auto connection = connectFrom(args);
    if (!connection)
        return 1;

    QElapsedTimer timer;
    timer.start();
    try {
        analysis::AnalysisSession session(*connection);
        session.open(key->record, key->assessment);
        session.runAll(analysis::AnalysisSession::wholeReportOrder());
        const QString json = datasetsJson(session);
        // The results are derived rows of a session: the entry follows them.
        domain::noteAudit(connection->db(),
                          {domain::AuditAction::Analyse, key->record, key->assessment, {}});
        const qint64 elapsed = timer.elapsed();
        QTextStream(stdout) << json;
        for (const analysis::EvaluationProblem& p : session.notices())
            err << "note: " << analysis::evaluationName(p.evaluation) << ": " << p.message << '\n';
        for (const analysis::EvaluationProblem& p : session.problems())
            err << "error: " << analysis::evaluationName(p.evaluation) << ": " << p.message << '\n';
        if (args.flag(QStringLiteral("stats")))
            err << "statements: " << session.statementCount() << '\n'
                << "time: " << elapsed << " ms\n";
        return session.problems().empty() ? 0 : 3;
    } catch (const analysis::AnalysisError& e) {
        err << "error: " << e.message() << '\n';
    } catch (const store::DatabaseError& e) {
        err << "error: database: " << e.message() << '\n';
    }
    return 1;
}

} // namespace

std::vector<Command> analyseCommands()
{
    return {{{QStringLiteral("analyse")}, kUsage, analyseCommand}};
}

} // namespace hra::cli
