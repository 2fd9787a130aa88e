#include "cli/Command.h"
#include "cli/Json.h"
#include "domain/Audit.h"
#include "store/Sql.h"

#include <QDate>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <cstdio>

namespace hra::cli {
namespace {

const QString kAuditUsage =
    QStringLiteral("[--from YYYY-MM-DD] [--to YYYY-MM-DD] [--operator C] [--record BH] "
                   "[--action A] [--limit N] [--ini FILE]  (JSON lines, newest first)");
const QString kPruneUsage = QStringLiteral("--before YYYY-MM-DD [--ini FILE]");

QByteArray line(const domain::AuditRow& row)
{
    const QJsonObject o{
        {QStringLiteral("id"), double(row.id)},
        {QStringLiteral("time"), row.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))},
        {QStringLiteral("operator"), row.operatorCode},
        {QStringLiteral("program"), row.program},
        {QStringLiteral("workstation"), row.workstation},
        {QStringLiteral("action"), row.action},
        {QStringLiteral("record"), row.record.isEmpty() ? QJsonValue() : QJsonValue(row.record)},
        {QStringLiteral("assessment"), row.assessment ? QJsonValue(*row.assessment) : QJsonValue()},
        {QStringLiteral("detail"), row.detail},
    };
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

int auditCommand(const QStringList& raw)
{
    const Arguments args(raw);
    QTextStream err(stderr);
    const QStringList options{QStringLiteral("from"),     QStringLiteral("to"),
                              QStringLiteral("operator"), QStringLiteral("record"),
                              QStringLiteral("action"),   QStringLiteral("limit"),
                              QStringLiteral("ini")};
    if (!args.unknown(options, {}).isEmpty()) {
        err << "usage: hra-cli audit " << kAuditUsage << '\n';
        return 2;
    }
    domain::AuditFilter filter;
    bool bad = false;
    filter.from = args.date(QStringLiteral("from"), &bad);
    filter.to = args.date(QStringLiteral("to"), &bad);
    if (bad)
        return 2;
    filter.operatorCode = args.value(QStringLiteral("operator"));
    filter.record = args.value(QStringLiteral("record"));
    bool hasAction = false;
    const QString action = args.value(QStringLiteral("action"), &hasAction);
    if (hasAction) {
        filter.action = domain::auditActionFromCode(action);
        if (!filter.action) {
            QStringList codes;
            for (const domain::AuditAction a : domain::auditActions())
                codes << domain::auditCode(a);
            err << "error: unknown action \"" << action << "\"; one of " << codes.join(u' ')
                << '\n';
            return 2;
        }
    }
    bool hasLimit = false;
    const QString limitText = args.value(QStringLiteral("limit"), &hasLimit);
    qint64 limit = -1;
    if (hasLimit) {
        bool ok = false;
        limit = limitText.toLongLong(&ok);
        if (!ok || limit < 1) {
            err << "error: --limit takes a whole number of at least 1\n";
            return 2;
        }
    }
    const auto connection = connectFrom(args);
    if (!connection)
        return 1;
    try {
        // Page by page, so that a long log is printed in constant memory.
        constexpr int kPage = 1000;
        std::optional<qint64> before;
        qint64 printed = 0;
        for (;;) {
            const int want = limit < 0 ? kPage : int(qMin<qint64>(kPage, limit - printed));
            const std::vector<domain::AuditRow> rows =
                domain::auditPage(connection->db(), filter, before, want);
            for (const domain::AuditRow& row : rows) {
                const QByteArray text = line(row);
                std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
            }
            printed += qint64(rows.size());
            if (int(rows.size()) < want || (limit >= 0 && printed >= limit))
                break;
            before = rows.back().id;
        }
        std::fflush(stdout);
        return 0;
    } catch (const store::DatabaseError& e) {
        err << "error: the operation log could not be read: " << e.message() << '\n';
        return 1;
    }
}

int pruneCommand(const QStringList& raw)
{
    const Arguments args(raw);
    QTextStream err(stderr);
    bool hasBefore = false;
    const QString text = args.value(QStringLiteral("before"), &hasBefore);
    if (!args.unknown({QStringLiteral("before"), QStringLiteral("ini")}, {}).isEmpty() ||
        !hasBefore) {
        err << "usage: hra-cli audit prune " << kPruneUsage << '\n';
        return 2;
    }
    const QDate before = QDate::fromString(text, Qt::ISODate);
    if (!before.isValid()) {
        err << "error: --before takes a date written YYYY-MM-DD, not \"" << text << "\"\n";
        return 2;
    }
    const auto connection = connectFrom(args);
    if (!connection)
        return 1;
    try {
        const int removed = domain::pruneAudit(connection->db(), before);
        QTextStream(stdout) << "{\"removed\": " << removed
                            << ", \"before\": " << jsonString(before.toString(Qt::ISODate))
                            << "}\n";
        return 0;
    } catch (const domain::AuditRetentionError& e) {
        err << "error: " << e.what() << '\n';
    } catch (const store::DatabaseError& e) {
        err << "error: the operation log could not be pruned: " << e.message() << '\n';
    }
    return 1;
}

} // namespace

std::vector<Command> auditCommands()
{
    // "audit prune" first: commands are matched by their leading words.
    return {{{QStringLiteral("audit"), QStringLiteral("prune")}, kPruneUsage, pruneCommand, false},
            {{QStringLiteral("audit")}, kAuditUsage, auditCommand, false}};
}

} // namespace hra::cli
