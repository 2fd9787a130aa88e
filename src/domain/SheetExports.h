#pragma once

#include "domain/AssessmentSearch.h"
#include "domain/PersonRecords.h"
#include "sheets/XlsxWriter.h"

#include <QSqlDatabase>
#include <QStringList>
#include <functional>

namespace hra::domain {

// Told the rows written so far after each page; false stops the export
// (the caller then drops the book).
using ExportProgress = std::function<bool(qint64 rows)>;

// The information query's columns, as its grid shows them.
const QStringList& searchCaptions();

// The columns of a person list written to a book: every listed column but
// the photo's name.
QStringList personSheetColumns();

// Writes every row the search finds, newest first, as the sheet "信息查询"
// of `book`: read a page at a time, so memory stays flat however many match.
// Returns false when `progress` stopped it. Throws store::DatabaseError and
// sheets::SheetWriteError.
bool writeSearchSheet(const QSqlDatabase& db, const AssessmentSearch& search,
                      sheets::XlsxWriter& book, const ExportProgress& progress = {});

// The same for the persons of a listing, in record-number order, as the
// sheet "人员": its columns captioned as the person lists caption them.
bool writePersonSheet(const QSqlDatabase& db, const PersonListing& listing,
                      sheets::XlsxWriter& book, const ExportProgress& progress = {});

} // namespace hra::domain
