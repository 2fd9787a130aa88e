#pragma once

#include "sheets/SheetReader.h"

namespace hra::sheets {

// The named sheet (the first when empty) of an XLSX file. Throws SheetError.
Sheet readXlsx(const QString& path, const QString& sheetName);

} // namespace hra::sheets
