#include "store/SchemaCheck.h"

#include "store/Schema.h"
#include "store/Sql.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <algorithm>

namespace hra::store {
namespace {

// What a database holds, by lower-case name.
struct Shape
{
    // Per table: column name -> "TYPE|notnull|pk|default".
    QMap<QString, QMap<QString, QString>> tables;
    // Index name -> "table(columns) unique"; indexes made for a key are
    // named by what they cover, since SQLite numbers them.
    QMap<QString, QString> indexes;
    QMap<QString, QString> indexTables;
    QMap<QString, QStringList> views;
    // What runs or is no plain table or view ("trigger wipe").
    QStringList foreign;
    // PostgreSQL only: keys and checks by "name on table", and the views'
    // definitions.
    QMap<QString, QString> constraints;
    QMap<QString, QString> constraintTables;
    QMap<QString, QString> viewDefinitions;
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

Shape shapeOf(const QSqlDatabase& db)
{
    Shape shape;
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
            shape.foreign << QStringLiteral("trigger ") + name;
        }
    }
    return shape;
}

// The shape the schema scripts make, worked out once.
const Shape& referenceShape()
{
    static const Shape reference = [] {
        const QString name =
            QStringLiteral("hra-reference-") + QUuid::createUuid().toString(QUuid::Id128);
        Shape shape;
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

// The first way in which `file` differs from `ours`; empty when it does not.
QString shapeDifference(const Shape& ours, const Shape& file, QString (*describe)(const QString&))
{
    if (!file.foreign.isEmpty())
        return QStringLiteral("the %1 is not part of this program's database")
            .arg(file.foreign.first());
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
    for (auto k = ours.constraints.begin(); k != ours.constraints.end(); ++k)
        if (file.constraints.value(k.key()) != k.value())
            return QStringLiteral("the constraint %1 is missing or differs (%2)")
                .arg(k.key(), k.value());
    for (auto k = file.constraints.begin(); k != file.constraints.end(); ++k)
        if (!ours.constraints.contains(k.key()) &&
            ours.tables.contains(file.constraintTables[k.key()]))
            return QStringLiteral("the constraint %1 is not part of this program's database")
                .arg(k.key());
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
        if (file.viewDefinitions.value(v.key()) != ours.viewDefinitions.value(v.key()))
            return QStringLiteral("the view %1 is defined otherwise").arg(v.key());
    }
    return {};
}

// What the session's temporary schema holds, named without the schema.
Shape postgresTemporaryShape(const QSqlDatabase& db)
{
    static const QRegularExpression temporarySchema(QStringLiteral("\\bpg_temp(_\\d+)?\\."));
    const auto plain = [](QString text) { return text.remove(temporarySchema); };
    Shape shape;
    for (const QString& line :
         column0(db,
                 QStringLiteral("select c.relkind, c.relname, c.relrowsecurity from pg_class c "
                                "where c.relnamespace = pg_my_temp_schema()"),
                 {})) {
        const QStringList f = line.split(u'|');
        const QString& kind = f.value(0);
        const QString& name = f.value(1);
        if (kind == QLatin1String("r"))
            shape.tables.insert(name, {});
        else if (kind == QLatin1String("v"))
            shape.views.insert(name, {});
        else if (kind != QLatin1String("S") && kind != QLatin1String("i"))
            shape.foreign << QStringLiteral("relation %1 of kind %2").arg(name, kind);
        if (f.value(2) == QLatin1String("true"))
            shape.foreign << QStringLiteral("row security of %1").arg(name);
    }
    for (const QString& line :
         column0(db,
                 QStringLiteral(
                     "select c.relkind, c.relname, a.attname, format_type(a.atttypid, a.atttypmod) "
                     "|| case when a.attnotnull then ' not null' else '' end "
                     "|| coalesce(' default ' || pg_get_expr(d.adbin, d.adrelid), '') "
                     "|| case a.attidentity when 'a' then ' always identity' when 'd' "
                     "then ' identity' else '' end "
                     "|| case when a.attgenerated <> '' then ' generated' else '' end "
                     "from pg_attribute a join pg_class c on c.oid = a.attrelid "
                     "left join pg_attrdef d on d.adrelid = a.attrelid and d.adnum = a.attnum "
                     "where c.relnamespace = pg_my_temp_schema() and c.relkind in ('r', 'v') "
                     "and a.attnum > 0 and not a.attisdropped order by c.relname, a.attnum"),
                 {})) {
        const QStringList f = line.split(u'|');
        if (f.value(0) == QLatin1String("r"))
            shape.tables[f.value(1)].insert(f.value(2), plain(f.mid(3).join(u'|')));
        else
            shape.views[f.value(1)] << f.value(2);
    }
    for (const QString& line :
         column0(db,
                 QStringLiteral("select k.conname || ' on ' || c.relname, c.relname, "
                                "pg_get_constraintdef(k.oid) from pg_constraint k "
                                "join pg_class c on c.oid = k.conrelid "
                                "where c.relnamespace = pg_my_temp_schema()"),
                 {})) {
        const QStringList f = line.split(u'|');
        shape.constraints.insert(f.value(0), plain(f.mid(2).join(u'|')));
        shape.constraintTables.insert(f.value(0), f.value(1));
    }
    for (const QString& line :
         column0(db,
                 QStringLiteral("select x.relname, c.relname, pg_get_indexdef(i.indexrelid) "
                                "from pg_index i join pg_class x on x.oid = i.indexrelid "
                                "join pg_class c on c.oid = i.indrelid "
                                "where c.relnamespace = pg_my_temp_schema()"),
                 {})) {
        const QStringList f = line.split(u'|');
        shape.indexes.insert(f.value(0), plain(f.mid(2).join(u'|')));
        shape.indexTables.insert(f.value(0), f.value(1));
    }
    for (const QString& line :
         column0(db,
                 QStringLiteral("select c.relname, pg_get_viewdef(c.oid) from pg_class c "
                                "where c.relkind = 'v' and c.relnamespace = pg_my_temp_schema()"),
                 {})) {
        const QStringList f = line.split(u'|');
        shape.viewDefinitions.insert(f.value(0), plain(f.mid(1).join(u'|')));
    }
    shape.foreign << column0(
        db,
        QStringLiteral(
            "select 'trigger ' || t.tgname || ' on ' || c.relname from pg_trigger t "
            "join pg_class c on c.oid = t.tgrelid "
            "where not t.tgisinternal and c.relnamespace = pg_my_temp_schema() "
            "union all select 'rule ' || r.rulename || ' on ' || c.relname from pg_rewrite r "
            "join pg_class c on c.oid = r.ev_class "
            "where r.rulename <> '_RETURN' and c.relnamespace = pg_my_temp_schema() "
            "union all select 'policy ' || p.polname || ' on ' || c.relname from pg_policy p "
            "join pg_class c on c.oid = p.polrelid where c.relnamespace = pg_my_temp_schema() "
            "union all select 'function ' || p.proname from pg_proc p "
            "where p.pronamespace = pg_my_temp_schema()"),
        {});
    return shape;
}

// The statements of a pg_dump definition script that make tables, their
// keys, indexes and views, each naming the temporary schema instead of
// public. Settings are left out: every name is written with its schema.
// Anything else (what would run, or act beyond the new tables) is refused.
QString archiveStatements(const QString& script, QStringList* statements)
{
    static const QStringList allowed{
        QStringLiteral("CREATE TABLE "),     QStringLiteral("CREATE SEQUENCE "),
        QStringLiteral("ALTER SEQUENCE "),   QStringLiteral("ALTER TABLE "),
        QStringLiteral("CREATE INDEX "),     QStringLiteral("CREATE UNIQUE INDEX "),
        QStringLiteral("CREATE VIEW "),      QStringLiteral("COMMENT ON COLUMN "),
        QStringLiteral("COMMENT ON TABLE "),
    };
    static const QStringList skipped{
        QStringLiteral("SET "),
        QStringLiteral("SELECT pg_catalog.set_config('search_path', '', false)"),
        QStringLiteral("CREATE SCHEMA public"),
        QStringLiteral("COMMENT ON SCHEMA public "),
    };
    QStringList found;
    QString current;
    QChar quote;
    bool lineStart = true;
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QChar c = script[i];
        if (quote.isNull()) {
            // A psql command such as \restrict takes its line.
            if ((lineStart && c == u'\\' && current.trimmed().isEmpty()) ||
                (c == u'-' && script.mid(i, 2) == QLatin1String("--"))) {
                while (i < script.size() && script[i] != u'\n')
                    ++i;
                lineStart = true;
                continue;
            }
            if (c == u'$')
                return QStringLiteral("it holds a quoted body: %1")
                    .arg(current.simplified().left(80));
            if (c == u';') {
                found << current.trimmed();
                current.clear();
                lineStart = false;
                continue;
            }
            if (c == u'\'' || c == u'"')
                quote = c;
        } else if (c == quote) {
            quote = QChar();
        }
        current += c;
        lineStart = c == u'\n';
    }
    if (!current.trimmed().isEmpty())
        found << current.trimmed();
    for (QString& statement : found) {
        if (std::any_of(skipped.begin(), skipped.end(),
                        [&](const QString& s) { return statement.startsWith(s); }))
            continue;
        if (std::none_of(allowed.begin(), allowed.end(),
                         [&](const QString& s) { return statement.startsWith(s); }))
            return QStringLiteral("it holds the statement %1").arg(statement.simplified().left(80));
        statement.replace(QStringLiteral("\"public\"."), QStringLiteral("pg_temp."))
            .replace(QStringLiteral("public."), QStringLiteral("pg_temp."));
        *statements << statement;
    }
    return {};
}

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

// Tables that a later version added, with that version: a database of an
// older version lacks them, and its upgrade makes them.
struct LaterTable
{
    const char* name;
    int version;
    bool written; // by the daily work, so that it cannot be done without it
};
constexpr LaterTable kLaterTables[] = {{"sys_sjkbb", 2, false}, {"sys_czrz", 3, true}};

// The "create index" statements of the dialect's scripts for `table`.
QStringList indexStatements(const Dialect& dialect, const QString& table)
{
    QStringList out;
    for (const QString& script : dialect.schemaResources())
        for (const QString& statement : schemaScriptStatements(script)) {
            const QStringList words = statement.simplified().split(u' ');
            if (words.size() > 4 &&
                words[0].compare(QLatin1String("create"), Qt::CaseInsensitive) == 0 &&
                words[1].compare(QLatin1String("index"), Qt::CaseInsensitive) == 0 &&
                words[4].section(u'(', 0, 0).compare(table, Qt::CaseInsensitive) == 0)
                out << statement;
        }
    return out;
}

// A file of an older version is held to what that version made: without
// the tables and columns a later version added (which it may hold already,
// when it was upgraded by hand).
void asOfVersion(Shape& ours, Shape& file, int version)
{
    for (const LaterTable& later : kLaterTables) {
        if (later.version <= version)
            continue;
        const QString name = QLatin1String(later.name);
        ours.tables.remove(name);
        for (const QString& index : ours.indexTables.keys(name)) {
            ours.indexes.remove(index);
            ours.indexTables.remove(index);
        }
        for (const QString& constraint : ours.constraintTables.keys(name)) {
            ours.constraints.remove(constraint);
            ours.constraintTables.remove(constraint);
        }
    }
    for (const LaterColumn& later : kLaterColumns)
        if (version < later.version)
            for (Shape* shape : {&ours, &file}) {
                const auto t = shape->tables.find(QLatin1String(later.table));
                if (t != shape->tables.end())
                    t->remove(QLatin1String(later.column));
            }
}

} // namespace

