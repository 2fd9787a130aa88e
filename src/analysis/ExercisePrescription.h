#pragma once

#include "analysis/AnalysisError.h"
#include "analysis/Inputs.h"
#include "analysis/ReferenceData.h"

#include <QString>
#include <optional>

namespace hra::analysis {

// The one row of the exercise prescription (jkpg_ydcf); yundpd is never set.
// What it may say is limited by safety: see docs/clinical-content.md.
struct ExercisePrescription
{
    std::optional<QString> amount;    // jianyydl
    std::optional<QString> kind;      // yundfs
    std::optional<QString> minutes;   // yundsj
    std::optional<QString> intensity; // yundqd
    // Kept for tests and for the reader: the standard weight, the excess and
    // the energy in kilocalories (0 when not overweight).
    double standardWeight = 0;
    double excess = 0;
    qint64 energy = 0;
    // The daily exercise energy printed: the energy capped at what one day of
    // exercise safely spends (0 where no amount is printed).
    qint64 dailyEnergy = 0;
    // A heart or brain disease or a pressure of grade 3: no numbers, a doctor
    // decides.
    bool doctorFirst = false;
    // The page's sentence above the table and its frequency row. They are not
    // stored: they say what kind of prescription this is, or why there is none.
    QString intro;
    QString frequency;
    // The advice page's paragraphs on intensity and frequency, which must
    // not contradict the prescription.
    QString intensityAdvice;
    QString frequencyAdvice;
};

// The advice page's paragraphs where nothing was prescribed.
QString exerciseIntensityAdviceWithoutPrescription();
QString exerciseFrequencyAdvice();

inline constexpr qint64 kMaxDailyExerciseEnergy = 300; // kcal
inline constexpr qint64 kMaxActivityMinutes = 60;      // per day
// Below this much walking a day the prescription is the guideline's basic amount.
inline constexpr qint64 kBasicDailyMinutes = 30;
inline constexpr double kNoVigorousFromAge = 65;

// Heart or brain disease ticked, or a pressure of grade 3: a doctor assesses
// the risk of exercise before any of moderate or higher intensity.
bool exerciseNeedsDoctor(const ExamInput& exam, const StatusInput& status);

// An advice text as it reads for such a person: a text that recommends
// exercise gets the sentence sending them to the doctor first; any other
// text is returned as it is.
QString adviceForDoctorFirst(const QString& advice);

// Throws AnalysisError when the sex is neither "男" nor "女": there is no
// standard-weight table and no heart-rate base for it.
ExercisePrescription prescribeExercise(const ExamInput& exam, const ExerciseInput& exercise,
                                       const ReferenceData& ref, const StatusInput& status = {});

} // namespace hra::analysis
