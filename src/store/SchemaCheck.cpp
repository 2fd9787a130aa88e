#include "store/SchemaCheck.h"

#include "store/Schema.h"
#include "store/Sql.h"

#include <QFile>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace hra::store {
namespace {

// What a SQLite file holds, by lower-case name.
struct SqliteShape
{
    // Per table: column name -> "TYPE|notnull|pk|default".
    QMap<QString, QMap<QString, QString>> tables;
    // Index name -> "table(columns) unique"; indexes made for a key are
    // named by what they cover, since SQLite numbers them.
    QMap<QString, QString> indexes;
    QMap<QString, QString> indexTables;
    QMap<QString, QStringList> views;
    QStringList triggers;
};

QStringList column0(const QSqlDatabase& db, const QString& sql, const QVariantList& bound)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw DatabaseError(q.lastError().text());
    for (const QVariant& v : bound)
        q.addBindValue(v);
    if (!q.exec())
        throw DatabaseError(q.lastError().text());
    QStringList out;
    while (q.next()) {
        QStringList fields;
        for (int i = 0; i < q.record().count(); ++i)
            fields << q.value(i).toString();
        out << fields.join(u'|');
    }
    return out;
}

SqliteShape shapeOf(const QSqlDatabase& db)
{
    SqliteShape shape;
    // Names from the file reach SQL only as bound values.
    const QStringList objects =
        column0(db,
                QStringLiteral("select type, lower(name), lower(tbl_name) from sqlite_master "
                               "where name not like 'sqlite\\_%' escape '\\' or type = 'index'"),
                {});
    for (const QString& line : objects) {
        const QStringList f = line.split(u'|');
        const QString& type = f.value(0);
        const QString& name = f.value(1);
        const QString& table = f.value(2);
        if (type == QLatin1String("table")) {
            QMap<QString, QString> columns;
            for (const QString& c :
                 column0(db,
                         QStringLiteral("select lower(name), upper(type), \"notnull\", pk, "
                                        "coalesce(dflt_value, '') from pragma_table_info(?)"),
                         {name})) {
                const qsizetype bar = c.indexOf(u'|');
                columns.insert(c.left(bar), c.mid(bar + 1));
            }
            shape.tables.insert(name, columns);
        } else if (type == QLatin1String("index")) {
            const QStringList cols = column0(
                db,
                QStringLiteral("select lower(coalesce(name, '?')) from pragma_index_info(?) "
                               "order by seqno"),
                {name});
            const QStringList unique = column0(
                db,
                QStringLiteral("select \"unique\" from pragma_index_list(?) where lower(name) = ?"),
                {table, name});
            const QString what =
                QStringLiteral("%1(%2)%3")
                    .arg(table, cols.join(u','),
                         unique.value(0) == QLatin1String("1") ? QStringLiteral(" unique")
                                                               : QString());
            const QString key = name.startsWith(QLatin1String("sqlite_autoindex_")) ? what : name;
            shape.indexes.insert(key, what);
            shape.indexTables.insert(key, table);
        } else if (type == QLatin1String("view")) {
            shape.views.insert(
                name, column0(db, QStringLiteral("select lower(name) from pragma_table_info(?)"),
                              {name}));
        } else if (type == QLatin1String("trigger")) {
            shape.triggers << name;
        }
    }
    return shape;
}

// The shape the schema scripts make, worked out once.
const SqliteShape& referenceShape()
{
    static const SqliteShape reference = [] {
        const QString name =
            QStringLiteral("hra-reference-") + QUuid::createUuid().toString(QUuid::Id128);
        SqliteShape shape;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(QStringLiteral(":memory:"));
            if (!db.open())
                throw DatabaseError(db.lastError().text());
            for (const QString& script : Dialect(Driver::Sqlite).schemaResources())
                for (const QString& statement : schemaScriptStatements(script))
                    execute(db, statement);
            shape = shapeOf(db);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        return shape;
    }();
    return reference;
}

QString describe(const QString& columnFields)
{
    const QStringList f = columnFields.split(u'|');
    QString out = f.value(0).isEmpty() ? QStringLiteral("no type") : f.value(0);
    if (f.value(1) == QLatin1String("1"))
        out += QStringLiteral(" not null");
    if (f.value(2) != QLatin1String("0"))
        out += QStringLiteral(" key");
    if (!f.value(3).isEmpty())
        out += QStringLiteral(" default ") + f.value(3);
    return out;
}

// The create table statement of `table` in the dialect's scripts.
QString createStatement(const Dialect& dialect, const QString& table)
{
    for (const QString& script : dialect.schemaResources())
        for (const QString& statement : schemaScriptStatements(script)) {
            const QStringList words = statement.simplified().split(u' ');
            if (words.size() > 2 &&
                words[0].compare(QLatin1String("create"), Qt::CaseInsensitive) == 0 &&
                words[1].compare(QLatin1String("table"), Qt::CaseInsensitive) == 0 &&
                words[2].section(u'(', 0, 0).compare(table, Qt::CaseInsensitive) == 0)
                return statement;
        }
    return {};
}

// The definition of one column as the script writes it (one to a line).
QString columnDefinition(const QString& createTable, const QString& column)
{
    for (const QString& raw : createTable.split(u'\n')) {
        QString line = raw.trimmed();
        if (line.section(u' ', 0, 0).compare(column, Qt::CaseInsensitive) != 0)
            continue;
        if (line.endsWith(u','))
            line.chop(1);
        return line;
    }
    return {};
}

const QString kVersionTable = QStringLiteral("sys_sjkbb");

