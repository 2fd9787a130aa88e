#include "windows/query/SearchModel.h"

#include "domain/SheetExports.h"
#include "store/NumberText.h"

namespace hra::query {

SearchModel::SearchModel(QObject* parent) : PagedTableModel(kPageSize, parent) {}

void SearchModel::search(const QSqlDatabase& db, const domain::AssessmentSearch& search)
{
    m_db = db;
    m_search = search;
    try {
        restart();
    } catch (...) {
        m_search.reset();
        throw;
    }
}

void SearchModel::clear()
{
    m_search.reset();
    reset();
}

QList<domain::FoundAssessment> SearchModel::readPage(const domain::FoundAssessment* last,
                                                     int limit) const
{
    if (!m_search)
        return {};
    return m_search->page(m_db, last ? std::optional<qint32>(last->id) : std::nullopt, limit);
}

int SearchModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(domain::searchCaptions().size());
}

QVariant SearchModel::data(const QModelIndex& index, int role) const
{
    const domain::FoundAssessment* r = row(index.row());
    if (!r || role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case 0:
        return r->recordNumber;
    case 1:
        return r->name;
    case 2:
        return r->sex;
    case 3:
        return r->state;
    case 4:
        return r->date.isValid() ? r->date.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                                 : QString();
    case 5:
        return store::valueText(r->age);
    default:
        return {};
    }
}

QVariant SearchModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < domain::searchCaptions().size())
        return domain::searchCaptions().at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace hra::query
