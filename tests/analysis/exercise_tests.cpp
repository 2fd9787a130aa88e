#include "Fixtures.h"
#include "analysis/ExercisePrescription.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

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

const char* const kKeepWeight = "每周150～300分钟中等强度运动";

TEST(ExercisePrescription, WorkedExampleOfAWalkingMan)
{
    const ExercisePrescription p = prescribeExercise(man(40, 1.70, 80), walking(), weights());
    EXPECT_EQ(p.standardWeight, 65);
    EXPECT_EQ(p.energy, 227);
    EXPECT_EQ(p.dailyEnergy, 227);
    EXPECT_FALSE(p.doctorFirst);
    EXPECT_EQ(s(p.amount), "227千卡左右");
    EXPECT_EQ(s(p.kind), "羽毛球、跳舞、重的家务活等同等强度的运动方式。");
    EXPECT_EQ(s(p.intensity), "有效心率：108-126次/分");
    // Minutes per activity are capped at an hour a day (walking would be 124).
    EXPECT_EQ(s(p.minutes), "　建议您每天任选一项运动（或同等强度），时间为：\n"
                            "　散步：60分钟\n"
                            "　健身操/跳舞/打桌球：45分钟\n"
                            "　慢跑：20分钟\n"
                            "　自行车：60分钟\n"
                            "　爬楼梯：28分钟\n"
                            "　有氧运动：54分钟\n"
                            "　打网球：38分钟");
}

TEST(ExercisePrescription, UnderweightAdviceOnlyBelowABodyMassIndexOf18_5)
{
    struct Case
    {
        const char* name;
        double weight;
        std::optional<double> bmi; // stored index; empty: from height and weight
        const char* amount;
    };
    const Case cases[] = {
        // At the table's standard weight (65 kg) with a normal index.
        {"standard weight, index 22.49", 65, std::nullopt, kKeepWeight},
        {"index 18.5 exactly", 65, 18.5, kKeepWeight},
        {"index 18.49", 65, 18.49, "您的体重偏瘦!"},
        // Over the table's weight but thin by the index: the index decides.
        {"over the table, index 18.4", 70, 18.4, "您的体重偏瘦!"},
        {"over the table, index 24.22", 70, std::nullopt, "75千卡左右"},
    };
    for (const Case& c : cases) {
        ExamInput e = man(40, 1.70, c.weight);
        e.bmi = c.bmi;
        const ExercisePrescription p = prescribeExercise(e, walking(), weights());
        EXPECT_EQ(s(p.amount), c.amount) << c.name;
    }
    ExamInput thin = man(40, 1.70, 50);
    const ExercisePrescription p = prescribeExercise(thin, walking(), weights());
    // One line that does not break a word.
    EXPECT_EQ(s(p.minutes), "　　请您增加膳食营养，结合自身体质情况选择适当的运动时间！");
    EXPECT_EQ(s(p.kind), "请增加膳食营养，结合体力选择适当的运动方式。");
    EXPECT_EQ(s(p.intensity), "有效心率：108-126次/分");

    const ExercisePrescription keep = prescribeExercise(man(70, 1.70, 60), walking(), weights());
    EXPECT_EQ(s(keep.amount), kKeepWeight);
    EXPECT_EQ(s(keep.kind), "快走、骑自行车、游泳、太极拳等中等强度的运动方式。");
    EXPECT_EQ(s(keep.minutes), "　建议您每周进行150～300分钟中等强度的身体活动，"
                               "如每周5～7天、每天30～60分钟；\n"
                               "　每周2～3天做肌肉力量练习。\n"
                               "　并做平衡和柔韧练习，预防跌倒。");
}

