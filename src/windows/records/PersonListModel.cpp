#include "windows/records/PersonListModel.h"

#include "store/NumberText.h"
#include "store/RowBuffer.h"

#include <QDateTime>

namespace hra::records {
namespace {

QString cellText(const QString& column, const QVariant& value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (column == QLatin1String("nianl"))
        return store::valueText(value);
    return value.toString();
}

} // namespace

PersonListModel::PersonListModel(QList<ListColumn> columns, QObject* parent)
    : PagedTableModel(kPageSize, parent), m_columns(std::move(columns))
{
}

void PersonListModel::search(const QSqlDatabase& db, const QString& recordNumber)
{
    QStringList names;
    for (const ListColumn& c : m_columns)
        names << c.column;
    // Read beside the columns shown: a delete applies only to the row as listed.
    names << store::RowBuffer::kVersionColumn;
    m_db = db;
    m_listing.emplace(recordNumber, names);
    try {
        restart();
    } catch (...) {
        m_listing.reset();
        throw;
    }
}

QList<QVariantList> PersonListModel::readPage(const QVariantList* last, int limit) const
{
    if (!m_listing)
        return {};
    std::optional<QString> after;
    if (last)
        after = last->value(m_listing->keyColumn()).toString();
    return m_listing->page(m_db, after, limit);
}

QVariant PersonListModel::value(int index, const QString& column) const
{
    const QVariantList* r = row(index);
    if (!r || !m_listing)
        return {};
    return r->value(m_listing->columns().indexOf(column));
}

int PersonListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant PersonListModel::data(const QModelIndex& index, int role) const
{
    const QVariantList* r = row(index.row());
    if (!r || role != Qt::DisplayRole || index.column() < 0 || index.column() >= m_columns.size())
        return {};
    // The listing reads the columns in the order of m_columns.
    return cellText(m_columns.at(index.column()).column, r->value(index.column()));
}

QVariant PersonListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_columns.size())
        return m_columns.at(section).caption;
    return PagedTableModel::headerData(section, orientation, role);
}

} // namespace hra::records
