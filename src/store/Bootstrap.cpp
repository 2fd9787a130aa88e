#include "store/Bootstrap.h"

#include "store/Operators.h"
#include "store/Passwords.h"
#include "store/Seed.h"
#include "store/Sql.h"

#include <QFile>
#include <QRegularExpression>

namespace hra::store {
namespace {

// Statements of a schema script: separated by a semicolon at the end of a
// line; "--" comment lines are dropped.
QStringList statementsOf(const QString& resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        throw DatabaseError(QStringLiteral("schema script %1 missing").arg(resource));
    QStringList statements;
    QString current;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1String("--")))
            continue;
        if (!line.isEmpty())
            current += raw + u'\n';
        if (line.endsWith(u';')) {
            current = current.trimmed();
            current.chop(1);
            statements << current;
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

void insertManager(const QSqlDatabase& db, const QString& password)
{
    run(db,
        QStringLiteral("insert into sys_yhxx (yonghdm, yonghmc, mim, quanx) "
                       "values (:yhdm, :yhmc, :mim, :qx)"),
        {{"yhdm", kManagerCode}, {"yhmc", QStringLiteral("系统管理员")},
         {"mim", hashPassword(password)}, {"qx", QStringLiteral("管理员")}});
}

} // namespace

InitResult initializeDatabase(const Connection& connection, const InitOptions& options)
{
    if (!connection.isEmpty() && !options.force)
        throw DatabaseError(QStringLiteral("the database already holds tables; use --force to replace them"));
    QSqlDatabase db = connection.db();
    InitResult result;
    result.managerPassword = options.demo ? kDemoManagerPassword : generatePassword();
    Transaction tx(db);
    for (const QString& script : connection.dialect().schemaResources())
        for (const QString& statement : statementsOf(script))
            execute(db, statement);
    const QDateTime now = connection.serverNow();
    loadSeedFolder(db, QStringLiteral(":/hra/seed/reference"), now);
    insertManager(db, result.managerPassword);
    if (options.demo)
        loadSeedFolder(db, QStringLiteral(":/hra/seed/demo"), now);
    tx.commit();
    return result;
}

} // namespace hra::store
