#include "analysis/BloodPressureGrade.h"

#include <optional>

namespace hra::analysis {
namespace {

// Pressures are whole mmHg; the bands are written as half-open ranges so that
// a fractional value still falls into exactly one of them.
enum class Systolic
{
    Low,
    Normal,
    Stage1,
    Stage2,
    Stage3,
    Outside
};
enum class Diastolic
{
    Low,
    Normal,
    High,
    Outside
};

Systolic systolicBand(double s)
{
    if (s < 0 || s > 800)
        return Systolic::Outside;
    if (s < 90)
        return Systolic::Low;
    if (s < 140)
        return Systolic::Normal;
    if (s < 160)
        return Systolic::Stage1;
    if (s < 180)
        return Systolic::Stage2;
    return Systolic::Stage3;
}

struct Level
{
    QString text;
    int level;
};

const Level kNormal{QStringLiteral("您的血压正常"), 0};
const Level kGrade1{QStringLiteral("您为1级高血压"), 1};
const Level kGrade2{QStringLiteral("您为2级高血压"), 2};
const Level kGrade3{QStringLiteral("您为3级高血压"), 3};

} // namespace

BloodPressureGrade gradeBloodPressure(const ExamInput& exam)
{
    const double s = exam.systolic.value_or(-10000);
    const double d = exam.diastolic.value_or(-10000);

    std::optional<Level> level;
    bool systolicFlag = false;
    bool diastolicFlag = false;

    const bool missing = s == -10000 || d == -10000;
    const bool dOutside = d < 0 || d > 800;
    if (!missing && !dOutside) {
        switch (systolicBand(s)) {
        case Systolic::Low:
            // Low systolic is always flagged; diastolic outside 60-90 as well.
            systolicFlag = true;
            diastolicFlag = d < 60 || d >= 91;
            break;
        case Systolic::Normal:
            if (d >= 60 && d < 91)
                level = kNormal;
            else
                diastolicFlag = true;
            break;
        case Systolic::Stage1:
            level = d < 100 ? kGrade1 : (d < 110 ? kGrade2 : kGrade3);
            break;
        case Systolic::Stage2:
            level = d < 110 ? kGrade2 : kGrade3;
            break;
        case Systolic::Stage3:
            level = kGrade3;
            break;
        case Systolic::Outside:
            break;
        }
    }

    BloodPressureGrade out;
    out.rows.push_back({QStringLiteral("正常人的级别"), 0});
    if (level)
        out.rows.push_back({level->text, static_cast<double>(level->level)});
    if (systolicFlag)
        out.rows.push_back({QStringLiteral("您的收缩压异常"), s});
    if (diastolicFlag)
        out.rows.push_back({QStringLiteral("您的舒张压异常"), d});
    out.adviceLevel = QStringLiteral("%1级").arg(level && level->level > 0 ? level->level : 0);
    return out;
}

} // namespace hra::analysis
