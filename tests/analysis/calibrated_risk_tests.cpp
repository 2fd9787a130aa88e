#include "analysis/CalibratedRisk.h"

#include <functional>
#include <gtest/gtest.h>

using namespace hra::analysis;

namespace {

const QString kMan = QStringLiteral("男");
const QString kWoman = QStringLiteral("女");

// The published example profile: untreated 130 mmHg, TC 210 mg/dL, HDL 55
// mg/dL, waist 80 cm, non-smoker, diabetic, north, urban, no family history.
ChinaParInput exampleProfile(const QString& sex, double age)
{
    ChinaParInput in;
    in.sex = sex;
    in.age = age;
    in.systolic = 130;
    in.treatedHypertension = false;
    in.totalCholesterol = 210 * 0.0259;
    in.hdl = 55 * 0.0259;
    in.waist = 80;
    in.currentSmoker = false;
    in.diabetes = true;
    in.familyHistory = false;
    in.north = true;
    in.urban = true;
    return in;
}

} // namespace

TEST(ChinaPar, PublishedVectors)
{
    struct Case
    {
        QString sex;
        double age;
        double expected;
    };
    const Case cases[] = {
        {kMan, 40, 2.2},   {kMan, 50, 5.3},   {kMan, 60, 10.8},   {kMan, 70, 19.3},
        {kWoman, 40, 2.4}, {kWoman, 50, 5.4}, {kWoman, 60, 10.2}, {kWoman, 70, 17.2},
    };
    for (const Case& c : cases) {
        const ChinaParResult r = chinaParRisk(exampleProfile(c.sex, c.age));
        ASSERT_TRUE(r.riskPercent) << c.sex.toStdString() << c.age;
        EXPECT_NEAR(*r.riskPercent, c.expected, 0.1) << c.sex.toStdString() << c.age;
        EXPECT_FALSE(r.treatmentAssumed);
    }

    // A man of 40 with a family history, 145 mmHg untreated, TC 5.2 and HDL 1.3 mmol/L.
    ChinaParInput man = exampleProfile(kMan, 40);
    man.systolic = 145;
    man.totalCholesterol = 5.2;
    man.hdl = 1.3;
    man.diabetes = false;
    man.familyHistory = true;
    const ChinaParResult r = chinaParRisk(man);
    ASSERT_TRUE(r.riskPercent);
    EXPECT_NEAR(*r.riskPercent, 4.7, 0.1);
    EXPECT_EQ(r.band, RiskBand::Low);
}

TEST(ChinaPar, BandsAndTreatment)
{
    EXPECT_EQ(chinaParRisk(exampleProfile(kMan, 50)).band, RiskBand::Intermediate);
    EXPECT_EQ(chinaParRisk(exampleProfile(kMan, 60)).band, RiskBand::High);
    EXPECT_EQ(riskBandText(RiskBand::Intermediate), QStringLiteral("中危"));

    // Medication raises the weight of pressure; not asked is computed as untreated.
    ChinaParInput treated = exampleProfile(kWoman, 60);
    treated.treatedHypertension = true;
    ChinaParInput notAsked = exampleProfile(kWoman, 60);
    notAsked.treatedHypertension.reset();
    const ChinaParResult t = chinaParRisk(treated);
    const ChinaParResult n = chinaParRisk(notAsked);
    EXPECT_GT(*t.riskPercent, *chinaParRisk(exampleProfile(kWoman, 60)).riskPercent);
    EXPECT_DOUBLE_EQ(*n.riskPercent, *chinaParRisk(exampleProfile(kWoman, 60)).riskPercent);
    EXPECT_TRUE(n.treatmentAssumed);

    // The women's equation has no urban term: a woman needs no such setting.
    ChinaParInput woman = exampleProfile(kWoman, 60);
    woman.urban.reset();
    EXPECT_TRUE(chinaParRisk(woman).riskPercent);
}

