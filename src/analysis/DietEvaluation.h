#pragma once

#include "analysis/Inputs.h"

#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace hra::analysis {

namespace diet {
// Positions of the items in DietInput::answers and in the score table.
enum Item
{
    Staple,
    Soy,
    Dairy,
    Vegetables,
    Fruit,
    Pork,
    Fish,
    Poultry,
    Nuts,
    Mushrooms,
    Spirits,
    Wine,
    Eggs,
    Oil,
    Salt,
    Meals
};
} // namespace diet

// The diet items in their fixed order: stored column and item name.
struct DietItem
{
    const char* column; // column of jkpg_ssyy
    const char16_t* name;
};
const std::array<DietItem, 16>& dietItems();

// One row of the diet score table (jkpg_ssyypg).
struct DietScore
{
    QString name;                  // mingc
    std::optional<QString> answer; // neir, the stored answer
    int score = 0;                 // zhis
    bool operator==(const DietScore&) const = default;
};

// Sixteen rows in item order; NULL, blank and unlisted answers score 0.
std::vector<DietScore> scoreDiet(const DietInput& diet);

// The judgement texts shown beside the diet answers; empty text where no
// rule applies.
struct DietJudgement
{
    QString soy;        // douzp_pd
    QString dairy;      // naizp_pd
    QString vegetables; // shuc_pd
    QString fruit;      // shuig_pd
    QString protein;    // danbz_pd
    QString fat;        // zhif_pd
    QString oil;        // zhiwy_pd
    QString salt;       // shiy_pd
    QString meals;      // jincfp_pd
    QString overall;    // zongh_pd
    int goodAnswers = 0;
};

DietJudgement judgeDiet(const DietInput& diet);

// The judgements that are risk factors (every one but the "…正常" ones), one a
// line; "未填写" when nothing was answered, "无" when no answer is a risk.
QString dietRiskText(const DietJudgement& j);

// The calculated field names in the order of DietJudgement.
const std::array<const char*, 10>& dietJudgementFields();
std::array<QString, 10> dietJudgementValues(const DietJudgement& j);

} // namespace hra::analysis
