#include "domain/FormDeclaration.h"

#include "store/NumberText.h"

#include <cmath>

namespace hra::domain {

const FieldDeclaration* FormDeclaration::field(QStringView column) const
{
    for (const SectionDeclaration& s : sections)
        for (const FieldDeclaration& f : s.fields)
            if (column == f.column)
                return &f;
    return nullptr;
}

std::vector<const FieldDeclaration*> FormDeclaration::fields() const
{
    std::vector<const FieldDeclaration*> all;
    for (const SectionDeclaration& s : sections)
        for (const FieldDeclaration& f : s.fields)
            all.push_back(&f);
    return all;
}

QVariant parseNumber(const QString& text, bool* ok)
{
    const QString t = text.trimmed();
    *ok = true;
    if (t.isEmpty())
        return QVariant();
    const double d = t.toDouble(ok);
    if (!*ok)
        return QVariant();
    if (d == static_cast<double>(static_cast<qint64>(d)) && !t.contains(u'e', Qt::CaseInsensitive))
        return static_cast<qint64>(d);
    return d;
}

namespace {

bool isNumeric(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

ValueProblem checkValue(const FieldDeclaration& field, const store::ColumnDef& column,
                        const QVariant& value)
{
    const QString text = value.toString();
    const bool absent = value.isNull() || (!isNumeric(value) && text.isEmpty());
    if (field.isRequired() && (absent || (!isNumeric(value) && text.trimmed().isEmpty())))
        return ValueProblem::Missing;

    switch (field.kind) {
    case ControlKind::Tick:
        if (absent || (text != field.caption && text != QLatin1String("0")))
            return ValueProblem::NotATick;
        break;
    case ControlKind::Options:
        if (!absent && !field.options.contains(text))
            return ValueProblem::NotAnOption;
        break;
    case ControlKind::Number:
        if (!absent) {
            bool ok = true;
            const QVariant number = isNumeric(value) ? value : parseNumber(text, &ok);
            if (!ok)
                return ValueProblem::NotANumber;
            if (field.range && !number.isNull() && !field.range->contains(number.toDouble()))
                return ValueProblem::OutOfRange;
        }
        break;
    case ControlKind::Text:
    case ControlKind::Choice:
        break;
    }
    if (!absent && !isNumeric(value) && column.width > 0 &&
        (column.type == store::ColumnType::Text || column.type == store::ColumnType::FixedText) &&
        text.size() > column.width)
        return ValueProblem::TooLong;
    return ValueProblem::None;
}

QString valueProblemText(ValueProblem problem, const FieldDeclaration& field,
                         const store::ColumnDef& column, const QVariant& value)
{
    const QString shown = QStringLiteral("“%1”").arg(value.toString());
    switch (problem) {
    case ValueProblem::Missing:
        return field.requiredMessage;
    case ValueProblem::NotAnOption: {
        QStringList options;
        for (const QString& o : field.options)
            options << QStringLiteral("“%1”").arg(o);
        return QStringLiteral("%1不是可选的答案(%2)").arg(shown, options.join(u'、'));
    }
    case ValueProblem::NotATick:
        return QStringLiteral("%1应为“%2”或空").arg(shown, field.caption);
    case ValueProblem::NotANumber:
        return QStringLiteral("%1不是有效的数字").arg(shown);
    case ValueProblem::TooLong:
        return QStringLiteral("%1超过%2个字符").arg(shown).arg(column.width);
    case ValueProblem::UnknownColumn:
        return QStringLiteral("没有这一项");
    case ValueProblem::OutOfRange:
        return shown + (field.range ? field.range->description() : QString());
    case ValueProblem::None:
        break;
    }
    return QString();
}

bool NumberRange::contains(double value) const
{
    if (!std::isfinite(value) || value < minimum || value > maximum)
        return false;
    if (whole)
        return value == std::floor(value);
    if (decimals < 0)
        return true;
    // 72.5 is stored as 72.499999..., so compare the shortest text of the number.
    const double scaled = value * std::pow(10.0, decimals);
    return std::fabs(scaled - std::round(scaled)) < 1e-6 * std::max(1.0, std::fabs(scaled));
}

QString NumberRange::description() const
{
    QString text = QStringLiteral("必须是%1到%2之间的%3")
                       .arg(store::numberText(minimum), store::numberText(maximum),
                            whole ? QStringLiteral("整数") : QStringLiteral("数"));
    if (!whole && decimals >= 0)
        text += QStringLiteral("(最多%1位小数)").arg(decimals);
    return text;
}

const FieldOrder* brokenOrder(const FormDeclaration& form,
                              const std::function<QVariant(const QString&)>& valueOf)
{
    auto number = [&](const QString& column) -> std::optional<double> {
        const QVariant v = valueOf(column);
        if (v.isNull())
            return std::nullopt;
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        return ok ? std::optional<double>(d) : std::nullopt;
    };
    for (const FieldOrder& order : form.orders) {
        const auto higher = number(order.higher);
        const auto lower = number(order.lower);
        if (higher && lower && !(*higher > *lower))
            return &order;
    }
    return nullptr;
}

ValueProblem checkValue(const FormDeclaration& form, QStringView column, const QVariant& value)
{
    const FieldDeclaration* f = form.field(column);
    const store::ColumnDef* c = f ? store::column(form.table, column) : nullptr;
    if (!c)
        return ValueProblem::UnknownColumn;
    return checkValue(*f, *c, value);
}

} // namespace hra::domain
