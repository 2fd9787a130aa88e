#pragma once

#include "domain/AssessmentImport.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

namespace hra::domain {

// A group's check-up as a sheet: a header row naming the columns, then one
// row per person and assessment. A header is the caption a window shows
// (姓名, 身高, 收缩压, a question's text), the column's name (xingm, sheng,
// jkpg_tgjc.sheng) or a device's header of the alias table (SBP, TC, FPG);
// blanks, a leading "*", a trailing colon, a unit in brackets ("身高(m)") and
// a question's number ("1.") do not count.

// Where a header points: the person table or a section table, the column,
// and the caption its problems are named by (the header as written).
struct GroupColumn
{
    QString table;
    QString column;
    QString caption;
};

// One row of the sheet: its number as the spreadsheet shows it, its cells.
struct GroupRow
{
    int number = 0;
    QStringList cells;
};

// One problem: the row (0: the header or the file), the caption, the reason.
struct GroupProblem
{
    int row = 0;
    QString caption;
    QString message;

    // "第3行 年龄: “200”必须是0到150之间的整数", "表头: ..."
    QString text() const;
};

// A sheet that cannot be stored; nothing of it has been. Holds the first
// problems (up to the limit) and how many were found in all.
class GroupImportError : public std::runtime_error
{
public:
    GroupImportError(std::vector<GroupProblem> problems, int total);
    const std::vector<GroupProblem>& problems() const { return m_problems; }
    int total() const { return m_total; }

private:
    std::vector<GroupProblem> m_problems;
    int m_total = 0;
};

// What each header means (nothing for an empty header over empty cells).
// Throws GroupImportError naming every header nobody knows, one that could
// mean two columns, and two headers meaning one column.
std::vector<std::optional<GroupColumn>> mapGroupHeader(const QStringList& header);

// Whether an identity number is 18 characters whose last is the check digit
// of the first 17 (GB 11643; "X" for 10, a lower-case "x" too).
bool identityNumberValid(const QString& number);

struct GroupImportOptions
{
    // Checks everything and finds the persons, storing nothing.
    bool dryRun = false;
    // Problems listed at most (all are counted).
    int problemLimit = 100;
};

struct GroupImportedRow
{
    int row = 0;
    QString record;
    // The new assessment; nothing in a dry run.
    std::optional<qint32> assessment;
    // The row registers the person (the first row of a person new to the database).
    bool newPerson = false;
    // The person had assessments before this sheet: this one is another.
    bool earlierAssessments = false;
};

// Checks every row and stores the whole sheet in one transaction, or
// nothing: each row's person (the record named by 编号; else the one with
// that 身份证号; else a new person under the next free number, registered as
// the create window registers), then the row's answers as a new assessment
// through the questionnaire's save. A name, sex or age contradicting the
// stored person is refused. Rows without any value are skipped. Throws
// GroupImportError (every problem, nothing stored) or DatabaseError.
std::vector<GroupImportedRow> importGroup(const QSqlDatabase& db, const QDateTime& serverNow,
                                          const QStringList& header, const QList<GroupRow>& rows,
                                          const GroupImportOptions& options = {});

} // namespace hra::domain
