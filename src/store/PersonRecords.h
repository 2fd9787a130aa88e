#pragma once

#include "store/FormDeclaration.h"
#include "store/RowBuffer.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QVariantMap>

namespace hra::store {

// A buffer for one row of the person table, keyed by record number.
RowBuffer personBuffer();

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

// The persons listed by the maintenance windows: every person when the
// number is empty (after trimming), else the one with that number.
QList<QVariantMap> findPersons(const QSqlDatabase& db, const QString& recordNumber);

// Deletes the person row only; the person's assessments stay. Returns false
// when no row had that number. Throws DatabaseError.
bool deletePerson(const QSqlDatabase& db, const QString& recordNumber);

// Gives a person a new record number in all seven tables that carry it, in
// one transaction; the person row last, so that a refusal there (a number
// already taken) undoes everything. Throws DatabaseError.
void renumberPerson(const QSqlDatabase& db, const QString& oldNumber, const QString& newNumber);

} // namespace hra::store
