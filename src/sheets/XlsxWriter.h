#pragma once

#include "sheets/SheetReader.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <variant>
#include <vector>

namespace hra::sheets {

// A cell as written: empty, text (kept as text however it looks, an
// identity number among them), a number, a date (shown yyyy-mm-dd) or a
// date and time (yyyy-mm-dd hh:mm:ss).
using SheetValue = std::variant<std::monostate, QString, double, QDate, QDateTime>;

// Why a book was not written; message() says it in English for logs and
// hra-cli, the windows say it in their own words from reason() and path().
class SheetWriteError : public SheetError
{
public:
    enum class Reason
    {
        Refused,  // the target is a protected file, or no regular file
        DiskFull, // no room left where the book is written
        Failed,   // anything else (no such folder, no permission, ...)
    };
    SheetWriteError(Reason reason, const QString& path, const QString& message)
        : SheetError(message), m_reason(reason), m_path(path)
    {
    }
    Reason reason() const { return m_reason; }
    const QString& path() const { return m_path; }

private:
    Reason m_reason;
    QString m_path;
};

// Writes an XLSX book of sheets row by row, in constant memory whatever the
// number of rows: each row goes to disk as it is added. The book is written
// to a temporary file of ours beside the target, which takes the target's
// name only in close(); a writer destroyed before that leaves the target as
// it was and removes what it wrote. The same replace rule as every export
// of the program: only a regular file, or none yet, that is none of
// `protectedFiles` (the database's files). Every method throws
// SheetWriteError.
class XlsxWriter
{
public:
    explicit XlsxWriter(const QString& path, const QStringList& protectedFiles = {});
    ~XlsxWriter();
    XlsxWriter(const XlsxWriter&) = delete;
    XlsxWriter& operator=(const XlsxWriter&) = delete;

    // Starts a sheet (at most 31 characters, none of []:*?/\) with a bold,
    // frozen header row. A column is as wide as `widths` says (in
    // characters), else as its header, and never narrower than a date.
    void addSheet(const QString& name, const QStringList& headers,
                  const QList<double>& widths = {});
    // The next row of the current sheet. A number that is not finite and
    // a date before 1900-03-01 (which a spreadsheet cannot show as one) are
    // written as empty and as text.
    void addRow(const std::vector<SheetValue>& row);
    // Rows of the current sheet written so far, its header not counted.
    qint64 rows() const;
    // Writes the book and lets it take the target's name.
    void close();

private:
    struct State;
    std::unique_ptr<State> m;
};

} // namespace hra::sheets
