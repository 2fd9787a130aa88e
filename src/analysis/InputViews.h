#pragma once

#include "analysis/CalibratedRisk.h"
#include "analysis/Inputs.h"
#include "store/Sql.h"

#include <QString>

namespace hra::analysis {

// Rows as every layer reads them.
using store::Bindings;
using store::isNull;
using store::nullText;
using store::Rows;

// The stored rows of one assessment as the evaluations and the report read
// them: each view holds at most one row (the centre view all centre rows).
struct InputViews
{
    Rows person;    // jkpg_jbxx, with lurrq as the date text lrrq
    Rows centre;    // jkpg_pgzx
    Rows status;    // jkpg_mqzk
    Rows exam;      // jkpg_jbxx beside jkpg_tgjc
    Rows lifestyle; // jkpg_jbxx beside jkpg_shfs
    Rows exercise;  // jkpg_jbxx beside jkpg_ydfs
    Rows diet;      // jkpg_ssyy
};

// Reads the views for a record number and an assessment number, with bound
// parameters.
InputViews readInputViews(store::Sql& statements, const QString& recordNo, qint32 assessmentId);

// The evaluation inputs of the views; an empty view gives every value missing.
ExamInput examInput(const InputViews& views);
StatusInput statusInput(const InputViews& views);
LifestyleInput lifestyleInput(const InputViews& views);
DietInput dietInput(const InputViews& views);
ExerciseInput exerciseInput(const InputViews& views);
// The calibrated models' inputs: the examination, the status page, smoking
// and the centre's region settings.
ChinaParInput chinaParInput(const InputViews& views);
DiabetesScoreInput diabetesScoreInput(const InputViews& views);

// Column readers: NULL (or no row) gives an empty optional. A numeric column
// that holds something else than a number reads as missing.
std::optional<QString> textField(const Rows& d, const QString& field);
std::optional<double> numberField(const Rows& d, const QString& field);

} // namespace hra::analysis
