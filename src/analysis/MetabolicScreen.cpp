#include "analysis/MetabolicScreen.h"

namespace hra::analysis {

MetabolicScreen screenMetabolicDisorder(const ExamInput& e)
{
    const double bmi = e.bmi.value_or(0);
    const double tg = e.triglycerides.value_or(0);
    const double hdl = e.hdl.value_or(0);
    const double s = e.systolic.value_or(0);
    const double d = e.diastolic.value_or(0);
    const double glucose = e.fastingGlucose.value_or(0);

    int n = 0;
    n += bmi >= 25;
    n += tg >= 1.7;
    n += (e.sex == kMale && hdl < 0.9) || (e.sex == kFemale && hdl < 1.1);
    n += s >= 130 || d >= 85;
    n += glucose >= 5.6;

    MetabolicScreen out;
    out.criteria = n;
    if (n <= 2)
        out.level = QStringLiteral("目前没有代谢紊乱现象");
    else if (n == 3)
        out.level = QStringLiteral("危险");
    else if (n == 4)
        out.level = QStringLiteral("I高度危险");
    else
        out.level = QStringLiteral("II高度危险");
    return out;
}

} // namespace hra::analysis
