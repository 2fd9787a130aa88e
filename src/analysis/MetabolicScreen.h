#pragma once

#include "analysis/Inputs.h"

#include <QString>

namespace hra::analysis {

struct MetabolicScreen
{
    int criteria = 0; // 0 to 5
    QString level;    // jib of the advice rows
};

// Counts the five criteria of metabolic disorder (NULL values read as 0)
// and names the risk level.
MetabolicScreen screenMetabolicDisorder(const ExamInput& exam);

} // namespace hra::analysis
