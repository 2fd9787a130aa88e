// The group summary against hand-counted groups: every finding by sex and
// age band, unmeasured and unanswered values left out of the denominators,
// persons without sex or age only in the whole group, and who is followed up.

#include "Fixtures.h"
#include "analysis/GroupSummary.h"

#include <functional>
#include <gtest/gtest.h>

using namespace hra::analysis;
using hra::analysis::test::bounds;
using hra::analysis::test::q;

namespace {

// The seeded reference rows the findings are judged by.
ReferenceTables seededRanges()
{
    ReferenceTables ref;
    ref.ranges = {
        {q("tizzs"), bounds(18.5, 23.99)},          {q("zongdgc"), bounds(std::nullopt, 5.19)},
        {q("ganysz"), bounds(std::nullopt, 1.69)},  {q("gaomdzdb"), bounds(1.0, std::nullopt)},
        {q("dimdzdb"), bounds(std::nullopt, 3.39)}, {q("kongfxt"), bounds(3.9, 6.09)},
        {q("tanghxhdb"), bounds(4, 6.49)},          {q("xuens"), bounds(150, 420)},
        {q("yaow_nan"), bounds(0, 89.99)},          {q("yaow_nv"), bounds(0, 84.99)},
    };
    return ref;
}

// A person with a record number, a sex ("" for none) and an age (-1 for
// none), every value unmeasured and every question unanswered.
GroupMember person(const char* record, const char* sex, double age,
                   const std::function<void(GroupMember&)>& values = {})
{
    GroupMember m;
    m.recordNo = q(record);
    m.name = q("姓名") + q(record);
    if (*sex)
        m.exam.sex = q(sex);
    if (age >= 0)
        m.exam.age = age;
    if (values)
        values(m);
    return m;
}

auto pressure(double s, std::optional<double> d)
{
    return [s, d](GroupMember& m) {
        m.exam.systolic = s;
        m.exam.diastolic = d;
    };
}

std::vector<GroupMember> handCountedGroup()
{
    auto set = [](auto member, auto value) {
        return [member, value](GroupMember& m) { m.exam.*member = value; };
    };
    auto lipids = [](std::optional<double> tc, std::optional<double> tg, std::optional<double> hdl,
                     std::optional<double> ldl) {
        return [=](GroupMember& m) {
            m.exam.totalCholesterol = tc;
            m.exam.triglycerides = tg;
            m.exam.hdl = hdl;
            m.exam.ldl = ldl;
        };
    };
    auto body = [](std::optional<double> bmi, std::optional<double> waist) {
        return [=](GroupMember& m) {
            m.exam.bmi = bmi;
            m.exam.waist = waist;
        };
    };
    auto glucose = [](std::optional<double> fasting, std::optional<double> hba1c) {
        return [=](GroupMember& m) {
            m.exam.fastingGlucose = fasting;
            m.exam.glycatedHaemoglobin = hba1c;
        };
    };
    auto habits = [](const char* smokes, const char* drinks, const char* verdict) {
        return [=](GroupMember& m) {
            m.lifestyle.smokes = test::opt(smokes);
            m.lifestyle.drinks = test::opt(drinks);
            m.exerciseVerdict = test::opt(verdict);
        };
    };
    const std::nullopt_t none = std::nullopt;
    return {
        // pressures
        person("B1", "男", 25, pressure(120, 80)),
        person("B2", "男", 35, pressure(150, 95)),
        person("B3", "女", 45, pressure(165, 105)),
        person("B4", "女", 65, pressure(185, 115)),
        person("B5", "男", 45, pressure(85, 70)), // low: measured, no hypertension
        person("B6", "女", 25, pressure(150, none)),
        person("B7", "", 35, pressure(170, 100)),
        // weight and waist
        person("W1", "男", 25, body(23.99, 89.99)),
        person("W2", "男", 35, body(24, 90)),
        person("W3", "女", 45, body(28, 85)),
        person("W4", "女", 65, body(27.99, 84.99)),
        person("W5", "女", 25, body(none, 88)),
        person("W6", "", 45, body(30, 100)), // no sex: no waist range
        // lipids
        person("L1", "男", 25, lipids(5.19, 1.69, 1.0, 3.39)),
        person("L2", "男", 35, lipids(5.2, none, none, none)),
        person("L3", "女", 45, lipids(none, 1.7, 0.99, none)),
        person("L4", "女", 65, lipids(4.0, 1.0, 1.5, 3.4)),
        person("L5", "女", 25, lipids(none, none, 1.2, none)), // normal, others unknown
        // glucose
        person("G1", "男", 25, glucose(6.09, 6.49)),
        person("G2", "男", 35, glucose(6.1, none)),
        person("G3", "女", 45, glucose(7.0, 6.5)),
        person("G4", "女", 65, glucose(none, 7.2)),
        // fatty liver
        person("F1", "男", 25, set(&ExamInput::fattyLiver, test::opt("无"))),
        person("F2", "男", 35, set(&ExamInput::fattyLiver, test::opt("轻度"))),
        person("F3", "女", 45, set(&ExamInput::fattyLiver, test::opt("中度"))),
        person("F4", "女", 65, set(&ExamInput::fattyLiver, test::opt("重度"))),
        person("F5", "女", 25, set(&ExamInput::fattyLiver, test::opt(""))),
        person("F6", "男", 45, set(&ExamInput::fattyLiver, test::opt("轻度"))),
        // uric acid, typed as text
        person("U1", "男", 25, set(&ExamInput::uricAcid, test::opt("420"))),
        person("U2", "女", 45, set(&ExamInput::uricAcid, test::opt("421"))),
        person("U3", "男", 35, set(&ExamInput::uricAcid, test::opt("未查"))),
        // habits
        person("S1", "男", 25, habits("是", "否", "不合适")),
        person("S2", "女", 35, habits("偶吸", "很少", "一般")),
        person("S3", "男", 45, habits("已戒", "已戒", "合适")),
        person("S4", "女", 65, habits("否", "是", "")),
        person("S5", "男", 65),
        // no age
        person("X1", "男", -1, set(&ExamInput::uricAcid, test::opt("500"))),
    };
}

// The eight cells of a row as "found/known", in column order.
std::string cellsOf(const PrevalenceRow& row)
{
    std::string out;
    for (const Fraction& f : row.cells)
        out += (out.empty() ? "" : " ") + std::to_string(f.numerator) + '/' +
               std::to_string(f.denominator);
    return out;
}

const PrevalenceRow* rowOf(const GroupSummary& s, const char* item)
{
    for (const PrevalenceRow& row : s.prevalence)
        if (row.item == q(item))
            return &row;
    return nullptr;
}

struct Expected
{
    const char* item;
    // 合计 男 女 <30 30-39 40-49 50-59 ≥60
    const char* cells;
};

void expectRows(const GroupSummary& s, std::initializer_list<Expected> expected)
{
    for (const Expected& e : expected) {
        const PrevalenceRow* row = rowOf(s, e.item);
        ASSERT_TRUE(row) << e.item;
        EXPECT_EQ(cellsOf(*row), e.cells) << e.item;
    }
}

} // namespace