TEST(ExercisePrescription, KindOfExerciseByEnergyBand)
{
    // No activity and age 17 (K = 1.0): E = trunc(1.1 x excess over 63 kg).
    struct Case
    {
        double weight;
        qint64 energy;
        qint64 daily; // the basic amount is no energy prescription: none
        const char* kind;
        const char* amount;
    };
    const Case cases[] = {
        {63.5, 0, 0, "快走、骑自行车、游泳、太极拳等中等强度的运动方式。", kKeepWeight},
        // Below 55 kcal walking would take less than the basic half hour a
        // day (and E of 1 printed "散步：0分钟"): the basic amount instead.
        {64, 1, 0, "快走、骑自行车、游泳、太极拳等中等强度的运动方式。", kKeepWeight},
        {112.9, 54, 0, "快走、骑自行车、游泳、太极拳等中等强度的运动方式。", kKeepWeight},
        {113, 55, 55, "散步、做家务、做操等同等强度的运动方式。", "55千卡左右"},
        {153, 99, 99, "散步、做家务、做操等同等强度的运动方式。", "99千卡左右"},
        {153.91, 100, 100, "散步、打扫房间、打高尔夫等同等强度的运动方式。", "100千卡左右"},
        {244.82, 200, 200, "羽毛球、跳舞、重的家务活等同等强度的运动方式。", "200千卡左右"},
        {335.73, 300, 300, "羽毛球、跳舞、重的家务活等同等强度的运动方式。", "300千卡左右"},
        {336.64, 301, 300, "爬山、游泳、足球等同等强度的运动方式。", "300千卡左右"},
    };
    for (const Case& c : cases) {
        const ExercisePrescription p =
            prescribeExercise(man(17, 1.70, c.weight), {std::nullopt}, weights());
        EXPECT_EQ(p.energy, c.energy) << c.weight;
        EXPECT_EQ(p.dailyEnergy, c.daily) << c.weight;
        EXPECT_EQ(s(p.kind), c.kind) << c.weight;
        EXPECT_EQ(s(p.amount), c.amount) << c.weight;
    }
}

TEST(ExercisePrescription, DailyAmountIsCappedAndNoVigorousSportFrom65)
{
    // The frail hypertensive's weight without his diseases: E = 1149 kcal.
    const ExercisePrescription young = prescribeExercise(man(64, 1.70, 130), walking(), weights());
    EXPECT_GT(young.energy, 1000);
    EXPECT_EQ(young.dailyEnergy, 300);
    EXPECT_EQ(s(young.minutes), "　建议您每天任选一项运动（或同等强度），时间为：\n"
                                "　其余的能量缺口请通过控制饮食来弥补。\n"
                                "　散步：60分钟\n"
                                "　健身操/跳舞/打桌球：60分钟\n"
                                "　慢跑：27分钟\n"
                                "　自行车：60分钟\n"
                                "　爬楼梯：37分钟\n"
                                "　有氧运动：60分钟\n"
                                "　打网球：51分钟");
    EXPECT_EQ(s(young.kind), "爬山、游泳、足球等同等强度的运动方式。");

    const ExercisePrescription old = prescribeExercise(man(65, 1.70, 130), walking(), weights());
    EXPECT_EQ(old.dailyEnergy, 300);
    EXPECT_EQ(s(old.amount), "300千卡左右");
    EXPECT_EQ(s(old.kind), "快走、游泳、太极拳等同等强度的运动方式。");
    EXPECT_EQ(s(old.minutes), "　建议您每天任选一项运动（或同等强度），时间为：\n"
                              "　其余的能量缺口请通过控制饮食来弥补。\n"
                              "　散步：60分钟\n"
                              "　健身操/跳舞/打桌球：60分钟\n"
                              "　自行车：60分钟\n"
                              "　有氧运动：60分钟");
}

