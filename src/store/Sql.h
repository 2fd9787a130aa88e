#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <stdexcept>
#include <utility>

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

using Binding = std::pair<const char*, QVariant>;

// Prepares, binds and runs one statement; throws DatabaseError on failure.
// Operator values only ever reach SQL through these bindings.
QSqlQuery run(const QSqlDatabase& db, const QString& sql, std::initializer_list<Binding> bindings = {});

// Runs a statement that takes no values (schema scripts), without preparing it.
void execute(const QSqlDatabase& db, const QString& sql);

// Runs a statement and returns the first column of its first row (invalid when no row).
QVariant scalar(const QSqlDatabase& db, const QString& sql, std::initializer_list<Binding> bindings = {});

// Commits when the scope is left normally, rolls back when an exception leaves it.
class Transaction
{
public:
    explicit Transaction(QSqlDatabase db);
    ~Transaction();
    void commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    QSqlDatabase m_db;
    bool m_done = false;
};

} // namespace hra::store
