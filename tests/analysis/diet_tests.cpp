#include "Fixtures.h"
#include "analysis/DietEvaluation.h"

#include <gtest/gtest.h>

using namespace hra::analysis;
using namespace hra::analysis::test;

namespace {

using namespace hra::analysis::diet;

// Thirteen good answers (the three others are not counted).
DietInput goodDiet()
{
    DietInput d;
    const char* answers[16] = {"主食为主", "每天吃",   "经常吃",   "≥400克",
                               "≥250克",   "50-100克", "50-100克", "100-150克",
                               "≤50克",    "1-2次",    "不喝",     "≤100克",
                               "1个",      "≤25克",    "≤5克",     "3(早):4(中):3(晚)"};
    for (int i = 0; i < 16; ++i)
        d.answers[i] = q(answers[i]);
    return d;
}

} // namespace

TEST(DietScores, FixedItemOrderAndScores)
{
    DietInput d = goodDiet();
    d.answers[Staple] = q("主食为辅");
    d.answers[Vegetables] = q("<100克");
    d.answers[Fish] = q(">300克");
    d.answers[Nuts] = q("  ");           // blank
    d.answers[Wine] = q("200克");        // not an option
    d.answers[Mushrooms] = std::nullopt; // never chosen
    const std::vector<DietScore> rows = scoreDiet(d);
    const char* names[16] = {"主食", "豆类", "奶类", "蔬菜", "水果", "猪肉",   "鱼肉", "鸡鸭",
                             "果仁", "菌类", "白酒", "果酒", "蛋类", "植物油", "食盐", "餐量分配"};
    const int scores[16] = {2, 3, 3, 1, 3, 3, 5, 3, 0, 0, 3, 0, 3, 3, 3, 3};
    ASSERT_EQ(rows.size(), 16u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(rows[i].name, q(names[i])) << i;
        EXPECT_EQ(rows[i].score, scores[i]) << names[i];
        EXPECT_EQ(rows[i].answer, d.answers[i]) << names[i];
    }
}

TEST(DietScores, NoDietRowGivesSixteenEmptyRows)
{
    for (const DietScore& r : scoreDiet(DietInput{})) {
        EXPECT_FALSE(r.answer.has_value());
        EXPECT_EQ(r.score, 0);
    }
}

TEST(DietJudgement, OverallByCountOfGoodAnswers)
{
    // Spoiling counted answers one by one: 13, 12, 11, 9, 8 good answers.
    const int spoil[] = {Staple, Soy, Dairy, Vegetables, Fruit};
    const std::pair<int, const char*> expected[] = {{13, "合理"},   {12, "合理"},  {11, "不合理"},
                                                    {10, "不合理"}, {9, "不合理"}, {8, "很不合理"}};
    DietInput d = goodDiet();
    for (int step = 0; step < 6; ++step) {
        if (step > 0)
            d.answers[spoil[step - 1]] = q("不吃");
        const DietJudgement j = judgeDiet(d);
        EXPECT_EQ(j.goodAnswers, expected[step].first);
        EXPECT_EQ(j.overall, q(expected[step].second)) << expected[step].first;
    }
    // Answers outside the thirteen do not count.
    DietInput others = goodDiet();
    others.answers[Nuts] = q(">100克");
    others.answers[Mushrooms] = q("不吃");
    others.answers[Wine] = q(">300克");
    EXPECT_EQ(judgeDiet(others).goodAnswers, 13);
}

