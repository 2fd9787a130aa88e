#pragma once

#include "analysis/Inputs.h"
#include "analysis/LabJudgement.h"
#include "analysis/ReferenceData.h"

#include <QString>
#include <array>

namespace hra::analysis {

inline constexpr int kRiskItemCount = 7;

// One risk factor of the advice section: what the report says about the
// value and the advice for its judgement (both empty text without advice).
struct RiskItem
{
    QString text;
    QString advice;
    bool operator==(const RiskItem&) const = default;
};

// In the order TC, TG, HDL-C, LDL-C, TZZS, YAOW, ZIFG.
using RiskItems = std::array<RiskItem, kRiskItemCount>;

// The item and advice column names of jkpg_shfs_wxys, same order.
struct RiskColumns
{
    const char* item;
    const char* advice;
};
const std::array<RiskColumns, kRiskItemCount>& riskColumns();

// Picks the advice of each item by its stored judgement mark (fatty liver:
// by its grade). A NULL mark or grade looks up the state of empty text.
RiskItems assessLifestyleRisks(const ExamInput& exam, const LabMarks& marks,
                               const ReferenceData& ref);

// The smoking and drinking statements; empty text for other answers.
QString smokingStatement(const std::optional<QString>& smokes);
QString drinkingStatement(const std::optional<QString>& drinks);

} // namespace hra::analysis
