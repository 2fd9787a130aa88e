#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

namespace hra::store {

// Reference and demo data are JSON files of this shape:
//   { "table": "jkpg_sjzd",
//     "columns": ["biaomc", "duiyzd", ...],
//     "rows": [["jkpg_tgjc", "tizzs", ...], ...] }
// null is NULL, numbers are numbers, strings are text; the string "@now"
// stands for the server time given, so that stored times come from the server.
// Every row is inserted with bound values. Throws DatabaseError.
void loadSeedFile(const QSqlDatabase& db, const QString& path, const QDateTime& now);

// Loads every file of a resource folder (":/hra/seed/reference") in name order.
void loadSeedFolder(const QSqlDatabase& db, const QString& folder, const QDateTime& now);

} // namespace hra::store