TEST(GroupSummary, CountsEveryFindingBySexAndAgeBand)
{
    const GroupSummary s = summarizeGroup(handCountedGroup(), seededRanges());

    EXPECT_EQ(s.persons, (std::array<int, kGroupColumnCount>{37, 18, 17, 11, 8, 10, 0, 7}));
    EXPECT_EQ(s.unknownSex, 2);
    EXPECT_EQ(s.unknownAge, 1);

    expectRows(s, {
                      {"高血压", "4/6 1/3 2/2 0/1 2/2 1/2 0/0 1/1"},
                      {"1级高血压", "1/6 1/3 0/2 0/1 1/2 0/2 0/0 0/1"},
                      {"2级高血压", "2/6 0/3 1/2 0/1 1/2 1/2 0/0 0/1"},
                      {"3级高血压", "1/6 0/3 1/2 0/1 0/2 0/2 0/0 1/1"},
                      {"超重或肥胖", "4/5 1/2 2/2 0/1 1/1 2/2 0/0 1/1"},
                      {"肥胖", "2/5 0/2 1/2 0/1 0/1 2/2 0/0 0/1"},
                      {"中心性肥胖", "3/5 1/2 2/3 1/2 1/1 1/1 0/0 0/1"},
                      {"血脂异常", "3/4 1/2 2/2 0/1 1/1 1/1 0/0 1/1"},
                      {"总胆固醇升高", "1/3 1/2 0/1 0/1 1/1 0/0 0/0 0/1"},
                      {"甘油三酯升高", "1/3 0/1 1/2 0/1 0/0 1/1 0/0 0/1"},
                      {"高密度脂蛋白降低", "1/4 0/1 1/3 0/2 0/0 1/1 0/0 0/1"},
                      {"低密度脂蛋白升高", "1/2 0/1 1/1 0/1 0/0 0/0 0/0 1/1"},
                      {"空腹血糖升高", "2/3 1/2 1/1 0/1 1/1 1/1 0/0 0/0"},
                      {"空腹血糖达糖尿病水平", "1/3 0/2 1/1 0/1 0/1 1/1 0/0 0/0"},
                      {"糖化血红蛋白升高", "2/3 0/1 2/2 0/1 0/0 1/1 0/0 1/1"},
                      {"脂肪肝", "4/5 2/3 2/2 0/1 1/1 2/2 0/0 1/1"},
                      {"轻度脂肪肝", "2/5 2/3 0/2 0/1 1/1 1/2 0/0 0/1"},
                      {"中度脂肪肝", "1/5 0/3 1/2 0/1 0/1 1/2 0/0 0/1"},
                      {"重度脂肪肝", "1/5 0/3 1/2 0/1 0/1 0/2 0/0 1/1"},
                      {"高尿酸血症", "2/3 1/2 1/1 0/1 0/0 1/1 0/0 0/0"},
                      {"吸烟", "2/4 1/2 1/2 1/1 1/1 0/1 0/0 0/1"},
                      {"饮酒", "2/4 0/2 2/2 0/1 1/1 0/1 0/0 1/1"},
                      {"身体活动不足", "1/3 1/2 0/1 1/1 0/1 0/1 0/0 0/0"},
                      // nobody here has every value of the screen or the models
                      {"危险", "0/0 0/0 0/0 0/0 0/0 0/0 0/0 0/0"},
                      {"心血管病高危", "0/0 0/0 0/0 0/0 0/0 0/0 0/0 0/0"},
                      {"糖尿病高风险", "0/0 0/0 0/0 0/0 0/0 0/0 0/0 0/0"},
                  });
    EXPECT_EQ(s.prevalence.size(), 29u);

    std::vector<std::pair<std::string, std::string>> followUp;
    for (const FollowUp& f : s.followUp)
        followUp.emplace_back(f.recordNo.toStdString(), f.reasons.join(u'|').toStdString());
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"B3", "2级高血压（165/105mmHg）"}, {"B4", "3级高血压（185/115mmHg）"},
        {"B7", "2级高血压（170/100mmHg）"}, {"G3", "空腹血糖7mmol/L|糖化血红蛋白6.5%"},
        {"G4", "糖化血红蛋白7.2%"},
    };
    EXPECT_EQ(followUp, expected);
}

