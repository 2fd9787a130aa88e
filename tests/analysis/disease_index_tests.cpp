#include "Fixtures.h"
#include "analysis/DiseaseIndices.h"

#include <functional>
#include <gtest/gtest.h>

using namespace hra::analysis;
using namespace hra::analysis::test;

namespace {

ReferenceTables scoreTables()
{
    ReferenceTables ref;
    ref.bands[int(BandTable::AgeCoronary)] = {{50, 2, 1}};
    ref.bands[int(BandTable::AgeStroke)] = {{50, 3, 1.5}};
    ref.bands[int(BandTable::AgeDiabetes)] = {{50, 4, 2}};
    ref.bands[int(BandTable::SystolicCoronary)] = {{119, 0, 0}, {139, 0.5, 0.4}, {800, 1, 0.8}};
    ref.bands[int(BandTable::DiastolicCoronary)] = {{79, 0, 0}, {800, 0.4, 0.3}};
    ref.bands[int(BandTable::CholesterolCoronary)] = {
        {4, 0, 0}, {5, 0.2, 0.1}, {6, 0.6, 0.5}, {7, 1, 0.9}};
    // The first band is worth something, so a missing value is visible.
    ref.bands[int(BandTable::BmiCoronary)] = {{18.49, 0.2, 0.2}, {23.99, 0, 0}, {999, 0.3, 0.3}};
    ref.bands[int(BandTable::BmiDiabetes)] = {{23.99, 0, 0}, {999, 1, 1.2}};
    ref.prepare();
    return ref;
}

// A risk-free 40-year-old man: every term of every index is 0.
DiseaseInputs riskFree()
{
    DiseaseInputs in;
    in.exam.sex = q("男");
    in.exam.age = 40;
    in.exam.systolic = 110;
    in.exam.diastolic = 70;
    in.exam.totalCholesterol = 4.2;
    in.exam.triglycerides = 1.2;
    in.exam.bmi = 21;
    in.status.type2Diabetes = q("0");
    in.status.coronary = q("0");
    in.status.cerebralHaemorrhage = q("0");
    return in;
}

struct Case
{
    const char* name;
    std::function<void(DiseaseInputs&)> change;
    double expectedR;
};

void expectRiskSums(Disease disease, const std::vector<Case>& cases)
{
    const ReferenceTables ref = scoreTables();
    for (const Case& c : cases) {
        DiseaseInputs in = riskFree();
        c.change(in);
        const DiseaseIndex i = diseaseIndex(disease, in, ref);
        EXPECT_NEAR(i.riskSum, c.expectedR, 1e-12) << c.name;
        EXPECT_NEAR(i.index, (c.expectedR + 1) * i.peer, 1e-12) << c.name;
    }
}

} // namespace

TEST(DiseaseIndices, RiskFreePersonHasThePeerIndex)
{
    const ReferenceTables ref = scoreTables();
    for (Disease d : {Disease::Coronary, Disease::Stroke}) {
        const DiseaseIndex i = diseaseIndex(d, riskFree(), ref);
        EXPECT_GT(i.peer, 0);
        EXPECT_EQ(i.index, i.peer);
    }
}

