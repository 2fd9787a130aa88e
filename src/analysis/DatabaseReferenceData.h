#pragma once

#include "analysis/ReferenceData.h"
#include "store/Sql.h"

#include <array>

namespace hra::analysis {

// Reference data read from the database the first time a lookup needs a
// table, then answered from memory: one statement per table per analysis
// run, however many lookups the evaluations make.
class DatabaseReferenceData : public ReferenceData
{
public:
    explicit DatabaseReferenceData(store::Sql& statements) : m_statements(statements) {}

    double band(BandTable table, const std::optional<QString>& sex, double value) const override;
    std::optional<double> standardWeight(const QString& sex, double age,
                                         double heightCm) const override;
    std::optional<ReferenceRange> range(const QString& column) const override;
    std::vector<AdviceRow> adviceByLevel(const std::optional<QString>& item,
                                         const QString& level) const override;
    std::vector<AdviceRow> adviceByState(const QString& item, const QString& state) const override;

private:
    store::Sql& m_statements;
    mutable ReferenceTables m_tables;
    mutable std::array<bool, kBandTableCount> m_bandLoaded{};
    mutable bool m_menLoaded = false;
    mutable bool m_womenLoaded = false;
    mutable bool m_rangesLoaded = false;
    mutable bool m_adviceLoaded = false;
};

// The readers behind it, shared with anything else that reads these tables.
std::vector<BandRow> readBandTable(store::Sql& statements, BandTable table);
StandardWeightTable readStandardWeights(store::Sql& statements, bool men);
std::vector<std::pair<QString, ReferenceRange>> readReferenceRanges(store::Sql& statements);
std::optional<ReferenceRange> readReferenceRange(store::Sql& statements, const QString& column);
std::vector<AdviceRow> readAdvice(store::Sql& statements);

} // namespace hra::analysis
