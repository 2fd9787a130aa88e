#include "Fixtures.h"
#include "analysis/LabJudgement.h"
#include "analysis/PrintedValues.h"

#include <gtest/gtest.h>

using namespace hra::analysis;
using namespace hra::analysis::test;

namespace {

enum
{
    Bmi,
    Systolic,
    Diastolic,
    Tc,
    Tg,
    Hdl,
    Ldl,
    Glucose,
    Tolerance,
    HbA1c,
    UricAcid,
    Waist
};

ReferenceTables ranges()
{
    ReferenceTables ref;
    ref.ranges = {
        {q("zongdgc"), bounds(2.84, 5.68, "mmol/L")},
        {q("gaomdzdb"), bounds(1.14, std::nullopt)},
        {q("dimdzdb"), bounds(std::nullopt, 3.1)},
        {q("xuens"), bounds(150, 420)},
        {q("yaow_nan"), bounds(0, 90)},
        {q("yaow_nv"), bounds(std::nullopt, 85)},
        {q("yaow"), bounds(0, 1)}, // must never be used for a man or a woman
        {q("kongfxt"), bounds(std::nullopt, std::nullopt)}, // a row without bounds
    };
    return ref;
}

struct Case
{
    const char* name;
    int index;
    std::optional<double> value;
    const char* mark;      // nullptr: NULL
    const char* indicator; // nullptr: NULL
};

ExamInput withValue(int index, std::optional<double> v, const char* sex = "男")
{
    ExamInput e;
    e.sex = q(sex);
    std::optional<double>* fields[] = {
        &e.bmi, &e.systolic, &e.diastolic,      &e.totalCholesterol, &e.triglycerides,
        &e.hdl, &e.ldl,      &e.fastingGlucose, &e.glucoseTolerance, &e.glycatedHaemoglobin};
    if (index == UricAcid)
        e.uricAcid = v ? std::optional<QString>(QString::number(*v)) : std::nullopt;
    else if (index == Waist)
        e.waist = v;
    else
        *fields[index] = v;
    return e;
}

} // namespace

TEST(LabJudgement, MarksAndIndicatorsAtTheBounds)
{
    const ReferenceTables ref = ranges();
    const Case cases[] = {
        {"TC at max", Tc, 5.68, "正常", ""},
        {"TC above", Tc, 5.69, "↑", "总胆固醇偏高"},
        {"TC below", Tc, 2.83, "↓", "总胆固醇偏低"},
        {"TC at min", Tc, 2.84, "正常", ""},
        {"HDL at min only", Hdl, 1.14, "正常", ""},
        {"HDL below min only", Hdl, 1.13, "↓", "高密度脂蛋白偏低"},
        {"LDL at max only", Ldl, 3.1, "正常", ""},
        {"LDL above max only", Ldl, 3.2, "↑", "低密度脂蛋白偏高"},
        {"uric acid high", UricAcid, 421, "↑", "血尿酸偏高"},
        {"glucose row without bounds", Glucose, 9, nullptr, nullptr},
        {"BMI without a row", Bmi, 30, nullptr, nullptr},
        {"TC not measured", Tc, std::nullopt, "未测", ""},
    };
    for (const Case& c : cases) {
        const ExamInput e = withValue(c.index, c.value);
        const LabMarks marks = judgeLabValues(e, ref);
        EXPECT_EQ(s(marks[c.index]), s(opt(c.mark))) << c.name;
        EXPECT_EQ(s(abnormalIndicators(e, marks, ref)[c.index]), s(opt(c.indicator))) << c.name;
    }
}

TEST(LabJudgement, WaistByTheSexRow)
{
    const ReferenceTables ref = ranges();
    struct WaistCase
    {
        const char* sex;
        double waist;
        const char* mark; // nullptr: NULL
    };
    const WaistCase cases[] = {
        {"男", 85, "不超标"},  {"男", 90, "不超标"}, {"男", 91, "↑"}, // both bounds
        {"女", 85, "正常"},    {"女", 86, "↑"},                       // only a maximum
        {"未知", 85, nullptr},                                        // no row named by the sex
    };
    for (const WaistCase& c : cases)
        EXPECT_EQ(s(judgeLabValues(withValue(Waist, c.waist, c.sex), ref)[Waist]), s(opt(c.mark)))
            << c.sex << c.waist;
}

