#pragma once

#include "domain/SaveRules.h"

#include <QString>

namespace hra::domain {

// What the windows of one running program share.
struct SessionState
{
    // The code of the operator who logged in, as stored; set once.
    QString currentOperatorCode;
    // That operator's name, as the status bar shows it.
    QString currentOperatorName;
    // A record number handed from the person-record windows to the
    // questionnaire, which takes it over (and empties it) when shown.
    QString pendingRecordNo;
    // Whether the questionnaire holds a new or a stored assessment.
    AssessmentMode assessmentMode = AssessmentMode::None;
};

} // namespace hra::domain
