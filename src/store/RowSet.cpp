#include "store/RowSet.h"

#include "store/Sql.h"

namespace hra::store {

void RowSet::store(const QSqlDatabase& db, const std::function<void()>& inside)
{
    std::vector<RowBuffer::Snapshot> before;
    before.reserve(m_rows.size());
    for (const RowBuffer* row : m_rows)
        before.push_back(row->snapshot());
    try {
        Transaction tx(db);
        for (RowBuffer* row : m_rows)
            row->store(db);
        if (inside)
            inside();
        tx.commit();
    } catch (...) {
        // The transaction is rolled back by now: nothing of this save is
        // stored, so no buffer may believe otherwise.
        for (size_t i = 0; i < m_rows.size(); ++i)
            m_rows[i]->restore(std::move(before[i]));
        throw;
    }
}

} // namespace hra::store
