#include "analysis/CalibratedRisk.h"

#include "analysis/Inputs.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace hra::analysis {
namespace {

// Sex-specific equations of the China-PAR project (three-decimal
// coefficients). Cholesterol enters in mg/dL; a zero marks a term the
// women's equation does not have.
struct ChinaParCoefficients
{
    double lnAge;
    double lnSbpTreated;
    double lnSbpUntreated;
    double lnTotalCholesterol;
    double lnHdl;
    double lnWaist;
    double smoker;
    double diabetes;
    double north;
    double urban;
    double familyHistory;
    double lnAgeLnSbpTreated;
    double lnAgeLnSbpUntreated;
    double lnAgeSmoker;
    double lnAgeFamilyHistory;
    double mean;
    double baselineSurvival;
};

constexpr ChinaParCoefficients kMen{31.967, 27.388, 26.148, 0.621,  -0.695, -0.712,
                                    3.955,  0.357,  0.475,  -0.164, 6.221,  -6.018,
                                    -5.731, -0.939, -1.534, 140.68, 0.9707};
constexpr ChinaParCoefficients kWomen{24.874, 20.709, 19.982, 0.058,  -0.217, 1.475,
                                      0.495,  0.567,  0.544,  0.0,    0.0,    -4.528,
                                      -4.360, 0.0,    0.0,    117.26, 0.9851};

constexpr double kMmolPerMgCholesterol = 0.0259;

// A measured value a logarithm can be taken of.
std::optional<double> positive(const std::optional<double>& v)
{
    if (v && std::isfinite(*v) && *v > 0)
        return v;
    return std::nullopt;
}

std::optional<bool> sexIsMale(const std::optional<QString>& sex)
{
    if (!sex)
        return std::nullopt;
    const QString s = sex->trimmed();
    if (s == kMale)
        return true;
    if (s == kFemale)
        return false;
    return std::nullopt;
}

QString ageItem(double minAge, double maxAge)
{
    return QStringLiteral("年龄（适用于%1～%2岁）").arg(minAge).arg(maxAge);
}

bool ageInRange(const std::optional<double>& age, double minAge, double maxAge)
{
    return age && std::isfinite(*age) && *age >= minAge && *age <= maxAge;
}

int agePoints(double age)
{
    if (age < 25)
        return 0;
    if (age < 35)
        return 4;
    if (age < 40)
        return 8;
    if (age < 45)
        return 11;
    if (age < 50)
        return 12;
    if (age < 55)
        return 13;
    if (age < 60)
        return 15;
    if (age < 65)
        return 16;
    return 18;
}

int bmiPoints(double bmi)
{
    if (bmi < 22)
        return 0;
    if (bmi < 24)
        return 1;
    if (bmi < 30)
        return 3;
    return 5;
}

int waistPoints(double waist, bool male)
{
    // The women's bands lie 5 cm below the men's.
    const double w = male ? waist : waist + 5;
    if (w < 75)
        return 0;
    if (w < 80)
        return 3;
    if (w < 85)
        return 5;
    if (w < 90)
        return 7;
    if (w < 95)
        return 8;
    return 10;
}

int systolicPoints(double sbp)
{
    if (sbp < 110)
        return 0;
    if (sbp < 120)
        return 1;
    if (sbp < 130)
        return 3;
    if (sbp < 140)
        return 6;
    if (sbp < 150)
        return 7;
    if (sbp < 160)
        return 8;
    return 10;
}

} // namespace

ChinaParResult chinaParRisk(const ChinaParInput& in)
{
    ChinaParResult result;
    const std::optional<bool> male = sexIsMale(in.sex);
    const std::optional<double> sbp = positive(in.systolic);
    const std::optional<double> tc = positive(in.totalCholesterol);
    const std::optional<double> hdl = positive(in.hdl);
    const std::optional<double> waist = positive(in.waist);

    if (!male)
        result.missing << QStringLiteral("性别");
    if (!ageInRange(in.age, kChinaParMinAge, kChinaParMaxAge))
        result.missing << ageItem(kChinaParMinAge, kChinaParMaxAge);
    if (!sbp)
        result.missing << QStringLiteral("收缩压");
    if (!tc)
        result.missing << QStringLiteral("总胆固醇");
    if (!hdl)
        result.missing << QStringLiteral("高密度脂蛋白胆固醇");
    if (!waist)
        result.missing << QStringLiteral("腰围");
    if (!in.currentSmoker)
        result.missing << QStringLiteral("吸烟情况");
    if (!in.diabetes)
        result.missing << QStringLiteral("是否患糖尿病");
    if (!in.north)
        result.missing << QStringLiteral("所在地区（南方或北方）");
    if (male.value_or(false) && !in.urban)
        result.missing << QStringLiteral("城市或农村");
    if (!result.missing.isEmpty())
        return result;

    const ChinaParCoefficients& c = *male ? kMen : kWomen;
    const bool treated = in.treatedHypertension.value_or(false);
    result.treatmentAssumed = !in.treatedHypertension.has_value();
    const double lnAge = std::log(*in.age);
    const double lnSbp = std::log(*sbp);
    const double smoker = *in.currentSmoker ? 1 : 0;
    const double family = in.familyHistory ? 1 : 0;

    const double sum = c.lnAge * lnAge + (treated ? c.lnSbpTreated : c.lnSbpUntreated) * lnSbp +
                       c.lnTotalCholesterol * std::log(*tc / kMmolPerMgCholesterol) +
                       c.lnHdl * std::log(*hdl / kMmolPerMgCholesterol) +
                       c.lnWaist * std::log(*waist) + c.smoker * smoker +
                       c.diabetes * (*in.diabetes ? 1 : 0) + c.north * (*in.north ? 1 : 0) +
                       c.urban * (in.urban.value_or(false) ? 1 : 0) + c.familyHistory * family +
                       (treated ? c.lnAgeLnSbpTreated : c.lnAgeLnSbpUntreated) * lnAge * lnSbp +
                       c.lnAgeSmoker * lnAge * smoker + c.lnAgeFamilyHistory * lnAge * family;

    const double risk = 100.0 * (1.0 - std::pow(c.baselineSurvival, std::exp(sum - c.mean)));
    result.riskPercent = risk;
    result.band = risk < 5 ? RiskBand::Low : risk < 10 ? RiskBand::Intermediate : RiskBand::High;
    return result;
}

