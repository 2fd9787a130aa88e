#include "Fixtures.h"
#include "analysis/LifestyleRisks.h"

#include <gtest/gtest.h>

using namespace hra::analysis;
using namespace hra::analysis::test;

namespace {

enum
{
    TC,
    TG,
    HDL,
    LDL,
    TZZS,
    YAOW,
    ZIFG
};

ReferenceTables dictionary()
{
    ReferenceTables ref;
    ref.ranges = {{q("zongdgc"), bounds(2.84, 5.68, "mmol/L")},
                  {q("yaow_nan"), bounds(0, 90, "cm")},
                  {q("yaow_nv"), bounds(0, 85, "厘米")},
                  {q("tizzs"), bounds(18.5, 24)}};
    ref.advice = {
        advice(1, "TC", "↑", nullptr, "少吃肥肉"),
        advice(2, "TC", "↑", nullptr, "第二条不用"),
        advice(3, "YAOW", "↑", nullptr, "减腰围"),
        advice(4, "TZZS", "正常", nullptr, "保持体重"),
        advice(5, "ZIFG", "", nullptr, "未做B超"),
        advice(6, "ZIFG", "轻度", nullptr, "控制饮食"),
        advice(7, "gaoxyjb", "↑", "1级", "不是这一项"),
    };
    ref.prepare();
    return ref;
}

LabMarks marks()
{
    LabMarks m;
    m.fill(QStringLiteral("未测"));
    return m;
}

} // namespace

TEST(LifestyleRisks, ItemTextAndFirstAdviceOfTheMark)
{
    ExamInput e;
    e.sex = q("女");
    e.totalCholesterol = 6.2;
    e.waist = 92.5;
    e.bmi = 22.85;
    e.fattyLiver = q("轻度");
    LabMarks m = marks();
    m[3] = q("↑");    // pd_zongdgc
    m[11] = q("↑");   // pd_yaow
    m[0] = q("正常"); // pd_tizzs
    const RiskItems items = assessLifestyleRisks(e, m, dictionary());
    EXPECT_EQ(items[TC], (RiskItem{q("您的TC是：6.2mmol/L"), q("少吃肥肉")}));
    // A woman's waist carries the unit of the men's row.
    EXPECT_EQ(items[YAOW], (RiskItem{q("您的腰围是：92.5cm"), q("减腰围")}));
    // No unit for the body mass index: the text ends with the value.
    EXPECT_EQ(items[TZZS], (RiskItem{q("您的体重指数是：22.85"), q("保持体重")}));
    EXPECT_EQ(items[ZIFG], (RiskItem{q("您的脂肪肝：轻度"), q("控制饮食")}));
    // States without a dictionary row: both texts empty.
    EXPECT_EQ(items[TG], RiskItem{});
    EXPECT_EQ(items[HDL], RiskItem{});
    EXPECT_EQ(items[LDL], RiskItem{});
}

TEST(LifestyleRisks, NullGradeAndNullMarkLookUpEmptyText)
{
    ExamInput e;
    LabMarks m = marks();
    m[3] = std::nullopt; // no reference bounds for TC
    const RiskItems items = assessLifestyleRisks(e, m, dictionary());
    // Not examined says so instead of ending at the colon.
    EXPECT_EQ(items[ZIFG], (RiskItem{q("您的脂肪肝：未测"), q("未做B超")}));
    EXPECT_EQ(items[TC], RiskItem{});
}

TEST(LifestyleRisks, SmokingAndDrinkingStatements)
{
    const std::pair<const char*, const char*> smoking[] = {
        {"是", "主动吸烟"}, {"偶吸", "主动吸烟"}, {"否", "您不吸烟"}, {"已戒", "您已戒烟"},
        {"很少", ""},       {nullptr, "未填写"},  {" ", "未填写"}};
    for (const auto& [answer, text] : smoking)
        EXPECT_EQ(smokingStatement(opt(answer)), q(text)) << s(opt(answer));
    const std::pair<const char*, const char*> drinking[] = {
        {"是", "您喝酒"}, {"很少", "您喝酒"},  {"否", "您不喝酒"}, {"已戒", "您已戒酒"},
        {"偶吸", ""},     {nullptr, "未填写"}, {"", "未填写"}};
    for (const auto& [answer, text] : drinking)
        EXPECT_EQ(drinkingStatement(opt(answer)), q(text)) << s(opt(answer));
}
