#pragma once

#include "analysis/ReferenceData.h"
#include "analysis/Statements.h"

#include <array>

namespace hra::analysis {

// Reference data read from the database the first time a lookup needs a
// table, then answered from memory: one statement per table per analysis
// run, however many lookups the evaluations make.
class DatabaseReferenceData : public ReferenceData
{
public:
    explicit DatabaseReferenceData(Statements& statements) : m_statements(statements) {}

    double band(BandTable table, const std::optional<QString>& sex, double value) const override;
    std::optional<double> standardWeight(const QString& sex, double age,
                                         double heightCm) const override;
    std::optional<ReferenceRange> range(const QString& column) const override;
    std::vector<AdviceRow> adviceByLevel(const std::optional<QString>& item,
                                         const QString& level) const override;
    std::vector<AdviceRow> adviceByState(const QString& item, const QString& state) const override;

private:
    Statements& m_statements;
    mutable ReferenceTables m_tables;
    mutable std::array<bool, kBandTableCount> m_bandLoaded{};
    mutable bool m_menLoaded = false;
    mutable bool m_womenLoaded = false;
    mutable bool m_rangesLoaded = false;
    mutable bool m_adviceLoaded = false;
};

// The readers behind it, shared with anything else that reads these tables.
std::vector<BandRow> readBandTable(Statements& statements, BandTable table);
StandardWeightTable readStandardWeights(Statements& statements, bool men);
std::vector<std::pair<QString, ReferenceRange>> readReferenceRanges(Statements& statements);
std::optional<ReferenceRange> readReferenceRange(Statements& statements, const QString& column);
std::vector<AdviceRow> readAdvice(Statements& statements);

} // namespace hra::analysis
