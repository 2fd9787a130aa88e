#pragma once

#include "domain/Assessment.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace hra::report {

// What Enter on a record number in the data-analysis window leads to.
struct AnalysisLookup
{
    enum class Action
    {
        NotFound, // no assessment (or no person): "没有录入信息调查资料或档案不存在!"
        Analyse,    // the latest assessment is in progress: analysed at once
        ChooseFrom, // the operator chooses among `assessments`
        Nothing,    // the latest assessment has a state we do not know
    };
    Action action = Action::NotFound;
    std::optional<domain::PersonSummary> person;
    // Analyse: the assessment; ChooseFrom after an ended latest one: empty.
    qint32 assessmentId = 0;
    // The state text to show; empty leaves it as it is.
    QString stateText;
    // ChooseFrom: every assessment of the person, oldest first.
    QList<domain::AssessmentSummary> assessments;
};

// An open latest assessment is analysed at once; an ended one, or any with
// the history box ticked, is chosen from the list of all the person's
// assessments. Throws store::DatabaseError.
AnalysisLookup lookupForAnalysis(const QSqlDatabase& db, const QString& recordNumber, bool history);

} // namespace hra::report
