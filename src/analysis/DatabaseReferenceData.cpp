#include "analysis/DatabaseReferenceData.h"

#include "analysis/Inputs.h"

namespace hra::analysis {
namespace {

std::optional<double> number(const QVariant& v)
{
    if (store::isNull(v))
        return std::nullopt;
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

std::optional<QString> text(const QVariant& v)
{
    return store::isNull(v) ? std::nullopt : std::optional<QString>(v.toString());
}

const QString kExamTable = QStringLiteral("jkpg_tgjc");

ReferenceRange rangeOf(const store::Rows& d, qsizetype row)
{
    return {number(d.value(row, QStringLiteral("min_value"))),
            number(d.value(row, QStringLiteral("max_value"))),
            text(d.value(row, QStringLiteral("danw")))};
}

} // namespace

std::vector<BandRow> readBandTable(store::Sql& statements, BandTable table)
{
    const BandTableInfo info = bandTableInfo(table);
    // Table and column names come from the fixed list of bandTableInfo().
    const store::Rows d =
        statements.select(QStringLiteral("select %1, nan, nv from %2")
                              .arg(QLatin1String(info.boundColumn), QLatin1String(info.table)));
    std::vector<BandRow> rows;
    for (const QVariantList& r : d.rows) {
        // A row without a bound can never be the first one at or above a value.
        const std::optional<double> bound = number(r.value(0));
        if (bound)
            rows.push_back(
                {*bound, number(r.value(1)).value_or(0), number(r.value(2)).value_or(0)});
    }
    sortBands(rows);
    return rows;
}

StandardWeightTable readStandardWeights(store::Sql& statements, bool men)
{
    const store::Rows d = statements.select(men ? QStringLiteral("select * from jkpg_lxtz_nan")
                                                : QStringLiteral("select * from jkpg_lxtz_nv"));
    StandardWeightTable table;
    // Every column after the age bound is named by its height in cm.
    const qsizetype ageColumn = d.fields.indexOf(QStringLiteral("nianl"));
    std::vector<qsizetype> heightColumns;
    for (qsizetype i = ageColumn + 1; ageColumn >= 0 && i < d.fields.size(); ++i) {
        bool ok = false;
        const double height = d.fields.at(i).toDouble(&ok);
        if (ok) {
            table.heights.push_back(height);
            heightColumns.push_back(i);
        }
    }
    for (const QVariantList& r : d.rows) {
        const std::optional<double> age = number(r.value(ageColumn));
        if (!age)
            continue;
        StandardWeightTable::Row row{*age, {}};
        for (qsizetype c : heightColumns)
            row.weights.push_back(number(r.value(c)));
        table.rows.push_back(std::move(row));
    }
    sortStandardWeights(table);
    return table;
}

std::vector<std::pair<QString, ReferenceRange>> readReferenceRanges(store::Sql& statements)
{
    const store::Rows d = statements.select(
        QStringLiteral(
            "select duiyzd, min_value, max_value, danw from jkpg_sjzd where biaomc = :bm"),
        {{QStringLiteral("bm"), kExamTable}});
    std::vector<std::pair<QString, ReferenceRange>> ranges;
    for (qsizetype i = 0; i < d.rows.size(); ++i)
        ranges.emplace_back(d.value(i, QStringLiteral("duiyzd")).toString(), rangeOf(d, i));
    return ranges;
}

std::optional<ReferenceRange> readReferenceRange(store::Sql& statements, const QString& column)
{
    const store::Rows d =
        statements.select(QStringLiteral("select duiyzd, min_value, max_value, danw from jkpg_sjzd "
                                         "where biaomc = :bm and duiyzd = :dyzd"),
                          {{QStringLiteral("bm"), kExamTable}, {QStringLiteral("dyzd"), column}});
    if (d.isEmpty())
        return std::nullopt;
    return rangeOf(d, 0);
}

std::vector<AdviceRow> readAdvice(store::Sql& statements)
{
    const store::Rows d = statements.select(
        QStringLiteral("select id, xiangm, zhuangt, jib, tis from jkpg_sjzd_ts order by id"));
    std::vector<AdviceRow> rows;
    for (const QVariantList& r : d.rows)
        rows.push_back({r.value(0).toLongLong(), text(r.value(1)), text(r.value(2)),
                        text(r.value(3)), text(r.value(4))});
    return rows;
}

double DatabaseReferenceData::band(BandTable table, const std::optional<QString>& sex,
                                   double value) const
{
    const int i = static_cast<int>(table);
    if (!m_bandLoaded[i]) {
        m_tables.bands[i] = readBandTable(m_statements, table);
        m_bandLoaded[i] = true;
    }
    return m_tables.band(table, sex, value);
}

std::optional<double> DatabaseReferenceData::standardWeight(const QString& sex, double age,
                                                            double heightCm) const
{
    if (sex == kMale && !m_menLoaded) {
        m_tables.weightsMen = readStandardWeights(m_statements, true);
        m_menLoaded = true;
    } else if (sex == kFemale && !m_womenLoaded) {
        m_tables.weightsWomen = readStandardWeights(m_statements, false);
        m_womenLoaded = true;
    }
    return m_tables.standardWeight(sex, age, heightCm);
}

std::optional<ReferenceRange> DatabaseReferenceData::range(const QString& column) const
{
    if (!m_rangesLoaded) {
        m_tables.ranges = readReferenceRanges(m_statements);
        m_rangesLoaded = true;
    }
    return m_tables.range(column);
}

std::vector<AdviceRow> DatabaseReferenceData::adviceByLevel(const std::optional<QString>& item,
                                                            const QString& level) const
{
    if (!m_adviceLoaded) {
        m_tables.advice = readAdvice(m_statements);
        m_adviceLoaded = true;
    }
    return m_tables.adviceByLevel(item, level);
}

std::vector<AdviceRow> DatabaseReferenceData::adviceByState(const QString& item,
                                                            const QString& state) const
{
    if (!m_adviceLoaded) {
        m_tables.advice = readAdvice(m_statements);
        m_adviceLoaded = true;
    }
    return m_tables.adviceByState(item, state);
}

} // namespace hra::analysis