TEST(LabJudgement, BodyMassIndexClassesAtTheirBounds)
{
    struct BmiCase
    {
        double bmi;
        WeightClass weightClass;
        const char* text;
    };
    const BmiCase cases[] = {
        {12.0, WeightClass::Underweight, "体重过低 ↓"},
        {18.4, WeightClass::Underweight, "体重过低 ↓"},
        {18.49, WeightClass::Underweight, "体重过低 ↓"},
        {18.5, WeightClass::Normal, "正常"},
        {23.9, WeightClass::Normal, "正常"},
        {23.99, WeightClass::Normal, "正常"},
        {24.0, WeightClass::Overweight, "超重 ↑"},
        {27.9, WeightClass::Overweight, "超重 ↑"},
        {27.99, WeightClass::Overweight, "超重 ↑"},
        {28.0, WeightClass::Obese, "肥胖 ↑"},
        {45.01, WeightClass::Obese, "肥胖 ↑"},
    };
    // The normal class is the range the judgement reads from the seeded row.
    ReferenceTables ref;
    ref.ranges = {{q("tizzs"), bounds(18.5, 23.99, "kg/m²")}};
    for (const BmiCase& c : cases) {
        EXPECT_EQ(weightClassOf(c.bmi), c.weightClass) << c.bmi;
        EXPECT_EQ(weightClassText(c.bmi).toStdString(), c.text) << c.bmi;
        const QString mark = *judgeLabValues(withValue(Bmi, c.bmi), ref)[Bmi];
        const QString expected = c.weightClass == WeightClass::Underweight ? q("↓")
                                 : c.weightClass == WeightClass::Normal    ? q("正常")
                                                                           : q("↑");
        EXPECT_EQ(mark, expected) << c.bmi;
    }
}

TEST(LabJudgement, NoExaminationRowIsTwelveTimesNotMeasured)
{
    const ReferenceTables ref = ranges();
    const LabMarks marks = judgeLabValues(ExamInput{}, ref);
    for (const auto& m : marks)
        EXPECT_EQ(s(m), "未测");
    for (const auto& v : abnormalIndicators(ExamInput{}, marks, ref))
        EXPECT_EQ(s(v), "");
}

TEST(LabJudgement, UricAcidTextThatIsNoNumberCountsAsNotMeasured)
{
    const ReferenceTables ref = ranges();
    for (const char* text : {"", "   ", "阴性", "350umol/L"}) {
        ExamInput e;
        e.uricAcid = q(text);
        const LabMarks marks = judgeLabValues(e, ref);
        EXPECT_EQ(s(marks[UricAcid]), "未测") << text;
        EXPECT_EQ(s(abnormalIndicators(e, marks, ref)[UricAcid]), "") << text;
    }
    ExamInput padded;
    padded.uricAcid = q(" 149 ");
    EXPECT_EQ(s(judgeLabValues(padded, ref)[UricAcid]), "↓");
}

TEST(LabJudgement, IndicatorsCarryTheirOwnLabels)
{
    ReferenceTables ref;
    ref.ranges = {{q("tizzs"), bounds(18.5, 24)},
                  {q("shousy"), bounds(90, 139)},
                  {q("shuzy"), bounds(60, 89)}};
    ExamInput e;
    e.bmi = 30;
    e.systolic = 80;
    e.diastolic = 95;
    const AbnormalIndicators v = abnormalIndicators(e, judgeLabValues(e, ref), ref);
    EXPECT_EQ(s(v[Bmi]), "体重指数偏高");
    EXPECT_EQ(s(v[Systolic]), "收缩压偏低");
    EXPECT_EQ(s(v[Diastolic]), "舒张压偏高");
}