// Columns that came with a schema version, each nullable so that an upgrade
// or the restore of an older backup can add them. A database of an older
// version may lack them, or hold them already when it was upgraded by hand.
struct LaterColumn
{
    int version;
    const char* table;
    const char* column;
};
constexpr LaterColumn kLaterColumns[] = {
    {3, "jkpg_jbxx", "zhaopsj"},
    {3, "jkpg_jbxx", "zhaopgs"},
};

} // namespace

int schemaVersion(const QSqlDatabase& db)
{
    if (db.record(kVersionTable).isEmpty())
        return 1;
    const QVariant v = scalar(db, QStringLiteral("select max(banb) from sys_sjkbb"));
    return isNull(v) ? 1 : v.toInt();
}

void recordSchemaVersion(const QSqlDatabase& db, const Dialect& dialect)
{
    Transaction transaction(db);
    if (db.record(kVersionTable).isEmpty())
        execute(db, createStatement(dialect, kVersionTable));
    execute(db, QStringLiteral("delete from sys_sjkbb"));
    run(db, QStringLiteral("insert into sys_sjkbb (banb) values (:v)"),
        {{QStringLiteral("v"), kSchemaVersion}});
    transaction.commit();
}

QStringList schemaScriptStatements(const QString& resource)
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

std::optional<MissingColumn> firstMissingColumn(const QSqlDatabase& db)
{
    for (const TableDef& t : tables()) {
        const QSqlRecord present = db.record(t.name);
        if (present.isEmpty())
            continue;
        for (const ColumnDef& c : t.columns)
            if (present.indexOf(c.name) < 0)
                return MissingColumn{t.name, c.name};
    }
    return std::nullopt;
}

QString missingColumnMessage(const MissingColumn& missing)
{
    return QStringLiteral("the database lacks the column %1.%2; run hra-cli db upgrade to add it")
        .arg(missing.table, missing.column);
}

QStringList addMissingColumns(const QSqlDatabase& db, const Dialect& dialect)
{
    QStringList added;
    Transaction transaction(db);
    for (const TableDef& t : tables()) {
        const QSqlRecord present = db.record(t.name);
        if (present.isEmpty())
            continue;
        for (const ColumnDef& c : t.columns) {
            if (present.indexOf(c.name) >= 0 || !c.nullable)
                continue;
            const QString definition = columnDefinition(createStatement(dialect, t.name), c.name);
            if (definition.isEmpty())
                continue;
            // Both the table and the definition come from our own list and scripts.
            execute(db, QStringLiteral("alter table %1 add %2").arg(t.name, definition));
            added << t.name + u'.' + c.name;
        }
    }
    transaction.commit();
    return added;
}

QString sqliteSchemaDifference(const QSqlDatabase& db)
{
    SqliteShape ours = referenceShape();
    const SqliteShape fileShape = shapeOf(db);
    const int version = schemaVersion(db);
    if (version > kSchemaVersion)
        return QStringLiteral("it was made by a newer version of the program (schema %1; this "
                              "one knows up to %2)")
            .arg(version)
            .arg(kSchemaVersion);
    if (version == 1)
        ours.tables.remove(kVersionTable);
    SqliteShape file = fileShape;
    for (const LaterColumn& later : kLaterColumns)
        if (version < later.version)
            for (SqliteShape* shape : {&ours, &file}) {
                const auto t = shape->tables.find(QLatin1String(later.table));
                if (t != shape->tables.end())
                    t->remove(QLatin1String(later.column));
            }
    if (!file.triggers.isEmpty())
        return QStringLiteral("the trigger %1 is not part of this program's database")
            .arg(file.triggers.first());
    for (auto it = file.views.begin(); it != file.views.end(); ++it)
        if (!ours.views.contains(it.key()))
            return QStringLiteral("the view %1 is not part of this program's database")
                .arg(it.key());
    for (auto t = ours.tables.begin(); t != ours.tables.end(); ++t) {
        if (!file.tables.contains(t.key()))
            return QStringLiteral("the table %1 is missing").arg(t.key());
        const QMap<QString, QString>& there = file.tables[t.key()];
        for (auto c = t->begin(); c != t->end(); ++c) {
            if (!there.contains(c.key()))
                return QStringLiteral("the table %1 lacks the column %2").arg(t.key(), c.key());
            if (there[c.key()] != c.value())
                return QStringLiteral("the column %1.%2 is %3, not %4")
                    .arg(t.key(), c.key(), describe(there[c.key()]), describe(c.value()));
        }
        for (auto c = there.begin(); c != there.end(); ++c)
            if (!t->contains(c.key()))
                return QStringLiteral("the table %1 has a column %2 that is not ours")
                    .arg(t.key(), c.key());
    }
    for (auto i = ours.indexes.begin(); i != ours.indexes.end(); ++i)
        if (file.indexes.value(i.key()) != i.value())
            return QStringLiteral("the index %1 is missing or covers other columns").arg(i.key());
    for (auto i = file.indexes.begin(); i != file.indexes.end(); ++i)
        if (!ours.indexes.contains(i.key()) && ours.tables.contains(file.indexTables[i.key()]))
            return QStringLiteral("the index %1 on %2 is not part of this program's database")
                .arg(i.key(), file.indexTables[i.key()]);
    for (auto v = ours.views.begin(); v != ours.views.end(); ++v) {
        if (!file.views.contains(v.key()))
            return QStringLiteral("the view %1 is missing").arg(v.key());
        if (file.views[v.key()] != v.value())
            return QStringLiteral("the view %1 shows other columns").arg(v.key());
    }
    return {};
}

} // namespace hra::store
