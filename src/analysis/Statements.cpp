#include "analysis/Statements.h"

#include "store/Sql.h"

#include <QSqlError>
#include <QSqlRecord>

namespace hra::analysis {

QSqlQuery Statements::run(const QString& sql, const Bindings& bindings)
{
    ++m_count;
    QSqlQuery q(db());
    q.setForwardOnly(true);
    // Decimal columns arrive as text on PostgreSQL unless asked for doubles.
    q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    if (!q.prepare(sql))
        throw store::DatabaseError(q.lastError().text());
    for (const auto& [name, value] : bindings)
        q.bindValue(QLatin1Char(':') + name, value);
    if (!q.exec())
        throw store::DatabaseError(q.lastError().text());
    return q;
}

Dataset Statements::select(const QString& sql, const Bindings& bindings)
{
    QSqlQuery q = run(sql, bindings);
    Dataset d;
    const QSqlRecord record = q.record();
    for (int i = 0; i < record.count(); ++i) {
        const QString name = record.fieldName(i);
        QString unique = name;
        for (int n = 1; d.fields.contains(unique); ++n)
            unique = QStringLiteral("%1_%2").arg(name).arg(n);
        d.fields << unique;
    }
    while (q.next()) {
        QVariantList row;
        row.reserve(record.count());
        for (int i = 0; i < record.count(); ++i)
            row << q.value(i);
        d.rows << row;
    }
    return d;
}

QDateTime Statements::serverNow()
{
    ++m_count;
    return m_connection.serverNow();
}

} // namespace hra::analysis
