#pragma once

#include "analysis/Dataset.h"
#include "store/Connection.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

namespace hra::analysis {

using Bindings = std::vector<std::pair<QString, QVariant>>;

// Every statement of an analysis goes through here: values are bound,
// numbers come back as doubles on every backend, and the statements are
// counted so that a run can report how many it issued.
class Statements
{
public:
    explicit Statements(const store::Connection& connection) : m_connection(connection) {}

    // Prepares, binds and runs one statement; throws store::DatabaseError.
    QSqlQuery run(const QString& sql, const Bindings& bindings = {});
    // Runs a select and returns all its rows. Later fields with a name seen
    // before are renamed name_1, name_2, as the report engine knows them.
    Dataset select(const QString& sql, const Bindings& bindings = {});
    // The database server's clock.
    QDateTime serverNow();

    int count() const { return m_count; }
    const store::Connection& connection() const { return m_connection; }
    QSqlDatabase db() const { return m_connection.db(); }
    const store::Dialect& dialect() const { return m_connection.dialect(); }

private:
    const store::Connection& m_connection;
    int m_count = 0;
};

} // namespace hra::analysis
