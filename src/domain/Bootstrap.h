#pragma once

#include "store/Connection.h"
#include "store/Dialect.h"

#include <QString>
#include <QStringList>

namespace hra::domain {

struct InitOptions
{
    // Adds demo persons with stored assessments and the demo manager password.
    bool demo = false;
    // Drops our tables first when the database already has some.
    bool force = false;
};

struct InitResult
{
    // The manager's password in clear, to be shown once; only its hash is stored.
    QString managerPassword;
};

// The password the demo database gives the manager (named in the README).
inline const QString kDemoManagerPassword = QStringLiteral("demo1234");

// The tables and views the schema scripts of a dialect create, lower-case,
// in the order the scripts create them.
struct SchemaObjects
{
    QStringList tables;
    QStringList views;
};
SchemaObjects schemaObjects(const store::Dialect& dialect);

// The statements of one schema script (a resource of
// Dialect::schemaResources()), in order, without their comments.
QStringList scriptStatements(const QString& resource);

// Creates the schema and the reference data (and with demo the demo data).
// Throws DatabaseError when the database already holds any of our tables or
// views and force is not set, or when a statement fails. With force our
// tables and views are dropped first; tables of others are left alone.
// Everything runs in one transaction, so on SQLite and PostgreSQL a failure
// leaves the database as it was.
InitResult initializeDatabase(const store::Connection& connection, const InitOptions& options);

// Creates the declared indexes that an existing database lacks (one made by
// an older version of the program) and returns their names. An index of the
// same name is taken as it is. Creating an index on a large table locks it
// for a while: run it when no one else works.
QStringList addMissingIndexes(const store::Connection& connection);

// Adds the row version column to the declared tables of an older database
// that lack it (existing rows get version 0) and returns "table.column" of
// each one added. Until then rows of such a table are stored without the
// check for changes made by other workstations.
QStringList addMissingVersionColumns(const store::Connection& connection);

} // namespace hra::domain
