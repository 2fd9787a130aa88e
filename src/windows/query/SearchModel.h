#pragma once

#include "domain/AssessmentSearch.h"
#include "ui/PagedTableModel.h"

#include <QSqlDatabase>
#include <optional>

namespace hra::query {

// The found assessments for the result grid, newest first. Rows are read a
// page at a time as the grid scrolls to them, so a search over a million
// assessments reads no more than the first page.
class SearchModel : public ui::PagedTableModel<domain::FoundAssessment>
{
public:
    static constexpr int kPageSize = 200;

    explicit SearchModel(QObject* parent = nullptr);

    // Runs the search and reads its first page. Throws DatabaseError (the
    // model is then empty).
    void search(const QSqlDatabase& db, const domain::AssessmentSearch& search);
    // Empties the model; it has no search any more.
    void clear();
    // Whether a search ran (the result actions need one).
    bool isOpen() const { return m_search.has_value(); }
    // The search the grid shows, for an export of all its rows.
    const std::optional<domain::AssessmentSearch>& currentSearch() const { return m_search; }

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    QList<domain::FoundAssessment> readPage(const domain::FoundAssessment* last,
                                            int limit) const override;

private:
    QSqlDatabase m_db;
    std::optional<domain::AssessmentSearch> m_search;
};

} // namespace hra::query
