#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace hra::store {

// Every table of the database as plain data: the one place that says what a
// column holds. The schema scripts of each dialect are checked against it by
// a test, and the form layer takes text widths from it.

enum class ColumnType
{
    Text,      // text of at most width characters
    FixedText, // text of exactly width characters (padded by the server)
    LongText,  // text without a limit
    Integer,   // 32-bit integer
    Identity,  // 32-bit integer numbered by the database on insert
    Decimal,   // exact number of width digits, scale of them after the point
    Float,     // 8-byte floating point
    DateTime,
    Binary, // a picture
};

struct ColumnDef
{
    QString name;
    ColumnType type = ColumnType::Text;
    int width = 0; // characters of a text, digits of a decimal
    int scale = 0; // digits after the point of a decimal
    bool nullable = true;

    bool isText() const
    {
        return type == ColumnType::Text || type == ColumnType::FixedText ||
               type == ColumnType::LongText;
    }
    bool isNumber() const
    {
        return type == ColumnType::Integer || type == ColumnType::Identity ||
               type == ColumnType::Decimal || type == ColumnType::Float;
    }
};

// A primary or unique key. A key declared with its column has no name.
struct KeyDef
{
    QString name;
    QStringList columns;
};

struct IndexDef
{
    QString name;
    QStringList columns;
};

struct TableDef
{
    QString name;
    std::vector<ColumnDef> columns;
    KeyDef primaryKey; // no columns: the table has none
    std::vector<KeyDef> uniqueKeys;
    std::vector<IndexDef> indexes;

    // The column of that name (names compare without regard to case, as SQL
    // does), or nullptr.
    const ColumnDef* column(QStringView name) const;
};

// A view: its name and the columns it shows, in order.
struct ViewDef
{
    QString name;
    QStringList columns;
};

// Every table, in the order the schema scripts create them: the assessment
// tables first, then those of the risk analysis.
const std::vector<TableDef>& tables();
const std::vector<ViewDef>& views();

// Lookups; nullptr when there is no such table or column.
const TableDef* table(QStringView name);
const ColumnDef* column(QStringView table, QStringView column);

} // namespace hra::store
