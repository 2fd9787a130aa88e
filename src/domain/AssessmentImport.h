#pragma once

#include "domain/QuestionnaireForms.h"

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace hra::domain {

// Assessments exchanged as JSON with other machines (group check-ups): one
// object per assessment,
//   {"record": BH, "assessment": N, "banb": V, "answers": {section table: {column: value}}}
// "assessment" absent: a new assessment of the person; present: that stored
// assessment's five section rows are replaced. "banb" is the version the
// assessment had when the file was made; a stored assessment saved since
// (a higher version) is not replaced unless forced. The answers are checked
// against the questionnaire's declared questions, so a file stores exactly
// what the window could have stored.

// One problem of a file: the object it is in (1-based; 0 for the file as a
// whole), the column or key ("jkpg_tgjc.sheng", "record"), and what is wrong.
struct ImportProblem
{
    int position = 0;
    QString where;
    QString message;

    QString text() const;
};

// A file that cannot be stored; nothing of it has been.
class ImportError : public std::runtime_error
{
public:
    explicit ImportError(std::vector<ImportProblem> problems);
    const std::vector<ImportProblem>& problems() const { return m_problems; }

private:
    std::vector<ImportProblem> m_problems;
};

// One object of a file with its answers checked and converted to the values
// the rows store (numbers as numbers, empty text as NULL, an unanswered tick
// as "0"). Every declared column of the five pages is present.
struct AssessmentInput
{
    QString record;
    std::optional<qint32> assessment;
    std::optional<qint32> version;
    // Section table -> column -> value, for the five section tables.
    QMap<QString, QVariantMap> answers;
};

// The words of the problems found in answers: English for JSON files,
// Chinese for the operator's spreadsheets.
enum class Wording
{
    English,
    Chinese
};

// The value a questionnaire field stores for a cell's text: empty is
// unanswered (NULL, a tick "0"), a number field's text its number (text that
// is no number is kept for the check to name).
QVariant answerFromText(const FieldDeclaration& field, const QString& text);

// One page's answers (column -> value; a column left out is unanswered)
// checked as the questionnaire checks them (required, options, ticks,
// numbers and their plausible ranges, widths, orders, the body-mass index)
// and converted to the values its rows store. Each problem is reported with
// its column.
QVariantMap
checkAnswers(const QuestionnairePage& page, const QVariantMap& given, Wording wording,
             const std::function<void(const QString& column, const QString& message)>& problem);

// Reads and checks the whole file. Derived columns (tizzs, yundjg), entry
// dates (lurrq) and the state (zhuangt) are accepted and ignored: the save
// rules and the lifecycle write them. Throws ImportError listing every
// problem found.
std::vector<AssessmentInput> parseAssessmentFile(const QByteArray& json);

struct ImportedAssessment
{
    QString record;
    qint32 assessment = 0;
};

// Stores every object of the file in one transaction, in file order, each
// through the questionnaire's save: a new assessment takes the next free
// number, a given one has its five section rows replaced. An unknown record
// or assessment is an ImportError and nothing is stored. When another
// workstation takes a new assessment's number meanwhile, the whole file is
// stored again under fresh numbers. Throws DatabaseError when storing fails
// otherwise (nothing stored).
struct ImportOptions
{
    // Replaces stored assessments even when saved after the file was made.
    bool force = false;
    // Where the assessments come from, for the operation log (a file name
    // without its folder, "批量导入").
    QString source;
};

// An assessment whose stored version is above the file's is an ImportError
// too (unless forced).
std::vector<ImportedAssessment> importAssessments(const QSqlDatabase& db,
                                                  const std::vector<AssessmentInput>& inputs,
                                                  ImportOptions options = {});

// A stored assessment in the same shape, columns in table order.
struct StoredAssessment
{
    QString record;
    qint32 assessment = 0;
    QString state;
    int version = 0;
    // Section table with its columns and values (identifiers left out).
    QList<std::pair<QString, QList<std::pair<QString, QVariant>>>> answers;
};

// The stored assessment, or nothing when the person has no such assessment.
std::optional<StoredAssessment> readAssessment(const QSqlDatabase& db, const QString& record,
                                               qint32 assessment);

} // namespace hra::domain
