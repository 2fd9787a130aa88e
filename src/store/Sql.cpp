#include "store/Sql.h"

#include "store/Link.h"
#include "store/Log.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>

namespace hra::store {

namespace {

// The statement's first words name it in the log; bound values never appear.
QString statementHead(const QString& sql)
{
    const QString flat = sql.simplified();
    return flat.size() > 80 ? flat.left(80) + QStringLiteral("...") : flat;
}

[[noreturn]] void fail(const QSqlDatabase& db, const QString& sql, const QSqlError& error)
{
    const QString text = error.text();
    qCWarning(lcStore).noquote() << text << "in:" << statementHead(sql);
    if (link::noteFailure(db, error))
        throw ConnectionLostError(text);
    throw DatabaseError(text);
}

// Whether a statement only reads: run again after its link was reopened, it
// changes nothing that was or was not stored.
bool onlyReads(const QString& sql)
{
    const QString head = sql.trimmed().left(7).toLower();
    return head.startsWith(QLatin1String("select ")) || head.startsWith(QLatin1String("select\n"));
}

// What KeptStatements keep per connection; connections belong to one thread.
struct Kept
{
    int depth = 0;
    QHash<QString, QSqlQuery> statements;
    QHash<QString, QSqlRecord> records;
};
thread_local QHash<QString, Kept> kept;

QSqlQuery runQuery(const QSqlDatabase& db, const QString& sql, const Bindings& bindings)
{
    qCDebug(lcStore).noquote() << statementHead(sql);
    link::ensure(db);
    if (const auto keeping = kept.find(db.connectionName()); keeping != kept.end()) {
        auto found = keeping->statements.find(sql);
        QSqlError error;
        if (found == keeping->statements.end()) {
            found = keeping->statements.insert(sql, QSqlQuery(db));
            found->setForwardOnly(true);
            found->setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
            if (!found->prepare(sql))
                error = found->lastError();
        } else {
            found->finish();
        }
        if (!error.isValid()) {
            for (const auto& [name, value] : bindings)
                found->bindValue(QLatin1Char(':') + name, value);
            if (!found->exec())
                error = found->lastError();
        }
        if (error.isValid()) {
            keeping->statements.erase(found);
            fail(db, sql, error);
        }
        // The caller's copy shares the kept statement's result, read before
        // the statement runs again.
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        return *found;
        QT_WARNING_POP
    }
    auto attempt = [&](QSqlQuery& q) -> QSqlError {
        q.setForwardOnly(true);
        // Decimal columns arrive as text on PostgreSQL unless asked for doubles.
        q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        if (!q.prepare(sql))
            return q.lastError();
        for (const auto& [name, value] : bindings)
            q.bindValue(QLatin1Char(':') + name, value);
        return q.exec() ? QSqlError() : q.lastError();
    };
    QSqlQuery q(db);
    QSqlError error = attempt(q);
    // A read outside our transactions that finds the link lost (a server
    // that ended the idle session) is read again on the reopened link, so
    // that the first look-up after an outage does not fail as well.
    if (error.isValid() && !Transaction::isOpen(db) && onlyReads(sql) &&
        link::noteFailure(db, error)) {
        qCWarning(lcStore).noquote() << error.text() << "in:" << statementHead(sql);
        QString reopenError;
        if (!link::reopen(db.connectionName(), true, &reopenError))
            throw ConnectionLostError(reopenError);
        q = QSqlQuery(db);
        error = attempt(q);
    }
    if (error.isValid())
        fail(db, sql, error);
    return q;
}

Rows readRows(QSqlQuery& q)
{
    Rows d;
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
            row << normalised(q.value(i));
        d.rows << row;
    }
    return d;
}

} // namespace

QVariant Rows::value(qsizetype row, const QString& field) const
{
    const qsizetype column = fields.indexOf(field);
    if (column < 0 || row < 0 || row >= rows.size())
        return QVariant();
    return rows.at(row).value(column);
}

void Rows::addField(const QString& name, const QVariantList& values)
{
    fields << name;
    for (qsizetype i = 0; i < rows.size(); ++i)
        rows[i] << values.value(i);
}

QVariant nullText()
{
    return QVariant(QMetaType::fromType<QString>());
}

bool isNull(const QVariant& v)
{
    return !v.isValid() || v.isNull();
}

