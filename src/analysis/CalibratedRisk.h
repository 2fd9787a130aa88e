#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace hra::analysis {

// Two published models that give a person an absolute figure instead of a
// score against an age norm: the China-PAR 10-year risk of atherosclerotic
// cardiovascular disease, and the New Chinese Diabetes Risk Score. Both are
// pure functions; a missing input is named, never guessed, and a person
// outside the ages a model was validated for gets no figure.

// --- China-PAR -------------------------------------------------------------

struct ChinaParInput
{
    std::optional<QString> sex;             // 男 or 女
    std::optional<double> age;              // whole years
    std::optional<double> systolic;         // mmHg
    std::optional<double> totalCholesterol; // mmol/L
    std::optional<double> hdl;              // mmol/L
    std::optional<double> waist;            // cm
    // Empty when the question was not asked: computed as untreated, and said so.
    std::optional<bool> treatedHypertension;
    std::optional<bool> currentSmoker;
    std::optional<bool> diabetes;
    bool familyHistory = false; // of ASCVD; an unanswered relative counts as none
    std::optional<bool> north;  // north of the Yangtze (the centre's setting)
    std::optional<bool> urban;  // the centre's setting; the women's model does not use it
};

enum class RiskBand
{
    Low,          // < 5 %
    Intermediate, // 5 % to < 10 %
    High,         // >= 10 %
    NotAssessable
};

struct ChinaParResult
{
    std::optional<double> riskPercent; // unrounded; empty when not assessable
    RiskBand band = RiskBand::NotAssessable;
    QStringList missing;           // what kept the figure from being computed
    bool treatmentAssumed = false; // medication not asked, computed as untreated
};

inline constexpr double kChinaParMinAge = 35;
inline constexpr double kChinaParMaxAge = 74;

ChinaParResult chinaParRisk(const ChinaParInput& in);

// 低危, 中危, 高危 or 无法评估.
QString riskBandText(RiskBand band);

// What lowers the risk: each modifiable input the person has worse than its
// healthy value, with the risk recomputed with that one input at the healthy
// value; the largest reduction first. Empty when the risk is not assessable.
struct RiskReduction
{
    QString item;   // 收缩压, 总胆固醇, ...
    QString target; // the healthy value, as printed
    double riskPercent = 0;
};
std::vector<RiskReduction> chinaParReductions(const ChinaParInput& in);

// --- New Chinese Diabetes Risk Score ---------------------------------------

struct DiabetesScoreInput
{
    std::optional<QString> sex;
    std::optional<double> age;      // whole years
    std::optional<double> bmi;      // kg/m²
    std::optional<double> waist;    // cm
    std::optional<double> systolic; // mmHg
    bool familyHistory = false;     // of diabetes, in a parent or sibling
    // Already diagnosed, or fasting glucose >= 7.0 mmol/L; empty when unknown.
    std::optional<bool> diabetes;
};

enum class DiabetesScoreBand
{
    High, // >= 25: an oral glucose tolerance test is advised
    Low,
    AlreadyDiabetic,
    NotAssessable
};

struct DiabetesScoreResult
{
    std::optional<int> score; // 0 to 51
    DiabetesScoreBand band = DiabetesScoreBand::NotAssessable;
    QStringList missing;
};

inline constexpr int kDiabetesScoreHighRisk = 25;
inline constexpr double kDiabetesScoreMinAge = 20;
inline constexpr double kDiabetesScoreMaxAge = 74;

DiabetesScoreResult diabetesRiskScore(const DiabetesScoreInput& in);

// 高风险, 低风险, 已患糖尿病 or 无法评估.
QString diabetesScoreBandText(DiabetesScoreBand band);

// Fasting glucose at or above which a person counts as diabetic in both models.
inline constexpr double kDiabeticFastingGlucose = 7.0;

} // namespace hra::analysis
