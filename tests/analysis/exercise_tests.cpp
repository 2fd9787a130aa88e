#include "Fixtures.h"
#include "analysis/ExercisePrescription.h"

#include <gtest/gtest.h>

using namespace hra::analysis;
using namespace hra::analysis::test;

namespace {

// 65 kg for men of 31-50 up to 170 cm, 55 kg for women; 60 kg at 160 cm.
ReferenceTables weights()
{
    ReferenceTables ref;
    ref.weightsMen.heights = {160, 170, 180};
    ref.weightsMen.rows = {{30, {58, 63, 70}}, {50, {60, 65, 72}}, {100, {61, 66, 73}}};
    ref.weightsWomen.heights = {160, 170, 180};
    ref.weightsWomen.rows = {{50, {50, 55, 62}}, {100, {52, 57, 64}}};
    return ref;
}

ExamInput man(double age, double height, double weight, const char* sex = "男")
{
    ExamInput e;
    e.sex = q(sex);
    e.age = age;
    e.height = height;
    e.weight = weight;
    return e;
}

ExerciseInput walking()
{
    return {q("散步,一般家务,乘车")};
}

} // namespace

TEST(ExercisePrescription, WorkedExampleOfAWalkingMan)
{
    const ExercisePrescription p = prescribeExercise(man(40, 1.70, 80), walking(), weights());
    EXPECT_EQ(p.standardWeight, 65);
    EXPECT_EQ(p.energy, 227);
    EXPECT_EQ(s(p.amount), "227千卡左右");
    EXPECT_EQ(s(p.kind), "羽毛球、跳舞、重的家务活等同等强度的运动方式。");
    EXPECT_EQ(s(p.intensity), "有效心率：108-126次/分");
    EXPECT_EQ(s(p.minutes), "　建议您的运动（或同等强度）类型和时间为：\n"
                            "　散步：124分钟\n"
                            "　健身操/跳舞/打桌球：45分钟\n"
                            "　慢跑：20分钟\n"
                            "　自行车：74分钟\n"
                            "　爬楼梯：28分钟\n"
                            "　插花：119分钟\n"
                            "　有氧运动：54分钟\n"
                            "　打网球：38分钟");
}

TEST(ExercisePrescription, AtTheStandardWeightIsUnderweight)
{
    const ExercisePrescription p = prescribeExercise(man(40, 1.70, 65), walking(), weights());
    EXPECT_EQ(s(p.amount), "您的体重偏瘦!");
    EXPECT_EQ(s(p.minutes), "　　请您增加膳食营养，结合自身体质情况选择适当的运\n\r　动时间！");
    EXPECT_EQ(s(p.kind), "请增加膳食营养，结合体力选择适当的运动方式。");
    EXPECT_EQ(s(p.intensity), "有效心率：108-126次/分");
}

TEST(ExercisePrescription, KindOfExerciseByEnergyBand)
{
    // No activity and age 17 (K = 1.0): E = trunc(1.1 x excess over 63 kg).
    struct Case
    {
        double weight;
        qint64 energy;
        const char* kind; // nullptr: NULL
    };
    const Case cases[] = {
        {63.5, 0, nullptr}, // 0.55 kcal
        {64, 1, "驾驶、打字、玩牌等同等强度的运动方式。"},
        {153, 99, "驾驶、打字、玩牌等同等强度的运动方式。"},
        {153.91, 100, "散步、打扫房间、打高尔夫等同等强度的运动方式。"},
        {244.82, 200, "羽毛球、跳舞、重的家务活等同等强度的运动方式。"},
        {335.73, 300, "羽毛球、跳舞、重的家务活等同等强度的运动方式。"},
        {336.64, 301, "爬山、足球、爬山等同等强度的运动方式。"},
    };
    for (const Case& c : cases) {
        const ExercisePrescription p =
            prescribeExercise(man(17, 1.70, c.weight), {std::nullopt}, weights());
        EXPECT_EQ(p.energy, c.energy) << c.weight;
        EXPECT_EQ(s(p.kind), s(opt(c.kind))) << c.weight;
    }
}

TEST(ExercisePrescription, HeartRateAndCoefficientByAgeAndSex)
{
    EXPECT_EQ(s(prescribeExercise(man(40, 1.70, 60, "女"), walking(), weights()).intensity),
              "有效心率：114-133次/分");
    EXPECT_EQ(s(prescribeExercise(man(40, 1.70, 60), walking(), weights()).intensity),
              "有效心率：108-126次/分");

    struct Case
    {
        double age;
        const char* sex;
        double k;
    };
    const Case cases[] = {{17, "男", 1.0},  {18, "男", 15.2}, {30, "男", 15.2},  {31, "男", 11.5},
                          {60, "男", 11.5}, {61, "男", 13.4}, {100, "男", 13.4}, {101, "男", 1.0},
                          {18, "女", 14.6}, {45, "女", 8.6},  {70, "女", 10.4},  {101, "女", 1.0}};
    for (const Case& c : cases) {
        // 10 kg over the table's weight at 170 cm, no activity: E = trunc(1.1 x K x 10).
        ReferenceTables flat;
        flat.weightsMen = {{170}, {{200, {60}}}};
        flat.weightsWomen = flat.weightsMen;
        const ExercisePrescription p =
            prescribeExercise(man(c.age, 1.70, 70, c.sex), {std::nullopt}, flat);
        EXPECT_EQ(p.energy, qint64(11 * c.k + 1e-9)) << c.age << c.sex;
    }
}

TEST(ExercisePrescription, StandardWeightLookupEdges)
{
    // 1.70 m is exactly the 170 column, not the next one up.
    EXPECT_EQ(prescribeExercise(man(40, 1.70, 80), walking(), weights()).standardWeight, 65);
    EXPECT_EQ(prescribeExercise(man(40, 1.71, 80), walking(), weights()).standardWeight, 72);
    // Taller than the last column: no standard weight, the whole weight counts.
    const ExercisePrescription tall =
        prescribeExercise(man(40, 1.85, 80), {std::nullopt}, weights());
    EXPECT_EQ(tall.standardWeight, 0);
    EXPECT_EQ(tall.energy, 1012); // 1011.9999999999999 in binary
    // Nothing measured: age 0, height 0, weight 0 -> underweight texts.
    ExamInput nothing;
    nothing.sex = q("女");
    const ExercisePrescription p = prescribeExercise(nothing, {std::nullopt}, weights());
    EXPECT_EQ(s(p.amount), "您的体重偏瘦!");
    EXPECT_EQ(s(p.intensity), "有效心率：138-161次/分");
}

TEST(ExercisePrescription, SexWithoutTableIsAnError)
{
    for (const char* sex : std::initializer_list<const char*>{"未知", "", nullptr}) {
        ExamInput e = man(40, 1.70, 80);
        e.sex = opt(sex);
        EXPECT_THROW(prescribeExercise(e, walking(), weights()), AnalysisError) << s(opt(sex));
    }
}
