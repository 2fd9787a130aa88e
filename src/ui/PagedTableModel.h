#pragma once

#include "store/Sql.h"
#include "ui/Log.h"

#include <QAbstractTableModel>
#include <QList>

namespace hra::ui {

// A table model whose rows are read a page at a time as the view scrolls to
// them (canFetchMore/fetchMore), so a list over a large table holds only what
// was shown. A subclass reads one page after a given row (keyset paging: the
// database orders, the last row shown says where the next page starts) and
// says how a row is displayed.
template <typename Row> class PagedTableModel : public QAbstractTableModel
{
public:
    explicit PagedTableModel(int pageSize, QObject* parent = nullptr)
        : QAbstractTableModel(parent), m_pageSize(pageSize)
    {
    }

    int pageSize() const { return m_pageSize; }
    // The row read at `index`, or null.
    const Row* row(int index) const
    {
        return index >= 0 && index < m_rows.size() ? &m_rows.at(index) : nullptr;
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    bool canFetchMore(const QModelIndex& parent) const override
    {
        return !parent.isValid() && !m_complete;
    }
    void fetchMore(const QModelIndex& parent) override
    {
        if (!canFetchMore(parent))
            return;
        QList<Row> next;
        try {
            next = readPage(m_rows.isEmpty() ? nullptr : &m_rows.last(), m_pageSize);
        } catch (const store::DatabaseError&) {
            // Logged where it failed; the view keeps what it has.
            qCWarning(lcUi) << "the next rows of a list could not be read";
            m_complete = true;
            return;
        }
        m_complete = next.size() < m_pageSize;
        if (next.isEmpty())
            return;
        beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + next.size() - 1));
        m_rows << next;
        endInsertRows();
    }

protected:
    // At most `limit` rows following `last` (the first rows when null).
    // Throws store::DatabaseError.
    virtual QList<Row> readPage(const Row* last, int limit) const = 0;

    // Drops the rows and reads the first page. Throws store::DatabaseError,
    // the model then empty with no more pages.
    void restart()
    {
        beginResetModel();
        m_rows.clear();
        m_complete = true;
        try {
            m_rows = readPage(nullptr, m_pageSize);
        } catch (...) {
            endResetModel();
            throw;
        }
        m_complete = m_rows.size() < m_pageSize;
        endResetModel();
    }

    // Empty, with no more pages.
    void reset()
    {
        beginResetModel();
        m_rows.clear();
        m_complete = true;
        endResetModel();
    }

    // Drops one row read earlier (the next page still continues after the
    // last row kept).
    void removeRowAt(int index)
    {
        if (index < 0 || index >= m_rows.size())
            return;
        beginRemoveRows({}, index, index);
        m_rows.removeAt(index);
        endRemoveRows();
    }

private:
    int m_pageSize;
    QList<Row> m_rows;
    bool m_complete = true;
};

} // namespace hra::ui
