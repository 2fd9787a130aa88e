#include "cli/Command.h"
#include "cli/Json.h"
#include "domain/Assessment.h"
#include "domain/AssessmentImport.h"
#include "domain/Audit.h"
#include "reportengine/Limits.h"
#include "store/Sql.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <functional>

namespace hra::cli {
namespace {

const QString kImportUsage = QStringLiteral("--file F.json [--force] [--ini FILE]");
const QString kKeyUsage = QStringLiteral("--record BH --assessment N [--ini FILE]");

QString keyJson(const QString& record, qint32 assessment)
{
    return QStringLiteral("\"record\": %1, \"assessment\": %2")
        .arg(jsonString(record), QString::number(assessment));
}

// The shape import reads, so that what is shown imports again.
QString assessmentJson(const domain::StoredAssessment& a)
{
    QStringList tables;
    for (const auto& [table, values] : a.answers) {
        QStringList columns;
        for (const auto& [column, value] : values)
            columns << QStringLiteral("      %1: %2").arg(jsonString(column), jsonValue(value));
        tables << QStringLiteral("    %1: {\n%2\n    }")
                      .arg(jsonString(table), columns.join(QStringLiteral(",\n")));
    }
    return QStringLiteral("{\n  \"record\": %1,\n  \"assessment\": %2,\n  \"banb\": %3,\n"
                          "  \"zhuangt\": %4,\n  \"answers\": {\n%5\n  }\n}\n")
        .arg(jsonString(a.record), QString::number(a.assessment), QString::number(a.version),
             jsonValue(a.state), tables.join(QStringLiteral(",\n")));
}

void printProblems(const domain::ImportError& e)
{
    QTextStream err(stderr);
    for (const domain::ImportProblem& p : e.problems())
        err << "error: " << p.text() << '\n';
    err << "nothing of the file was stored\n";
}

int importCommand(const QStringList& raw)
{
    const Arguments args(raw);
    QTextStream err(stderr);
    bool hasFile = false;
    const QString path = args.value(QStringLiteral("file"), &hasFile);
    if (!args.unknown({QStringLiteral("file"), QStringLiteral("ini")}, {QStringLiteral("force")})
             .isEmpty() ||
        !hasFile || path.isEmpty()) {
        err << "usage: hra-cli assessment import " << kImportUsage << '\n';
        return 2;
    }
    // A file of answers is small; a device that never ends is refused.
    if (refuseSource(path))
        return 1;
    QByteArray text;
    QString readError;
    if (!reportengine::limits::readFile(path, reportengine::limits::kDataBytes, text, &readError)) {
        err << "error: " << readError << '\n';
        return 1;
    }
    try {
        const std::vector<domain::AssessmentInput> inputs = domain::parseAssessmentFile(text);
        const auto connection = connectFrom(args);
        if (!connection)
            return 1;
        const std::vector<domain::ImportedAssessment> stored = domain::importAssessments(
            connection->db(), inputs,
            {.force = args.flag(QStringLiteral("force")), .source = QFileInfo(path).fileName()});
        QStringList lines;
        for (const domain::ImportedAssessment& a : stored)
            lines << QStringLiteral("  {%1}").arg(keyJson(a.record, a.assessment));
        QTextStream(stdout)
            << (lines.isEmpty()
                    ? QStringLiteral("[]\n")
                    : QStringLiteral("[\n%1\n]\n").arg(lines.join(QStringLiteral(",\n"))));
        return 0;
    } catch (const domain::ImportError& e) {
        printProblems(e);
    } catch (const store::DatabaseError& e) {
        err << "error: database: " << e.message() << "\nnothing of the file was stored\n";
    }
    return 1;
}

// The steps "show" and "end" share: the key from the arguments, the
// connection, the stored assessment opened (an unknown one said), a database
// error reported. `act` gets the opened rows and prints; it returns the exit
// code.
int onStoredAssessment(const QStringList& raw, const QString& verb,
                       const std::function<int(const QSqlDatabase&, domain::AssessmentRows&)>& act)
{
    const Arguments args(raw);
    int exitCode = 0;
    const auto key = assessmentKeyFrom(
        args, QStringLiteral("assessment ") + verb + u' ' + kKeyUsage, {}, &exitCode);
    if (!key)
        return exitCode;
    const auto connection = connectFrom(args);
    if (!connection)
        return 1;
    try {
        domain::AssessmentRows rows;
        if (!rows.open(connection->db(), key->record, key->assessment)) {
            QTextStream(stderr) << "error: the person " << key->record.trimmed()
                                << " has no assessment " << key->assessment << '\n';
            return 1;
        }
        return act(connection->db(), rows);
    } catch (const store::DatabaseError& e) {
        QTextStream(stderr) << "error: database: " << e.message() << '\n';
    }
    return 1;
}

int showCommand(const QStringList& raw)
{
    return onStoredAssessment(
        raw, QStringLiteral("show"), [](const QSqlDatabase& db, domain::AssessmentRows& rows) {
            const auto stored = domain::readAssessment(db, rows.recordNumber(), rows.id());
            if (!stored)
                return 1;
            domain::noteAudit(db, {domain::AuditAction::View, rows.recordNumber(), rows.id(),
                                   QStringLiteral("assessment show")});
            QTextStream(stdout) << assessmentJson(*stored);
            return 0;
        });
}

int endCommand(const QStringList& raw)
{
    return onStoredAssessment(
        raw, QStringLiteral("end"), [](const QSqlDatabase& db, domain::AssessmentRows& rows) {
            rows.end(db);
            QTextStream(stdout) << QStringLiteral("{%1, \"zhuangt\": %2}\n")
                                       .arg(keyJson(rows.recordNumber(), rows.id()),
                                            jsonString(domain::kEnded));
            return 0;
        });
}

} // namespace

std::vector<Command> assessmentCommands()
{
    return {
        {{QStringLiteral("assessment"), QStringLiteral("import")}, kImportUsage, importCommand},
        {{QStringLiteral("assessment"), QStringLiteral("show")}, kKeyUsage, showCommand},
        {{QStringLiteral("assessment"), QStringLiteral("end")}, kKeyUsage, endCommand},
    };
}

} // namespace hra::cli
