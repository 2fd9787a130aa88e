#pragma once

#include "analysis/AnalysisError.h"
#include "analysis/InputViews.h"
#include "analysis/ReferenceData.h"
#include "store/Connection.h"
#include "store/Sql.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace hra::analysis {

enum class Evaluation
{
    BloodPressure,        // jkpg_gxy, advice by level
    Coronary,             // jkpg_gxb
    Stroke,               // jkpg_ncz
    Diabetes,             // jkpg_tnb
    MetabolicScreen,      // advice by level, no table
    DietScores,           // jkpg_ssyypg
    ExercisePrescription, // jkpg_ydcf
    LabJudgement,         // jkpg_tgjc_pd
    LifestyleRisks,       // jkpg_shfs_wxys, after the lab judgement
};

// Evaluation name for messages.
QString evaluationName(Evaluation e);

// A result table of the session (defined where the session writes them).
struct ResultTable;

struct EvaluationProblem
{
    Evaluation evaluation;
    QString message;
};

// One workstation's analysis of one assessment at a time. It registers
// itself under a key of its own; every row it writes to the result tables
// carries that key, and every read filters by it, so sessions sharing a
// database never see each other's results. Rows of sessions not seen for a
// day are swept when a session starts; a session removes its own rows when
// it ends.
//
// Statements all go through one Statements object and are counted.
class AnalysisSession
{
public:
    using ReferenceFactory = std::function<std::unique_ptr<ReferenceData>(store::Sql&)>;

    // The factory makes the reference data of each analysis run; by default
    // it is read from the database once per run.
    explicit AnalysisSession(const store::Connection& connection,
                             ReferenceFactory referenceFactory = {});
    ~AnalysisSession();

    AnalysisSession(const AnalysisSession&) = delete;
    AnalysisSession& operator=(const AnalysisSession&) = delete;

    const QString& key() const { return m_key; }

    // Reads the input views of an assessment and removes every result of the
    // previous one. Throws AnalysisError when the record or the assessment
    // does not exist or the assessment belongs to another record, and
    // store::DatabaseError.
    void open(const QString& recordNo, qint32 assessmentId);
    bool isOpen() const { return m_open; }

    // Runs one evaluation and writes its result rows (delete and inserts in
    // one transaction). When the evaluation has no result for the stored
    // data, its rows are removed, the problem is recorded and false returned;
    // a database error removes its rows as far as possible and propagates.
    bool run(Evaluation evaluation);
    // Runs the evaluations in the order given, all in one transaction;
    // false when any had a problem. A database error rolls the whole run back.
    bool runAll(const std::vector<Evaluation>& order);
    // The order of the whole report: lab judgement, metabolic screen, diet,
    // exercise, lab judgement again, lifestyle risks, then blood pressure and
    // the three disease indices.
    static const std::vector<Evaluation>& wholeReportOrder();

    // Problems of the evaluations run since open().
    const std::vector<EvaluationProblem>& problems() const { return m_problems; }
    // What the operator should know but is no failure (an evaluation left
    // empty because the assessment lacks its data).
    const std::vector<EvaluationProblem>& notices() const { return m_notices; }

    // The report datasets by name. A dataset of an evaluation that has not
    // run since open() runs it first. Throws AnalysisError for an unknown name.
    static const QStringList& datasetNames();
    Rows dataset(const QString& name);

    const InputViews& views() const { return m_views; }
    int statementCount() const { return m_statements.count(); }

private:
    void registerSession();
    void requireOpen() const;
    void ensureRan(Evaluation e);
    void compute(Evaluation e);
    void replaceRows(const ResultTable& table, const std::vector<QVariantList>& rows);
    void clearRows(const ResultTable& table);
    void clearResults(Evaluation e);
    Rows readResult(const ResultTable& table);
    Rows storedMarks();
    Rows adviceDataset(const std::vector<AdviceRow>& rows, const QStringList& fields) const;

    struct DatasetEntry;
    static const std::vector<DatasetEntry>& datasetTable();
    // The datasets that are not a result table read back.
    Rows personRows();
    Rows centreRows();
    Rows statusRows();
    Rows examRows();
    Rows lifestyleRows();
    Rows exerciseRows();
    Rows dietRows();
    Rows dietChartRows();
    Rows prescriptionRows();
    Rows bloodPressureAdvice();
    Rows metabolicAdvice();
    Rows abnormalIndicatorRows();
    Rows chinaParRows();
    Rows chinaParReductionRows();
    Rows diabetesScoreRows();
    Rows trendRows();
    Rows abnormalIndicatorListRows();
    Rows printedValueRows();

    store::Sql m_statements;
    ReferenceFactory m_referenceFactory;
    std::unique_ptr<ReferenceData> m_reference;
    QString m_key;

    bool m_open = false;
    bool m_wroteRows = false;
    bool m_inRunAll = false;
    QString m_recordNo;
    qint32 m_assessmentId = 0;
    InputViews m_views;
    ExamInput m_exam;
    std::set<Evaluation> m_ran;
    std::vector<EvaluationProblem> m_problems;
    std::vector<EvaluationProblem> m_notices;
    QString m_bloodPressureLevel = QStringLiteral("0级");
    QString m_metabolicLevel;
    // The exercise page's sentence and frequency row of the last prescription.
    QString m_exerciseIntro;
    QString m_exerciseFrequency;
    QString m_exerciseIntensityAdvice;
    QString m_exerciseFrequencyAdvice;
};

} // namespace hra::analysis
