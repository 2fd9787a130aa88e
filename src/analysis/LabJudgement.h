#pragma once

#include "analysis/Inputs.h"
#include "analysis/ReferenceData.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace hra::analysis {

inline constexpr int kLabValueCount = 12;
inline constexpr int kAbnormalViewCount = 11; // all but the waist

// The examination columns judged, in their fixed order (the waist last).
const std::array<const char*, kLabValueCount>& labColumns();
// The judgement columns of jkpg_tgjc_pd, "pd_" + column, same order.
const std::array<const char*, kLabValueCount>& labMarkColumns();

// The classes of the body-mass index by 成人体重判定 WS/T 428-2013, lowest
// first: each holds from its lower bound up to the next class's. The seeded
// reference range of tizzs (18.5-23.99) is the normal class.
enum class WeightClass
{
    Underweight,
    Normal,
    Overweight,
    Obese
};

struct WeightClassBand
{
    double from; // kg/m²
    WeightClass weightClass;
    const char16_t* word;
    const char16_t* mark; // as the judgement marks it; empty within range
};

const std::array<WeightClassBand, 4>& weightClassBands();
WeightClass weightClassOf(double bodyMassIndex);
// The class as the report prints it: "体重过低 ↓", "正常", "超重 ↑", "肥胖 ↑".
QString weightClassText(double bodyMassIndex);

// The twelve values to judge; a blank or unreadable uric-acid text counts
// as not measured.
std::array<std::optional<double>, kLabValueCount> labValues(const ExamInput& exam);

// One mark per value: "↑", "↓", "正常", "不超标" (waist within range) or
// "未测"; empty where the value has no reference bounds at all.
using LabMarks = std::array<std::optional<QString>, kLabValueCount>;

LabMarks judgeLabValues(const ExamInput& exam, const ReferenceData& ref);

// The abnormal-indicator view: label + "偏高"/"偏低", empty text within
// range or unmeasured, and the stored mark where no bound exists.
using AbnormalIndicators = std::array<std::optional<QString>, kAbnormalViewCount>;

AbnormalIndicators abnormalIndicators(const ExamInput& exam, const LabMarks& stored,
                                      const ReferenceData& ref);

// Every measured value outside its reference range, as its label and
// "偏高"/"偏低", in the order body-mass index, pressures, waist, lipids,
// glucose, HbA1c, uric acid. Values within range, unmeasured or without
// bounds are left out.
QStringList abnormalIndicatorList(const ExamInput& exam, const ReferenceData& ref);

// The list as the report prints it: one indicator a line; "无" when every
// measured value is within range, "未测" when nothing was measured.
QString abnormalIndicatorText(const ExamInput& exam, const ReferenceData& ref);

} // namespace hra::analysis
