#include "analysis/LabJudgement.h"

#include <algorithm>

namespace hra::analysis {
namespace {

enum class Position
{
    Below,
    Within,
    Above,
    Unbounded
};

Position compare(double v, const std::optional<ReferenceRange>& range)
{
    const std::optional<double> min = range ? range->min : std::nullopt;
    const std::optional<double> max = range ? range->max : std::nullopt;
    if (min && max)
        return v < *min ? Position::Below : (v > *max ? Position::Above : Position::Within);
    if (min)
        return v >= *min ? Position::Within : Position::Below;
    if (max)
        return v > *max ? Position::Above : Position::Within;
    return Position::Unbounded;
}

// In the order of labColumns().
const char16_t* const kLabels[kLabValueCount] = {
    u"体重指数",     u"收缩压",   u"舒张压", u"总胆固醇",     u"甘油三酯", u"高密度脂蛋白",
    u"低密度脂蛋白", u"空腹血糖", u"糖耐量", u"糖化血红蛋白", u"血尿酸",   u"腰围",
};

constexpr int kWaist = kLabValueCount - 1;

// The waist has one reference row per sex; another sex has none.
std::optional<ReferenceRange> rangeOf(int i, const ExamInput& exam, const ReferenceData& ref)
{
    if (i != kWaist)
        return ref.range(QString::fromLatin1(labColumns()[i]));
    if (exam.sex == kMale)
        return ref.range(QStringLiteral("yaow_nan"));
    if (exam.sex == kFemale)
        return ref.range(QStringLiteral("yaow_nv"));
    return std::nullopt;
}

} // namespace

const std::array<WeightClassBand, 4>& weightClassBands()
{
    static const std::array<WeightClassBand, 4> bands = {{
        {0, WeightClass::Underweight, u"体重过低", u"↓"},
        {18.5, WeightClass::Normal, u"正常", u""},
        {24.0, WeightClass::Overweight, u"超重", u"↑"},
        {28.0, WeightClass::Obese, u"肥胖", u"↑"},
    }};
    return bands;
}

namespace {

const WeightClassBand& bandOf(double bodyMassIndex)
{
    const auto& bands = weightClassBands();
    auto it = std::find_if(bands.rbegin(), bands.rend(),
                           [bodyMassIndex](const auto& b) { return bodyMassIndex >= b.from; });
    return it == bands.rend() ? bands.front() : *it;
}

} // namespace

WeightClass weightClassOf(double bodyMassIndex)
{
    return bandOf(bodyMassIndex).weightClass;
}

QString weightClassText(double bodyMassIndex)
{
    const WeightClassBand& b = bandOf(bodyMassIndex);
    const QString mark = QString::fromUtf16(b.mark);
    return QString::fromUtf16(b.word) + (mark.isEmpty() ? QString() : u' ' + mark);
}

const std::array<const char*, kLabValueCount>& labColumns()
{
    static const std::array<const char*, kLabValueCount> columns = {
        "tizzs",   "shousy",  "shuzy",     "zongdgc",   "ganysz", "gaomdzdb",
        "dimdzdb", "kongfxt", "canhexsxt", "tanghxhdb", "xuens",  "yaow"};
    return columns;
}

const std::array<const char*, kLabValueCount>& labMarkColumns()
{
    static const std::array<const char*, kLabValueCount> columns = {
        "pd_tizzs",   "pd_shousy",  "pd_shuzy",     "pd_zongdgc",   "pd_ganysz", "pd_gaomdzdb",
        "pd_dimdzdb", "pd_kongfxt", "pd_canhexsxt", "pd_tanghxhdb", "pd_xuens",  "pd_yaow"};
    return columns;
}

std::array<std::optional<double>, kLabValueCount> labValues(const ExamInput& e)
{
    return {e.bmi,
            e.systolic,
            e.diastolic,
            e.totalCholesterol,
            e.triglycerides,
            e.hdl,
            e.ldl,
            e.fastingGlucose,
            e.glucoseTolerance,
            e.glycatedHaemoglobin,
            numberFromText(e.uricAcid),
            e.waist};
}

LabMarks judgeLabValues(const ExamInput& exam, const ReferenceData& ref)
{
    const auto values = labValues(exam);
    LabMarks marks;
    for (int i = 0; i < kLabValueCount; ++i) {
        if (!values[i]) {
            marks[i] = QStringLiteral("未测");
            continue;
        }
        const std::optional<ReferenceRange> range = rangeOf(i, exam, ref);
        const bool bothBounds = range && range->min && range->max;
        switch (compare(*values[i], range)) {
        case Position::Below:
            marks[i] = QStringLiteral("↓");
            break;
        case Position::Above:
            marks[i] = QStringLiteral("↑");
            break;
        case Position::Within:
            marks[i] =
                i == kWaist && bothBounds ? QStringLiteral("不超标") : QStringLiteral("正常");
            break;
        case Position::Unbounded:
            break;
        }
    }
    return marks;
}

AbnormalIndicators abnormalIndicators(const ExamInput& exam, const LabMarks& stored,
                                      const ReferenceData& ref)
{
    const auto values = labValues(exam);
    AbnormalIndicators view;
    for (int i = 0; i < kAbnormalViewCount; ++i) {
        if (!values[i]) {
            view[i] = QString();
            continue;
        }
        const QString label = QString::fromUtf16(kLabels[i]);
        switch (compare(*values[i], ref.range(QString::fromLatin1(labColumns()[i])))) {
        case Position::Below:
            view[i] = label + QStringLiteral("偏低");
            break;
        case Position::Above:
            view[i] = label + QStringLiteral("偏高");
            break;
        case Position::Within:
            view[i] = QString();
            break;
        case Position::Unbounded:
            view[i] = stored[i];
            break;
        }
    }
    return view;
}

QStringList abnormalIndicatorList(const ExamInput& exam, const ReferenceData& ref)
{
    // The waist is read beside the body-mass index, not after the uric acid.
    static const int order[kLabValueCount] = {0, 1, 2, kWaist, 3, 4, 5, 6, 7, 8, 9, 10};
    const auto values = labValues(exam);
    QStringList list;
    for (int i : order) {
        if (!values[i])
            continue;
        const QString label = QString::fromUtf16(kLabels[i]);
        switch (compare(*values[i], rangeOf(i, exam, ref))) {
        case Position::Below:
            list << label + QStringLiteral("偏低");
            break;
        case Position::Above:
            list << label + QStringLiteral("偏高");
            break;
        case Position::Within:
        case Position::Unbounded:
            break;
        }
    }
    return list;
}

QString abnormalIndicatorText(const ExamInput& exam, const ReferenceData& ref)
{
    const QStringList list = abnormalIndicatorList(exam, ref);
    if (!list.isEmpty())
        return list.join(u'\n');
    const auto values = labValues(exam);
    const bool measured =
        std::any_of(values.begin(), values.end(), [](const auto& v) { return v.has_value(); });
    return measured ? QStringLiteral("无") : QStringLiteral("未测");
}

} // namespace hra::analysis
