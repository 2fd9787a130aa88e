#pragma once

#include "store/Settings.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

namespace hra::store {

// Every difference between the three SQL dialects lives here; statements
// elsewhere are written in the common subset and ask this class for the rest.
class Dialect
{
public:
    explicit Dialect(Driver driver) : m_driver(driver) {}

    Driver driver() const { return m_driver; }

    // A statement returning one row with one column: the server's clock.
    QString serverNowQuery() const;
    // An expression giving a date-time column as "yyyy-mm-dd" text.
    QString dateToText(const QString& expression) const;
    // Restricts a "select ..." statement to its first row.
    QString firstRowOnly(const QString& select) const;
    // Restricts a "select ..." statement to its first `count` rows.
    QString firstRows(const QString& select, int count) const;
    // A column as an expression the planner may test but not look up through
    // an index. SQLite keeps no statistics of values by default and would
    // start from any index that matches, even one that matches half the
    // table; the servers choose from their statistics and get the column.
    QString withoutIndex(const QString& column) const;
    // The statement listing the names of the user tables (one column).
    QString listTablesQuery() const;
    // The statement that sets the session's time zone to :zone (an IANA
    // name); empty where the server keeps no zone per session (SQLite is
    // its own clock, SQL Server stores its own wall time).
    QString setTimeZoneStatement() const;
    // The statement listing the names of the indexes on them (one column).
    QString listIndexesQuery() const;
    // Whether a failed statement means the link to the database is gone (and
    // the connection must be opened again) rather than a refused statement.
    bool isLostConnection(const QSqlError& error) const;
    // The definition (after its name) of the row version column an upgrade
    // adds to an older table: as the schema scripts declare it.
    QString versionColumnDefinition() const;
    // The Qt SQL driver name.
    QString qtDriver() const;
    // The dialect of an open Qt connection.
    static Dialect of(const QSqlDatabase& db);
    // The statement that begins a transaction which will write, or empty for
    // the driver's own begin. SQLite must take its write lock at the start:
    // a transaction that reads first and writes later cannot wait for another
    // writer and fails at once with "database is locked".
    QString beginWriteTransaction() const;
    // The schema scripts for this dialect, in the order they run: the
    // assessment tables, then the tables of the risk analysis.
    QStringList schemaResources() const;

private:
    Driver m_driver;
};

} // namespace hra::store