TEST(ChinaPar, NoFigureOutsideItsAgesOrWithoutAnInput)
{
    struct Case
    {
        const char* what;
        std::function<void(ChinaParInput&)> change;
        QStringList missing;
    };
    const QString age = QStringLiteral("年龄（适用于35～74岁）");
    const Case cases[] = {
        {"34", [](ChinaParInput& in) { in.age = 34; }, {age}},
        {"75", [](ChinaParInput& in) { in.age = 75; }, {age}},
        {"no age", [](ChinaParInput& in) { in.age.reset(); }, {age}},
        {"no sex", [](ChinaParInput& in) { in.sex = QStringLiteral("?"); }, {"性别"}},
        {"no lipids",
         [](ChinaParInput& in) {
             in.totalCholesterol.reset();
             in.hdl = 0;
         },
         {"总胆固醇", "高密度脂蛋白胆固醇"}},
        {"no waist, smoking, region",
         [](ChinaParInput& in) {
             in.waist.reset();
             in.currentSmoker.reset();
             in.north.reset();
             in.urban.reset();
         },
         {"腰围", "吸烟情况", "所在地区（南方或北方）", "城市或农村"}},
    };
    for (const Case& c : cases) {
        ChinaParInput in = exampleProfile(kMan, 50);
        c.change(in);
        const ChinaParResult r = chinaParRisk(in);
        EXPECT_FALSE(r.riskPercent) << c.what;
        EXPECT_EQ(r.band, RiskBand::NotAssessable) << c.what;
        EXPECT_EQ(r.missing, c.missing) << c.what;
    }
    EXPECT_TRUE(chinaParRisk(exampleProfile(kMan, 35)).riskPercent);
    EXPECT_TRUE(chinaParRisk(exampleProfile(kMan, 74)).riskPercent);
}

TEST(ChinaPar, ReductionsListWhatLowersTheRiskMostFirst)
{
    // A man of 55 at 160 mmHg, TC 6.5, HDL 0.9, waist 95, smoking: 16.4 %.
    ChinaParInput in = exampleProfile(kMan, 55);
    in.systolic = 160;
    in.totalCholesterol = 6.5;
    in.hdl = 0.9;
    in.waist = 95;
    in.currentSmoker = true;
    in.diabetes = false;
    EXPECT_NEAR(*chinaParRisk(in).riskPercent, 16.4, 0.1);
    const std::vector<RiskReduction> r = chinaParReductions(in);
    // A smaller waist raises the men's figure and is left out.
    ASSERT_EQ(r.size(), 4u);
    const std::pair<const char*, double> expected[] = {
        {"收缩压", 6.9}, {"吸烟", 13.8}, {"总胆固醇", 14.5}, {"高密度脂蛋白胆固醇", 15.4}};
    for (size_t i = 0; i < r.size(); ++i) {
        EXPECT_EQ(r[i].item, QString::fromUtf8(expected[i].first)) << i;
        EXPECT_NEAR(r[i].riskPercent, expected[i].second, 0.1) << i;
    }
    EXPECT_EQ(r[0].target, QStringLiteral("120 mmHg"));

    // Nothing to lower at healthy values, nothing at all without a figure.
    ChinaParInput healthy = exampleProfile(kWoman, 50);
    healthy.systolic = 118;
    healthy.totalCholesterol = 4.8;
    healthy.hdl = 1.4;
    healthy.waist = 75;
    EXPECT_TRUE(chinaParRisk(healthy).riskPercent);
    EXPECT_TRUE(chinaParReductions(healthy).empty());
    in.age = 80;
    EXPECT_TRUE(chinaParReductions(in).empty());
}

