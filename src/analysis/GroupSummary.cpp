#include "analysis/GroupSummary.h"

#include "analysis/BloodPressureGrade.h"
#include "analysis/LabJudgement.h"
#include "analysis/LifestyleRisks.h"
#include "analysis/MetabolicScreen.h"
#include "store/NumberText.h"

#include <functional>

namespace hra::analysis {
namespace {

// Index into labColumns().
enum Lab
{
    Bmi = 0,
    TotalCholesterol = 3,
    Triglycerides = 4,
    Hdl = 5,
    Ldl = 6,
    FastingGlucose = 7,
    Hba1c = 9,
    UricAcid = 10,
    Waist = 11
};

const QString kUp = QStringLiteral("↑");
const QString kDown = QStringLiteral("↓");

// What the summary knows of one person, judged once.
struct Judged
{
    const GroupMember* member;
    LabMarks marks;
    std::optional<int> pressureGrade; // 0 to 3; empty when not graded
    std::optional<QString> metabolicLevel;
    ChinaParResult chinaPar;
    DiabetesScoreResult diabetesScore;
};

using Finding = std::function<std::optional<bool>(const Judged&)>;

// True or false where the reference rows judged the value, empty where it
// was not measured or has no bounds.
Finding markIs(int lab, const QString& mark)
{
    return [lab, mark](const Judged& j) -> std::optional<bool> {
        const std::optional<QString>& m = j.marks[lab];
        if (!m || *m == QStringLiteral("未测"))
            return std::nullopt;
        return *m == mark;
    };
}

std::optional<bool> anyOf(const Judged& j, const std::vector<Finding>& findings)
{
    bool allKnown = true;
    for (const Finding& f : findings) {
        const std::optional<bool> v = f(j);
        if (v && *v)
            return true;
        allKnown = allKnown && v.has_value();
    }
    return allKnown ? std::optional(false) : std::nullopt;
}

Finding pressureGrade(int grade)
{
    return [grade](const Judged& j) -> std::optional<bool> {
        if (!j.pressureGrade)
            return std::nullopt;
        return *j.pressureGrade == grade;
    };
}

const QStringList& fattyLiverGrades()
{
    static const QStringList grades = {QStringLiteral("无"), QStringLiteral("轻度"),
                                       QStringLiteral("中度"), QStringLiteral("重度")};
    return grades;
}

std::optional<int> fattyLiverGrade(const Judged& j)
{
    const std::optional<QString>& answer = j.member->exam.fattyLiver;
    if (!answer)
        return std::nullopt;
    const qsizetype i = fattyLiverGrades().indexOf(answer->trimmed());
    return i < 0 ? std::nullopt : std::optional(int(i));
}

Finding fattyLiver(int grade)
{
    return [grade](const Judged& j) -> std::optional<bool> {
        const std::optional<int> g = fattyLiverGrade(j);
        if (!g)
            return std::nullopt;
        return grade == 0 ? *g > 0 : *g == grade;
    };
}

Finding metabolicLevel(const QString& level)
{
    return [level](const Judged& j) -> std::optional<bool> {
        if (!j.metabolicLevel)
            return std::nullopt;
        return *j.metabolicLevel == level;
    };
}

// A statement of the personal report that says yes, one of those that say
// no, or neither (unanswered).
Finding statement(std::function<QString(const Judged&)> text, QString yes, QStringList no)
{
    return [text, yes, no](const Judged& j) -> std::optional<bool> {
        const QString t = text(j);
        if (t == yes)
            return true;
        if (no.contains(t))
            return false;
        return std::nullopt;
    };
}

Finding chinaParBand(RiskBand band)
{
    return [band](const Judged& j) -> std::optional<bool> {
        if (j.chinaPar.band == RiskBand::NotAssessable)
            return std::nullopt;
        return j.chinaPar.band == band;
    };
}

struct Item
{
    QString category;
    QString item;
    Finding finding;
};

const std::vector<Item>& items()
{
    static const std::vector<Finding> lipids = {markIs(TotalCholesterol, kUp),
                                                markIs(Triglycerides, kUp), markIs(Hdl, kDown),
                                                markIs(Ldl, kUp)};
    const QString pressure = QStringLiteral("血压");
    const QString weight = QStringLiteral("体重");
    const QString lipid = QStringLiteral("血脂");
    const QString glucose = QStringLiteral("血糖");
    const QString liver = QStringLiteral("脂肪肝");
    const QString metabolic = QStringLiteral("代谢紊乱");
    const QString habits = QStringLiteral("生活方式");
    const QString risk = QStringLiteral("10年风险");
    static const std::vector<Item> list = {
        {pressure, QStringLiteral("高血压"),
         [](const Judged& j) -> std::optional<bool> {
             if (!j.pressureGrade)
                 return std::nullopt;
             return *j.pressureGrade > 0;
         }},
        {pressure, QStringLiteral("1级高血压"), pressureGrade(1)},
        {pressure, QStringLiteral("2级高血压"), pressureGrade(2)},
        {pressure, QStringLiteral("3级高血压"), pressureGrade(3)},
        {weight, QStringLiteral("超重或肥胖"), markIs(Bmi, kUp)},
        {weight, QStringLiteral("肥胖"),
         [](const Judged& j) -> std::optional<bool> {
             if (!j.member->exam.bmi)
                 return std::nullopt;
             return *j.member->exam.bmi >= kObeseBodyMassIndex;
         }},
        {weight, QStringLiteral("中心性肥胖"), markIs(Waist, kUp)},
        {lipid, QStringLiteral("血脂异常"), [](const Judged& j) { return anyOf(j, lipids); }},
        {lipid, QStringLiteral("总胆固醇升高"), lipids[0]},
        {lipid, QStringLiteral("甘油三酯升高"), lipids[1]},
        {lipid, QStringLiteral("高密度脂蛋白降低"), lipids[2]},
        {lipid, QStringLiteral("低密度脂蛋白升高"), lipids[3]},
        {glucose, QStringLiteral("空腹血糖升高"), markIs(FastingGlucose, kUp)},
        {glucose, QStringLiteral("空腹血糖达糖尿病水平"),
         [](const Judged& j) -> std::optional<bool> {
             if (!j.member->exam.fastingGlucose)
                 return std::nullopt;
             return *j.member->exam.fastingGlucose >= kDiabeticFastingGlucose;
         }},
        {glucose, QStringLiteral("糖化血红蛋白升高"), markIs(Hba1c, kUp)},
        {liver, QStringLiteral("脂肪肝"), fattyLiver(0)},
        {liver, QStringLiteral("轻度脂肪肝"), fattyLiver(1)},
        {liver, QStringLiteral("中度脂肪肝"), fattyLiver(2)},
        {liver, QStringLiteral("重度脂肪肝"), fattyLiver(3)},
        {QStringLiteral("尿酸"), QStringLiteral("高尿酸血症"), markIs(UricAcid, kUp)},
        {metabolic, QStringLiteral("危险"), metabolicLevel(QStringLiteral("危险"))},
        {metabolic, QStringLiteral("I高度危险"), metabolicLevel(QStringLiteral("I高度危险"))},
        {metabolic, QStringLiteral("II高度危险"), metabolicLevel(QStringLiteral("II高度危险"))},
        {habits, QStringLiteral("吸烟"),
         statement([](const Judged& j) { return smokingStatement(j.member->lifestyle.smokes); },
                   QStringLiteral("主动吸烟"),
                   {QStringLiteral("您不吸烟"), QStringLiteral("您已戒烟")})},
        {habits, QStringLiteral("饮酒"),
         statement([](const Judged& j) { return drinkingStatement(j.member->lifestyle.drinks); },
                   QStringLiteral("您喝酒"),
                   {QStringLiteral("您不喝酒"), QStringLiteral("您已戒酒")})},
        {habits, QStringLiteral("身体活动不足"),
         statement(
             [](const Judged& j) {
                 return j.member->exerciseVerdict.value_or(QString()).trimmed();
             },
             QStringLiteral("不合适"), {QStringLiteral("一般"), QStringLiteral("合适")})},
        {risk, QStringLiteral("心血管病中危"), chinaParBand(RiskBand::Intermediate)},
        {risk, QStringLiteral("心血管病高危"), chinaParBand(RiskBand::High)},
        // Those already diabetic are left out: the score is for those who are not.
        {risk, QStringLiteral("糖尿病高风险"),
         [](const Judged& j) -> std::optional<bool> {
             switch (j.diabetesScore.band) {
             case DiabetesScoreBand::High:
                 return true;
             case DiabetesScoreBand::Low:
                 return false;
             case DiabetesScoreBand::AlreadyDiabetic:
             case DiabetesScoreBand::NotAssessable:
                 break;
             }
             return std::nullopt;
         }},
    };
    return list;
}

Judged judge(const GroupMember& m, const ReferenceData& ref)
{
    Judged j{&m,           judgeLabValues(m.exam, ref), std::nullopt,
             std::nullopt, chinaParRisk(m.chinaPar),    diabetesRiskScore(m.diabetesScore)};
    const BloodPressureGrade bp = gradeBloodPressure(m.exam);
    // Besides the normal row, a graded pressure has its grade or a flag;
    // pressures missing or outside any plausible value have neither.
    if (bp.rows.size() > 1)
        j.pressureGrade = bp.adviceLevel.left(1).toInt();
    const ExamInput& e = m.exam;
    // The screen reads a missing value as not met; here it must be known.
    if (e.sex && (*e.sex == kMale || *e.sex == kFemale) && e.bmi && e.triglycerides && e.hdl &&
        e.systolic && e.diastolic && e.fastingGlucose)
        j.metabolicLevel = screenMetabolicDisorder(e).level;
    return j;
}

QStringList followUpReasons(const Judged& j)
{
    const ExamInput& e = j.member->exam;
    QStringList reasons;
    if (j.pressureGrade && *j.pressureGrade >= 2)
        reasons << QStringLiteral("%1级高血压（%2/%3mmHg）")
                       .arg(*j.pressureGrade)
                       .arg(store::numberText(*e.systolic), store::numberText(*e.diastolic));
    if (e.fastingGlucose && *e.fastingGlucose >= kDiabeticFastingGlucose)
        reasons << QStringLiteral("空腹血糖%1mmol/L").arg(store::numberText(*e.fastingGlucose));
    if (markIs(Hba1c, kUp)(j).value_or(false))
        reasons << QStringLiteral("糖化血红蛋白%1%").arg(store::numberText(*e.glycatedHaemoglobin));
    if (j.chinaPar.band == RiskBand::High && j.chinaPar.riskPercent)
        reasons << QStringLiteral("心血管病10年风险高危（%1%）")
                       .arg(QString::number(*j.chinaPar.riskPercent, 'f', 1));
    return reasons;
}

} // namespace

const std::array<QString, kGroupColumnCount>& groupColumnTitles()
{
    static const std::array<QString, kGroupColumnCount> titles = {
        QStringLiteral("合计"),    QStringLiteral("男"),      QStringLiteral("女"),
        QStringLiteral("<30岁"),   QStringLiteral("30-39岁"), QStringLiteral("40-49岁"),
        QStringLiteral("50-59岁"), QStringLiteral("≥60岁")};
    return titles;
}

std::optional<GroupColumn> ageBand(std::optional<double> age)
{
    if (!age || *age < 0)
        return std::nullopt;
    if (*age < 30)
        return Under30;
    if (*age < 40)
        return Age30To39;
    if (*age < 50)
        return Age40To49;
    if (*age < 60)
        return Age50To59;
    return Age60On;
}

QString fractionText(Fraction f)
{
    if (f.denominator == 0)
        return QStringLiteral("无数据");
    return QStringLiteral("%1/%2 (%3%)")
        .arg(f.numerator)
        .arg(f.denominator)
        .arg(QString::number(*fractionPercent(f), 'f', 1));
}

std::optional<double> fractionPercent(Fraction f)
{
    if (f.denominator == 0)
        return std::nullopt;
    return 100.0 * f.numerator / f.denominator;
}

const QStringList& chartedItems()
{
    static const QStringList list = {QStringLiteral("高血压"),       QStringLiteral("超重或肥胖"),
                                     QStringLiteral("中心性肥胖"),   QStringLiteral("血脂异常"),
                                     QStringLiteral("空腹血糖升高"), QStringLiteral("脂肪肝")};
    return list;
}

GroupSummary summarizeGroup(const std::vector<GroupMember>& members, const ReferenceData& ref)
{
    GroupSummary s;
    const std::vector<Item>& list = items();
    for (const Item& item : list)
        s.prevalence.push_back({item.category, item.item, {}});
    for (const GroupMember& m : members) {
        std::vector<int> columns{AllPersons};
        if (m.exam.sex == kMale)
            columns.push_back(Men);
        else if (m.exam.sex == kFemale)
            columns.push_back(Women);
        else
            ++s.unknownSex;
        if (const std::optional<GroupColumn> band = ageBand(m.exam.age))
            columns.push_back(*band);
        else
            ++s.unknownAge;
        for (int c : columns)
            ++s.persons[c];

        const Judged j = judge(m, ref);
        for (size_t i = 0; i < list.size(); ++i) {
            const std::optional<bool> found = list[i].finding(j);
            if (!found)
                continue;
            for (int c : columns) {
                Fraction& f = s.prevalence[i].cells[c];
                ++f.denominator;
                f.numerator += *found;
            }
        }
        QStringList reasons = followUpReasons(j);
        if (!reasons.isEmpty())
            s.followUp.push_back({m.recordNo, m.name, m.exam.sex, m.exam.age, reasons});
    }
    return s;
}

} // namespace hra::analysis
