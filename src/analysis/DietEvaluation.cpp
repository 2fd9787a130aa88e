#include "analysis/DietEvaluation.h"

#include <QStringList>
#include <algorithm>

namespace hra::analysis {
namespace {

using namespace diet;

struct ScoredAnswer
{
    const char16_t* answer;
    int score;
};

const std::vector<ScoredAnswer>& scoresOf(int item)
{
    static const std::vector<ScoredAnswer> table[16] = {
        {{u"主食为主", 3}, {u"主副食各半", 2}, {u"主食为辅", 2}, {u"副食为主", 1}},
        {{u"每天吃", 3}, {u"经常吃", 3}, {u"偶尔吃", 2}, {u"不吃", 1}},
        {{u"每天吃", 3}, {u"经常吃", 3}, {u"偶尔吃", 2}, {u"不吃", 1}},
        {{u"≥400克", 3}, {u"250-350克", 2}, {u"100-200克", 2}, {u"<100克", 1}},
        {{u"≥250克", 3}, {u"150-200克", 2}, {u"≤100克", 2}, {u"不吃", 1}},
        {{u"≥400克", 5}, {u"200-350克", 4}, {u"50-100克", 3}, {u"≤50克", 2}},
        {{u">300克", 5}, {u"150-300克", 4}, {u"50-100克", 3}, {u"<50克", 2}},
        {{u">500克", 5}, {u"200-500克", 4}, {u"100-150克", 3}, {u"不吃", 1}},
        {{u">100克", 4}, {u"50-75克", 3}, {u"≤50克", 2}},
        {{u">3次", 4}, {u"1-2次", 3}, {u"不吃", 1}},
        // Spirits and wine against at most 15 g of alcohol a day: 100 g of
        // spirits is well above it, 100 g of wine within it.
        {{u">250克", 5}, {u"100-250克", 4}, {u"100克左右", 4}, {u"不喝", 3}},
        {{u">300克", 5}, {u"200-300克", 4}, {u"100-150克", 3}, {u"≤100克", 3}},
        {{u"≥3个", 5}, {u"2个", 4}, {u"1个", 3}, {u"<1个", 2}},
        {{u">50克", 5}, {u"25-50克", 4}, {u"≤25克", 3}},
        {{u">12克", 5}, {u"6-12克", 4}, {u"≤5克", 3}},
        {{u"3(早):4(中):3(晚)", 3}, {u"偶尔吃早餐", 2}, {u"不吃早餐", 1}},
    };
    return table[item];
}

struct Rule
{
    std::initializer_list<const char16_t*> answers;
    const char16_t* text;
};

// The first rule whose answers include the stored one gives the text.
QString judged(const std::optional<QString>& answer, std::initializer_list<Rule> rules)
{
    for (const Rule& r : rules)
        if (isOneOf(answer, r.answers))
            return QString::fromUtf16(r.text);
    return QString();
}

} // namespace

const std::array<DietItem, 16>& dietItems()
{
    static const std::array<DietItem, 16> items = {{
        {"zufsbl", u"主食"},
        {"douzpsrl", u"豆类"},
        {"naizpsrl", u"奶类"},
        {"meitsc", u"蔬菜"},
        {"meitsg", u"水果"},
        {"meitzyr", u"猪肉"},
        {"meityxb", u"鱼肉"},
        {"meitjye", u"鸡鸭"},
        {"meitgr", u"果仁"},
        {"meitjl", u"菌类"},
        {"meitbj", u"白酒"},
        {"meitgj", u"果酒"},
        {"meitjd", u"蛋类"},
        {"meitzwy", u"植物油"},
        {"meitsy", u"食盐"},
        {"meitjcfp", u"餐量分配"},
    }};
    return items;
}

std::vector<DietScore> scoreDiet(const DietInput& diet)
{
    std::vector<DietScore> rows;
    for (int i = 0; i < 16; ++i) {
        const std::optional<QString>& answer = diet.answers[i];
        int score = 0;
        for (const ScoredAnswer& s : scoresOf(i))
            if (answer && *answer == QStringView(s.answer))
                score = s.score;
        rows.push_back({QString::fromUtf16(dietItems()[i].name), answer, score});
    }
    return rows;
}

DietJudgement judgeDiet(const DietInput& diet)
{
    const auto& a = diet.answers;
    DietJudgement j;
    // Nobody answered: nothing to judge, and the page must not call it poor.
    if (std::all_of(a.begin(), a.end(), [](const auto& answer) { return isBlank(answer); })) {
        const QString unanswered = QStringLiteral("未填写");
        j.soy = j.dairy = j.vegetables = j.fruit = j.protein = j.fat = j.oil = j.salt = j.meals =
            j.overall = unanswered;
        return j;
    }
    j.soy = judged(a[Soy], {{{u"每天吃", u"经常吃"}, u"豆制品摄入量正常"},
                            {{u"偶尔吃"}, u"豆制品摄入量过少"},
                            {{u"不吃"}, u"豆制品摄入量不足"}});
    j.dairy = judged(a[Dairy], {{{u"每天吃", u"经常吃"}, u"奶制品摄入量正常"},
                                {{u"偶尔吃"}, u"奶制品摄入量过少"},
                                {{u"不吃"}, u"奶制品摄入量不足"}});
    j.vegetables = judged(a[Vegetables], {{{u"≥400克"}, u"蔬菜摄入量正常"},
                                          {{u"250-350克"}, u"蔬菜摄入量偏少"},
                                          {{u"100-200克"}, u"蔬菜摄入量过少"},
                                          {{u"<100克"}, u"蔬菜摄入量不足"}});
    j.fruit = judged(a[Fruit], {{{u"≥250克"}, u"水果摄入量正常"},
                                {{u"150-200克"}, u"水果摄入量偏少"},
                                {{u"≤100克"}, u"水果摄入量过少"},
                                {{u"不吃"}, u"水果摄入量不足"}});
    j.protein = judged(a[Eggs], {{{u"≥3个"}, u"蛋白质摄入量过多"},
                                 {{u"2个"}, u"蛋白质摄入量偏多"},
                                 {{u"1个"}, u"蛋白质摄入量正常"},
                                 {{u"<1个"}, u"蛋白质摄入量偏少"}});
    if (isOneOf(a[Pork], {u"≥400克"}) || isOneOf(a[Poultry], {u">500克"}) ||
        isOneOf(a[Fish], {u">300克"}))
        j.fat = QStringLiteral("脂肪摄入量过多");
    j.oil = judged(a[Oil], {{{u"≤25克"}, u"植物油摄入量正常"},
                            {{u"25-50克"}, u"植物油摄入量偏多"},
                            {{u">50克"}, u"植物油摄入量过多"}});
    j.salt = judged(a[Salt], {{{u"≤5克"}, u"食盐摄入量正常"},
                              {{u"6-12克"}, u"食盐摄入量偏多"},
                              {{u">12克"}, u"食盐摄入量过多"}});
    j.meals = judged(a[Meals], {{{u"3(早):4(中):3(晚)"}, u"三餐比例正常"},
                                {{u"不吃早餐"}, u"饮食极不合理"},
                                {{u"偶尔吃早餐"}, u"饮食不规律"}});

    // The good answer of each counted item (a second one where two are good).
    struct Good
    {
        int item;
        const char16_t* answer;
        const char16_t* alternative;
    };
    static const Good good[] = {
        {Staple, u"主食为主", nullptr},
        {Soy, u"每天吃", u"经常吃"},
        {Dairy, u"每天吃", u"经常吃"},
        {Vegetables, u"≥400克", nullptr},
        {Fruit, u"≥250克", nullptr},
        {Eggs, u"1个", nullptr},
        {Pork, u"50-100克", nullptr},
        {Poultry, u"100-150克", nullptr},
        {Fish, u"50-100克", nullptr},
        {Spirits, u"不喝", nullptr},
        {Oil, u"≤25克", nullptr},
        {Salt, u"≤5克", nullptr},
        {Meals, u"3(早):4(中):3(晚)", nullptr},
    };
    for (const Good& g : good)
        j.goodAnswers += isOneOf(a[g.item], {g.answer}) ||
                         (g.alternative && isOneOf(a[g.item], {g.alternative}));
    if (j.goodAnswers <= 8)
        j.overall = QStringLiteral("很不合理");
    else if (j.goodAnswers <= 11)
        j.overall = QStringLiteral("不合理");
    else
        j.overall = QStringLiteral("合理");
    return j;
}

QString dietRiskText(const DietJudgement& j)
{
    if (j.overall == QStringLiteral("未填写"))
        return j.overall;
    QStringList risks;
    for (const QString& text :
         {j.soy, j.dairy, j.vegetables, j.fruit, j.protein, j.fat, j.oil, j.salt, j.meals})
        if (!text.isEmpty() && !text.endsWith(QStringLiteral("正常")))
            risks << text;
    return risks.isEmpty() ? QStringLiteral("无") : risks.join(u'\n');
}

const std::array<const char*, 10>& dietJudgementFields()
{
    static const std::array<const char*, 10> fields = {
        "douzp_pd", "naizp_pd", "shuc_pd", "shuig_pd",  "danbz_pd",
        "zhif_pd",  "zhiwy_pd", "shiy_pd", "jincfp_pd", "zongh_pd"};
    return fields;
}

std::array<QString, 10> dietJudgementValues(const DietJudgement& j)
{
    return {j.soy, j.dairy, j.vegetables, j.fruit, j.protein,
            j.fat, j.oil,   j.salt,       j.meals, j.overall};
}

} // namespace hra::analysis
