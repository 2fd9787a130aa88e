#pragma once

#include "analysis/AnalysisError.h"
#include "analysis/Inputs.h"
#include "analysis/ReferenceData.h"

#include <QString>
#include <optional>

namespace hra::analysis {

// The one row of the exercise prescription (jkpg_ydcf); yundpd is never set.
struct ExercisePrescription
{
    std::optional<QString> amount;    // jianyydl
    std::optional<QString> kind;      // yundfs
    std::optional<QString> minutes;   // yundsj
    std::optional<QString> intensity; // yundqd
    // Kept for tests and for the reader: the standard weight, the excess and
    // the energy in kilocalories (0 when not overweight).
    double standardWeight = 0;
    double excess = 0;
    qint64 energy = 0;
};

// Throws AnalysisError when the sex is neither "男" nor "女": there is no
// standard-weight table and no heart-rate base for it.
ExercisePrescription prescribeExercise(const ExamInput& exam, const ExerciseInput& exercise,
                                       const ReferenceData& ref);

} // namespace hra::analysis
