#pragma once

#include <QString>
#include <array>
#include <optional>

namespace hra::analysis {

// Plain inputs of the evaluations, one struct per stored row. An empty
// optional is a NULL column, or the whole row missing; every other rule about
// missing, blank or unreadable values is applied by the evaluations
// themselves, so that it can be read and tested there.

inline const QString kMale = QStringLiteral("男");
inline const QString kFemale = QStringLiteral("女");

// The person beside the examination row (jkpg_jbxx joined with jkpg_tgjc).
// An assessment without an examination row leaves every member empty,
// the sex and age included.
struct ExamInput
{
    std::optional<QString> sex;        // xingb
    std::optional<double> age;         // nianl, whole years
    std::optional<QString> occupation; // zhiy

    std::optional<double> height;              // sheng, metres
    std::optional<double> weight;              // tiz, kg
    std::optional<double> bmi;                 // tizzs
    std::optional<double> waist;               // yaow, cm
    std::optional<double> systolic;            // shousy, mmHg
    std::optional<double> diastolic;           // shuzy, mmHg
    std::optional<double> totalCholesterol;    // zongdgc, mmol/L
    std::optional<double> triglycerides;       // ganysz
    std::optional<double> hdl;                 // gaomdzdb
    std::optional<double> ldl;                 // dimdzdb
    std::optional<double> fastingGlucose;      // kongfxt
    std::optional<double> glucoseTolerance;    // canhexsxt
    std::optional<double> glycatedHaemoglobin; // tanghxhdb
    std::optional<QString> uricAcid;           // xuens, stored as text
    std::optional<QString> fattyLiver;         // zhifg_bc
};

// Current status and family history (jkpg_mqzk). Tick boxes hold their
// caption or "0".
struct StatusInput
{
    std::optional<QString> type2Diabetes;       // erxtnb
    std::optional<QString> coronary;            // guanxb
    std::optional<QString> cerebralHaemorrhage; // naocx
    std::optional<QString> familyStroke;        // jiazs_nzz
    std::optional<QString> familyType2Diabetes; // jiazs_2tnb
    // The other heart and brain diseases that make exercise a doctor's decision.
    std::optional<QString> cerebralThrombosis;       // naoxs
    std::optional<QString> otherHeartDisease;        // qitxzb
    std::optional<QString> hypertensiveHeartDisease; // gaoxyxxzb
    std::optional<QString> congenitalHeartDisease;   // xiantxxzb
    std::optional<QString> pulmonaryHeartDisease;    // feixb
};

// Smoking and drinking (jkpg_shfs).
struct LifestyleInput
{
    std::optional<QString> smokes;     // shifxy
    std::optional<QString> cigarettes; // xiyzs
    std::optional<QString> drinks;     // shifyj
    std::optional<QString> dailyDrink; // meirjl, typed millilitres
};

// The sixteen diet answers (jkpg_ssyy) in the fixed item order of the diet
// evaluation: zufsbl, douzpsrl, naizpsrl, meitsc, meitsg, meitzyr, meityxb,
// meitjye, meitgr, meitjl, meitbj, meitgj, meitjd, meitzwy, meitsy, meitjcfp.
struct DietInput
{
    std::array<std::optional<QString>, 16> answers;
};

// The usual kind of exercise (jkpg_ydfs.duanlfs).
struct ExerciseInput
{
    std::optional<QString> kind;
};

// Missing-value helpers shared by the evaluations.

// True for NULL and for text of blanks only.
bool isBlank(const std::optional<QString>& text);

// The number a typed text holds; empty for NULL, blank text and text that is
// no number (blanks around the number are allowed).
std::optional<double> numberFromText(const std::optional<QString>& text);

// True when the text is present and equals one of the listed texts exactly.
bool isOneOf(const std::optional<QString>& text, std::initializer_list<const char16_t*> options);

} // namespace hra::analysis
