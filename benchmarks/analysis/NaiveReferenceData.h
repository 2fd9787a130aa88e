#pragma once

#include "analysis/ReferenceData.h"
#include "store/Sql.h"

namespace hra::bench {

// The baseline: every lookup is a fresh query, and a banded lookup reads its
// whole table each time, as a straightforward port would do it.
class NaiveReferenceData : public analysis::ReferenceData
{
public:
    explicit NaiveReferenceData(store::Sql& statements) : m_statements(statements) {}

    double band(analysis::BandTable table, const std::optional<QString>& sex,
                double value) const override;
    std::optional<double> standardWeight(const QString& sex, double age,
                                         double heightCm) const override;
    std::optional<analysis::ReferenceRange> range(const QString& column) const override;
    std::vector<analysis::AdviceRow> adviceByLevel(const std::optional<QString>& item,
                                                   const QString& level) const override;
    std::vector<analysis::AdviceRow> adviceByState(const QString& item,
                                                   const QString& state) const override;

private:
    store::Sql& m_statements;
};

} // namespace hra::bench
