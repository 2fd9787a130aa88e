#include "windows/records/PersonListSource.h"

#include "store/Connection.h"
#include "store/Sql.h"
#include "ui/Log.h"
#include "windows/records/PersonListReport.h"

#include <QAtomicInteger>
#include <QThread>
#include <stdexcept>

namespace hra::records {
namespace {

// What the operator reads when the list cannot be read; the cause is logged.
std::runtime_error readFailure()
{
    return std::runtime_error(QStringLiteral("查找不成功!").toStdString());
}

QString uniqueConnectionName()
{
    static QAtomicInteger<quint64> next;
    return QStringLiteral("hra-person-list-%1").arg(next.fetchAndAddRelaxed(1));
}

} // namespace

PersonListSource::PersonListSource(store::ConnectionSettings settings, const QString& recordNumber,
                                   int pageSize)
    : DataSource(QStringLiteral("frxDB_llda")), m_settings(std::move(settings)),
      m_listing(recordNumber, personListFields()), m_pageSize(std::max(1, pageSize))
{
}

PersonListSource::~PersonListSource() = default;

QStringList PersonListSource::fieldNames() const
{
    return personListFields();
}

void PersonListSource::disconnect() const
{
    m_connection.reset();
}

const QSqlDatabase PersonListSource::database() const
{
    // A connection belongs to the thread that opened it: a read from another
    // thread (the next build) opens its own.
    if (m_connection && m_thread == QThread::currentThread())
        return m_connection->db();
    disconnect();
    QString error;
    m_connection = store::Connection::open(m_settings, &error, uniqueConnectionName(),
                                           store::Connection::Missing::Refuse);
    m_thread = QThread::currentThread();
    if (!m_connection) {
        qCWarning(ui::lcUi).noquote() << "the person list cannot reach the database:" << error;
        throw readFailure();
    }
    return m_connection->db();
}

void PersonListSource::aboutToRead()
{
    m_first.clear();
    m_page.clear();
    m_pageIndex = -1;
    m_ends.clear();
    m_count = 0;
    try {
        m_count = m_listing.count(database());
        m_first = readPage(0);
    } catch (const store::DatabaseError&) {
        disconnect();
        throw readFailure();
    }
}

QList<QVariantList> PersonListSource::readPage(int index) const
{
    const std::optional<QString> after =
        index == 0 ? std::nullopt : std::optional<QString>(m_ends.at(index - 1));
    QList<QVariantList> rows = m_listing.page(database(), after, m_pageSize);
    if (index == m_ends.size() && !rows.isEmpty())
        m_ends << rows.last().value(m_listing.keyColumn()).toString();
    // The read is over after its last page: the connection goes now, in the
    // thread that opened it.
    if (rows.size() < m_pageSize || (index + 1) * qint64(m_pageSize) >= m_count)
        disconnect();
    return rows;
}

const QVariantList* PersonListSource::rowAt(int row) const
{
    if (row < 0 || row >= m_count)
        return nullptr;
    const int index = row / m_pageSize;
    const int offset = row % m_pageSize;
    if (index == 0)
        return offset < m_first.size() ? &m_first.at(offset) : nullptr;
    if (index != m_pageIndex) {
        m_page.clear();
        m_pageIndex = -1;
        try {
            // Pages continue after the one before: walk from the last page
            // whose end is known (only when rows are skipped).
            for (int next = std::min(index, int(m_ends.size())); next <= index; ++next) {
                if (next > m_ends.size())
                    return nullptr; // the list ended before this page
                m_page = readPage(next);
            }
        } catch (const store::DatabaseError&) {
            disconnect();
            throw readFailure();
        }
        m_pageIndex = index;
    }
    return offset < m_page.size() ? &m_page.at(offset) : nullptr;
}

QVariant PersonListSource::value(int row, int field) const
{
    const QVariantList* r = rowAt(row);
    return r ? r->value(field) : QVariant();
}

} // namespace hra::records