TEST(LabJudgement, AbnormalListNamesEveryAbnormalValueAndNothingElse)
{
    ReferenceTables ref;
    ref.ranges = {{q("tizzs"), bounds(18.5, 23.99)},   {q("shousy"), bounds(90, 139)},
                  {q("shuzy"), bounds(60, 89)},        {q("zongdgc"), bounds(0, 5.19)},
                  {q("ganysz"), bounds(0, 1.69)},      {q("gaomdzdb"), bounds(1, std::nullopt)},
                  {q("dimdzdb"), bounds(0, 3.39)},     {q("kongfxt"), bounds(3.9, 6.09)},
                  {q("canhexsxt"), bounds(3.9, 7.79)}, {q("tanghxhdb"), bounds(4, 6.49)},
                  {q("xuens"), bounds(150, 420)},      {q("yaow_nan"), bounds(0, 89.99)},
                  {q("yaow_nv"), bounds(0, 84.99)}};
    // The frail hypertensive: everything at once, in the printed order.
    ExamInput all;
    all.sex = q("男");
    all.bmi = 45;
    all.systolic = 220;
    all.diastolic = 130;
    all.waist = 120;
    all.totalCholesterol = 5.8;
    all.triglycerides = 2.1;
    all.hdl = 0.9;
    all.ldl = 4.2;
    all.fastingGlucose = 7.4;
    all.glucoseTolerance = 8.2;
    all.glycatedHaemoglobin = 7.1;
    all.uricAcid = q("480");
    EXPECT_EQ(abnormalIndicatorList(all, ref).join(u'|'),
              q("体重指数偏高|收缩压偏高|舒张压偏高|腰围偏高|总胆固醇偏高|甘油三酯偏高|"
                "高密度脂蛋白偏低|低密度脂蛋白偏高|空腹血糖偏高|糖耐量偏高|糖化血红蛋白偏高|"
                "血尿酸偏高"));

    struct Case
    {
        const char* name;
        ExamInput exam;
        const char* text;
    };
    ExamInput atBounds;
    atBounds.sex = q("女");
    atBounds.bmi = 23.99;
    atBounds.systolic = 139;
    atBounds.diastolic = 89;
    atBounds.waist = 84.99;
    atBounds.hdl = 1;
    ExamInput justOver = atBounds;
    justOver.bmi = 24;
    justOver.waist = 85;
    justOver.hdl = 0.99;
    ExamInput low;
    low.bmi = 18.4;
    low.systolic = 89;
    ExamInput unknownSex;
    unknownSex.waist = 130; // no waist row for the sex: not judged
    const Case cases[] = {
        {"nothing measured", ExamInput{}, "未测"},
        {"all at their bounds", atBounds, "无"},
        {"just over", justOver, "体重指数偏高\n腰围偏高\n高密度脂蛋白偏低"},
        {"below", low, "体重指数偏低\n收缩压偏低"},
        {"waist without a sex", unknownSex, "无"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(s(abnormalIndicatorText(c.exam, ref)), c.text) << c.name;
}

TEST(PrintedValues, RangesAreTheJudgingRowsWithTheirUnits)
{
    struct Case
    {
        std::optional<ReferenceRange> range;
        const char* text;
    };
    const Case cases[] = {
        {bounds(3.9, 6.09, "mmol/L"), "3.9-6.09mmol/L"},
        {bounds(0, 5.19, "mmol/L"), "≤5.19mmol/L"}, // a minimum of 0 bounds nothing
        {bounds(1, std::nullopt, "mmol/L"), "≥1mmol/L"},
        {bounds(4, 6.49, "%"), "4-6.49%"},
        {bounds(std::nullopt, std::nullopt), "／"},
        {std::nullopt, "／"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(s(rangeText(c.range)), c.text) << c.text;

    ReferenceTables ref;
    ref.ranges = {{q("zongdgc"), bounds(0, 5.19, "mmol/L")},
                  {q("yaow_nan"), bounds(0, 89.99, "cm")},
                  {q("yaow_nv"), bounds(0, 84.99, "cm")}};
    ExamInput e;
    e.totalCholesterol = 5.19;
    e.waist = 86;
    auto printed = printedLabValues(e, ref);
    EXPECT_EQ(printed[Tc], (PrintedValue{q("5.19"), q("≤5.19mmol/L"), q("正常"), false}));
    // No sex: both rows, and no mark.
    EXPECT_EQ(s(printed[Waist].range), "男≤89.99cm，女≤84.99cm");
    EXPECT_EQ(printed[Hdl], (PrintedValue{q("未测"), q("／"), q("未测"), false}));
    e.sex = q("女");
    printed = printedLabValues(e, ref);
    EXPECT_EQ(printed[Waist], (PrintedValue{q("86"), q("≤84.99cm"), q("↑"), true}));
}

TEST(PrintedValues, SeveralAnswersJoinedAndSmokingInOnePhrase)
{
    EXPECT_EQ(joinedAnswers({q("冠心病"), q("0"), q(""), q("其他心脏病")}),
              q("冠心病、其他心脏病"));
    EXPECT_EQ(joinedAnswers({q("0"), q(" ")}), q("无"));
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"是", "20支以上", "吸烟，每天20支以上"},
        {"是", nullptr, "吸烟"},
        {"偶吸", "10支以下", "偶尔吸烟"},
        {"否", nullptr, "不吸烟"},
        {"已戒", nullptr, "已戒烟"},
        {nullptr, "20支以上", "未填写"},
    };
    for (const auto& [smokes, count, text] : cases)
        EXPECT_EQ(s(smokingSummary(opt(smokes), opt(count))), text) << text;
}
