#include "store/RowBuffer.h"

#include "store/Link.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QSqlRecord>

namespace hra::store {
namespace {

// "a = :k0 and b = :k1" for the key columns.
QString keyCondition(const QStringList& keys)
{
    QStringList parts;
    for (qsizetype i = 0; i < keys.size(); ++i)
        parts << QStringLiteral("%1 = :k%2").arg(keys.at(i)).arg(i);
    return parts.join(QStringLiteral(" and "));
}

void bindKey(Bindings& bindings, const QStringList& keys, const QVariantMap& values)
{
    for (qsizetype i = 0; i < keys.size(); ++i)
        bindings.emplace_back(QStringLiteral("k%1").arg(i), values.value(keys.at(i)));
}

// Loaded and typed values compare as the operator sees them: NULL is NULL
// whatever its type.
bool sameValue(const QVariant& a, const QVariant& b)
{
    if (isNull(a) || isNull(b))
        return isNull(a) && isNull(b);
    return a == b;
}

QVariantMap readRow(QSqlQuery& q, const QString& table)
{
    // Only the declared date-times become QDateTime: a text column keeps its
    // text exactly, whatever it looks like, so that storing it again changes
    // nothing.
    QVariantMap values;
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i) {
        const QString name = rec.fieldName(i).toLower();
        const ColumnDef* declared = column(table, name);
        const bool dateTime = declared && declared->type == ColumnType::DateTime;
        values.insert(name, dateTime ? normalised(q.value(i)) : q.value(i));
    }
    return values;
}

} // namespace

RowBuffer::RowBuffer(QString table, QStringList keyColumns)
    : m_table(std::move(table)), m_keyColumns(std::move(keyColumns))
{
}

bool RowBuffer::load(const QSqlDatabase& db, const QVariantMap& key)
{
    close();
    Bindings bindings;
    bindKey(bindings, m_keyColumns, key);
    QSqlQuery q = run(
        db, QStringLiteral("select * from %1 where %2").arg(m_table, keyCondition(m_keyColumns)),
        bindings);
    if (!q.next())
        return false;
    m_values = readRow(q, m_table);
    m_loaded = m_values;
    for (const QString& k : m_keyColumns)
        m_loadedKey.insert(k, m_values.value(k));
    m_state = State::Browsing;
    return true;
}

void RowBuffer::startNew(const QSqlDatabase& db, const QVariantMap& defaults)
{
    close();
    link::ensure(db);
    const QSqlRecord rec = tableRecord(db, m_table);
    if (rec.isEmpty())
        throw DatabaseError(QStringLiteral("table %1 not found").arg(m_table));
    for (int i = 0; i < rec.count(); ++i)
        m_values.insert(rec.fieldName(i).toLower(), QVariant());
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        m_values.insert(it.key(), it.value());
    m_state = State::New;
}

void RowBuffer::edit()
{
    if (m_state == State::Browsing)
        m_state = State::Editing;
}

void RowBuffer::close()
{
    m_values.clear();
    m_loadedKey.clear();
    m_loaded.clear();
    m_state = State::Closed;
}

bool RowBuffer::setValue(const QString& column, const QVariant& value)
{
    if (m_state == State::Closed || !m_values.contains(column))
        return false;
    edit();
    m_values.insert(column, value);
    return true;
}

