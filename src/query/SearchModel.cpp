#include "query/SearchModel.h"

#include "store/NumberText.h"
#include "ui/Log.h"

namespace hra::query {

namespace {

const QString kHeaders[] = {QStringLiteral("编号"),     QStringLiteral("姓名"),
                            QStringLiteral("性别"),     QStringLiteral("状态"),
                            QStringLiteral("评估日期"), QStringLiteral("年龄")};

} // namespace

SearchModel::SearchModel(QObject* parent) : QAbstractTableModel(parent) {}

void SearchModel::search(const QSqlDatabase& db, const store::AssessmentSearch& search)
{
    beginResetModel();
    m_db = db;
    m_search.reset();
    m_rows.clear();
    m_complete = true;
    try {
        m_search = search;
        m_rows = readPage();
        m_complete = m_rows.size() < kPageSize;
    } catch (...) {
        m_search.reset();
        endResetModel();
        throw;
    }
    endResetModel();
}

void SearchModel::clear()
{
    beginResetModel();
    m_search.reset();
    m_rows.clear();
    m_complete = true;
    endResetModel();
}

QList<store::FoundAssessment> SearchModel::readPage() const
{
    std::optional<qint32> below;
    if (!m_rows.isEmpty())
        below = m_rows.last().id;
    return m_search->page(m_db, below, kPageSize);
}

const store::FoundAssessment* SearchModel::row(int index) const
{
    return index >= 0 && index < m_rows.size() ? &m_rows.at(index) : nullptr;
}

int SearchModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SearchModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(std::size(kHeaders));
}

QVariant SearchModel::data(const QModelIndex& index, int role) const
{
    const store::FoundAssessment* r = row(index.row());
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
        section < int(std::size(kHeaders)))
        return kHeaders[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool SearchModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_search && !m_complete;
}

void SearchModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    QList<store::FoundAssessment> next;
    try {
        next = readPage();
    } catch (const store::DatabaseError&) {
        // Logged where it failed; the grid keeps what it has.
        qCWarning(ui::lcUi) << "the next rows of the search could not be read";
        m_complete = true;
        return;
    }
    m_complete = next.size() < kPageSize;
    if (next.isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + next.size() - 1));
    m_rows << next;
    endInsertRows();
}

} // namespace hra::query
