#pragma once

#include "analysis/GroupSummary.h"
#include "domain/Audit.h"
#include "store/Sql.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

namespace hra::reportengine {
class Report;
}

namespace hra::report {

// A work unit and, optionally, the dates its assessments were entered on
// (both days included).
struct GroupChoice
{
    QString unit;
    std::optional<QDate> from;
    std::optional<QDate> to;
};

// The latest assessment in the dates of every person of the unit, in
// record-number order, read in a few statements whatever the group's size.
// Throws store::DatabaseError.
std::vector<analysis::GroupMember> readGroupMembers(store::Sql& statements,
                                                    const GroupChoice& choice);

struct GroupSummaryData
{
    GroupChoice choice;
    analysis::GroupSummary summary;
};

// Reads the group and counts it with the database's reference rows.
GroupSummaryData readGroupSummary(store::Sql& statements, const GroupChoice& choice);

// One table of the summary as rows of values: the report's datasets and the
// spreadsheet's sheets are made from these.
struct SummaryTable
{
    QString title;       // the sheet's name
    QStringList headers; // Chinese captions
    QStringList fields;  // the dataset's field names, same order
    QList<QVariantList> rows;
};

// 概况, 人员构成, 患病率 (numerators, denominators and percentages as
// numbers), 重点随访.
std::vector<SummaryTable> summaryTables(const GroupSummaryData& data);

// Writes the tables as an XLSX book, one sheet each, numbers as numbers;
// the target is replaced only when it is none of protectedFiles. Returns
// why the book was not written, empty text when it was.
QString writeSummaryBook(const GroupSummaryData& data, const QString& path,
                         const QStringList& protectedFiles = {});

// The template's file name in the reports folder.
inline constexpr const char* kGroupSummaryTemplate = "tjhz.fr3";

// Gives the report the summary's datasets (frxDB_tjhz, frxDB_tjhz_rs,
// frxDB_tjhz_yb, frxDB_tjhz_tb1 to frxDB_tjhz_tb6, frxDB_tjhz_sf).
void addGroupSummarySources(reportengine::Report& report, const GroupSummaryData& data);

// "2026-01-01 至 2026-03-31", "2026-01-01 起", "至 2026-03-31" or "全部日期".
QString datesText(const GroupChoice& choice);

// The operation log's entry for a summary printed or written: "团体报告", the
// unit and the dates, and the name of the file written, if one.
domain::AuditEntry groupSummaryAudit(domain::AuditAction action, const GroupChoice& choice,
                                     const QString& file = {});

} // namespace hra::report