QVariant normalised(const QVariant& value)
{
    // SQLite has no date-time type: Qt binds a QDateTime as ISO text and
    // reads it back as that text. Only the exact shape it writes (or a
    // server-side datetime()) is taken for a date-time.
    if (value.metaType().id() != QMetaType::QString || value.isNull())
        return value;
    const QString text = value.toString();
    if (text.size() < 19 || text.size() > 23)
        return value;
    static const QRegularExpression shape(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d[T ]\\d\\d:\\d\\d:\\d\\d(\\.\\d{1,3})?$"));
    if (!shape.match(text).hasMatch())
        return value;
    QString iso = text;
    iso[10] = u'T';
    const QDateTime t = QDateTime::fromString(iso, Qt::ISODateWithMs);
    return t.isValid() ? QVariant(t) : value;
}

QSqlQuery Sql::run(const QString& sql, const Bindings& bindings)
{
    ++m_count;
    return runQuery(m_db, sql, bindings);
}

Rows Sql::select(const QString& sql, const Bindings& bindings)
{
    QSqlQuery q = run(sql, bindings);
    return readRows(q);
}

QVariant Sql::scalar(const QString& sql, const Bindings& bindings)
{
    QSqlQuery q = run(sql, bindings);
    return q.next() ? normalised(q.value(0)) : QVariant();
}

int Sql::change(const QString& sql, const Bindings& bindings)
{
    return run(sql, bindings).numRowsAffected();
}

QDateTime Sql::serverNow()
{
    const QVariant v = scalar(m_dialect.serverNowQuery());
    const QDateTime t = v.toDateTime();
    if (!t.isValid())
        throw DatabaseError(QStringLiteral("the server returned no usable time"));
    return t;
}

QSqlQuery run(const QSqlDatabase& db, const QString& sql, const Bindings& bindings)
{
    return runQuery(db, sql, bindings);
}

Rows select(const QSqlDatabase& db, const QString& sql, const Bindings& bindings)
{
    QSqlQuery q = runQuery(db, sql, bindings);
    return readRows(q);
}

QVariant scalar(const QSqlDatabase& db, const QString& sql, const Bindings& bindings)
{
    QSqlQuery q = runQuery(db, sql, bindings);
    return q.next() ? normalised(q.value(0)) : QVariant();
}

void execute(const QSqlDatabase& db, const QString& sql)
{
    link::ensure(db);
    QSqlQuery q(db);
    if (!q.exec(sql))
        fail(db, sql, q.lastError());
}

KeptStatements::KeptStatements(QSqlDatabase db) : m_name(db.connectionName())
{
    ++kept[m_name].depth;
}

KeptStatements::~KeptStatements()
{
    const auto keeping = kept.find(m_name);
    if (keeping != kept.end() && --keeping->depth <= 0)
        kept.erase(keeping);
}

QSqlRecord tableRecord(const QSqlDatabase& db, const QString& table)
{
    const auto keeping = kept.find(db.connectionName());
    if (keeping == kept.end())
        return db.record(table);
    auto found = keeping->records.find(table);
    if (found == keeping->records.end())
        found = keeping->records.insert(table, db.record(table));
    return *found;
}

namespace {

// Open transactions of ours per connection; connections belong to one thread.
thread_local QHash<QString, int> openTransactions;

} // namespace

bool Transaction::isOpen(const QSqlDatabase& db)
{
    return openTransactions.value(db.connectionName()) > 0;
}

Transaction::Transaction(QSqlDatabase db) : m_db(std::move(db))
{
    if (isOpen(m_db)) {
        m_joined = true;
        ++openTransactions[m_db.connectionName()];
        return;
    }
    link::ensure(m_db);
    const QString begin = Dialect::of(m_db).beginWriteTransaction();
    const QString statement = begin.isEmpty() ? QStringLiteral("begin transaction") : begin;
    auto tryBegin = [this, &begin]() -> QSqlError {
        if (begin.isEmpty())
            return m_db.transaction() ? QSqlError() : m_db.lastError();
        QSqlQuery q(m_db);
        return q.exec(begin) ? QSqlError() : q.lastError();
    };
    QSqlError error = tryBegin();
    // Nothing has run yet: a link found lost by the begin itself (a server
    // that ended an idle session) is opened again and the begin repeated.
    if (error.isValid() && link::noteFailure(m_db, error)) {
        QString reopenError;
        if (!link::reopen(m_db.connectionName(), true, &reopenError))
            throw ConnectionLostError(reopenError);
        error = tryBegin();
    }
    if (error.isValid())
        fail(m_db, statement, error);
    ++openTransactions[m_db.connectionName()];
}

Transaction::~Transaction()
{
    if (--openTransactions[m_db.connectionName()] <= 0)
        openTransactions.remove(m_db.connectionName());
    if (!m_joined && !m_done && !m_db.rollback())
        qCWarning(lcStore).noquote() << "rollback failed:" << m_db.lastError().text();
}

void Transaction::commit()
{
    if (m_joined) {
        m_done = true;
        return;
    }
    if (!m_db.commit()) {
        const QSqlError error = m_db.lastError();
        m_db.rollback();
        m_done = true;
        fail(m_db, QStringLiteral("commit"), error);
    }
    m_done = true;
}

} // namespace hra::store
