#pragma once

#include "store/Sql.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <optional>

namespace hra::store {

// The criteria of the information query as the operator typed them.
struct SearchCriteria
{
    QString recordNumber; // exact match
    QString name;         // exact match
    QString sex;          // as typed; any text counts
    QString ageFrom;      // both bounds or no age condition
    QString ageTo;
    bool useDates = false;
    QDate dateFrom; // whole days: from the start of the first
    QDate dateTo;   // to the end of the last
};

// The message for age bounds that are not whole numbers.
inline const QString kInvalidAgeMessage = QStringLiteral("录入内容不合法!");

// One row of the search, as the result grid and hra-cli show it.
struct FoundAssessment
{
    QString recordNumber; // bianh
    QString name;         // xingm
    QString sex;          // xingb
    QString state;        // zhuangt
    QDateTime date;       // lurrq
    QVariant age;         // nianl
    qint32 id = 0;        // jkpg_id
};

// The statement of a search over v_jkpg_jbxx: every typed value is a bound
// parameter. Rows come newest first (highest assessment number first, as
// numbers are given in order), read a page at a time: a page ends at the
// assessment number the next one continues below, so each page is a short
// walk of an index however many assessments are stored.
class AssessmentSearch
{
public:
    // Empty when both age bounds are given and one is not a whole number
    // (kInvalidAgeMessage).
    static std::optional<AssessmentSearch> build(const SearchCriteria& criteria);

    // At most `limit` rows with an assessment number below `below` (all when
    // `below` is empty). Throws DatabaseError.
    QList<FoundAssessment> page(const QSqlDatabase& db, std::optional<qint32> below,
                                int limit) const;
    // Every row, newest first, read page by page. Throws DatabaseError.
    QList<FoundAssessment> all(const QSqlDatabase& db, int pageSize = 1000) const;

    // The statement and its values without paging (for logs and tests).
    const QString& conditions() const { return m_conditions; }
    const Bindings& bindings() const { return m_bindings; }

private:
    QString m_conditions;
    Bindings m_bindings;
};

// Deletes one assessment: its five section rows and its register row, in one
// transaction. A section without a row is no failure. The person stays.
// Throws DatabaseError after rolling everything back.
void deleteAssessment(const QSqlDatabase& db, const QString& recordNumber, qint32 assessmentId);

} // namespace hra::store
