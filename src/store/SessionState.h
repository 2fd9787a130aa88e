#pragma once

#include <QString>

namespace hra::store {

// What the windows of one running program share.
struct SessionState
{
    // The code of the operator who logged in, as stored; set once.
    QString currentOperatorCode;
    // A record number handed from the person-record windows to the
    // questionnaire, which takes it over (and empties it) when shown.
    QString pendingRecordNo;
    // "0" new assessment not saved yet, "1" stored assessment, empty: none
    // loaded (see assessment_mode in SaveRules.h).
    QString assessmentMode;
};

} // namespace hra::store
