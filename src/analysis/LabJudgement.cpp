#include "analysis/LabJudgement.h"

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

const char16_t* const kLabels[kAbnormalViewCount] = {
    u"pd_tizzs",     u"pd_shousy", u"pd_shuzy", u"总胆固醇",     u"甘油三酯", u"高密度脂蛋白",
    u"低密度脂蛋白", u"空腹血糖",  u"糖耐量",   u"糖化血红蛋白", u"血尿酸",
};

constexpr int kWaist = kLabValueCount - 1;

} // namespace

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
        // The waist has one reference row per sex; another sex has none.
        std::optional<ReferenceRange> range;
        if (i != kWaist)
            range = ref.range(QString::fromLatin1(labColumns()[i]));
        else if (exam.sex == kMale)
            range = ref.range(QStringLiteral("yaow_nan"));
        else if (exam.sex == kFemale)
            range = ref.range(QStringLiteral("yaow_nv"));
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

} // namespace hra::analysis
