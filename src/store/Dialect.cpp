#include "store/Dialect.h"

#include <initializer_list>

namespace hra::store {

QString Dialect::serverNowQuery() const
{
    switch (m_driver) {
    case Driver::Sqlite:
        // The embedded engine is its own server: its clock is the local one.
        return QStringLiteral("select strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime')");
    case Driver::Postgres:
        return QStringLiteral("select localtimestamp");
    case Driver::Mssql:
        break;
    }
    return QStringLiteral("select getdate()");
}

QString Dialect::dateToText(const QString& e) const
{
    switch (m_driver) {
    case Driver::Sqlite:
        return QStringLiteral("substr(%1, 1, 10)").arg(e);
    case Driver::Postgres:
        return QStringLiteral("to_char(%1, 'YYYY-MM-DD')").arg(e);
    case Driver::Mssql:
        break;
    }
    return QStringLiteral("substring(convert(varchar, %1, 120), 1, 10)").arg(e);
}

QString Dialect::firstRowOnly(const QString& select) const
{
    return firstRows(select, 1);
}

QString Dialect::firstRows(const QString& select, int count) const
{
    if (m_driver == Driver::Mssql) {
        QString s = select.trimmed();
        const qsizetype at = s.indexOf(QStringLiteral("select"), 0, Qt::CaseInsensitive);
        if (at >= 0)
            s.insert(at + 6, QStringLiteral(" top %1").arg(count));
        return s;
    }
    return select.trimmed() + QStringLiteral(" limit %1").arg(count);
}

QString Dialect::withoutIndex(const QString& column) const
{
    // The unary plus changes no value and keeps SQLite off the column's index.
    return m_driver == Driver::Sqlite ? QLatin1Char('+') + column : column;
}

QString Dialect::listTablesQuery() const
{
    switch (m_driver) {
    case Driver::Sqlite:
        return QStringLiteral("select name from sqlite_master where type in ('table', 'view') "
                              "and name not like 'sqlite_%'");
    case Driver::Postgres:
        return QStringLiteral("select table_name from information_schema.tables where table_schema "
                              "= current_schema()");
    case Driver::Mssql:
        break;
    }
    return QStringLiteral("select table_name from information_schema.tables");
}

QString Dialect::setTimeZoneStatement() const
{
    return m_driver == Driver::Postgres
               ? QStringLiteral("select set_config('TimeZone', :zone, false)")
               : QString();
}

QString Dialect::listIndexesQuery() const
{
    switch (m_driver) {
    case Driver::Sqlite:
        return QStringLiteral("select name from sqlite_master where type = 'index'");
    case Driver::Postgres:
        return QStringLiteral(
            "select indexname from pg_indexes where schemaname = current_schema()");
    case Driver::Mssql:
        break;
    }
    return QStringLiteral("select name from sys.indexes where name is not null");
}

bool Dialect::isLostConnection(const QSqlError& error) const
{
    // Not the error's type: Qt's SQLite driver calls every failed step a
    // connection error, a broken constraint too.
    const QString code = error.nativeErrorCode();
    const QString text = error.text();
    auto mentions = [&text](std::initializer_list<const char*> parts) {
        for (const char* part : parts)
            if (text.contains(QLatin1String(part), Qt::CaseInsensitive))
                return true;
        return false;
    };
    switch (m_driver) {
    case Driver::Sqlite:
        // Busy past the busy timeout, I/O error, file that cannot be opened.
        return code == QLatin1String("5") || code == QLatin1String("10") ||
               code == QLatin1String("14");
    case Driver::Postgres:
        // SQLSTATE class 08 (connection exception) and the server shutting
        // the session down (57P01..57P03); a session already gone has no
        // state and is known by libpq's text.
        return code.startsWith(QLatin1String("08")) || code == QLatin1String("57P01") ||
               code == QLatin1String("57P02") || code == QLatin1String("57P03") ||
               mentions({"server closed the connection", "terminating connection",
                         "no connection to the server", "could not send data",
                         "could not receive data", "connection not open", "SSL SYSCALL error"});
    case Driver::Mssql:
        // ODBC's link failures (08S01 communication link failure, 08001,
        // 08003, 08007), as code or inside the driver's text.
        return code.startsWith(QLatin1String("08")) ||
               mentions({"08S01", "08001", "08003", "08007", "Communication link failure",
                         "link failure"});
    }
    return false;
}

QString Dialect::versionColumnDefinition() const
{
    switch (m_driver) {
    case Driver::Sqlite:
        return QStringLiteral("int not null default 0 check (typeof(banb) in ('integer', 'null') "
                              "and banb between -2147483648 and 2147483647)");
    case Driver::Postgres:
        return QStringLiteral("integer not null default 0");
    case Driver::Mssql:
        return QStringLiteral("int not null default 0");
    }
    return {};
}

QString Dialect::qtDriver() const
{
    switch (m_driver) {
    case Driver::Sqlite:
        return QStringLiteral("QSQLITE");
    case Driver::Postgres:
        return QStringLiteral("QPSQL");
    case Driver::Mssql:
        break;
    }
    return QStringLiteral("QODBC");
}

Dialect Dialect::of(const QSqlDatabase& db)
{
    const QString name = db.driverName();
    if (name == QLatin1String("QSQLITE"))
        return Dialect(Driver::Sqlite);
    if (name == QLatin1String("QPSQL"))
        return Dialect(Driver::Postgres);
    return Dialect(Driver::Mssql);
}

QString Dialect::beginWriteTransaction() const
{
    return m_driver == Driver::Sqlite ? QStringLiteral("begin immediate") : QString();
}

QStringList Dialect::schemaResources() const
{
    const QString d = driverName(m_driver);
    return {QStringLiteral(":/hra/schema/%1.sql").arg(d),
            QStringLiteral(":/hra/schema/%1-analysis.sql").arg(d)};
}

} // namespace hra::store