void RowBuffer::store(const QSqlDatabase& db)
{
    if (m_state != State::New && m_state != State::Editing)
        return;
    QVariantMap values = m_values;
    if (beforeStore)
        beforeStore(values);

    const bool versioned = isVersioned();
    if (versioned)
        values.insert(kVersionColumn, m_state == State::New ? 1 : loadedVersion() + 1);
    const QStringList columns = values.keys();
    Bindings bindings;
    QString sql;
    if (m_state == State::New) {
        QStringList placeholders;
        for (qsizetype i = 0; i < columns.size(); ++i)
            placeholders << QStringLiteral(":v%1").arg(i);
        sql = QStringLiteral("insert into %1 (%2) values (%3)")
                  .arg(m_table, columns.join(QStringLiteral(", ")),
                       placeholders.join(QStringLiteral(", ")));
    } else {
        QStringList sets;
        for (qsizetype i = 0; i < columns.size(); ++i)
            sets << QStringLiteral("%1 = :v%2").arg(columns.at(i)).arg(i);
        sql = QStringLiteral("update %1 set %2 where %3")
                  .arg(m_table, sets.join(QStringLiteral(", ")), keyCondition(m_keyColumns));
        bindKey(bindings, m_keyColumns, m_loadedKey);
        if (versioned) {
            sql += QStringLiteral(" and %1 = :loadedversion").arg(kVersionColumn);
            bindings.emplace_back(QStringLiteral("loadedversion"), loadedVersion());
        }
    }
    for (qsizetype i = 0; i < columns.size(); ++i)
        bindings.emplace_back(QStringLiteral("v%1").arg(i), values.value(columns.at(i)));
    const int changed = run(db, sql, bindings).numRowsAffected();
    if (m_state == State::Editing && changed == 0)
        throw StaleRowError(m_table, !readStored(db));

    m_values = values;
    m_loaded = values;
    m_loadedKey.clear();
    for (const QString& k : m_keyColumns)
        m_loadedKey.insert(k, m_values.value(k));
    m_state = State::Browsing;
}

void RowBuffer::restore(Snapshot snapshot)
{
    m_state = snapshot.state;
    m_values = std::move(snapshot.values);
    m_loadedKey = std::move(snapshot.loadedKey);
    m_loaded = std::move(snapshot.loaded);
}

QStringList RowBuffer::editedColumns() const
{
    QStringList edited;
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
        if (it.key() != kVersionColumn &&
            (m_state == State::New || !sameValue(it.value(), m_loaded.value(it.key()))))
            edited << it.key();
    return edited;
}

std::optional<QVariantMap> RowBuffer::readStored(const QSqlDatabase& db) const
{
    Bindings bindings;
    bindKey(bindings, m_keyColumns, m_loadedKey);
    QSqlQuery q = run(
        db, QStringLiteral("select * from %1 where %2").arg(m_table, keyCondition(m_keyColumns)),
        bindings);
    if (!q.next())
        return std::nullopt;
    return readRow(q, m_table);
}

QStringList RowBuffer::changedElsewhere(const QSqlDatabase& db) const
{
    const std::optional<QVariantMap> stored = readStored(db);
    if (!stored)
        throw StaleRowError(m_table, true);
    QStringList changed;
    for (auto it = stored->cbegin(); it != stored->cend(); ++it)
        if (it.key() != kVersionColumn && !sameValue(it.value(), m_loaded.value(it.key())))
            changed << it.key();
    return changed;
}

void RowBuffer::reloadKeepingEdits(const QSqlDatabase& db)
{
    if (m_state != State::Browsing && m_state != State::Editing)
        return;
    const std::optional<QVariantMap> stored = readStored(db);
    if (!stored)
        throw StaleRowError(m_table, true);
    const QStringList edited = editedColumns();
    QVariantMap values = *stored;
    for (const QString& column : edited)
        values.insert(column, m_values.value(column));
    m_loaded = *stored;
    m_values = values;
    m_state = edited.isEmpty() ? State::Browsing : State::Editing;
}

void RowBuffer::overwriteStored(const QSqlDatabase& db)
{
    if (m_state != State::Browsing && m_state != State::Editing)
        return;
    const std::optional<QVariantMap> stored = readStored(db);
    if (!stored)
        throw StaleRowError(m_table, true);
    if (isVersioned())
        m_loaded.insert(kVersionColumn, stored->value(kVersionColumn));
}

void RowBuffer::remove(const QSqlDatabase& db)
{
    if (m_state != State::Browsing && m_state != State::Editing)
        return;
    Bindings bindings;
    bindKey(bindings, m_keyColumns, m_loadedKey);
    QString sql =
        QStringLiteral("delete from %1 where %2").arg(m_table, keyCondition(m_keyColumns));
    if (isVersioned()) {
        sql += QStringLiteral(" and %1 = :loadedversion").arg(kVersionColumn);
        bindings.emplace_back(QStringLiteral("loadedversion"), loadedVersion());
    }
    if (run(db, sql, bindings).numRowsAffected() == 0)
        throw StaleRowError(m_table, !readStored(db));
    close();
}

} // namespace hra::store
