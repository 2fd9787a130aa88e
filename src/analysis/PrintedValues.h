#pragma once

#include "analysis/Inputs.h"
#include "analysis/LabJudgement.h"
#include "analysis/ReferenceData.h"

#include <QString>
#include <array>
#include <optional>

namespace hra::analysis {

// What the report prints for one examination value: the value, the range it
// was judged by (from the same reference row, with its unit) and the mark.
struct PrintedValue
{
    QString value;         // "6.42"; "未测" when not measured
    QString range;         // "3.9-6.09mmol/L", "≤5.19mmol/L", "≥1mmol/L"; "／" without bounds
    QString mark;          // the judgement mark; empty where there are no bounds
    bool abnormal = false; // "↑" or "↓"
    bool operator==(const PrintedValue&) const = default;
};

// The range of a reference row as printed: a minimum of 0 is no lower bound.
QString rangeText(const std::optional<ReferenceRange>& range);

// The twelve values of labColumns(), judged as judgeLabValues() judges them.
std::array<PrintedValue, kLabValueCount> printedLabValues(const ExamInput& exam,
                                                          const ReferenceData& ref);

// A value list joined with "、" ("无" when empty), for answers of several boxes.
QString joinedAnswers(const QStringList& answers);

// Smoking as one phrase: "吸烟，每天11-20支", "偶尔吸烟", "不吸烟", "已戒烟",
// "未填写".
QString smokingSummary(const std::optional<QString>& smokes,
                       const std::optional<QString>& cigarettes);

} // namespace hra::analysis
