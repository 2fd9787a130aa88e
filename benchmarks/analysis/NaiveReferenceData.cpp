#include "NaiveReferenceData.h"

#include "analysis/DatabaseReferenceData.h"
#include "analysis/Inputs.h"

namespace hra::bench {

using namespace hra::analysis;

namespace {

std::vector<AdviceRow> adviceRows(store::Sql& statements, const QString& sql,
                                  const store::Bindings& bindings)
{
    std::vector<AdviceRow> out;
    const store::Rows d = statements.select(sql, bindings);
    for (qsizetype i = 0; i < d.rows.size(); ++i) {
        auto text = [&](const char* f) {
            const QVariant v = d.value(i, QLatin1String(f));
            return store::isNull(v) ? std::nullopt : std::optional<QString>(v.toString());
        };
        out.push_back({d.value(i, QStringLiteral("id")).toLongLong(), text("xiangm"),
                       text("zhuangt"), text("jib"), text("tis")});
    }
    return out;
}

} // namespace

double NaiveReferenceData::band(BandTable table, const std::optional<QString>& sex,
                                double value) const
{
    return lookupBand(readBandTable(m_statements, table), sex, value);
}

std::optional<double> NaiveReferenceData::standardWeight(const QString& sex, double age,
                                                         double heightCm) const
{
    if (sex != kMale && sex != kFemale)
        return std::nullopt;
    return lookupStandardWeight(readStandardWeights(m_statements, sex == kMale), age, heightCm);
}

std::optional<ReferenceRange> NaiveReferenceData::range(const QString& column) const
{
    return readReferenceRange(m_statements, column);
}

std::vector<AdviceRow> NaiveReferenceData::adviceByLevel(const std::optional<QString>& item,
                                                         const QString& level) const
{
    if (item)
        return adviceRows(m_statements,
                          QStringLiteral("select id, xiangm, zhuangt, jib, tis from jkpg_sjzd_ts "
                                         "where xiangm=:xm and jib=:jb order by id"),
                          {{QStringLiteral("xm"), *item}, {QStringLiteral("jb"), level}});
    return adviceRows(
        m_statements,
        QStringLiteral(
            "select id, xiangm, zhuangt, jib, tis from jkpg_sjzd_ts where jib=:jb order by id"),
        {{QStringLiteral("jb"), level}});
}

std::vector<AdviceRow> NaiveReferenceData::adviceByState(const QString& item,
                                                         const QString& state) const
{
    return adviceRows(m_statements,
                      QStringLiteral("select id, xiangm, zhuangt, jib, tis from jkpg_sjzd_ts "
                                     "where xiangm=:xm and zhuangt=:zt order by id"),
                      {{QStringLiteral("xm"), item}, {QStringLiteral("zt"), state}});
}

} // namespace hra::bench
