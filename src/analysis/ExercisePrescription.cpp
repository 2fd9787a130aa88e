#include "analysis/ExercisePrescription.h"

#include "analysis/ExactDecimal.h"
#include "analysis/LabJudgement.h"

#include <QStringList>
#include <algorithm>

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
    double minutesPerKcal;
    bool vigorous;
};

const ActivityLine kActivities[] = {
    {u"　散步：", 0.55, false},   {u"　健身操/跳舞/打桌球：", 0.2, false},
    {u"　慢跑：", 0.092, true},   {u"　自行车：", 0.326, false},
    {u"　爬楼梯：", 0.125, true}, {u"　有氧运动：", 0.238, false},
    {u"　打网球：", 0.17, true},
};

// A tick box holds its caption when ticked and "0" when not.
bool ticked(const std::optional<QString>& box)
{
    return !isBlank(box) && box->trimmed() != QStringLiteral("0");
}

// Why a doctor decides first: the ticked heart and brain diseases and a
// pressure of grade 3; empty when nothing calls for it.
QStringList doctorReasons(const ExamInput& exam, const StatusInput& status)
{
    QStringList diseases;
    for (const auto* box :
         {&status.coronary, &status.cerebralHaemorrhage, &status.cerebralThrombosis,
          &status.otherHeartDisease, &status.hypertensiveHeartDisease,
          &status.congenitalHeartDisease, &status.pulmonaryHeartDisease})
        if (ticked(*box))
            diseases << (*box)->trimmed();
    QStringList reasons;
    if (!diseases.isEmpty()) {
        // Two names are enough to say why; the page has room for one line.
        const QString named = diseases.mid(0, 2).join(QStringLiteral("、"));
        reasons << QStringLiteral("您患有") + named +
                       (diseases.size() > 2 ? QStringLiteral("等") : QString());
    }
    if (exam.systolic.value_or(0) >= 180 || exam.diastolic.value_or(0) >= 110) {
        const auto mmHg = [](const std::optional<double>& v) {
            return v ? QString::number(*v) : QStringLiteral("—");
        };
        reasons << QStringLiteral("您的血压为%1/%2mmHg，已达3级高血压")
                       .arg(mmHg(exam.systolic), mmHg(exam.diastolic));
    }
    return reasons;
}

std::optional<double> bodyMassIndex(const ExamInput& exam)
{
    if (exam.bmi)
        return exam.bmi;
    const double h = exam.height.value_or(0);
    if (h > 0 && exam.weight)
        return *exam.weight / (h * h);
    return std::nullopt;
}

QString kindForEnergy(qint64 e, bool elderly)
{
    if (e < 100)
        return QStringLiteral("散步、做家务、做操等同等强度的运动方式。");
    if (e < 200)
        return QStringLiteral("散步、打扫房间、打高尔夫等同等强度的运动方式。");
    if (e <= 300)
        return QStringLiteral("羽毛球、跳舞、重的家务活等同等强度的运动方式。");
    if (elderly)
        return QStringLiteral("快走、游泳、太极拳等同等强度的运动方式。");
    return QStringLiteral("爬山、游泳、足球等同等强度的运动方式。");
}

QString intensityAdvice(bool elderly, const QString& heartRate)
{
    return QStringLiteral("　　运动强度以中等强度的有氧运动为主，如%1等。运动时心跳和呼吸加快、"
                          "微微出汗，但仍能正常说话；可在运动中数一数脉搏，检查运动强度是否合适。"
                          "您的有氧运动%2")
        .arg(elderly ? QStringLiteral("快走、骑自行车、游泳、太极拳、跳舞")
                     : QStringLiteral("快走、慢跑、骑自行车、游泳、跳舞"),
             heartRate);
}

} // namespace

QString exerciseIntensityAdviceWithoutPrescription()
{
    return QStringLiteral("　　运动强度以中等强度的有氧运动为主，如快走、骑自行车、游泳、跳舞等。"
                          "运动时心跳和呼吸加快、微微出汗，但仍能正常说话。");
}

QString exerciseFrequencyAdvice()
{
    return QStringLiteral("　　每周至少运动5天，每天累计30分钟以上，每周累计150分钟以上；每周再安排"
                          "2～3次肌肉力量练习。减少久坐，每坐1小时起身活动几分钟。");
}

bool exerciseNeedsDoctor(const ExamInput& exam, const StatusInput& status)
{
    return !doctorReasons(exam, status).isEmpty();
}

QString adviceForDoctorFirst(const QString& advice)
{
    // The advice rows are the centre's to edit: whatever one says of
    // exercise, this person is to start none before the doctor has seen them.
    static const QString kFirst =
        QStringLiteral("运动前请先到医院评估运动风险，运动的方式和强度请在医生指导下确定。");
    if (!advice.contains(QStringLiteral("运动")) || advice.contains(kFirst))
        return advice;
    return advice + kFirst;
}

