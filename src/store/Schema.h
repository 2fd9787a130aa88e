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

struct ColumnSpec
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
struct KeySpec
{
    QString name;
    QStringList columns;
};

struct IndexSpec
{
    QString name;
    QStringList columns;
};

struct TableSpec
{
    QString name;
    std::vector<ColumnSpec> columns;
    KeySpec primaryKey; // no columns: the table has none
    std::vector<KeySpec> uniqueKeys;
    std::vector<IndexSpec> indexes;

    // The column of that name (names compare without regard to case, as SQL
    // does), or nullptr.
    const ColumnSpec* column(QStringView name) const;
};

// A view: its name and the columns it shows, in order.
struct ViewSpec
{
    QString name;
    QStringList columns;
};

// Every table, in the order the schema scripts create them: the assessment
// tables first, then those of the risk analysis.
const std::vector<TableSpec>& tables();
const std::vector<ViewSpec>& views();

// Lookups; nullptr when there is no such table or column.
const TableSpec* table(QStringView name);
const ColumnSpec* column(QStringView table, QStringView column);

} // namespace hra::store
