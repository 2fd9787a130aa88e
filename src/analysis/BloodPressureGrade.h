#pragma once

#include "analysis/Inputs.h"

#include <QString>
#include <vector>

namespace hra::analysis {

// One bar of the blood-pressure chart (a row of jkpg_gxy).
struct BarRow
{
    QString label; // gxyjb
    double value;  // gxy1
    bool operator==(const BarRow&) const = default;
};

struct BloodPressureGrade
{
    std::vector<BarRow> rows; // in the order they are printed
    QString adviceLevel;      // jib of the advice row: "0级" to "3级"
};

// Grades systolic and diastolic pressure into a hypertension level and
// flags abnormal values that do not amount to a level. A missing pressure
// grades nothing.
BloodPressureGrade gradeBloodPressure(const ExamInput& exam);

} // namespace hra::analysis
