#include "analysis/ReferenceData.h"

#include "analysis/Inputs.h"

#include <algorithm>

namespace hra::analysis {

BandTableInfo bandTableInfo(BandTable table)
{
    switch (table) {
    case BandTable::AgeCoronary:
        return {"jkpg_nl_gxb", "nianl"};
    case BandTable::AgeStroke:
        return {"jkpg_nl_ncz", "nianl"};
    case BandTable::AgeDiabetes:
        return {"jkpg_nl_tnb", "nianl"};
    case BandTable::SystolicCoronary:
        return {"jkpg_sbp_gxb", "sbp_zs"};
    case BandTable::DiastolicCoronary:
        return {"jkpg_dbp_gxb", "dbp_zs"};
    case BandTable::CholesterolCoronary:
        return {"jkpg_tc_gxb", "tc_zs"};
    case BandTable::BmiCoronary:
        return {"jkpg_tzzs_gxb", "tzzs_zs"};
    case BandTable::BmiDiabetes:
        break;
    }
    return {"jkpg_tzzs_tnb", "tzzs_zs"};
}

QString ReferenceData::unit(const QString& column) const
{
    const std::optional<ReferenceRange> r = range(column);
    return r && r->unit ? *r->unit : QString();
}

double lookupBand(const std::vector<BandRow>& rowsByBound, const std::optional<QString>& sex,
                  double value)
{
    const auto row = std::find_if(rowsByBound.begin(), rowsByBound.end(),
                                  [value](const BandRow& r) { return r.bound >= value; });
    if (row == rowsByBound.end() || !sex)
        return 0;
    if (*sex == kMale)
        return row->men;
    if (*sex == kFemale)
        return row->women;
    return 0;
}

double lookupStandardWeight(const StandardWeightTable& table, double age, double heightCm)
{
    const auto row =
        std::find_if(table.rows.begin(), table.rows.end(),
                     [age](const StandardWeightTable::Row& r) { return r.ageBound >= age; });
    if (row == table.rows.end())
        return 0;
    for (size_t i = 0; i < table.heights.size() && i < row->weights.size(); ++i)
        if (table.heights[i] >= heightCm)
            return row->weights[i].value_or(0);
    return 0;
}

void sortBands(std::vector<BandRow>& rows)
{
    std::stable_sort(rows.begin(), rows.end(),
                     [](const BandRow& a, const BandRow& b) { return a.bound < b.bound; });
}

void sortStandardWeights(StandardWeightTable& table)
{
    std::stable_sort(table.rows.begin(), table.rows.end(),
                     [](const auto& a, const auto& b) { return a.ageBound < b.ageBound; });
}

void ReferenceTables::prepare()
{
    for (auto& rows : bands)
        sortBands(rows);
    sortStandardWeights(weightsMen);
    sortStandardWeights(weightsWomen);
    std::stable_sort(advice.begin(), advice.end(),
                     [](const AdviceRow& a, const AdviceRow& b) { return a.id < b.id; });
}

double ReferenceTables::band(BandTable table, const std::optional<QString>& sex, double value) const
{
    return lookupBand(bands[static_cast<int>(table)], sex, value);
}

std::optional<double> ReferenceTables::standardWeight(const QString& sex, double age,
                                                      double heightCm) const
{
    if (sex == kMale)
        return lookupStandardWeight(weightsMen, age, heightCm);
    if (sex == kFemale)
        return lookupStandardWeight(weightsWomen, age, heightCm);
    return std::nullopt;
}

std::optional<ReferenceRange> ReferenceTables::range(const QString& column) const
{
    for (const auto& [name, r] : ranges)
        if (name == column)
            return r;
    return std::nullopt;
}

std::vector<AdviceRow> ReferenceTables::adviceByLevel(const std::optional<QString>& item,
                                                      const QString& level) const
{
    std::vector<AdviceRow> out;
    for (const AdviceRow& a : advice)
        if (a.level == level && (!item || a.item == item))
            out.push_back(a);
    return out;
}

std::vector<AdviceRow> ReferenceTables::adviceByState(const QString& item,
                                                      const QString& state) const
{
    std::vector<AdviceRow> out;
    for (const AdviceRow& a : advice)
        if (a.item == item && a.state == state)
            out.push_back(a);
    return out;
}

} // namespace hra::analysis
