#pragma once

#include "domain/PersonRecords.h"
#include "reportengine/DataSource.h"
#include "store/Settings.h"

#include <QList>
#include <QVariantList>
#include <memory>
#include <optional>

class QThread;

namespace hra::store {
class Connection;
}

namespace hra::records {

// frxDB_llda read from the database as the report is built: the persons of
// a list (every person, or the one with a number) in record-number order,
// read a page at a time through domain::PersonListing. It holds the first
// page (what the page's own objects print) and the page being read, plus the
// last record number of each page read, so 100,000 persons cost a few pages
// of memory. The builder reads rows in order; a row of an earlier page is
// read again.
//
// The build may run on another thread than the window's, so the source never
// touches the window's connection: aboutToRead() opens a connection of its
// own (from the settings, under a name no other source uses) in the thread
// that builds, and the source closes it there once the last page is read or
// the build is over with it (a cancelled build), else when it is destroyed. The row count is taken
// at aboutToRead(); persons deleted after it read as empty rows, persons added after it are not
// printed.
class PersonListSource : public reportengine::DataSource
{
public:
    static constexpr int kPageSize = 500;

    PersonListSource(store::ConnectionSettings settings, const QString& recordNumber,
                     int pageSize = kPageSize);
    ~PersonListSource() override;

    QStringList fieldNames() const override;
    int rowCount() const override { return m_count; }
    // Throws std::runtime_error ("查找不成功!") when a page cannot be read;
    // the build then fails with that message.
    QVariant value(int row, int field) const override;
    // Opens the connection and counts the persons. Throws std::runtime_error
    // when the database cannot be reached.
    void aboutToRead() override;
    void finishedReading() override { disconnect(); }

    // Rows held in memory now.
    int rowsHeld() const { return int(m_first.size() + m_page.size()); }
    // Whether the source holds a connection now.
    bool isConnected() const { return bool(m_connection); }

private:
    const QVariantList* rowAt(int row) const;
    QList<QVariantList> readPage(int index) const;
    const QSqlDatabase database() const;
    void disconnect() const;

    store::ConnectionSettings m_settings;
    domain::PersonListing m_listing;
    int m_pageSize;
    int m_count = 0;
    mutable std::unique_ptr<store::Connection> m_connection;
    mutable QThread* m_thread = nullptr; // the thread that opened m_connection
    mutable QList<QVariantList> m_first;
    mutable int m_pageIndex = -1;
    mutable QList<QVariantList> m_page;
    // The record number each page read so far ends with: page n continues after m_ends[n - 1].
    mutable QStringList m_ends;
};

} // namespace hra::records
