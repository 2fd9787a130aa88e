#include "analysis/LifestyleRisks.h"

#include "store/NumberText.h"

namespace hra::analysis {
namespace {

struct ItemRule
{
    const char16_t* code; // xiangm
    const char16_t* prefix;
    int labIndex;       // mark and value of the lab judgement; -1: fatty liver
    const char* unitOf; // reference row of the unit; nullptr: none
};

// Index into the lab judgement order of labColumns().
const ItemRule kItems[kRiskItemCount] = {
    {u"TC", u"您的TC是：", 3, "zongdgc"},
    {u"TG", u"您的TG是：", 4, "ganysz"},
    {u"HDL-C", u"您的HDL-C是：", 5, "gaomdzdb"},
    {u"LDL-C", u"您的LDL-C是：", 6, "dimdzdb"},
    {u"TZZS", u"您的体重指数是：", 0, "tizzs"},
    // The waist carries the unit of the men's row for both sexes.
    {u"YAOW", u"您的腰围是：", 11, "yaow_nan"},
    {u"ZIFG", u"您的脂肪肝：", -1, nullptr},
};

} // namespace

const std::array<RiskColumns, kRiskItemCount>& riskColumns()
{
    static const std::array<RiskColumns, kRiskItemCount> columns = {{
        {"TC", "TCTS"},
        {"TG", "TGTS"},
        {"HDL", "HDLTS"},
        {"LDL", "LDLTS"},
        {"TZZS", "TZZSTS"},
        {"YAOW", "YAOWTS"},
        {"ZIFG", "ZIFGTS"},
    }};
    return columns;
}

RiskItems assessLifestyleRisks(const ExamInput& exam, const LabMarks& marks,
                               const ReferenceData& ref)
{
    const auto values = labValues(exam);
    RiskItems items;
    for (int i = 0; i < kRiskItemCount; ++i) {
        const ItemRule& rule = kItems[i];
        QString state;
        QString value;
        if (rule.labIndex < 0) {
            state = exam.fattyLiver.value_or(QString());
            value = state;
        } else {
            state = marks[rule.labIndex].value_or(QString());
            if (const auto v = values[rule.labIndex])
                value = store::numberText(*v);
        }
        const std::vector<AdviceRow> advice =
            ref.adviceByState(QString::fromUtf16(rule.code), state);
        if (advice.empty())
            continue;
        // A value not measured is said so, not printed as a bare unit.
        const QString unit = rule.unitOf && !value.isEmpty()
                                 ? ref.unit(QString::fromLatin1(rule.unitOf))
                                 : QString();
        items[i].text = QString::fromUtf16(rule.prefix) +
                        (value.isEmpty() ? QStringLiteral("未测") : value) + unit;
        items[i].advice = advice.front().text.value_or(QString());
    }
    return items;
}

QString smokingStatement(const std::optional<QString>& smokes)
{
    if (isBlank(smokes))
        return QStringLiteral("未填写");
    if (isOneOf(smokes, {u"是", u"偶吸"}))
        return QStringLiteral("主动吸烟");
    if (isOneOf(smokes, {u"否"}))
        return QStringLiteral("您不吸烟");
    if (isOneOf(smokes, {u"已戒"}))
        return QStringLiteral("您已戒烟");
    return QString();
}

QString drinkingStatement(const std::optional<QString>& drinks)
{
    if (isBlank(drinks))
        return QStringLiteral("未填写");
    if (isOneOf(drinks, {u"是", u"很少"}))
        return QStringLiteral("您喝酒");
    if (isOneOf(drinks, {u"否"}))
        return QStringLiteral("您不喝酒");
    if (isOneOf(drinks, {u"已戒"}))
        return QStringLiteral("您已戒酒");
    return QString();
}

} // namespace hra::analysis