TEST(DietJudgement, TextsPerAnswer)
{
    struct Case
    {
        int item;
        const char* answer;
        QString DietJudgement::*field;
        const char* text;
    };
    const Case cases[] = {
        {Soy, "经常吃", &DietJudgement::soy, "豆制品摄入量正常"},
        {Soy, "偶尔吃", &DietJudgement::soy, "豆制品摄入量过少"},
        {Dairy, "不吃", &DietJudgement::dairy, "奶制品摄入量不足"},
        {Vegetables, "<100克", &DietJudgement::vegetables, "蔬菜摄入量不足"},
        {Vegetables, "250-350克", &DietJudgement::vegetables, "蔬菜摄入量偏少"},
        {Fruit, "≤100克", &DietJudgement::fruit, "水果摄入量过少"},
        {Eggs, "≥3个", &DietJudgement::protein, "蛋白质摄入量过多"},
        {Eggs, "<1个", &DietJudgement::protein, "蛋白质摄入量偏少"},
        {Fish, ">300克", &DietJudgement::fat, "脂肪摄入量过多"},
        {Pork, "≥400克", &DietJudgement::fat, "脂肪摄入量过多"},
        {Poultry, ">500克", &DietJudgement::fat, "脂肪摄入量过多"},
        {Pork, "200-350克", &DietJudgement::fat, ""},
        {Oil, "25-50克", &DietJudgement::oil, "植物油摄入量偏多"},
        {Salt, ">12克", &DietJudgement::salt, "食盐摄入量过多"},
        {Meals, "不吃早餐", &DietJudgement::meals, "饮食极不合理"},
        {Meals, "偶尔吃早餐", &DietJudgement::meals, "饮食不规律"},
        {Vegetables, ">=400克", &DietJudgement::vegetables, ""}, // two characters, not the sign
    };
    for (const Case& c : cases) {
        DietInput d = goodDiet();
        d.answers[c.item] = q(c.answer);
        EXPECT_EQ((judgeDiet(d).*c.field).toStdString(), c.text) << c.answer;
    }
}

TEST(DietJudgement, NothingAnsweredIsNotJudged)
{
    // NULL or blank: no rating, least of all "很不合理".
    DietInput blank;
    blank.answers.fill(q(" "));
    for (const DietInput& d : {DietInput{}, blank}) {
        const DietJudgement j = judgeDiet(d);
        for (const QString& v : dietJudgementValues(j))
            EXPECT_EQ(v, q("未填写"));
        EXPECT_EQ(dietRiskText(j), q("未填写"));
    }
    // One answer is enough to judge the rest as before.
    DietInput one;
    one.answers[Salt] = q(">12克");
    const DietJudgement j = judgeDiet(one);
    EXPECT_EQ(j.salt, q("食盐摄入量过多"));
    EXPECT_EQ(j.soy, QString());
    EXPECT_EQ(j.overall, q("很不合理"));
}

TEST(DietScores, DrinkingAboveFifteenGramsOfAlcoholIsNeverReasonable)
{
    // 3 is "合理" on the chart's scale; 100 g of spirits is about 40 g of
    // alcohol, 100 g of wine about 12 g.
    const std::pair<const char*, int> spirits[] = {
        {"不喝", 3}, {"100克左右", 4}, {"100-250克", 4}, {">250克", 5}};
    const std::pair<const char*, int> wine[] = {
        {"≤100克", 3}, {"100-150克", 3}, {"200-300克", 4}, {">300克", 5}};
    for (const auto& [answer, score] : spirits) {
        DietInput d = goodDiet();
        d.answers[Spirits] = q(answer);
        EXPECT_EQ(scoreDiet(d)[Spirits].score, score) << answer;
    }
    for (const auto& [answer, score] : wine) {
        DietInput d = goodDiet();
        d.answers[Wine] = q(answer);
        EXPECT_EQ(scoreDiet(d)[Wine].score, score) << answer;
    }
}

TEST(DietJudgement, RiskFactorsLeaveOutWhatIsNormal)
{
    EXPECT_EQ(dietRiskText(judgeDiet(goodDiet())), q("无"));
    DietInput d = goodDiet();
    d.answers[Vegetables] = q("<100克");
    d.answers[Eggs] = q("≥3个");
    d.answers[Pork] = q("≥400克");
    d.answers[Meals] = q("不吃早餐");
    EXPECT_EQ(dietRiskText(judgeDiet(d)),
              q("蔬菜摄入量不足\n蛋白质摄入量过多\n脂肪摄入量过多\n饮食极不合理"));
}