QString riskBandText(RiskBand band)
{
    switch (band) {
    case RiskBand::Low:
        return QStringLiteral("低危");
    case RiskBand::Intermediate:
        return QStringLiteral("中危");
    case RiskBand::High:
        return QStringLiteral("高危");
    case RiskBand::NotAssessable:
        break;
    }
    return QStringLiteral("无法评估");
}

std::vector<RiskReduction> chinaParReductions(const ChinaParInput& in)
{
    const ChinaParResult now = chinaParRisk(in);
    if (!now.riskPercent)
        return {};
    // Ideal systolic pressure, desirable total and HDL cholesterol, a waist
    // below central obesity, not smoking.
    const bool male = in.sex && in.sex->trimmed() == kMale;
    const double waistTarget = male ? 85 : 80;
    struct Change
    {
        const char* item;
        QString target;
        bool applies;
        std::function<void(ChinaParInput&)> apply;
    };
    const Change changes[] = {
        {"收缩压", QStringLiteral("120 mmHg"), *in.systolic > 120,
         [](ChinaParInput& c) { c.systolic = 120; }},
        {"总胆固醇", QStringLiteral("5.2 mmol/L"), *in.totalCholesterol > 5.2,
         [](ChinaParInput& c) { c.totalCholesterol = 5.2; }},
        {"高密度脂蛋白胆固醇", QStringLiteral("1.0 mmol/L"), *in.hdl < 1.0,
         [](ChinaParInput& c) { c.hdl = 1.0; }},
        {"腰围", QStringLiteral("%1 cm").arg(waistTarget), *in.waist > waistTarget,
         [waistTarget](ChinaParInput& c) { c.waist = waistTarget; }},
        {"吸烟", QStringLiteral("戒烟"), *in.currentSmoker,
         [](ChinaParInput& c) { c.currentSmoker = false; }},
    };
    std::vector<RiskReduction> out;
    for (const Change& change : changes) {
        if (!change.applies)
            continue;
        ChinaParInput changed = in;
        change.apply(changed);
        const ChinaParResult r = chinaParRisk(changed);
        // In the men's equation a smaller waist alone raises the figure:
        // only what lowers it is listed.
        if (r.riskPercent && *r.riskPercent < *now.riskPercent)
            out.push_back({QString::fromUtf8(change.item), change.target, *r.riskPercent});
    }
    std::stable_sort(out.begin(), out.end(), [](const RiskReduction& a, const RiskReduction& b) {
        return a.riskPercent < b.riskPercent;
    });
    return out;
}

DiabetesScoreResult diabetesRiskScore(const DiabetesScoreInput& in)
{
    DiabetesScoreResult result;
    if (in.diabetes.value_or(false)) {
        result.band = DiabetesScoreBand::AlreadyDiabetic;
        return result;
    }
    const std::optional<bool> male = sexIsMale(in.sex);
    const std::optional<double> bmi = positive(in.bmi);
    const std::optional<double> waist = positive(in.waist);
    const std::optional<double> sbp = positive(in.systolic);
    if (!male)
        result.missing << QStringLiteral("性别");
    if (!ageInRange(in.age, kDiabetesScoreMinAge, kDiabetesScoreMaxAge))
        result.missing << ageItem(kDiabetesScoreMinAge, kDiabetesScoreMaxAge);
    if (!bmi)
        result.missing << QStringLiteral("体重指数");
    if (!waist)
        result.missing << QStringLiteral("腰围");
    if (!sbp)
        result.missing << QStringLiteral("收缩压");
    if (!in.diabetes)
        result.missing << QStringLiteral("是否患糖尿病");
    if (!result.missing.isEmpty())
        return result;

    const int score = agePoints(*in.age) + bmiPoints(*bmi) + waistPoints(*waist, *male) +
                      systolicPoints(*sbp) + (in.familyHistory ? 6 : 0) + (*male ? 2 : 0);
    result.score = score;
    result.band =
        score >= kDiabetesScoreHighRisk ? DiabetesScoreBand::High : DiabetesScoreBand::Low;
    return result;
}

QString diabetesScoreBandText(DiabetesScoreBand band)
{
    switch (band) {
    case DiabetesScoreBand::High:
        return QStringLiteral("高风险");
    case DiabetesScoreBand::Low:
        return QStringLiteral("低风险");
    case DiabetesScoreBand::AlreadyDiabetic:
        return QStringLiteral("已患糖尿病");
    case DiabetesScoreBand::NotAssessable:
        break;
    }
    return QStringLiteral("无法评估");
}

} // namespace hra::analysis
