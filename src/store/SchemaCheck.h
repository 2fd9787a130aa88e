#pragma once

#include "store/Dialect.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

namespace hra::store {

// Holds a database to the declared column list (store/Schema): what is
// missing from it, what can be added, and whether a file is one this
// program would have made.

// The statements of a schema script: separated by a semicolon at the end of
// a line, "--" comment lines dropped. Throws DatabaseError when the script
// is missing.
QStringList schemaScriptStatements(const QString& resource);

// The version of the schema this program makes, kept in sys_sjkbb (and so in
// every backup). Version 1 is a database from before it was kept: the same
// tables and columns without sys_sjkbb. Version 3 keeps the person's photo in
// the person row (jkpg_jbxx.zhaopsj and zhaopgs) and has the operation log
// (sys_czrz); an older database is brought up to it by adding those columns
// (addMissingColumns) and that table (recordSchemaVersion).
constexpr int kSchemaVersion = 3;

// The tables a later version added (sys_sjkbb, sys_czrz): a database of an
// older version lacks them, and its upgrade makes them.
QStringList laterTables();

// The version a database records; 1 when it records none. Throws DatabaseError.
int schemaVersion(const QSqlDatabase& db);

// Brings the database to kSchemaVersion: makes the tables a later version
// added (sys_sjkbb, sys_czrz) with their indexes, as the dialect's script
// makes them, when they are missing, and records the version. Returns the
// names of the tables it made. Throws DatabaseError.
QStringList recordSchemaVersion(const QSqlDatabase& db, const Dialect& dialect);

struct MissingColumn
{
    QString table;
    QString column;
};

// The first declared column that a table of the database lacks, in declared
// order. Tables that are missing altogether are left to `db init`.
std::optional<MissingColumn> firstMissingColumn(const QSqlDatabase& db);

// A table that a later version added and that the program writes in its
// daily work (the operation log), missing from a database of an older
// version; empty when none is.
QString firstMissingTable(const QSqlDatabase& db);

// "the database lacks the table ...; run hra-cli db upgrade" for hra-cli and the log.
QString missingTableMessage(const QString& table);

// "the database lacks the column jkpg_tgjc.tiz; ..." for hra-cli and the log.
QString missingColumnMessage(const MissingColumn& missing);

// Adds every missing column that may be empty, defined as the dialect's
// schema script defines it; "table.column" of each added. Columns that
// refuse NULL are left (rows already there would have no value). Throws
// DatabaseError.
QStringList addMissingColumns(const QSqlDatabase& db, const Dialect& dialect);

// The first way in which a SQLite database differs from the one the schema
// scripts make: a table, column (type, NULL, key) or index of ours missing or
// different, the view missing or showing other columns, or anything of its
// own that runs or reads (a trigger, a view, an index on our tables). Empty
// when it is ours. Tables of its own that hold data only are allowed. A file
// of an older version is compared with what that version made.
QString sqliteSchemaDifference(const QSqlDatabase& db);

// The same for a PostgreSQL archive, from its definitions (pg_restore
// --schema-only) and the version it records. Both they and the schema
// scripts are made in this session's temporary schema, inside transactions
// that are rolled back, and compared there: the database's own tables are
// not touched. Tables of its own that hold data only are allowed. Throws
// DatabaseError when the scripts cannot be made.
QString postgresSchemaDifference(const QSqlDatabase& db, const QString& archiveDefinitions,
                                 int version);

// "it was made by a newer version of the program (schema 3; ...)".
QString newerVersionMessage(int version);

} // namespace hra::store
