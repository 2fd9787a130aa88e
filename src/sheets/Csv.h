#pragma once

#include "sheets/SheetReader.h"

#include <QByteArray>
#include <QIODevice>
#include <memory>

namespace hra::sheets {

// Rows of CSV text: comma or tab separated (whichever the first line holds
// more of outside quotes), fields quoted as RFC 4180 with line breaks and
// doubled quotes inside, CRLF or LF line ends. A row's number counts
// records, not lines. The encoding is as ReadOptions::encoding says; with
// none, the device is read through once to see whether it is UTF-8, so it
// must be able to seek. Decodes as it goes: memory stays that of one row.
// Throws SheetError.
std::unique_ptr<RowReader> csvRows(std::unique_ptr<QIODevice> device, const QString& encoding);

// The whole text at once.
Sheet parseCsv(const QByteArray& bytes, const QString& encoding);

} // namespace hra::sheets
