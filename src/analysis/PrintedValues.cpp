#include "analysis/PrintedValues.h"

#include "store/NumberText.h"

#include <QStringList>

namespace hra::analysis {

QString rangeText(const std::optional<ReferenceRange>& range)
{
    if (!range)
        return QStringLiteral("／");
    const std::optional<double> min = range->min && *range->min != 0 ? range->min : std::nullopt;
    const QString unit = range->unit.value_or(QString());
    if (min && range->max)
        return store::numberText(*min) + u'-' + store::numberText(*range->max) + unit;
    if (range->max)
        return QStringLiteral("≤") + store::numberText(*range->max) + unit;
    if (min)
        return QStringLiteral("≥") + store::numberText(*min) + unit;
    return QStringLiteral("／");
}

std::array<PrintedValue, kLabValueCount> printedLabValues(const ExamInput& exam,
                                                          const ReferenceData& ref)
{
    const auto values = labValues(exam);
    const LabMarks marks = judgeLabValues(exam, ref);
    std::array<PrintedValue, kLabValueCount> out;
    for (int i = 0; i < kLabValueCount; ++i) {
        PrintedValue& p = out[i];
        p.value = values[i] ? store::numberText(*values[i]) : QStringLiteral("未测");
        p.mark = marks[i].value_or(QString());
        p.abnormal = p.mark == QStringLiteral("↑") || p.mark == QStringLiteral("↓");
        const QString column = QString::fromLatin1(labColumns()[i]);
        if (column != QStringLiteral("yaow")) {
            p.range = rangeText(ref.range(column));
        } else if (exam.sex == kMale || exam.sex == kFemale) {
            p.range = rangeText(ref.range(exam.sex == kMale ? QStringLiteral("yaow_nan")
                                                            : QStringLiteral("yaow_nv")));
        } else {
            p.range = QStringLiteral("男") + rangeText(ref.range(QStringLiteral("yaow_nan"))) +
                      QStringLiteral("，女") + rangeText(ref.range(QStringLiteral("yaow_nv")));
        }
    }
    return out;
}

QString joinedAnswers(const QStringList& answers)
{
    QStringList given;
    for (const QString& a : answers)
        if (!a.trimmed().isEmpty() && a.trimmed() != QStringLiteral("0"))
            given << a.trimmed();
    return given.isEmpty() ? QStringLiteral("无") : given.join(QStringLiteral("、"));
}

QString smokingSummary(const std::optional<QString>& smokes,
                       const std::optional<QString>& cigarettes)
{
    if (isBlank(smokes))
        return QStringLiteral("未填写");
    const QString s = smokes->trimmed();
    if (s == QStringLiteral("是"))
        return isBlank(cigarettes) ? QStringLiteral("吸烟")
                                   : QStringLiteral("吸烟，每天") + cigarettes->trimmed();
    if (s == QStringLiteral("偶吸"))
        return QStringLiteral("偶尔吸烟");
    if (s == QStringLiteral("否"))
        return QStringLiteral("不吸烟");
    if (s == QStringLiteral("已戒"))
        return QStringLiteral("已戒烟");
    return s;
}

} // namespace hra::analysis
