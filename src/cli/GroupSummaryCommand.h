#pragma once

#include <QStringList>

namespace hra::cli {

inline constexpr const char* kGroupSummaryUsage =
    "--group-summary --unit U [--from yyyy-MM-dd] [--to yyyy-MM-dd] --pdf OUT [--xlsx OUT] "
    "[--png DIR] [--ini FILE]";

// The summary of a work unit's latest assessments: the template tjhz.fr3 as
// PDF, and a line of JSON with the counts.
int groupSummaryReport(const QStringList& args);

} // namespace hra::cli
