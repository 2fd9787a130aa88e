#include "analysis/ExercisePrescription.h"

#include "analysis/ExactDecimal.h"

#include <QStringList>

namespace hra::analysis {
namespace {

double activityFactor(const std::optional<QString>& kind)
{
    if (isOneOf(kind, {u"散步,一般家务,乘车"}))
        return 0.2;
    if (isOneOf(kind, {u"太极拳,上楼梯"}))
        return 0.3;
    if (isOneOf(kind, {u"打网球,骑自行车"}))
        return 0.4;
    if (isOneOf(kind, {u"打篮球,快跑"}))
        return 0.5;
    return 0;
}

// The resting-energy coefficient by sex and age.
double energyCoefficient(bool male, double age)
{
    if (age >= 18 && age <= 30)
        return male ? 15.2 : 14.6;
    if (age >= 31 && age <= 60)
        return male ? 11.5 : 8.6;
    if (age >= 61 && age <= 100)
        return male ? 13.4 : 10.4;
    return 1.0;
}

qint64 cut(const ExactDecimal& value)
{
    return value.truncated();
}

ExactDecimal exact(double value)
{
    return ExactDecimal::fromDouble(value);
}

struct ActivityLine
{
    const char16_t* text;
    double factor;
};

const ActivityLine kActivities[] = {
    {u"　散步：", 0.55},      {u"　健身操/跳舞/打桌球：", 0.2},
    {u"　慢跑：", 0.092},     {u"　自行车：", 0.326},
    {u"　爬楼梯：", 0.125},   {u"　插花：", 0.526},
    {u"　有氧运动：", 0.238}, {u"　打网球：", 0.17},
};

} // namespace

ExercisePrescription prescribeExercise(const ExamInput& exam, const ExerciseInput& exercise,
                                       const ReferenceData& ref)
{
    const QString sex = exam.sex.value_or(QString());
    if (sex != kMale && sex != kFemale)
        throw AnalysisError(QStringLiteral("性别不是“男”或“女”，无法计算运动处方。"));
    const bool male = sex == kMale;

    const double age = exam.age.value_or(0);
    // The height is stored in metres with two decimals; in centimetres it is
    // a whole number that binary arithmetic must not turn into 170.00000000000003.
    const ExactDecimal heightCm = exact(exam.height.value_or(0)) * ExactDecimal::fromInteger(100);
    const double weight = exam.weight.value_or(0);
    const double f = activityFactor(exercise.kind);
    const double k = energyCoefficient(male, age);
    const ExactDecimal base = ExactDecimal::fromInteger(male ? 220 : 230) - exact(age);

    ExercisePrescription out;
    out.intensity = QStringLiteral("有效心率：%1-%2次/分")
                        .arg(cut(base * exact(0.6)))
                        .arg(cut(base * exact(0.7)));

    out.standardWeight = ref.standardWeight(sex, age, heightCm.toDouble()).value_or(0);
    const ExactDecimal excess = exact(weight) - exact(out.standardWeight);
    out.excess = excess.toDouble();

    if (excess.sign() > 0) {
        const qint64 e = cut(exact(1 + f) * exact(1.1) * exact(k) * excess);
        out.energy = e;
        out.amount = QString::number(e) + QStringLiteral("千卡左右");
        if (e > 0 && e < 100)
            out.kind = QStringLiteral("驾驶、打字、玩牌等同等强度的运动方式。");
        else if (e >= 100 && e < 200)
            out.kind = QStringLiteral("散步、打扫房间、打高尔夫等同等强度的运动方式。");
        else if (e >= 200 && e <= 300)
            out.kind = QStringLiteral("羽毛球、跳舞、重的家务活等同等强度的运动方式。");
        else if (e > 300)
            out.kind = QStringLiteral("爬山、足球、爬山等同等强度的运动方式。");
        QStringList lines{QStringLiteral("　建议您的运动（或同等强度）类型和时间为：")};
        for (const ActivityLine& a : kActivities)
            lines << QString::fromUtf16(a.text) +
                         QString::number(cut(ExactDecimal::fromInteger(e) * exact(a.factor))) +
                         QStringLiteral("分钟");
        out.minutes = lines.join(u'\n');
    } else {
        out.amount = QStringLiteral("您的体重偏瘦!");
        out.minutes =
            QStringLiteral("　　请您增加膳食营养，结合自身体质情况选择适当的运\n\r　动时间！");
        out.kind = QStringLiteral("请增加膳食营养，结合体力选择适当的运动方式。");
    }
    return out;
}

} // namespace hra::analysis
