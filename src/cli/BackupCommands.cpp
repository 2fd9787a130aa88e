#include "cli/Command.h"
#include "domain/Audit.h"
#include "store/Backup.h"

#include <QFileInfo>
#include <QTextStream>

namespace hra::cli {
namespace {

int report(const store::BackupResult& result, const QString& done)
{
    if (result.ok()) {
        QTextStream(stdout) << done << '\n';
        return 0;
    }
    QTextStream err(stderr);
    if (result.status == store::BackupStatus::TargetNotEmpty)
        err << "error: the database holds data; add --force to replace it\n";
    else
        err << "error: " << result.detail << '\n';
    return 1;
}

int backupCommand(const QStringList& raw)
{
    const Arguments args(raw);
    const QString out = args.value(QStringLiteral("out"));
    if (!args.unknown({QStringLiteral("ini"), QStringLiteral("out")}, {}).isEmpty() ||
        out.isEmpty()) {
        QTextStream(stderr) << "usage: hra-cli backup --out FILE [--ini FILE]\n";
        return 2;
    }
    const std::optional<store::ConnectionSettings> settings = settingsFrom(args);
    if (!settings)
        return 1;
    const store::BackupResult result = store::backupDatabase(*settings, out);
    if (result.ok())
        domain::noteAudit(
            *settings, {domain::AuditAction::Backup, {}, std::nullopt, QFileInfo(out).fileName()});
    return report(result, QStringLiteral("backup written to ") + out);
}

int restoreCommand(const QStringList& raw)
{
    const Arguments args(raw);
    const QString from = args.value(QStringLiteral("from"));
    if (!args.unknown({QStringLiteral("ini"), QStringLiteral("from")}, {QStringLiteral("force")})
             .isEmpty() ||
        from.isEmpty()) {
        QTextStream(stderr) << "usage: hra-cli restore --from FILE [--force] [--ini FILE]\n";
        return 2;
    }
    if (refuseSource(from))
        return 1;
    const std::optional<store::ConnectionSettings> settings = settingsFrom(args);
    if (!settings)
        return 1;
    const store::BackupResult result =
        store::restoreDatabase(*settings, from, args.flag(QStringLiteral("force")));
    // Written into the restored database, where the log goes on.
    if (result.ok())
        domain::noteAudit(
            *settings,
            {domain::AuditAction::Restore, {}, std::nullopt, QFileInfo(from).fileName()});
    return report(result, QStringLiteral("database restored from ") + from);
}

} // namespace

std::vector<Command> backupCommands()
{
    return {
        {{QStringLiteral("backup")}, QStringLiteral("--out FILE [--ini FILE]"), backupCommand},
        {{QStringLiteral("restore")},
         QStringLiteral("--from FILE [--force] [--ini FILE]"),
         restoreCommand},
    };
}

} // namespace hra::cli
