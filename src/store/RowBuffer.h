#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace hra::store {

// One row of a table being worked on: loaded by a statement with bound
// parameters, edited in memory, stored by insert (a new row) or update (a
// loaded row, found again by the key values it was loaded with).
//
// A table with the version column (kVersionColumn) is stored optimistically:
// every insert or update writes the next version, and an update or delete
// applies only where the row still has the version it was loaded with;
// otherwise nothing is stored and StaleRowError is thrown.
class RowBuffer
{
public:
    static inline const QString kVersionColumn = QStringLiteral("banb");

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

    // Whether the row's table keeps a version (the database has the column).
    bool isVersioned() const { return m_values.contains(kVersionColumn); }
    // The version the row had when loaded or last stored (0 for a new row).
    int loadedVersion() const { return m_loaded.value(kVersionColumn).toInt(); }
    // Columns whose value differs from what was loaded (the operator's edits).
    QStringList editedColumns() const;

    // After a StaleRowError: the columns the stored row now holds other
    // values in than were loaded. Throws StaleRowError when the row is gone.
    QStringList changedElsewhere(const QSqlDatabase& db) const;
    // Takes the stored row as loaded and puts the operator's edits back on
    // top of it, so that the next store keeps both. Throws StaleRowError when
    // the row is gone.
    void reloadKeepingEdits(const QSqlDatabase& db);
    // Takes the stored version only: the next store replaces the row with
    // this buffer's values, whatever was stored meanwhile.
    void overwriteStored(const QSqlDatabase& db);

    // Deletes the loaded row (checked against its version) and closes the
    // buffer. Throws StaleRowError when the row was changed or is gone.
    void remove(const QSqlDatabase& db);

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
        QVariantMap loaded;
    };
    Snapshot snapshot() const { return {m_state, m_values, m_loadedKey, m_loaded}; }
    void restore(Snapshot snapshot);

private:
    QString m_table;
    QStringList m_keyColumns;
    State m_state = State::Closed;
    QVariantMap m_values;
    QVariantMap m_loadedKey;
    // The row as loaded or last stored.
    QVariantMap m_loaded;

    // The stored row under the loaded key, or nothing when it is gone.
    std::optional<QVariantMap> readStored(const QSqlDatabase& db) const;
};

} // namespace hra::store