TEST(ExercisePrescription, HeartAndBrainDiseaseOrGrade3PressureLeaveItToTheDoctor)
{
    struct Case
    {
        const char* name;
        std::optional<QString> StatusInput::*box;
        const char* ticked;
        double systolic;
        double diastolic;
        bool doctorFirst;
    };
    const Case cases[] = {
        {"nothing", nullptr, nullptr, 179, 109, false},
        {"systolic 180", nullptr, nullptr, 180, 90, true},
        {"diastolic 110", nullptr, nullptr, 150, 110, true},
        {"coronary", &StatusInput::coronary, "冠心病", 120, 80, true},
        {"coronary unticked", &StatusInput::coronary, "0", 120, 80, false},
        {"cerebral haemorrhage", &StatusInput::cerebralHaemorrhage, "脑出血", 120, 80, true},
        {"cerebral thrombosis", &StatusInput::cerebralThrombosis, "脑血栓", 120, 80, true},
        {"other heart disease", &StatusInput::otherHeartDisease, "其他心脏病", 120, 80, true},
        {"hypertensive heart", &StatusInput::hypertensiveHeartDisease, "高血压性心脏病", 120, 80,
         true},
        {"congenital heart", &StatusInput::congenitalHeartDisease, "先天性心脏病", 120, 80, true},
        {"pulmonary heart", &StatusInput::pulmonaryHeartDisease, "肺心病", 120, 80, true},
        {"diabetes alone", &StatusInput::type2Diabetes, "2型糖尿病", 120, 80, false},
    };
    for (const Case& c : cases) {
        ExamInput e = man(78, 1.70, 130);
        e.systolic = c.systolic;
        e.diastolic = c.diastolic;
        StatusInput status;
        if (c.box)
            status.*c.box = q(c.ticked);
        const ExercisePrescription p = prescribeExercise(e, walking(), weights(), status);
        EXPECT_EQ(p.doctorFirst, c.doctorFirst) << c.name;
        EXPECT_EQ(exerciseNeedsDoctor(e, status), c.doctorFirst) << c.name;
        if (!c.doctorFirst)
            continue;
        EXPECT_EQ(s(p.amount), "请先到医院评估运动风险") << c.name;
        EXPECT_EQ(s(p.kind), "在医生指导下制定运动处方。");
        EXPECT_EQ(s(p.intensity), "在医生指导下确定");
        EXPECT_EQ(s(p.minutes), "　请先到医院评估运动风险，在医生指导下制定运动处方。\n"
                                "　运动中如出现胸闷、胸痛、头晕、心慌、明显气短等不适，"
                                "应立即停止运动并就医。");
        EXPECT_EQ(p.dailyEnergy, 0);
    }
}

TEST(ExercisePrescription, AdviceOnExerciseWaitsForTheDoctor)
{
    const QString first =
        QStringLiteral("运动前请先到医院评估运动风险，运动的方式和强度请在医生指导下确定。");
    const QString exercise = QStringLiteral("请控制总能量摄入，每周至少150分钟中等强度运动。");
    EXPECT_EQ(adviceForDoctorFirst(exercise), exercise + first);
    EXPECT_EQ(adviceForDoctorFirst(exercise + first), exercise + first); // said once
    EXPECT_EQ(adviceForDoctorFirst(QStringLiteral("请戒烟。")), QStringLiteral("请戒烟。"));
    EXPECT_EQ(adviceForDoctorFirst(QString()), QString());
}

