#pragma once

#include "sheets/XlsxWriter.h"
#include "store/Connection.h"

#include <QString>
#include <functional>

namespace hra::cli {

// Writes the book `path` through `write` (which adds its sheets and rows
// and throws what it throws), never over the database's own files, and
// prints {"file", "rows"} (the rows of the last sheet). A failure is said on
// standard error and leaves the target as it was. Returns the exit code.
int writeBook(const QString& path, const store::Connection& connection,
              const std::function<void(sheets::XlsxWriter& book)>& write);

} // namespace hra::cli
