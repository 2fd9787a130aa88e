#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace hra::analysis {

// A report dataset as plain rows: field names in order and one value per
// field and row (an invalid or null QVariant is NULL).
struct Dataset
{
    QStringList fields;
    QList<QVariantList> rows;

    bool isEmpty() const { return rows.isEmpty(); }
    // The value of a field in a row; an invalid QVariant when either is absent.
    QVariant value(qsizetype row, const QString& field) const;
    // Appends a field with the same value in every row.
    void addField(const QString& name, const QVariantList& values);
};

// A NULL of text type, so that drivers bind NULL and not empty text.
QVariant nullText();
bool isNull(const QVariant& v);

} // namespace hra::analysis
