#pragma once

#include "analysis/Dataset.h"
#include "analysis/Inputs.h"
#include "analysis/Statements.h"

#include <QString>

namespace hra::analysis {

// The stored rows of one assessment as the evaluations and the report read
// them: each view holds at most one row (the centre view all centre rows).
struct InputViews
{
    Dataset person;    // jkpg_jbxx, with lurrq as the date text lrrq
    Dataset centre;    // jkpg_pgzx
    Dataset status;    // jkpg_mqzk
    Dataset exam;      // jkpg_jbxx beside jkpg_tgjc
    Dataset lifestyle; // jkpg_jbxx beside jkpg_shfs
    Dataset exercise;  // jkpg_jbxx beside jkpg_ydfs
    Dataset diet;      // jkpg_ssyy
};

// Reads the views for a record number and an assessment number, with bound
// parameters.
InputViews readInputViews(Statements& statements, const QString& recordNo, qint32 assessmentId);

// The evaluation inputs of the views; an empty view gives every value missing.
ExamInput examInput(const InputViews& views);
StatusInput statusInput(const InputViews& views);
LifestyleInput lifestyleInput(const InputViews& views);
DietInput dietInput(const InputViews& views);
ExerciseInput exerciseInput(const InputViews& views);

// Column readers: NULL (or no row) gives an empty optional. A numeric column
// that holds something else than a number reads as missing.
std::optional<QString> textField(const Dataset& d, const QString& field);
std::optional<double> numberField(const Dataset& d, const QString& field);

} // namespace hra::analysis