TEST(DiseaseIndices, CoronaryTerms)
{
    expectRiskSums(
        Disease::Coronary,
        {
            {"TG 1.7", [](auto& in) { in.exam.triglycerides = 1.7; }, 0},
            {"TG 1.9", [](auto& in) { in.exam.triglycerides = 1.9; }, 0.26},
            {"TG 2.1", [](auto& in) { in.exam.triglycerides = 2.1; }, 0.52},
            {"TG missing", [](auto& in) { in.exam.triglycerides.reset(); }, 0},
            {"TC 5.5 as 6", [](auto& in) { in.exam.totalCholesterol = 5.5; }, 0.6},
            {"TC 6.5 as 6", [](auto& in) { in.exam.totalCholesterol = 6.5; }, 0.6},
            {"TC 4.5 as 4", [](auto& in) { in.exam.totalCholesterol = 4.5; }, 0},
            {"TC 5.49 as 5", [](auto& in) { in.exam.totalCholesterol = 5.49; }, 0.2},
            {"TC 7.5 as 8: beyond the table", [](auto& in) { in.exam.totalCholesterol = 7.5; }, 0},
            {"BMI missing takes the first band", [](auto& in) { in.exam.bmi.reset(); }, 0.2},
            {"SBP 139 / DBP 80",
             [](auto& in) {
                 in.exam.systolic = 139;
                 in.exam.diastolic = 80;
             },
             0.9},
            {"SBP missing is looked up as 0", [](auto& in) { in.exam.systolic.reset(); }, 0},
            {"type 2 diabetes", [](auto& in) { in.status.type2Diabetes = q("2型糖尿病"); }, 3},
            {"smokes 20+",
             [](auto& in) {
                 in.lifestyle.smokes = q("是");
                 in.lifestyle.cigarettes = q("20支以上");
             },
             7.25},
            {"smokes 11-20",
             [](auto& in) {
                 in.lifestyle.smokes = q("是");
                 in.lifestyle.cigarettes = q("11-20支");
             },
             1.43},
            {"smokes, count missing", [](auto& in) { in.lifestyle.smokes = q("是"); }, 1.43},
            {"occasional",
             [](auto& in) {
                 in.lifestyle.smokes = q("偶吸");
                 in.lifestyle.cigarettes = q("20支以上");
             },
             1.43},
            {"quit", [](auto& in) { in.lifestyle.smokes = q("已戒"); }, 1.43},
            {"no",
             [](auto& in) {
                 in.lifestyle.smokes = q("否");
                 in.lifestyle.cigarettes = q("20支以上");
             },
             0},
        });
}

TEST(DiseaseIndices, StrokeTerms)
{
    expectRiskSums(
        Disease::Stroke,
        {
            {"120/80",
             [](auto& in) {
                 in.exam.systolic = 120;
                 in.exam.diastolic = 80;
             },
             0},
            {"140/90",
             [](auto& in) {
                 in.exam.systolic = 140;
                 in.exam.diastolic = 90;
             },
             1.53},
            {"pressures missing",
             [](auto& in) {
                 in.exam.systolic.reset();
                 in.exam.diastolic.reset();
             },
             0},
            {"coronary", [](auto& in) { in.status.coronary = q("冠心病"); }, 2},
            {"diabetes", [](auto& in) { in.status.type2Diabetes = q("2型糖尿病"); }, 2.7},
            {"haemorrhage", [](auto& in) { in.status.cerebralHaemorrhage = q("脑出血"); }, 13},
            {"smokes", [](auto& in) { in.lifestyle.smokes = q("是"); }, 2.3},
            {"occasional smoker", [](auto& in) { in.lifestyle.smokes = q("偶吸"); }, 0},
            {"quit smoking", [](auto& in) { in.lifestyle.smokes = q("已戒"); }, 0},
            {"drinks 60",
             [](auto& in) {
                 in.lifestyle.drinks = q("是");
                 in.lifestyle.dailyDrink = q("60");
             },
             0},
            {"drinks 61",
             [](auto& in) {
                 in.lifestyle.drinks = q("是");
                 in.lifestyle.dailyDrink = q("61");
             },
             0.67},
            {"drinks 61 with blanks",
             [](auto& in) {
                 in.lifestyle.drinks = q("是");
                 in.lifestyle.dailyDrink = q(" 61 ");
             },
             0.67},
            {"amount not a number",
             [](auto& in) {
                 in.lifestyle.drinks = q("是");
                 in.lifestyle.dailyDrink = q("半斤");
             },
             0},
            {"amount blank",
             [](auto& in) {
                 in.lifestyle.drinks = q("是");
                 in.lifestyle.dailyDrink = q("  ");
             },
             0},
            {"non-drinker 500",
             [](auto& in) {
                 in.lifestyle.drinks = q("否");
                 in.lifestyle.dailyDrink = q("500");
             },
             0},
            {"seldom 500",
             [](auto& in) {
                 in.lifestyle.drinks = q("很少");
                 in.lifestyle.dailyDrink = q("500");
             },
             0},
            {"family father", [](auto& in) { in.status.familyStroke = q("父"); }, 5},
            {"family typed", [](auto& in) { in.status.familyStroke = q("舅舅"); }, 5},
            {"family 0", [](auto& in) { in.status.familyStroke = q("0"); }, 0},
            {"family empty drop-down", [](auto& in) { in.status.familyStroke = q(""); }, 0},
        });
}

