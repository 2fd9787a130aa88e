#include "analysis/DiseaseIndices.h"

#include <cmath>

namespace hra::analysis {
namespace {

// Text answers that are blank count as not given: an empty family-history
// drop-down or occupation names nobody and must not add a risk term.
std::optional<QString> given(const std::optional<QString>& text)
{
    return isBlank(text) ? std::nullopt : text;
}

bool is(const std::optional<QString>& text, const char16_t* value)
{
    return given(text) && *text == QStringView(value);
}

// A family-history answer names a relative unless it is missing or "0".
bool namesRelative(const std::optional<QString>& text)
{
    return given(text) && *text != QStringLiteral("0");
}

double ageOf(const ExamInput& exam)
{
    return exam.age.value_or(-10000);
}

} // namespace

double roundHalfToEven(double value)
{
    const double down = std::floor(value);
    const double fraction = value - down;
    if (fraction > 0.5)
        return down + 1;
    if (fraction < 0.5)
        return down;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

QString peerLabel()
{
    return QStringLiteral("同龄人正常指数");
}

QString personLabel(Disease disease)
{
    switch (disease) {
    case Disease::Coronary:
        return QStringLiteral("您患冠心病的指数");
    case Disease::Stroke:
        return QStringLiteral("您患脑卒中的指数");
    case Disease::Diabetes:
        break;
    }
    return QStringLiteral("您患糖尿病的指数");
}

DiseaseIndex coronaryIndex(const DiseaseInputs& in, const ReferenceData& ref)
{
    const ExamInput& e = in.exam;
    double r = 0;
    r += ref.band(BandTable::SystolicCoronary, e.sex, e.systolic.value_or(0));
    r += ref.band(BandTable::DiastolicCoronary, e.sex, e.diastolic.value_or(0));
    r += ref.band(BandTable::CholesterolCoronary, e.sex,
                  e.totalCholesterol ? roundHalfToEven(*e.totalCholesterol) : 0);
    if (e.triglycerides && *e.triglycerides > 1.7)
        r += (*e.triglycerides - 1.7) / 0.2 * 0.26;
    r += ref.band(BandTable::BmiCoronary, e.sex, e.bmi.value_or(0));
    if (is(in.status.type2Diabetes, u"2型糖尿病"))
        r += 3;

    const LifestyleInput& l = in.lifestyle;
    double smoking = 0;
    if (given(l.smokes) && !is(l.smokes, u"否"))
        smoking = 1.43;
    if (is(l.smokes, u"是") && is(l.cigarettes, u"20支以上"))
        smoking = 7.25;
    r += smoking;

    const double a = ref.band(BandTable::AgeCoronary, e.sex, ageOf(e));
    return {a, (r + 1) * a, r};
}

DiseaseIndex strokeIndex(const DiseaseInputs& in, const ReferenceData& ref)
{
    const ExamInput& e = in.exam;
    double r = 0;
    if (e.systolic && *e.systolic > 120)
        r += (*e.systolic - 120) * 0.046;
    if (e.diastolic && *e.diastolic > 80)
        r += (*e.diastolic - 80) * 0.061;
    if (is(in.status.coronary, u"冠心病"))
        r += 2.0;
    if (is(in.status.type2Diabetes, u"2型糖尿病"))
        r += 2.7;
    if (is(in.status.cerebralHaemorrhage, u"脑出血"))
        r += 13.0;
    if (is(in.lifestyle.smokes, u"是"))
        r += 2.3;
    // A daily amount that holds no number counts as not given.
    if (is(in.lifestyle.drinks, u"是")) {
        const std::optional<double> ml = numberFromText(in.lifestyle.dailyDrink);
        if (ml && *ml > 60)
            r += 0.67;
    }
    if (namesRelative(in.status.familyStroke))
        r += 5.0;

    const double a = ref.band(BandTable::AgeStroke, e.sex, ageOf(e));
    return {a, (r + 1) * a, r};
}

DiseaseIndex diabetesIndex(const DiseaseInputs& in, const ReferenceData& ref)
{
    const ExamInput& e = in.exam;
    double r = 0;
    if (given(e.occupation))
        r += isOneOf(e.occupation, {u"体力劳动", u"工人", u"农民"}) ? -0.77 : 2.18;
    if (namesRelative(in.status.familyType2Diabetes))
        r += 6.3;
    r += ref.band(BandTable::BmiDiabetes, e.sex, e.bmi.value_or(0));
    if (given(in.lifestyle.smokes))
        r += is(in.lifestyle.smokes, u"是") ? 1.68 : -0.37;

    const double a = ref.band(BandTable::AgeDiabetes, e.sex, ageOf(e));
    return {a, (r + 1) * a, r};
}

DiseaseIndex diseaseIndex(Disease disease, const DiseaseInputs& in, const ReferenceData& ref)
{
    switch (disease) {
    case Disease::Coronary:
        return coronaryIndex(in, ref);
    case Disease::Stroke:
        return strokeIndex(in, ref);
    case Disease::Diabetes:
        break;
    }
    return diabetesIndex(in, ref);
}

} // namespace hra::analysis
