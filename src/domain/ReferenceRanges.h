#pragma once

#include "domain/FormDeclaration.h"
#include "store/RowBuffer.h"

#include <QHash>
#include <QVariant>

namespace hra::domain {

// The range as shown beside an input box: minimum, "-", maximum and unit run
// together, numbers without trailing zeros ("3.9-6.1mmol/L"); one bound alone
// as "≥1mmol/L" or "≤3.1mmol/L"; "-" when empty.
QString referenceRangeText(const QVariant& minValue, const QVariant& maxValue,
                           const QVariant& unit);

// A buffer for one reference row, keyed by table and column name. Storing it
// refreshes the displayed range text duiyz from the values being stored.
store::RowBuffer referenceRangeBuffer();

// The fields of the reference popup: minimum, maximum and unit.
FormDeclaration referenceRangeForm();

// Loads the reference row of a column for editing, or starts a new one, and
// names its table and column.
void openReferenceRange(store::RowBuffer& row, const QSqlDatabase& db, const QString& table,
                        const QString& column);

// The stored range texts of a table's columns (column -> duiyz); when
// several rows name one column, the last one read wins.
QHash<QString, QString> referenceRangeTexts(const QSqlDatabase& db, const QString& table);

} // namespace hra::domain
