#pragma once

#include "store/RowBuffer.h"

#include <QSqlDatabase>
#include <functional>
#include <vector>

namespace hra::store {

// Several row buffers stored together in one transaction, in the order they
// were added. A buffer marks itself stored as soon as its own statement has
// run; when a later row (or the commit) fails, the transaction rolls back and
// every buffer is put back exactly as it was before the save (state, values,
// loaded key), so that the same save can simply be tried again and stores
// every row.
class RowSet
{
public:
    RowSet() = default;
    RowSet(std::initializer_list<RowBuffer*> rows) : m_rows(rows) {}

    void add(RowBuffer& row) { m_rows.push_back(&row); }
    const std::vector<RowBuffer*>& rows() const { return m_rows; }

    // Stores every open row; rethrows what failed after putting the buffers
    // back. `inside` runs in the same transaction after the rows (further
    // statements that must stand or fall with them); it may throw too.
    void store(const QSqlDatabase& db, const std::function<void()>& inside = {});

private:
    std::vector<RowBuffer*> m_rows;
};

} // namespace hra::store
