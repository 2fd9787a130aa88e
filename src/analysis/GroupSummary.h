#pragma once

#include "analysis/CalibratedRisk.h"
#include "analysis/Inputs.h"
#include "analysis/ReferenceData.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace hra::analysis {

// One person of a group as the summary counts them: the values of their
// latest assessment, read as the personal report reads them.
struct GroupMember
{
    QString recordNo;
    QString name;
    ExamInput exam; // the sex and age too
    LifestyleInput lifestyle;
    std::optional<QString> exerciseVerdict; // yundjg as saved
    ChinaParInput chinaPar;
    DiabetesScoreInput diabetesScore;
};

// The columns every count is given for: the whole group, each sex, each age
// band. A person without a sex or an age is counted in the whole group only.
enum GroupColumn
{
    AllPersons,
    Men,
    Women,
    Under30,
    Age30To39,
    Age40To49,
    Age50To59,
    Age60On,
    kGroupColumnCount
};

// 合计, 男, 女, <30岁, 30-39岁, ...
const std::array<QString, kGroupColumnCount>& groupColumnTitles();

// The age band of a whole-year age; empty for no age.
std::optional<GroupColumn> ageBand(std::optional<double> age);

// Persons with the finding out of persons whose finding is known: an
// unmeasured value or an unanswered question counts in neither.
struct Fraction
{
    int numerator = 0;
    int denominator = 0;
    bool operator==(const Fraction&) const = default;
};

// "3/12 (25.0%)"; "无数据" when nobody's finding is known.
QString fractionText(Fraction f);
// The percentage, empty when nobody's finding is known.
std::optional<double> fractionPercent(Fraction f);

struct PrevalenceRow
{
    QString category; // 血压, 体重, 血脂, ...
    QString item;     // 1级高血压, 肥胖, ...
    std::array<Fraction, kGroupColumnCount> cells;
};

// A person whose values call for a doctor soon.
struct FollowUp
{
    QString recordNo;
    QString name;
    std::optional<QString> sex;
    std::optional<double> age;
    QStringList reasons; // each with the person's value
};

struct GroupSummary
{
    std::array<int, kGroupColumnCount> persons{};
    int unknownSex = 0;
    int unknownAge = 0;
    std::vector<PrevalenceRow> prevalence; // in the order the report prints
    std::vector<FollowUp> followUp;        // in the members' order
};

// Counts the group with the judgements of the personal report: the
// reference rows for the examination values, the pressure grade, the
// metabolic screen, the smoking and drinking statements, the saved
// exercise verdict and the calibrated models.
GroupSummary summarizeGroup(const std::vector<GroupMember>& members, const ReferenceData& ref);

// The items the charts show, by item text of the prevalence rows.
const QStringList& chartedItems();

// Body-mass index at or above which a person counts as obese (WS/T 428);
// overweight is the reference range's upper bound.
inline constexpr double kObeseBodyMassIndex = 28;

} // namespace hra::analysis
