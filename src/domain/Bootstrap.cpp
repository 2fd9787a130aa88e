#include "domain/Bootstrap.h"

#include "domain/Operators.h"
#include "domain/Passwords.h"
#include "store/RowBuffer.h"
#include "store/Schema.h"
#include "store/SchemaCheck.h"
#include "store/Seed.h"
#include "store/Sql.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>

namespace hra::domain {
namespace {

QStringList schemaStatements(const store::Dialect& dialect)
{
    QStringList statements;
    for (const QString& script : dialect.schemaResources())
        statements << scriptStatements(script);
    return statements;
}

SchemaObjects objectsCreatedBy(const QStringList& statements)
{
    static const QRegularExpression create(
        QStringLiteral(
            "^\\s*create\\s+(table|view)\\s+(?:if\\s+not\\s+exists\\s+)?([A-Za-z_][A-Za-z0-9_]*)"),
        QRegularExpression::CaseInsensitiveOption);
    SchemaObjects objects;
    for (const QString& statement : statements) {
        const QRegularExpressionMatch m = create.match(statement);
        if (!m.hasMatch())
            continue;
        QStringList& list = m.captured(1).compare(QLatin1String("view"), Qt::CaseInsensitive) == 0
                                ? objects.views
                                : objects.tables;
        list << m.captured(2).toLower();
    }
    return objects;
}

// Views go first, since they depend on the tables; each kind in reverse
// order of creation, so that nothing is dropped before what depends on it.
void dropExisting(const QSqlDatabase& db, const SchemaObjects& objects, const QStringList& existing)
{
    const auto dropAll = [&](const QStringList& names, const QString& kind) {
        for (auto it = names.crbegin(); it != names.crend(); ++it)
            if (existing.contains(*it))
                store::execute(db, QStringLiteral("drop %1 %2").arg(kind, *it));
    };
    dropAll(objects.views, QStringLiteral("view"));
    dropAll(objects.tables, QStringLiteral("table"));
}

// Which of our tables and views the database already holds.
QStringList presentObjects(const SchemaObjects& objects, const store::Connection& connection)
{
    const QStringList present = connection.tables();
    QStringList found;
    for (const QStringList* list : {&objects.tables, &objects.views})
        for (const QString& name : *list)
            if (present.contains(name))
                found << name;
    return found;
}

void insertManager(const QSqlDatabase& db, const QString& password)
{
    store::run(db,
               QStringLiteral("insert into sys_yhxx (yonghdm, yonghmc, mim, quanx) "
                              "values (:yhdm, :yhmc, :mim, :qx)"),
               {{"yhdm", kManagerCode},
                {"yhmc", QStringLiteral("系统管理员")},
                {"mim", hashPassword(password)},
                {"qx", QStringLiteral("管理员")}});
}

} // namespace

QStringList scriptStatements(const QString& resource)
{
    return store::schemaScriptStatements(resource);
}

SchemaObjects schemaObjects(const store::Dialect& dialect)
{
    return objectsCreatedBy(schemaStatements(dialect));
}

InitResult initializeDatabase(const store::Connection& connection, const InitOptions& options)
{
    const QStringList statements = schemaStatements(connection.dialect());
    const SchemaObjects objects = objectsCreatedBy(statements);
    const QStringList existing = presentObjects(objects, connection);
    if (!existing.isEmpty() && !options.force)
        throw store::DatabaseError(
            QStringLiteral("the database already holds tables of this program (%1); "
                           "use --force to replace them")
                .arg(existing.join(QStringLiteral(", "))));
    QSqlDatabase db = connection.db();
    InitResult result;
    result.managerPassword = options.demo ? kDemoManagerPassword : generatePassword();
    store::Transaction tx(db);
    dropExisting(db, objects, existing);
    for (const QString& statement : statements)
        store::execute(db, statement);
    const QDateTime now = connection.serverNow();
    store::recordSchemaVersion(db, connection.dialect());
    store::loadSeedFolder(db, QStringLiteral(":/hra/seed/reference"), now);
    insertManager(db, result.managerPassword);
    if (options.demo)
        store::loadSeedFolder(db, QStringLiteral(":/hra/seed/demo"), now);
    tx.commit();
    return result;
}

QStringList addMissingIndexes(const store::Connection& connection)
{
    const QSqlDatabase db = connection.db();
    QSet<QString> present;
    QSqlQuery q = store::run(db, connection.dialect().listIndexesQuery());
    while (q.next())
        present.insert(q.value(0).toString().toLower());
    QStringList created;
    store::Transaction transaction(db);
    for (const store::TableDef& table : store::tables()) {
        for (const store::IndexDef& index : table.indexes) {
            if (present.contains(index.name.toLower()))
                continue;
            // Names come from the declared list, never from outside.
            store::execute(
                db, QStringLiteral("create index %1 on %2 (%3)")
                        .arg(index.name, table.name, index.columns.join(QStringLiteral(", "))));
            created << index.name;
        }
    }
    transaction.commit();
    return created;
}

QStringList addMissingVersionColumns(const store::Connection& connection)
{
    const QSqlDatabase db = connection.db();
    const QString column = store::RowBuffer::kVersionColumn;
    QStringList added;
    store::Transaction transaction(db);
    for (const store::TableDef& table : store::tables()) {
        if (!table.column(column))
            continue;
        const QSqlRecord present = db.record(table.name);
        if (present.isEmpty() || present.contains(column))
            continue;
        // Names and definition are declared in code, never from outside.
        store::execute(
            db, QStringLiteral("alter table %1 add %2 %3")
                    .arg(table.name, column, connection.dialect().versionColumnDefinition()));
        added << table.name + QLatin1Char('.') + column;
    }
    transaction.commit();
    return added;
}

} // namespace hra::domain
