#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>

namespace hra::sheets {

// One row of a sheet: its number as the spreadsheet program shows it
// (1 for the first), and its cells as text, exactly as shown there: text as
// stored, numbers in their shortest form without exponent, dates as
// yyyy-MM-dd. Empty cells are empty texts; trailing ones may be missing.
struct Row
{
    int number = 0;
    QStringList cells;
};

struct Sheet
{
    QList<Row> rows;
};

// A file that cannot be read as a sheet; the message is for the operator.
class SheetError : public std::runtime_error
{
public:
    explicit SheetError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

struct ReadOptions
{
    // CSV: the encoding's name ("GB18030", "UTF-8"); empty: UTF-8 (with or
    // without a byte-order mark) when the bytes are valid UTF-8, else GB18030.
    QString encoding;
    // XLSX: the sheet's name; empty: the first sheet.
    QString sheet;
};

// A sheet's rows one after the other, so that a long file need not be held.
class RowReader
{
public:
    virtual ~RowReader() = default;
    // The next row; false after the last. Throws SheetError.
    virtual bool next(Row& row) = 0;
};

// An XLSX file (by its content, whatever its name) or else CSV, row by row.
// CSV is decoded as it is read; an XLSX sheet is parsed whole first and
// handed out row by row. Throws SheetError.
std::unique_ptr<RowReader> openSheet(const QString& path, const ReadOptions& options = {});

// The same, every row at once.
Sheet readSheet(const QString& path, const ReadOptions& options = {});

// The text a spreadsheet shows for a number: at most 15 significant digits,
// no exponent, no trailing zeros (12 -> "12", 1.5e-7 -> "0.00000015").
QString numberCellText(double value);

} // namespace hra::sheets
