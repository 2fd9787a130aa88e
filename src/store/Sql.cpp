#include "store/Sql.h"

#include <QSqlError>

namespace hra::store {

QSqlQuery run(const QSqlDatabase& db, const QString& sql, std::initializer_list<Binding> bindings)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw DatabaseError(q.lastError().text());
    for (const auto& [name, value] : bindings)
        q.bindValue(QLatin1Char(':') + QLatin1String(name), value);
    if (!q.exec())
        throw DatabaseError(q.lastError().text());
    return q;
}

void execute(const QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw DatabaseError(q.lastError().text());
}

QVariant scalar(const QSqlDatabase& db, const QString& sql, std::initializer_list<Binding> bindings)
{
    QSqlQuery q = run(db, sql, bindings);
    return q.next() ? q.value(0) : QVariant();
}

Transaction::Transaction(QSqlDatabase db) : m_db(std::move(db))
{
    if (!m_db.transaction())
        throw DatabaseError(m_db.lastError().text());
}

Transaction::~Transaction()
{
    if (!m_done)
        m_db.rollback();
}

void Transaction::commit()
{
    if (!m_db.commit()) {
        const QString text = m_db.lastError().text();
        m_db.rollback();
        m_done = true;
        throw DatabaseError(text);
    }
    m_done = true;
}

} // namespace hra::store
