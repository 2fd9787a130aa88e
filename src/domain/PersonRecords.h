#pragma once

#include "domain/FormDeclaration.h"
#include "store/RowBuffer.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QVariantMap>
#include <optional>

namespace hra::domain {

// "没有编号为“BH”的档案!", said wherever a record number finds nobody.
QString unknownRecordMessage(const QString& recordNumber);

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

// Why a value of a person's field cannot be stored, in the operator's words
// ("姓名不能为空!", "年龄“200”必须是0到150之间的整数"; without the caption
// where a list names it beside); empty when it can. Sex is one of its two
// options: the form of address and every evaluation depend on it.
QString personValueProblem(PersonFormPurpose purpose, const QString& column, const QVariant& value,
                           bool withCaption = true);

// The number after the highest all-digit record number, as wide as that one
// ("0000000041" -> "0000000042"); "0000000001" in an empty table. Throws
// DatabaseError.
QString nextRecordNumber(const QSqlDatabase& db);

// Stores a new person (column -> value over the columns of personForm)
// with the rules of registering: checked as the create window checks, the
// entry time and the form of address added. Returns the first problem in the
// operator's words, nothing stored; empty when stored. A number already taken
// is "保存不成功,编号重复或非法!", as the window says. Throws DatabaseError
// for a failure of another kind.
QString addPerson(const QSqlDatabase& db, const QDateTime& serverNow, const QVariantMap& values);

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
    // Only the persons whose work unit is `unit` (as stored, after trimming
    // what was given); every unit when empty.
    void setUnit(const QString& unit) { m_unit = unit.trimmed(); }
    const QString& unit() const { return m_unit; }
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
    QString m_unit;
    QStringList m_columns;
    int m_key = 0;
};

// Stores a person row as the record windows edit it, with the operation
// log's entry ("create" for a new row, "modify" for a loaded one) in the same
// transaction. Throws what RowBuffer::store throws.
void storePerson(const QSqlDatabase& db, store::RowBuffer& row);

// Deletes the person row only; the person's assessments stay. Returns false
// when no row had that number. Throws DatabaseError. With the version the
// row was listed with, a row changed or deleted since throws
// store::StaleRowError and nothing is deleted.
bool deletePerson(const QSqlDatabase& db, const QString& recordNumber,
                  std::optional<int> version = std::nullopt);

// How many assessments the person has. Throws DatabaseError.
int assessmentCount(const QSqlDatabase& db, const QString& recordNumber);

// Deletes the person with every row of their assessments, in one
// transaction. Returns false when no person had that number. Throws
// DatabaseError.
bool deletePersonWithAssessments(const QSqlDatabase& db, const QString& recordNumber);

// Why a person cannot be given the new number, in the words the renumber
// dialog shows ("请输入新编号!", "新编号与原编号相同!", the holder of a taken
// number); empty when it can. Throws DatabaseError.
QString renumberProblem(const QSqlDatabase& db, const QString& oldNumber, const QString& newNumber);

// Gives a person a new record number in all seven tables that carry it, in
// one transaction; the person row last, so that a refusal there (a number
// already taken) undoes everything. Throws DatabaseError.
void renumberPerson(const QSqlDatabase& db, const QString& oldNumber, const QString& newNumber);

} // namespace hra::domain
