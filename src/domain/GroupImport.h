#pragma once

#include "domain/AssessmentImport.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

namespace hra::sheets {
struct ReadOptions;
}

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
    // The row is one of the header map's file, not of the sheet.
    bool inMap = false;

    // "第3行 年龄: “200”必须是0到150之间的整数", "表头: ...", "映射文件第2行: ..."
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

// A device's or laboratory system's own headers and the caption or column
// each means, read from a two-column file: their header, ours.
using GroupHeaderMap = QHash<QString, QString>;

// The map of a file's rows. Throws GroupImportError naming each row that
// has not two texts, gives a header a second time, or names a caption or
// column nobody knows or one that could mean two.
GroupHeaderMap readHeaderMap(const QList<GroupRow>& rows);

// How one header was understood: its column, or why it is refused.
struct GroupHeaderMeaning
{
    std::optional<GroupColumn> column;
    // The window's caption of that column (its name where it has none).
    QString fieldCaption;
    QString refusal;
};

// Every header's meaning, the map's headers before the known ones; an empty
// header means nothing and is refused nothing.
std::vector<GroupHeaderMeaning> understandGroupHeader(const QStringList& header,
                                                      const GroupHeaderMap& map = {});

// What each header means (nothing for an empty header over empty cells).
// Throws GroupImportError naming every header nobody knows, one that could
// mean two columns, and two headers meaning one column.
std::vector<std::optional<GroupColumn>> mapGroupHeader(const QStringList& header,
                                                       const GroupHeaderMap& map = {});

// Whether an identity number is 18 characters whose last is the check digit
// of the first 17 (GB 11643; "X" for 10, a lower-case "x" too).
bool identityNumberValid(const QString& number);

// The rows of a group's sheet after its header, one after the other, so
// that a long file is never held whole. Read through twice: once for the
// record numbers it names and its length, once for the work.
class GroupRows
{
public:
    virtual ~GroupRows() = default;
    // Back to the first row after the header.
    virtual void restart() = 0;
    // The next row; false after the last.
    virtual bool next(GroupRow& row) = 0;
};

// The rows held in a list.
class GroupRowList final : public GroupRows
{
public:
    explicit GroupRowList(const QList<GroupRow>& rows) : m_rows(rows) {}
    void restart() override { m_next = 0; }
    bool next(GroupRow& row) override
    {
        if (m_next >= m_rows.size())
            return false;
        row = m_rows.at(m_next++);
        return true;
    }

private:
    const QList<GroupRow>& m_rows;
    qsizetype m_next = 0;
};

// A file read afresh for each pass: open() gives a function handing out its
// rows one by one, the header first. Throws what open() and the rows throw;
// the header of a file without any row is empty.
class ReopenedGroupRows final : public GroupRows
{
public:
    using Next = std::function<bool(GroupRow& row)>;
    explicit ReopenedGroupRows(std::function<Next()> open);
    const QStringList& header() const { return m_header; }
    void restart() override;
    bool next(GroupRow& row) override { return m_next(row); }

private:
    std::function<Next()> m_open;
    Next m_next;
    QStringList m_header;
};

// A spreadsheet file's rows as a ReopenedGroupRows hands them out, for one
// pass; throws what the sheet reader throws.
ReopenedGroupRows::Next sheetGroupRows(const QString& path, const sheets::ReadOptions& options);

// The operator stopped an import; nothing of the sheet is stored.
class GroupImportCancelled : public std::runtime_error
{
public:
    GroupImportCancelled() : std::runtime_error("group import cancelled") {}
};

struct GroupImportOptions
{
    // Checks everything and finds the persons, storing nothing.
    bool dryRun = false;
    // Problems listed at most (all are counted).
    int problemLimit = 100;
    // Headers of a device's own, as readHeaderMap gives them.
    GroupHeaderMap headerMap;
    // Told before each row how many of the sheet's rows are done; false
    // stops the import (GroupImportCancelled, nothing stored).
    std::function<bool(int done, int total)> progress;
};

struct GroupImportedRow
{
    int row = 0;
    QString record;
    // The new assessment; nothing in a dry run.
    std::optional<qint32> assessment;
    // The row registers the person (the first row of a person new to the database).
    bool newPerson = false;
    // The person's name, from the sheet or the record.
    QString name;
    // The person had assessments before this sheet: this one is another.
    bool earlierAssessments = false;
};

// Checks every row and stores the whole sheet in one transaction, or
// nothing: each row's person (the record named by 编号; else the one with
// that 身份证号; else a new person under the next free number, registered as
// the create window registers), then the row's answers as a new assessment
// through the questionnaire's save. A name, sex or age contradicting the
// stored person is refused. Rows without any value are skipped. Each row is
// stored as soon as it is checked, inside the one transaction, until a
// problem turns the rest into checking only. Throws GroupImportError (every
// problem, nothing stored), GroupImportCancelled, DatabaseError, or what the
// rows throw.
std::vector<GroupImportedRow> importGroup(const QSqlDatabase& db, const QDateTime& serverNow,
                                          const QStringList& header, GroupRows& rows,
                                          const GroupImportOptions& options = {});
std::vector<GroupImportedRow> importGroup(const QSqlDatabase& db, const QDateTime& serverNow,
                                          const QStringList& header, const QList<GroupRow>& rows,
                                          const GroupImportOptions& options = {});

// What an import did or would do, as the command line and the window tell it.
struct GroupImportSummary
{
    int rows = 0;
    int newPersons = 0;
    // Rows of persons who had assessments before: theirs is another.
    int furtherAssessments = 0;

    // "2人已有评估,本次为其增加了新的评估"
    QString furtherAssessmentsText() const;
};
GroupImportSummary summarise(const std::vector<GroupImportedRow>& rows);

// The problems' lines, with how many more were not listed.
QStringList problemLines(const GroupImportError& error);

// "文件中的数据均未保存"
QString nothingStoredText();

} // namespace hra::domain
