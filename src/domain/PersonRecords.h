#pragma once

#include "domain/FormDeclaration.h"
#include "store/RowBuffer.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QVariantMap>
#include <optional>

namespace hra::domain {

// A buffer for one row of the person table, keyed by record number.
store::RowBuffer personBuffer();

enum class PersonFormPurpose
{
    Create,
    Modify
};

// The person's fields in two sections, "基本信息" and "选填信息": name, sex
// and age are required; the modify window shows the record number without
// letting it be typed (renumbering rewrites every table) and offers two
// occupations fewer.
FormDeclaration personForm(PersonFormPurpose purpose);

// What storing a newly registered person adds: the entry time from the
// server and the form of address by sex ("先生", "女士", else unchanged).
void applyNewPersonRules(QVariantMap& row, const QDateTime& serverNow);

// How many characters the photo name column holds here: databases that came
// from elsewhere may keep it at 10, ours hold 20.
int photoNameWidth(const QSqlDatabase& db);

// The persons listed by the maintenance windows and the printed list: every
// person when the number is empty (after trimming), else the one with that
// number; in record-number order. Read a page at a time: a page continues
// after the record number the one before ended with, so each page is a short
// walk of the key's index however many persons are stored.
class PersonListing
{
public:
    // `columns` are columns of jkpg_jbxx (std::logic_error for any other);
    // bianh is added at the end when missing, as pages continue after it.
    PersonListing(const QString& recordNumber, QStringList columns);

    const QString& recordNumber() const { return m_number; }
    const QStringList& columns() const { return m_columns; }
    // Where bianh is in a row.
    int keyColumn() const { return m_key; }

    // How many persons the listing holds now. Throws DatabaseError.
    int count(const QSqlDatabase& db) const;
    // At most `limit` rows, values in the order of columns(), with a record
    // number after `after` (from the first when empty). Throws DatabaseError.
    QList<QVariantList> page(const QSqlDatabase& db, const std::optional<QString>& after,
                             int limit) const;

private:
    QString m_number;
    QStringList m_columns;
    int m_key = 0;
};

// Deletes the person row only; the person's assessments stay. Returns false
// when no row had that number. Throws DatabaseError. With the version the
// row was listed with, a row changed or deleted since throws
// store::StaleRowError and nothing is deleted.
bool deletePerson(const QSqlDatabase& db, const QString& recordNumber,
                  std::optional<int> version = std::nullopt);

// Gives a person a new record number in all seven tables that carry it, in
// one transaction; the person row last, so that a refusal there (a number
// already taken) undoes everything. Throws DatabaseError.
void renumberPerson(const QSqlDatabase& db, const QString& oldNumber, const QString& newNumber);

} // namespace hra::domain