QStringList laterTables()
{
    QStringList names;
    for (const LaterTable& later : kLaterTables)
        names << QLatin1String(later.name);
    return names;
}

int schemaVersion(const QSqlDatabase& db)
{
    if (db.record(kVersionTable).isEmpty())
        return 1;
    const QVariant v = scalar(db, QStringLiteral("select max(banb) from sys_sjkbb"));
    return isNull(v) ? 1 : v.toInt();
}

QStringList recordSchemaVersion(const QSqlDatabase& db, const Dialect& dialect)
{
    QStringList made;
    Transaction transaction(db);
    for (const LaterTable& later : kLaterTables) {
        const QString name = QLatin1String(later.name);
        if (!db.record(name).isEmpty())
            continue;
        // Both statements come from our own scripts.
        execute(db, createStatement(dialect, name));
        for (const QString& index : indexStatements(dialect, name))
            execute(db, index);
        made << name;
    }
    execute(db, QStringLiteral("delete from sys_sjkbb"));
    run(db, QStringLiteral("insert into sys_sjkbb (banb) values (:v)"),
        {{QStringLiteral("v"), kSchemaVersion}});
    transaction.commit();
    return made;
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

QString firstMissingTable(const QSqlDatabase& db)
{
    for (const LaterTable& later : kLaterTables)
        if (later.written && db.record(QLatin1String(later.name)).isEmpty())
            return QLatin1String(later.name);
    return {};
}

QString missingTableMessage(const QString& table)
{
    return QStringLiteral("the database lacks the table %1 (it is of an older version); run "
                          "hra-cli db upgrade to add it")
        .arg(table);
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
    Shape ours = referenceShape();
    const int version = schemaVersion(db);
    if (version > kSchemaVersion)
        return newerVersionMessage(version);
    Shape file = shapeOf(db);
    asOfVersion(ours, file, version);
    return shapeDifference(ours, file, describe);
}

QString newerVersionMessage(int version)
{
    return QStringLiteral("it was made by a newer version of the program (schema %1; this "
                          "one knows up to %2)")
        .arg(version)
        .arg(kSchemaVersion);
}

QString postgresSchemaDifference(const QSqlDatabase& db, const QString& archiveDefinitions,
                                 int version)
{
    if (version > kSchemaVersion)
        return newerVersionMessage(version);
    QStringList statements;
    if (const QString refused = archiveStatements(archiveDefinitions, &statements);
        !refused.isEmpty())
        return refused;
    Shape ours;
    {
        // Made where only this session sees it, and rolled back.
        const Transaction transaction(db);
        execute(db, QStringLiteral("set local search_path = pg_temp"));
        for (const QString& script : Dialect(Driver::Postgres).schemaResources())
            for (const QString& statement : schemaScriptStatements(script))
                execute(db, statement);
        ours = postgresTemporaryShape(db);
    }
    Shape archive;
    {
        const Transaction transaction(db);
        for (const QString& statement : statements) {
            try {
                execute(db, statement);
            } catch (const DatabaseError& e) {
                return QStringLiteral("its definitions do not apply: %1").arg(e.message());
            }
        }
        archive = postgresTemporaryShape(db);
    }
    asOfVersion(ours, archive, version);
    return shapeDifference(ours, archive, [](const QString& c) { return c; });
}

} // namespace hra::store
