#include "domain/ReferenceRanges.h"

#include "store/NumberText.h"
#include "store/Sql.h"

namespace hra::domain {

QString referenceRangeText(const QVariant& minValue, const QVariant& maxValue, const QVariant& unit)
{
    const QString low = store::valueText(minValue);
    const QString high = store::valueText(maxValue);
    // A bound alone reads as one ("≥1mmol/L"), not as a range cut short ("1-mmol/L").
    if (!low.isEmpty() && high.isEmpty())
        return u'≥' + low + unit.toString();
    if (low.isEmpty() && !high.isEmpty())
        return u'≤' + high + unit.toString();
    return low + u'-' + high + unit.toString();
}

store::RowBuffer referenceRangeBuffer()
{
    store::RowBuffer row(QStringLiteral("jkpg_sjzd"),
                         {QStringLiteral("biaomc"), QStringLiteral("duiyzd")});
    row.beforeStore = [](QVariantMap& values) {
        values.insert(QStringLiteral("duiyz"),
                      referenceRangeText(values.value(QStringLiteral("min_value")),
                                         values.value(QStringLiteral("max_value")),
                                         values.value(QStringLiteral("danw"))));
    };
    return row;
}

FormDeclaration referenceRangeForm()
{
    return {
        .table = QStringLiteral("jkpg_sjzd"),
        .sections = {
            {.name = QStringLiteral("range"),
             .fields = {{.column = "min_value", .caption = "最小值", .kind = ControlKind::Number},
                        {.column = "max_value", .caption = "最大值", .kind = ControlKind::Number},
                        {.column = "danw", .caption = "单位"}}}}};
}

void openReferenceRange(store::RowBuffer& row, const QSqlDatabase& db, const QString& table,
                        const QString& column)
{
    const QVariantMap key{{QStringLiteral("biaomc"), table}, {QStringLiteral("duiyzd"), column}};
    if (!row.load(db, key))
        row.startNew(db, key);
    row.setValue(QStringLiteral("biaomc"), table);
    row.setValue(QStringLiteral("duiyzd"), column);
}

QHash<QString, QString> referenceRangeTexts(const QSqlDatabase& db, const QString& table)
{
    const store::Rows rows =
        store::select(db, QStringLiteral("select duiyzd, duiyz from jkpg_sjzd where biaomc = :t"),
                      {{QStringLiteral("t"), table}});
    QHash<QString, QString> out;
    for (const QVariantList& row : rows.rows)
        out.insert(row.at(0).toString().trimmed(), row.at(1).toString());
    return out;
}

} // namespace hra::domain
