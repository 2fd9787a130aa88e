#include "domain/SaveRules.h"

#include "domain/QuestionnaireForms.h"
#include "store/NumberText.h"

#include <cmath>

namespace hra::domain {
namespace {

bool isEmptyText(const QVariant& v)
{
    return v.isNull() || v.toString().isEmpty();
}

// Weekly frequencies in column order of the verdict table.
const QStringList& frequencies()
{
    static const QStringList f = {QStringLiteral("≤2次"), QStringLiteral("2-4次"),
                                  QStringLiteral("5-7次"), QStringLiteral("≥7次")};
    return f;
}

struct VerdictRow
{
    QString kind;
    QString verdicts[4];
};

const std::vector<VerdictRow>& verdictTable()
{
    static const QString no = QStringLiteral("不合适"), fair = QStringLiteral("一般"),
                         good = QStringLiteral("合适");
    static const std::vector<VerdictRow> t = {
        {QStringLiteral("散步,一般家务,乘车"), {no, fair, fair, fair}},
        {QStringLiteral("太极拳,上楼梯"), {no, fair, good, good}},
        {QStringLiteral("打网球,骑自行车"), {no, fair, good, good}},
        {QStringLiteral("打篮球,快跑"), {no, fair, fair, fair}},
    };
    return t;
}

double toNumber(const QVariant& v, const char* what)
{
    bool ok = false;
    const double d = v.toString().trimmed().toDouble(&ok);
    if (!ok)
        throw SaveRuleError(std::string(what) + " is not a number");
    return d;
}

} // namespace

QString tableName(AssessmentTable table)
{
    switch (table) {
    case AssessmentTable::Register:
        return QStringLiteral("jkpg_id");
    case AssessmentTable::CurrentStatus:
        return QStringLiteral("jkpg_mqzk");
    case AssessmentTable::Diet:
        return QStringLiteral("jkpg_ssyy");
    case AssessmentTable::Exercise:
        return QStringLiteral("jkpg_ydfs");
    case AssessmentTable::Lifestyle:
        return QStringLiteral("jkpg_shfs");
    case AssessmentTable::Examination:
        break;
    }
    return QStringLiteral("jkpg_tgjc");
}

void applyNewRowDefaults(AssessmentTable table, QVariantMap& row)
{
    if (table == AssessmentTable::Register)
        return;
    // A box the operator never ticked is stored as "0", not NULL.
    for (const FieldDeclaration* field : questionnairePage(table).form.fields())
        if (field->kind == ControlKind::Tick)
            row.insert(field->column, QStringLiteral("0"));
}

QVariant exerciseVerdict(const QVariant& kind, const QVariant& frequency, const QVariant& previous)
{
    if (isEmptyText(kind))
        return QString();
    const qsizetype column = frequencies().indexOf(frequency.toString());
    if (column < 0)
        return previous;
    for (const VerdictRow& r : verdictTable())
        if (r.kind == kind.toString())
            return r.verdicts[column];
    return previous;
}

std::optional<double> bodyMassIndex(const QVariant& height, const QVariant& weight)
{
    if (height.isNull() || weight.isNull())
        return std::nullopt;
    const double h = toNumber(height, "height");
    const double w = toNumber(weight, "weight");
    if (h == 0.0)
        throw SaveRuleError("a height of 0 gives no body-mass index");
    const double bmi = w / (h * h);
    if (!std::isfinite(bmi))
        throw SaveRuleError("the body-mass index is not a finite number");
    // Rounded to the two decimals shown; cutting its text made 1e-300 kg "1.111".
    return std::round(bmi * 100.0) / 100.0;
}

void applySaveRules(AssessmentTable table, QVariantMap& row, const QString& recordNumber,
                    AssessmentMode mode, const QDateTime& serverNow)
{
    const QString bianh = recordNumber.trimmed();
    const bool stampSection = mode != AssessmentMode::Stored;
    switch (table) {
    case AssessmentTable::Register:
        row.insert(QStringLiteral("lurrq"), serverNow);
        return;
    case AssessmentTable::CurrentStatus:
        row.insert(QStringLiteral("mqzk_id"), QStringLiteral("jkpg_mqzk"));
        break;
    case AssessmentTable::Exercise:
        row.insert(QStringLiteral("yundjg"), exerciseVerdict(row.value(QStringLiteral("duanlfs")),
                                                             row.value(QStringLiteral("duanlcs")),
                                                             row.value(QStringLiteral("yundjg"))));
        break;
    case AssessmentTable::Diet:
    case AssessmentTable::Lifestyle:
    case AssessmentTable::Examination:
        break;
    }
    row.insert(QStringLiteral("bianh"), bianh);
    if (stampSection)
        row.insert(QStringLiteral("lurrq"), serverNow);
    if (table == AssessmentTable::Examination) {
        if (const auto bmi =
                bodyMassIndex(row.value(QStringLiteral("sheng")), row.value(QStringLiteral("tiz"))))
            row.insert(QStringLiteral("tizzs"), *bmi);
    }
}

} // namespace hra::domain
