#include "analysis/Dataset.h"

namespace hra::analysis {

QVariant Dataset::value(qsizetype row, const QString& field) const
{
    const qsizetype column = fields.indexOf(field);
    if (column < 0 || row < 0 || row >= rows.size())
        return QVariant();
    return rows.at(row).value(column);
}

void Dataset::addField(const QString& name, const QVariantList& values)
{
    fields << name;
    for (qsizetype i = 0; i < rows.size(); ++i)
        rows[i] << values.value(i);
}

QVariant nullText()
{
    return QVariant(QMetaType::fromType<QString>());
}

bool isNull(const QVariant& v)
{
    return !v.isValid() || v.isNull();
}

} // namespace hra::analysis
