#pragma once

#include "domain/PersonListColumns.h"

namespace hra::records {

// Declared with the domain: hra-cli writes the same columns to a book.
using domain::ListColumn;
using domain::personListColumns;

} // namespace hra::records
