#pragma once

#include "store/Sql.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <optional>
#include <utility>

namespace hra::domain {

// The criteria of the information query as the operator typed them.
struct SearchCriteria
{
    QString recordNumber; // exact match
    QString name;         // names containing it
    QString sex;          // as typed; any text counts
    QString ageFrom;      // both bounds or no age condition
    QString ageTo;
    bool useDates = false;
    QDate dateFrom; // whole days: from the start of the first
    QDate dateTo;   // to the end of the last (either way round)
};

// The criteria as the operation log keeps them ("姓名含 张; 性别 男"), without
// the persons found.
QString describeCriteria(const SearchCriteria& criteria);

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

// How many matching rows the first page may read and sort rather than walk
// every assessment newest first looking for matches. Below the limit a search
// starts from the index of its most telling condition (record number, name,
// dates, sex and age) and sorts what that finds, or, for dates whose
// assessment numbers lie together, walks those numbers newest first; above
// it, it walks all assessments newest first, which is quick when matches are
// many.
struct StartLimits
{
    int persons = 1000;      // persons matching the name, or the sex and age
    int assessments = 10000; // assessments within the dates
    // The assessments within the dates are walked between their lowest and
    // highest number, instead of sorted, when that span holds at most this
    // many times as many numbers as there are assessments.
    int spread = 4;
};

// The statement of a search over v_jkpg_jbxx: every typed value is a bound
// parameter. Rows come newest first (highest assessment number first, as
// numbers are given in order), read a page at a time: a page ends at the
// assessment number the next one continues below. Before its first page a
// search counts, through the indexes and never past the limits, how many
// persons or assessments its conditions match, and so chooses where the
// database starts: a page is a short walk of an index, or a sort of the few
// rows that match, however many assessments are stored.
class AssessmentSearch
{
public:
    // Empty when both age bounds are given and one is not a whole number
    // (kInvalidAgeMessage).
    static std::optional<AssessmentSearch> build(const SearchCriteria& criteria,
                                                 const StartLimits& limits = {});

    // At most `limit` rows with an assessment number below `below` (all when
    // `below` is empty). Throws DatabaseError.
    QList<FoundAssessment> page(const QSqlDatabase& db, std::optional<qint32> below,
                                int limit) const;
    // Every row, newest first, read page by page. Throws DatabaseError.
    QList<FoundAssessment> all(const QSqlDatabase& db, int pageSize = 1000) const;

    // The statement and its values without paging (for logs and tests).
    const QString& conditions() const { return m_conditions; }
    const store::Bindings& bindings() const { return m_bindings; }

private:
    // The conditions an index can serve. They are tried as the start of a
    // search from the narrowest by nature: a record number, a name, dates (a
    // day or a month of a centre's work), then sex and age.
    enum class Start
    {
        RecordNumber,
        Name,
        Dates,
        SexAndAge,
        Newest
    };
    struct Condition
    {
        Start start;
        QString column;
        QString test; // follows the column
        store::Bindings bindings;
    };

    // Where a search starts; for dates whose assessment numbers lie
    // together, the lowest and highest of those numbers.
    struct Plan
    {
        Start start;
        std::optional<std::pair<qint32, qint32>> numbers;
    };

    Plan planOf(const QSqlDatabase& db) const;
    // The plan that starts from `start`, or empty when its conditions match
    // too many rows.
    std::optional<Plan> fewMatch(const QSqlDatabase& db, Start start) const;

    QString m_conditions;
    store::Bindings m_bindings;
    QList<Condition> m_indexed;
    bool m_none = false; // a condition that nothing can match
    StartLimits m_limits;
    // Chosen at the first page, kept for the pages after it.
    mutable std::optional<Plan> m_plan;
};

// Deletes one assessment: its five section rows and its register row, in one
// transaction. A section without a row is no failure. The person stays.
// Throws DatabaseError after rolling everything back.
void deleteAssessment(const QSqlDatabase& db, const QString& recordNumber, qint32 assessmentId);

} // namespace hra::domain
