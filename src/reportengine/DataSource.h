#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace hra::reportengine {

// A named table of rows that templates read by name: `[name."field"]` prints
// the field of the current row, charts and data bands read every row.
class DataSource
{
public:
    explicit DataSource(QString name) : m_name(std::move(name)) {}
    virtual ~DataSource() = default;
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    const QString& name() const { return m_name; }
    virtual QStringList fieldNames() const = 0;
    virtual int rowCount() const = 0;
    virtual QVariant value(int row, int field) const = 0;

    // Called by the builder once per build, when the build first reads this
    // source and before it moves to the first row. A source over a query
    // can refresh itself here. It runs on the build's thread, as do
    // rowCount() and value(): a build started with Report::startBuild()
    // reads its sources on a build thread only, so a source over a database
    // opens its own connection here (a connection serves the thread that
    // opened it), or its owner reads the rows before the build starts.
    virtual void aboutToRead() {}
    // Called on the build's thread once the build is over with this source
    // (finished, failed or cancelled), if aboutToRead() was: a source that
    // opened a connection there closes it here.
    virtual void finishedReading() {}

    // Exact name first, then ignoring case (database drivers differ in the
    // case they report column names in). -1 when absent.
    int fieldIndex(const QString& field) const;

    // Cursor: the row that expressions print.
    void first() { m_row = 0; }
    bool next() { return ++m_row < rowCount(); }
    int currentRow() const { return m_row; }
    bool atEnd() const { return m_row >= rowCount(); }
    // Value of the current row; invalid when there is no row or no such field.
    QVariant currentValue(const QString& field) const;

private:
    QString m_name;
    int m_row = 0;
};

// Rows held in memory. An optional callback runs when a build starts reading
// the source, so that its owner can recompute the rows first.
class TableDataSource : public DataSource
{
public:
    TableDataSource(QString name, QStringList fields, QList<QVariantList> rows = {});

    QStringList fieldNames() const override { return m_fields; }
    int rowCount() const override { return int(m_rows.size()); }
    QVariant value(int row, int field) const override;
    void aboutToRead() override;

    void setRows(QList<QVariantList> rows) { m_rows = std::move(rows); }
    void appendRow(QVariantList row) { m_rows.append(std::move(row)); }
    void setOnRead(std::function<void(TableDataSource&)> callback)
    {
        m_onRead = std::move(callback);
    }

private:
    QStringList m_fields;
    QList<QVariantList> m_rows;
    std::function<void(TableDataSource&)> m_onRead;
};

// The sources a build can read, by name. Adding a source with a name already
// present replaces it.
class DataSources
{
public:
    void add(std::shared_ptr<DataSource> source);
    void remove(const QString& name);
    void clear() { m_sources.clear(); }
    // Exact name first, then ignoring case; nullptr when absent.
    DataSource* find(const QString& name) const;
    QStringList names() const;

private:
    std::vector<std::shared_ptr<DataSource>> m_sources;
};

// Sources from a JSON document of the shape {"source": [{"field": value, ...}, ...], ...}.
// Field names are the union of the rows' keys, sorted; a missing key reads as null. Returns false
// and an error message for any other shape.
bool loadJsonSources(const QByteArray& json, DataSources& into, QString* error);

// How a value prints: null as empty text, numbers in their shortest form with
// at most 15 significant digits, dates as yyyy-MM-dd.
QString formatValue(const QVariant& value);

} // namespace hra::reportengine
