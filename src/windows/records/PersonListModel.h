#pragma once

#include "domain/PersonRecords.h"
#include "ui/PagedTableModel.h"
#include "windows/records/PersonListColumns.h"

#include <QSqlDatabase>
#include <QVariantList>
#include <optional>

namespace hra::records {

// The persons of a maintenance list in record-number order, read a page at a
// time as the list is scrolled: a list over 100,000 persons holds the rows
// shown so far, not every person.
class PersonListModel : public ui::PagedTableModel<QVariantList>
{
public:
    static constexpr int kPageSize = 200;

    explicit PersonListModel(QList<ListColumn> columns, QObject* parent = nullptr);

    // Lists every person when the number is empty (after trimming), else the
    // one with that number, and reads the first page. Throws DatabaseError
    // (the model is then empty and has no list).
    void search(const QSqlDatabase& db, const QString& recordNumber);
    // Whether a search has found a list (it may be empty).
    bool hasList() const { return m_listing.has_value(); }
    // The number the list was searched with, trimmed; empty for everyone.
    QString recordNumber() const { return m_listing ? m_listing->recordNumber() : QString(); }

    // A value of a row read so far, by column name; invalid when out of range.
    QVariant value(int row, const QString& column) const;
    // Drops the row of a person who left the database.
    void removePerson(int row) { removeRowAt(row); }

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    QList<QVariantList> readPage(const QVariantList* last, int limit) const override;

private:
    QList<ListColumn> m_columns;
    QSqlDatabase m_db;
    std::optional<domain::PersonListing> m_listing;
};

} // namespace hra::records
