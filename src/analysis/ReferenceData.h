#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace hra::analysis {

// The banded score tables. Their names and bound columns are fixed here and
// never come from input.
enum class BandTable
{
    AgeCoronary,         // jkpg_nl_gxb
    AgeStroke,           // jkpg_nl_ncz
    AgeDiabetes,         // jkpg_nl_tnb
    SystolicCoronary,    // jkpg_sbp_gxb
    DiastolicCoronary,   // jkpg_dbp_gxb
    CholesterolCoronary, // jkpg_tc_gxb
    BmiCoronary,         // jkpg_tzzs_gxb
    BmiDiabetes,         // jkpg_tzzs_tnb
};
inline constexpr int kBandTableCount = 8;

struct BandTableInfo
{
    const char* table;
    const char* boundColumn;
};
BandTableInfo bandTableInfo(BandTable table);

// One row of a banded table: it covers the values above the previous row's
// bound up to and including its own.
struct BandRow
{
    double bound = 0;
    double men = 0;
    double women = 0;
};

// A standard-weight table: rows by age bound, columns by height bound (cm),
// both in the order the table holds them.
struct StandardWeightTable
{
    std::vector<double> heights;
    struct Row
    {
        double ageBound = 0;
        std::vector<std::optional<double>> weights; // one per height
    };
    std::vector<Row> rows;
};

// A reference range of the examination values (jkpg_sjzd, biaomc "jkpg_tgjc").
struct ReferenceRange
{
    std::optional<double> min;
    std::optional<double> max;
    std::optional<QString> unit;
};

// A row of the advice dictionary jkpg_sjzd_ts.
struct AdviceRow
{
    qint64 id = 0;
    std::optional<QString> item;  // xiangm
    std::optional<QString> state; // zhuangt
    std::optional<QString> level; // jib
    std::optional<QString> text;  // tis
};

// Everything the evaluations look up. Implemented over the database (read
// once per analysis run) and, in tests, over plain tables in memory.
class ReferenceData
{
public:
    virtual ~ReferenceData() = default;

    // The men's or women's value of the first row (ascending bounds) whose
    // bound is at least the value; 0 for any other sex and when no row has
    // such a bound.
    virtual double band(BandTable table, const std::optional<QString>& sex, double value) const = 0;

    // The standard weight for a sex ("男" or "女"), age and height in cm: the
    // first row whose age bound is at least the age, in it the first height
    // column at least the height; 0 when none qualifies. Empty for a sex
    // that names no table.
    virtual std::optional<double> standardWeight(const QString& sex, double age,
                                                 double heightCm) const = 0;

    // The reference range of an examination column ("zongdgc", "yaow_nan");
    // empty when the table has no row for it.
    virtual std::optional<ReferenceRange> range(const QString& column) const = 0;

    // The advice rows, in dictionary order (by id), whose item code and level
    // are the given texts; an empty item matches any item code.
    virtual std::vector<AdviceRow> adviceByLevel(const std::optional<QString>& item,
                                                 const QString& level) const = 0;

    // The advice rows whose item code and state are the given texts.
    virtual std::vector<AdviceRow> adviceByState(const QString& item,
                                                 const QString& state) const = 0;

    // The unit of an examination column; empty text when there is no row or
    // no unit.
    QString unit(const QString& column) const;
};

// The lookups over plain tables, shared by every implementation.
double lookupBand(const std::vector<BandRow>& rowsByBound, const std::optional<QString>& sex,
                  double value);
double lookupStandardWeight(const StandardWeightTable& table, double age, double heightCm);
// Sorts rows by ascending bound, keeping the stored order of equal bounds.
void sortBands(std::vector<BandRow>& rows);
void sortStandardWeights(StandardWeightTable& table);

// Reference data held in memory; tests fill it directly.
class ReferenceTables : public ReferenceData
{
public:
    std::vector<BandRow> bands[kBandTableCount];
    StandardWeightTable weightsMen;
    StandardWeightTable weightsWomen;
    std::vector<std::pair<QString, ReferenceRange>> ranges; // first row of a column wins
    std::vector<AdviceRow> advice;

    // Brings the tables into lookup order; call after filling them.
    void prepare();

    double band(BandTable table, const std::optional<QString>& sex, double value) const override;
    std::optional<double> standardWeight(const QString& sex, double age,
                                         double heightCm) const override;
    std::optional<ReferenceRange> range(const QString& column) const override;
    std::vector<AdviceRow> adviceByLevel(const std::optional<QString>& item,
                                         const QString& level) const override;
    std::vector<AdviceRow> adviceByState(const QString& item, const QString& state) const override;
};

} // namespace hra::analysis