TEST(ExercisePrescription, IntroAndFrequencySayWhatKindOfPrescriptionItIs)
{
    const char* const kTailored =
        "　　根据您的身高、体重、年龄和目前的运动习惯，我们为您量身制定了下面"
        "的运动处方。请在身体条件允许的前提下，循序渐进地执行，并长期坚持。";
    const char* const kUnanswered =
        "　　您未填写平时的运动方式，下面的运动处方按您的身高、体重和年龄"
        "制定，按平时不运动计算。请在身体条件允许的前提下，循序渐进地"
        "执行，并长期坚持。";
    const char* const kByTable =
        "每周运动5～7天，每天按上表的时间运动，可一次完成，也可分几次完成。";
    const char* const kDoctor = "，运动前需要由医生评估风险，本页不给出运动量。请先到医院评估运动"
                                "风险，在医生指导下制定运动处方，并遵守下面的注意事项。";
    struct Case
    {
        const char* name;
        double weight;
        ExerciseInput exercise;
        std::vector<std::pair<std::optional<QString> StatusInput::*, const char*>> ticked;
        double systolic;
        double diastolic;
        std::string intro;
        const char* frequency;
    };
    const Case cases[] = {
        {"overweight walker", 80, walking(), {}, 120, 80, kTailored, kByTable},
        {"overweight, exercise unanswered", 80, {std::nullopt}, {}, 120, 80, kUnanswered, kByTable},
        {"exercise answered blank", 80, {q("  ")}, {}, 120, 80, kUnanswered, kByTable},
        {"normal weight",
         60,
         walking(),
         {},
         120,
         80,
         kTailored,
         "每周运动5～7天，每天30～60分钟，可一次完成，也可分几次完成。"},
        {"underweight",
         50,
         walking(),
         {},
         120,
         80,
         "　　您的体重指数低于18.5，属于体重过低，不宜以消耗能量为目的运动。请先增加膳食营养，"
         "再结合自身体力适量运动，增强体质。",
         "量力而行，循序渐进；每周至少2天做肌肉力量练习。"},
        {"coronary",
         80,
         walking(),
         {{&StatusInput::coronary, "冠心病"}},
         120,
         80,
         std::string("　　您患有冠心病") + kDoctor,
         "在医生指导下确定"},
        {"grade 3 pressure",
         80,
         walking(),
         {},
         220,
         130,
         std::string("　　您的血压为220/130mmHg，已达3级高血压") + kDoctor,
         "在医生指导下确定"},
        {"three diseases and grade 3",
         80,
         {std::nullopt},
         {{&StatusInput::coronary, "冠心病"},
          {&StatusInput::cerebralHaemorrhage, "脑出血"},
          {&StatusInput::pulmonaryHeartDisease, "肺心病"}},
         180,
         90,
         std::string("　　您患有冠心病、脑出血等，您的血压为180/90mmHg，已达3级高血压") + kDoctor,
         "在医生指导下确定"},
    };
    for (const Case& c : cases) {
        ExamInput e = man(40, 1.70, c.weight);
        e.systolic = c.systolic;
        e.diastolic = c.diastolic;
        StatusInput status;
        for (const auto& [box, caption] : c.ticked)
            status.*box = q(caption);
        const ExercisePrescription p = prescribeExercise(e, c.exercise, weights(), status);
        EXPECT_EQ(p.intro.toStdString(), c.intro) << c.name;
        EXPECT_EQ(p.frequency.toStdString(), c.frequency) << c.name;
        // The advice page agrees: no heart rate and no weekly amount where a
        // doctor decides.
        const std::string intensity = p.intensityAdvice.toStdString();
        const std::string weekly = p.frequencyAdvice.toStdString();
        if (p.doctorFirst) {
            EXPECT_EQ(intensity, "　　您需要先到医院评估运动风险，运动的方式和强度请在医生指导下"
                                 "确定（见第九部分“运动指导”）。医生评估之前，请不要自行进行"
                                 "中等及以上强度的运动。")
                << c.name;
            EXPECT_EQ(weekly, "　　运动的次数和时间请在医生指导下确定。日常生活中仍应减少久坐，"
                              "每坐1小时起身活动几分钟。")
                << c.name;
        } else {
            EXPECT_TRUE(intensity.ends_with("您的有氧运动有效心率：108-126次/分")) << c.name;
            EXPECT_TRUE(weekly.starts_with("　　每周至少运动5天")) << c.name;
        }
    }
    // From 65 the advice names no vigorous activity.
    const ExercisePrescription old = prescribeExercise(man(70, 1.70, 80), walking(), weights());
    EXPECT_EQ(old.intensityAdvice.toStdString(),
              "　　运动强度以中等强度的有氧运动为主，如快走、骑自行车、游泳、太极拳、跳舞等。运动时"
              "心跳和呼吸加快、微微出汗，但仍能正常说话；可在运动中数一数脉搏，检查运动强度是否合"
              "适。您的有氧运动有效心率：90-105次/分");
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
    // Nothing measured: no index, no excess -> no verdict on the weight.
    ExamInput nothing;
    nothing.sex = q("女");
    const ExercisePrescription p = prescribeExercise(nothing, {std::nullopt}, weights());
    EXPECT_EQ(s(p.amount), kKeepWeight);
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

TEST(ExercisePrescription, EveryTextFitsItsResultColumn)
{
    // jkpg_ydcf holds 20, 50, 200 and 50 characters.
    StatusInput coronary;
    coronary.coronary = q("冠心病");
    const ExercisePrescription all[] = {
        prescribeExercise(man(64, 1.70, 130), walking(), weights()),
        prescribeExercise(man(70, 1.70, 130), walking(), weights()),
        prescribeExercise(man(70, 1.70, 60), walking(), weights()),
        prescribeExercise(man(40, 1.70, 50), walking(), weights()),
        prescribeExercise(man(78, 1.70, 130), walking(), weights(), coronary),
    };
    for (const ExercisePrescription& p : all) {
        EXPECT_LE(p.amount.value_or(QString()).size(), 20) << s(p.amount);
        EXPECT_LE(p.kind.value_or(QString()).size(), 50) << s(p.kind);
        EXPECT_LE(p.minutes.value_or(QString()).size(), 200) << s(p.minutes);
        EXPECT_LE(p.intensity.value_or(QString()).size(), 50) << s(p.intensity);
    }
}
