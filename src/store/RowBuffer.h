#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <functional>

namespace hra::store {

// One row of a table being worked on: loaded by a statement with bound
// parameters, edited in memory, stored by insert (a new row) or update (a
// loaded row, found again by the key values it was loaded with).
class RowBuffer
{
public:
    enum class State
    {
        Closed,
        Browsing,
        New,
        Editing
    };

    RowBuffer(QString table, QStringList keyColumns);

    const QString& table() const { return m_table; }
    State state() const { return m_state; }
    bool isOpen() const { return m_state != State::Closed; }

    // Loads the row whose key columns hold the given values. Returns false and
    // closes the buffer when there is none. Throws DatabaseError.
    bool load(const QSqlDatabase& db, const QVariantMap& key);
    // Starts a new row with every column NULL, then the defaults given.
    void startNew(const QSqlDatabase& db, const QVariantMap& defaults = {});
    // A loaded row becomes editable (setValue does this by itself).
    void edit();
    void close();

    QVariant value(const QString& column) const { return m_values.value(column); }
    // Changing a value of a browsed row puts it into editing. Unknown columns
    // are refused (returns false) so that a misspelt name fails loudly in tests.
    bool setValue(const QString& column, const QVariant& value);
    const QVariantMap& values() const { return m_values; }
    QStringList columns() const { return m_values.keys(); }

    // Runs just before the row is written; may change values or throw to stop
    // the write (the row then keeps its state and values).
    std::function<void(QVariantMap&)> beforeStore;

    // Writes a new or edited row; afterwards the row is browsed. A browsed row
    // is written unchanged. Throws DatabaseError (or what beforeStore throws);
    // the buffer keeps what was typed in that case.
    void store(const QSqlDatabase& db);

    // Everything a store changes, so that a transaction that rolls back can
    // put the buffer back as it was before (see RowSet).
    struct Snapshot
    {
        State state;
        QVariantMap values;
        QVariantMap loadedKey;
    };
    Snapshot snapshot() const { return {m_state, m_values, m_loadedKey}; }
    void restore(Snapshot snapshot);

private:
    QString m_table;
    QStringList m_keyColumns;
    State m_state = State::Closed;
    QVariantMap m_values;
    QVariantMap m_loadedKey;
};

} // namespace hra::store