ExercisePrescription prescribeExercise(const ExamInput& exam, const ExerciseInput& exercise,
                                       const ReferenceData& ref, const StatusInput& status)
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
    if (excess.sign() > 0)
        out.energy = cut(exact(1 + f) * exact(1.1) * exact(k) * excess);

    const bool elderly = age >= kNoVigorousFromAge;
    const std::optional<double> bmi = bodyMassIndex(exam);
    const QStringList reasons = doctorReasons(exam, status);

    if (!reasons.isEmpty()) {
        out.doctorFirst = true;
        out.intro =
            QStringLiteral("　　") + reasons.join(u'，') +
            QStringLiteral("，运动前需要由医生评估风险，本页不给出运动量。请先到医院评估运动"
                           "风险，在医生指导下制定运动处方，并遵守下面的注意事项。");
        out.frequency = QStringLiteral("在医生指导下确定");
        out.amount = QStringLiteral("请先到医院评估运动风险");
        out.kind = QStringLiteral("在医生指导下制定运动处方。");
        out.minutes = QStringLiteral(
            "　请先到医院评估运动风险，在医生指导下制定运动处方。\n"
            "　运动中如出现胸闷、胸痛、头晕、心慌、明显气短等不适，应立即停止运动并就医。");
        out.intensity = QStringLiteral("在医生指导下确定");
    } else if (bmi && weightClassOf(*bmi) == WeightClass::Underweight) {
        out.intro = QStringLiteral("　　您的体重指数低于18.5，属于体重过低，不宜以消耗能量为目的"
                                   "运动。请先增加膳食营养，再结合自身体力适量运动，增强体质。");
        out.frequency = QStringLiteral("量力而行，循序渐进；每周至少2天做肌肉力量练习。");
        out.amount = QStringLiteral("您的体重偏瘦!");
        out.minutes = QStringLiteral("　　请您增加膳食营养，结合自身体质情况选择适当的运动时间！");
        out.kind = QStringLiteral("请增加膳食营养，结合体力选择适当的运动方式。");
    } else if (out.energy <= 0 || cut(ExactDecimal::fromInteger(out.energy) *
                                      exact(kActivities[0].minutesPerKcal)) < kBasicDailyMinutes) {
        // At or below the table's weight with a normal or high index, or so
        // little above it that the energy asks for less walking than the
        // guideline's basic day: the basic amount, which keeps the weight.
        out.frequency =
            QStringLiteral("每周运动5～7天，每天30～60分钟，可一次完成，也可分几次完成。");
        out.amount = QStringLiteral("每周150～300分钟中等强度运动");
        out.kind = QStringLiteral("快走、骑自行车、游泳、太极拳等中等强度的运动方式。");
        QStringList lines{QStringLiteral("　建议您每周进行150～300分钟中等强度的身体活动，"
                                         "如每周5～7天、每天30～60分钟；"),
                          QStringLiteral("　每周2～3天做肌肉力量练习。")};
        if (elderly)
            lines << QStringLiteral("　并做平衡和柔韧练习，预防跌倒。");
        out.minutes = lines.join(u'\n');
    } else {
        // One day's exercise spends at most the cap; the rest of the deficit
        // belongs to the diet.
        const qint64 e = out.energy;
        out.dailyEnergy = std::min(e, kMaxDailyExerciseEnergy);
        out.frequency =
            QStringLiteral("每周运动5～7天，每天按上表的时间运动，可一次完成，也可分几次完成。");
        out.amount = QString::number(out.dailyEnergy) + QStringLiteral("千卡左右");
        out.kind = kindForEnergy(e, elderly);
        QStringList lines{QStringLiteral("　建议您每天任选一项运动（或同等强度），时间为：")};
        if (e > kMaxDailyExerciseEnergy)
            lines << QStringLiteral("　其余的能量缺口请通过控制饮食来弥补。");
        for (const ActivityLine& a : kActivities) {
            if (a.vigorous && elderly)
                continue;
            const qint64 minutes =
                std::min(kMaxActivityMinutes,
                         cut(ExactDecimal::fromInteger(out.dailyEnergy) * exact(a.minutesPerKcal)));
            lines << QString::fromUtf16(a.text) + QString::number(minutes) + QStringLiteral("分钟");
        }
        out.minutes = lines.join(u'\n');
    }
    if (out.doctorFirst) {
        out.intensityAdvice =
            QStringLiteral("　　您需要先到医院评估运动风险，运动的方式和强度请在医生指导下确定"
                           "（见第九部分“运动指导”）。医生评估之前，请不要自行进行中等及以上"
                           "强度的运动。");
        out.frequencyAdvice = QStringLiteral("　　运动的次数和时间请在医生指导下确定。日常生活中"
                                             "仍应减少久坐，每坐1小时起身活动几分钟。");
    } else {
        out.intensityAdvice = intensityAdvice(elderly, out.intensity.value_or(QString()));
        out.frequencyAdvice = exerciseFrequencyAdvice();
    }
    if (out.intro.isEmpty())
        // The usual exercise only counts when it was answered.
        out.intro =
            isBlank(exercise.kind)
                ? QStringLiteral("　　您未填写平时的运动方式，下面的运动处方按您的身高、体重和"
                                 "年龄制定，按平时不运动计算。请在身体条件允许的前提下，"
                                 "循序渐进地执行，并长期坚持。")
                : QStringLiteral("　　根据您的身高、体重、年龄和目前的运动习惯，我们为您量身"
                                 "制定了下面的运动处方。请在身体条件允许的前提下，循序渐进"
                                 "地执行，并长期坚持。");
    return out;
}

} // namespace hra::analysis
