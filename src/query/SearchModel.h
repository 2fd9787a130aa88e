#pragma once

#include "store/AssessmentSearch.h"

#include <QAbstractTableModel>
#include <QSqlDatabase>
#include <optional>

namespace hra::query {

// The found assessments for the result grid, newest first. Rows are read a
// page at a time as the grid scrolls to them, so a search over a million
// assessments reads no more than the first page.
class SearchModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kPageSize = 200;

    explicit SearchModel(QObject* parent = nullptr);

    // Runs the search and reads its first page. Throws DatabaseError (the
    // model is then empty).
    void search(const QSqlDatabase& db, const store::AssessmentSearch& search);
    // Empties the model; it has no search any more.
    void clear();
    // Whether a search ran (the result actions need one).
    bool isOpen() const { return m_search.has_value(); }

    const store::FoundAssessment* row(int index) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    QList<store::FoundAssessment> readPage() const;

    QSqlDatabase m_db;
    std::optional<store::AssessmentSearch> m_search;
    QList<store::FoundAssessment> m_rows;
    bool m_complete = true;
};

} // namespace hra::query