namespace {

ChinaParInput riskProfile(const char* sex, double age)
{
    // The published example profile of the model.
    ChinaParInput in;
    in.sex = q(sex);
    in.age = age;
    in.systolic = 130;
    in.treatedHypertension = false;
    in.totalCholesterol = 210 * 0.0259;
    in.hdl = 55 * 0.0259;
    in.waist = 80;
    in.currentSmoker = false;
    in.diabetes = true;
    in.north = true;
    in.urban = true;
    return in;
}

auto screen(double bmi, double tg, double hdl, double s, double d, std::optional<double> fpg)
{
    return [=](GroupMember& m) {
        m.exam.bmi = bmi;
        m.exam.triglycerides = tg;
        m.exam.hdl = hdl;
        m.exam.systolic = s;
        m.exam.diastolic = d;
        m.exam.fastingGlucose = fpg;
    };
}

} // namespace

TEST(GroupSummary, MetabolicLevelsAndRiskBandsCountOnlyThoseWithEveryInput)
{
    const std::vector<GroupMember> group = {
        person("M1", "男", 45, screen(25, 1.7, 0.89, 130, 80, 5.6)), // 5 criteria
        person("M2", "女", 35, screen(24, 1.7, 1.09, 120, 85, 5.5)), // 3
        person("M3", "男", 65, screen(26, 2, 1.2, 135, 80, 6)),      // 4
        person("M4", "女", 25, screen(20, 1, 1.5, 110, 70, 5)),      // none
        person("M5", "男", 25, screen(30, 3, 0.5, 170, 100, std::nullopt)),
        person("R1", "男", 40, [](GroupMember& m) { m.chinaPar = riskProfile("男", 40); }),
        person("R2", "男", 50,
               [](GroupMember& m) {
                   m.chinaPar = riskProfile("男", 50);
                   m.diabetesScore = {q("男"), 50, 25, 88, 130, false, false};
               }),
        person("R3", "男", 60,
               [](GroupMember& m) {
                   m.chinaPar = riskProfile("男", 60);
                   m.diabetesScore = {q("男"), 60, 25, 88, 130, false, true}; // diabetic
               }),
        person("R4", "女", 60, [](GroupMember& m) { m.chinaPar = riskProfile("女", 60); }),
        person("R5", "女", 30,
               [](GroupMember& m) {
                   m.chinaPar = riskProfile("女", 30); // younger than the model
                   m.diabetesScore = {q("女"), 30, 21, 60, 109, false, false};
               }),
    };
    const GroupSummary s = summarizeGroup(group, seededRanges());
    expectRows(s, {
                      {"危险", "1/4 0/2 1/2 0/1 1/1 0/1 0/0 0/1"},
                      {"I高度危险", "1/4 1/2 0/2 0/1 0/1 0/1 0/0 1/1"},
                      {"II高度危险", "1/4 1/2 0/2 0/1 0/1 1/1 0/0 0/1"},
                      {"心血管病中危", "1/4 1/3 0/1 0/0 0/0 0/1 1/1 0/2"},
                      {"心血管病高危", "2/4 1/3 1/1 0/0 0/0 0/1 0/1 2/2"},
                      {"糖尿病高风险", "1/2 1/1 0/1 0/0 0/1 0/0 1/1 0/0"},
                  });
    QStringList followUp;
    for (const FollowUp& f : s.followUp)
        followUp << f.recordNo + u':' + f.reasons.join(u'|');
    EXPECT_EQ(followUp,
              (QStringList{q("M5:2级高血压（170/100mmHg）"), q("R3:心血管病10年风险高危（10.8%）"),
                           q("R4:心血管病10年风险高危（10.2%）")}));
}