TEST(DiseaseIndices, DiabetesTerms)
{
    expectRiskSums(Disease::Diabetes,
                   {
                       {"nothing known", [](auto&) {}, 0},
                       {"worker", [](auto& in) { in.exam.occupation = q("工人"); }, -0.77},
                       {"farmer", [](auto& in) { in.exam.occupation = q("农民"); }, -0.77},
                       {"manual work", [](auto& in) { in.exam.occupation = q("体力劳动"); }, -0.77},
                       {"teacher", [](auto& in) { in.exam.occupation = q("教师"); }, 2.18},
                       {"occupation blank", [](auto& in) { in.exam.occupation = q(" "); }, 0},
                       {"family", [](auto& in) { in.status.familyType2Diabetes = q("母"); }, 6.3},
                       {"family 0", [](auto& in) { in.status.familyType2Diabetes = q("0"); }, 0},
                       {"BMI 24", [](auto& in) { in.exam.bmi = 24; }, 1},
                       {"smokes", [](auto& in) { in.lifestyle.smokes = q("是"); }, 1.68},
                       {"quit", [](auto& in) { in.lifestyle.smokes = q("已戒"); }, -0.37},
                       {"no", [](auto& in) { in.lifestyle.smokes = q("否"); }, -0.37},
                   });
}

TEST(DiseaseIndices, ManualWorkerFallsBelowThePeer)
{
    DiseaseInputs in = riskFree();
    in.exam.occupation = q("工人");
    in.lifestyle.smokes = q("否");
    const DiseaseIndex i = diabetesIndex(in, scoreTables());
    EXPECT_NEAR(i.riskSum, -1.14, 1e-12);
    EXPECT_NEAR(i.index, -0.14 * 4, 1e-12);
}

TEST(DiseaseIndices, QuitSmokerAcrossTheThreeIndices)
{
    DiseaseInputs in = riskFree();
    in.lifestyle.smokes = q("已戒");
    const ReferenceTables ref = scoreTables();
    EXPECT_NEAR(coronaryIndex(in, ref).riskSum, 1.43, 1e-12);
    EXPECT_NEAR(strokeIndex(in, ref).riskSum, 0, 1e-12);
    EXPECT_NEAR(diabetesIndex(in, ref).riskSum, -0.37, 1e-12);
}

TEST(DiseaseIndices, NoPeerFactorGivesZeroRows)
{
    const ReferenceTables ref = scoreTables();
    DiseaseInputs old = riskFree();
    old.exam.age = 51; // beyond the last age band
    old.lifestyle.smokes = q("是");
    DiseaseInputs noExam = riskFree();
    noExam.exam = ExamInput{}; // no examination row: no sex, no age
    for (const DiseaseInputs& in : {old, noExam})
        for (Disease d : {Disease::Coronary, Disease::Stroke, Disease::Diabetes}) {
            const DiseaseIndex i = diseaseIndex(d, in, ref);
            EXPECT_EQ(i.peer, 0);
            EXPECT_EQ(i.index, 0);
        }
    DiseaseInputs missingAge = riskFree();
    missingAge.exam.age.reset(); // the first age band applies
    EXPECT_EQ(coronaryIndex(missingAge, ref).peer, 2);
    DiseaseInputs woman = riskFree();
    woman.exam.sex = q("女");
    EXPECT_EQ(coronaryIndex(woman, ref).peer, 1);
}

TEST(DiseaseIndices, RoundHalfToEven)
{
    const std::pair<double, double> cases[] = {{5.5, 6},  {4.5, 4},  {6.5, 6}, {7.5, 8},
                                               {5.49, 5}, {5.51, 6}, {0, 0}};
    for (const auto& [value, rounded] : cases)
        EXPECT_EQ(roundHalfToEven(value), rounded) << value;
}
