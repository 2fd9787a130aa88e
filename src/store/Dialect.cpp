#include "store/Dialect.h"

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