TEST(GroupSummary, AnEmptyGroupCountsNobodyAndDividesByNothing)
{
    const GroupSummary s = summarizeGroup({}, seededRanges());
    EXPECT_EQ(s.persons, (std::array<int, kGroupColumnCount>{}));
    EXPECT_TRUE(s.followUp.empty());
    ASSERT_EQ(s.prevalence.size(), 29u);
    for (const PrevalenceRow& row : s.prevalence)
        for (const Fraction& f : row.cells) {
            EXPECT_EQ(f, Fraction{}) << row.item.toStdString();
            EXPECT_EQ(fractionText(f), q("无数据"));
            EXPECT_FALSE(fractionPercent(f));
        }
}

TEST(GroupSummary, FractionsAndAgeBands)
{
    const std::pair<Fraction, const char*> fractions[] = {
        {{3, 12}, "3/12 (25.0%)"}, {{1, 3}, "1/3 (33.3%)"},  {{2, 3}, "2/3 (66.7%)"},
        {{0, 5}, "0/5 (0.0%)"},    {{5, 5}, "5/5 (100.0%)"}, {{0, 0}, "无数据"},
    };
    for (const auto& [f, text] : fractions)
        EXPECT_EQ(fractionText(f), q(text)) << text;

    const std::pair<std::optional<double>, std::optional<GroupColumn>> ages[] = {
        {0, Under30},    {29, Under30},   {30, Age30To39},    {39, Age30To39},
        {40, Age40To49}, {49, Age40To49}, {50, Age50To59},    {59, Age50To59},
        {60, Age60On},   {99, Age60On},   {-1, std::nullopt}, {std::nullopt, std::nullopt},
    };
    for (const auto& [age, band] : ages)
        EXPECT_EQ(ageBand(age), band) << age.value_or(-100);
}
