#pragma once

#include "analysis/Inputs.h"
#include "analysis/ReferenceData.h"

#include <QString>

namespace hra::analysis {

enum class Disease
{
    Coronary,
    Stroke,
    Diabetes
};

// A relative risk index: the index of a risk-free peer of the same age and
// sex (A) and the person's own, (R + 1) x A with R the sum of the risk terms.
struct DiseaseIndex
{
    double peer = 0;
    double index = 0;
    double riskSum = 0; // R
};

struct DiseaseInputs
{
    ExamInput exam;
    StatusInput status;
    LifestyleInput lifestyle;
};

DiseaseIndex coronaryIndex(const DiseaseInputs& in, const ReferenceData& ref);
DiseaseIndex strokeIndex(const DiseaseInputs& in, const ReferenceData& ref);
DiseaseIndex diabetesIndex(const DiseaseInputs& in, const ReferenceData& ref);
DiseaseIndex diseaseIndex(Disease disease, const DiseaseInputs& in, const ReferenceData& ref);

// The labels of the two rows of an index table: the peer row and the
// person's row.
QString peerLabel();
QString personLabel(Disease disease);

// Total cholesterol rounded to a whole number, halves to the even neighbour.
double roundHalfToEven(double value);

} // namespace hra::analysis
