#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <optional>

namespace hra::domain {

// The tables whose rows the questionnaire saves.
enum class AssessmentTable
{
    Register,
    CurrentStatus,
    Diet,
    Exercise,
    Lifestyle,
    Examination
};

QString tableName(AssessmentTable table);

// Whether the assessment on the questionnaire is new (not saved yet) or
// stored; a new one has its section rows stamped with the save time.
enum class AssessmentMode
{
    None,
    New,
    Stored
};

// Fills the defaults of a new row of the table: "0" in every tick box its
// questionnaire page declares (the 18 diseases of the current-status row,
// the four drink kinds of the lifestyle row; nothing for the other tables).
void applyNewRowDefaults(AssessmentTable table, QVariantMap& row);

// The exercise verdict for a kind of exercise and a weekly frequency. An
// empty kind gives empty text; a kind or frequency that is not in the table
// keeps the previous verdict.
QVariant exerciseVerdict(const QVariant& kind, const QVariant& frequency, const QVariant& previous);

// The body-mass index as stored: weight / height² rounded to two decimals
// (70 kg at 1.75 m gives 22.86).
// No value when height or weight is missing. A height of 0 is an error.
std::optional<double> bodyMassIndex(const QVariant& height, const QVariant& weight);

class SaveRuleError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// What every save of a row writes besides the operator's answers: record
// number, save time by assessment mode, the section identifier, the exercise
// verdict and the body-mass index. Throws SaveRuleError when a rule cannot be
// applied (then nothing is to be written).
void applySaveRules(AssessmentTable table, QVariantMap& row, const QString& recordNumber,
                    AssessmentMode mode, const QDateTime& serverNow);

} // namespace hra::domain
