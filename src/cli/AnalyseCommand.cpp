#include "analysis/AnalysisSession.h"
#include "cli/Command.h"
#include "store/Connection.h"
#include "store/NumberText.h"
#include "store/Settings.h"
#include "store/Sql.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QTextStream>
#include <cmath>
#include <cstdio>

namespace hra::cli {
namespace {

const QString kUsage = QStringLiteral("--record BH --assessment N [--ini FILE] [--stats]");

// JSON text of one stored value: null for NULL, a number for a numeric
// column, a string for everything else.
QString jsonValue(const QVariant& v)
{
    if (store::isNull(v))
        return QStringLiteral("null");
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return v.toString();
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = v.toDouble();
        return std::isfinite(d) ? store::numberText(d) : QStringLiteral("null");
    }
    case QMetaType::QDateTime:
        return jsonValue(v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    default:
        break;
    }
    // QJsonDocument escapes the string; the array brackets are cut off again.
    const QByteArray text =
        QJsonDocument(QJsonArray{QJsonValue(v.toString())}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

QString jsonString(const QString& s)
{
    return jsonValue(QVariant(s));
}

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
    bool hasRecord = false;
    bool hasAssessment = false;
    const QString record = args.value(QStringLiteral("record"), &hasRecord);
    const QString assessmentText = args.value(QStringLiteral("assessment"), &hasAssessment);
    bool numeric = false;
    const qint32 assessment = assessmentText.toInt(&numeric);
    if (!args.unknown(
                 {QStringLiteral("record"), QStringLiteral("assessment"), QStringLiteral("ini")},
                 {QStringLiteral("stats")})
             .isEmpty() ||
        !hasRecord || !hasAssessment || record.isEmpty()) {
        err << "usage: hra-cli analyse " << kUsage << '\n';
        return 2;
    }
    if (!numeric) {
        err << "error: the assessment number must be a whole number: " << assessmentText << '\n';
        return 2;
    }

    const auto connection = connectFrom(args);
    if (!connection)
        return 1;

    QElapsedTimer timer;
    timer.start();
    try {
        analysis::AnalysisSession session(*connection);
        session.open(record, assessment);
        session.runAll(analysis::AnalysisSession::wholeReportOrder());
        const QString json = datasetsJson(session);
        const qint64 elapsed = timer.elapsed();
        QTextStream(stdout) << json;
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
