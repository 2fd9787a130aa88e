#pragma once

#include "store/Dialect.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <stdexcept>
#include <utility>
#include <vector>

namespace hra::store {

// A failed statement. The message holds the driver's text, never the bound
// values (passwords are bound values).
class DatabaseError : public std::runtime_error
{
public:
    explicit DatabaseError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// The link to the database is gone (server ended the session, network cut,
// SQLite file moved away or locked past the busy timeout). Nothing of an open
// transaction is stored; the connection opens again on its next use.
class ConnectionLostError : public DatabaseError
{
public:
    using DatabaseError::DatabaseError;
};

// An update or delete found its row changed (or removed) by someone else
// since it was loaded: nothing was stored.
class StaleRowError : public DatabaseError
{
public:
    StaleRowError(const QString& table, bool removed)
        : DatabaseError(
              QStringLiteral("the row of %1 was %2 by another workstation")
                  .arg(table, removed ? QStringLiteral("removed") : QStringLiteral("changed"))),
          m_table(table), m_removed(removed)
    {
    }
    const QString& table() const { return m_table; }
    bool removed() const { return m_removed; }

private:
    QString m_table;
    bool m_removed;
};

// A value for the placeholder ":name" of a statement. Operator values only
// ever reach SQL this way.
using Binding = std::pair<QString, QVariant>;
using Bindings = std::vector<Binding>;

// Rows read by a select, the same shape for every backend: field names in
// order and one value per field and row (an invalid or null QVariant is
// NULL). Decimals are doubles, date-times are QDateTime.
struct Rows
{
    QStringList fields;
    QList<QVariantList> rows;

    bool isEmpty() const { return rows.isEmpty(); }
    qsizetype size() const { return rows.size(); }
    // The value of a field in a row; an invalid QVariant when either is absent.
    QVariant value(qsizetype row, const QString& field) const;
    // Appends a field with the same value in every row.
    void addField(const QString& name, const QVariantList& values);
};

// A NULL of text type, so that drivers bind NULL and not empty text.
QVariant nullText();
bool isNull(const QVariant& v);

// Brings a value as a driver returned it to the common shape: SQLite keeps
// date-times as text, which comes back as QDateTime here.
QVariant normalised(const QVariant& value);

// The one path for statements: prepares, binds, runs, counts, and hands back
// rows in the common shape. Throws DatabaseError with the driver's text.
class Sql
{
public:
    Sql(QSqlDatabase db, Dialect dialect) : m_db(std::move(db)), m_dialect(dialect) {}

    // Runs one statement. Numbers of decimal columns come back as doubles on
    // every backend (PostgreSQL would give text).
    QSqlQuery run(const QString& sql, const Bindings& bindings = {});
    // Runs a select and returns all its rows, normalised. A later field with
    // a name seen before is renamed name_1, name_2, as the report engine
    // knows them.
    Rows select(const QString& sql, const Bindings& bindings = {});
    // The first column of the first row, normalised; invalid when no row.
    QVariant scalar(const QString& sql, const Bindings& bindings = {});
    // Rows changed by an insert, update or delete.
    int change(const QString& sql, const Bindings& bindings = {});

    // The database server's clock; every stored time is taken from here.
    QDateTime serverNow();

    int count() const { return m_count; }
    const QSqlDatabase& db() const { return m_db; }
    const Dialect& dialect() const { return m_dialect; }

private:
    QSqlDatabase m_db;
    Dialect m_dialect;
    int m_count = 0;
};

// The same for one statement on a database, uncounted.
QSqlQuery run(const QSqlDatabase& db, const QString& sql, const Bindings& bindings = {});
Rows select(const QSqlDatabase& db, const QString& sql, const Bindings& bindings = {});
QVariant scalar(const QSqlDatabase& db, const QString& sql, const Bindings& bindings = {});

// Runs a statement that takes no values (schema scripts), without preparing it.
void execute(const QSqlDatabase& db, const QString& sql);

// Commits when committed, rolls back when the scope is left without commit
// (an exception). A failed commit rolls back and throws. On SQLite the write
// lock is taken at the start, waiting for other writers up to the busy
// timeout.
//
// A transaction begun while another is open on the same connection joins
// it: it neither begins nor commits, and what fails inside it is left for the
// outer one to roll back (so a whole file of saves stands or falls together).
// While one lives on a connection, each statement text is prepared once and
// run again with new values, and a table's columns are read once: for a long
// run of the same few statements (a group's import), where parsing them again
// for every row took most of the time. Nests; the outermost lets them go.
class KeptStatements
{
public:
    explicit KeptStatements(QSqlDatabase db);
    ~KeptStatements();
    KeptStatements(const KeptStatements&) = delete;
    KeptStatements& operator=(const KeptStatements&) = delete;

private:
    QString m_name;
};

// The table's columns as the driver reports them (kept under KeptStatements).
QSqlRecord tableRecord(const QSqlDatabase& db, const QString& table);

class Transaction
{
public:
    explicit Transaction(QSqlDatabase db);
    ~Transaction();
    void commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Whether a transaction of ours is open on the connection.
    static bool isOpen(const QSqlDatabase& db);

private:
    QSqlDatabase m_db;
    bool m_done = false;
    bool m_joined = false;
};

} // namespace hra::store