TEST(DiabetesScore, PublishedVectorsAndBandEdges)
{
    struct Case
    {
        QString sex;
        double age, bmi, waist, sbp;
        bool family;
        int expected;
    };
    const Case cases[] = {
        // the vectors
        {kWoman, 45, 24, 80, 120, false, 25},
        {kMan, 52, 25, 88, 135, true, 37},
        {kWoman, 30, 21.5, 68, 105, false, 4},
        {kMan, 70, 31, 96, 165, true, 51},
        // every age band at its lower edge (woman, BMI 21, waist 60, SBP 100)
        {kWoman, 20, 21, 60, 100, false, 0},
        {kWoman, 24, 21, 60, 100, false, 0},
        {kWoman, 25, 21, 60, 100, false, 4},
        {kWoman, 35, 21, 60, 100, false, 8},
        {kWoman, 40, 21, 60, 100, false, 11},
        {kWoman, 45, 21, 60, 100, false, 12},
        {kWoman, 50, 21, 60, 100, false, 13},
        {kWoman, 55, 21, 60, 100, false, 15},
        {kWoman, 60, 21, 60, 100, false, 16},
        {kWoman, 65, 21, 60, 100, false, 18},
        {kWoman, 74, 21, 60, 100, false, 18},
        // BMI edges (age 20, so only the item counts)
        {kWoman, 20, 21.9, 60, 100, false, 0},
        {kWoman, 20, 22, 60, 100, false, 1},
        {kWoman, 20, 23.9, 60, 100, false, 1},
        {kWoman, 20, 24, 60, 100, false, 3},
        {kWoman, 20, 29.9, 60, 100, false, 3},
        {kWoman, 20, 30, 60, 100, false, 5},
        // waist edges, women and men (men carry 2 points for sex)
        {kWoman, 20, 21, 69.9, 100, false, 0},
        {kWoman, 20, 21, 70, 100, false, 3},
        {kWoman, 20, 21, 75, 100, false, 5},
        {kWoman, 20, 21, 80, 100, false, 7},
        {kWoman, 20, 21, 85, 100, false, 8},
        {kWoman, 20, 21, 90, 100, false, 10},
        {kMan, 20, 21, 74.9, 100, false, 2},
        {kMan, 20, 21, 75, 100, false, 5},
        {kMan, 20, 21, 80, 100, false, 7},
        {kMan, 20, 21, 85, 100, false, 9},
        {kMan, 20, 21, 90, 100, false, 10},
        {kMan, 20, 21, 95, 100, false, 12},
        // systolic edges
        {kWoman, 20, 21, 60, 109, false, 0},
        {kWoman, 20, 21, 60, 110, false, 1},
        {kWoman, 20, 21, 60, 120, false, 3},
        {kWoman, 20, 21, 60, 130, false, 6},
        {kWoman, 20, 21, 60, 140, false, 7},
        {kWoman, 20, 21, 60, 150, false, 8},
        {kWoman, 20, 21, 60, 160, false, 10},
    };
    for (const Case& c : cases) {
        DiabetesScoreInput in;
        in.sex = c.sex;
        in.age = c.age;
        in.bmi = c.bmi;
        in.waist = c.waist;
        in.systolic = c.sbp;
        in.familyHistory = c.family;
        in.diabetes = false;
        const DiabetesScoreResult r = diabetesRiskScore(in);
        const std::string what = QStringLiteral("%1 %2 %3 %4 %5")
                                     .arg(c.sex)
                                     .arg(c.age)
                                     .arg(c.bmi)
                                     .arg(c.waist)
                                     .arg(c.sbp)
                                     .toStdString();
        ASSERT_TRUE(r.score) << what;
        EXPECT_EQ(*r.score, c.expected) << what;
        EXPECT_EQ(r.band, c.expected >= 25 ? DiabetesScoreBand::High : DiabetesScoreBand::Low)
            << what;
    }
}

TEST(DiabetesScore, DiabeticOrUnassessable)
{
    DiabetesScoreInput in;
    in.sex = kMan;
    in.age = 50;
    in.bmi = 25;
    in.waist = 88;
    in.systolic = 130;
    in.diabetes = true;
    DiabetesScoreResult r = diabetesRiskScore(in);
    EXPECT_EQ(r.band, DiabetesScoreBand::AlreadyDiabetic);
    EXPECT_FALSE(r.score);
    EXPECT_EQ(diabetesScoreBandText(r.band), QStringLiteral("已患糖尿病"));

    in.diabetes = false;
    in.age = 19;
    in.waist.reset();
    r = diabetesRiskScore(in);
    EXPECT_EQ(r.band, DiabetesScoreBand::NotAssessable);
    EXPECT_FALSE(r.score);
    EXPECT_EQ(r.missing,
              (QStringList{QStringLiteral("年龄（适用于20～74岁）"), QStringLiteral("腰围")}));

    in.age = 75;
    in.waist = 88;
    EXPECT_EQ(diabetesRiskScore(in).band, DiabetesScoreBand::NotAssessable);
    in.age = 74;
    in.diabetes.reset();
    EXPECT_EQ(diabetesRiskScore(in).missing, QStringList{QStringLiteral("是否患糖尿病")});
}
