#pragma once

#include "sheets/SheetReader.h"

#include <QByteArray>

namespace hra::sheets {

// Decodes the bytes (see ReadOptions::encoding) and splits them into rows:
// comma or tab separated (whichever the first line holds more of outside
// quotes), fields quoted as RFC 4180 with line breaks and doubled quotes
// inside, CRLF or LF line ends. A row's number counts records, not lines.
// Throws SheetError.
Sheet parseCsv(const QByteArray& bytes, const QString& encoding);

} // namespace hra::sheets
