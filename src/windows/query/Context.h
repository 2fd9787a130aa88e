#pragma once

#include <QString>
#include <functional>

namespace hra::store {
class Connection;
} // namespace hra::store

namespace hra::domain {
struct SessionState;
} // namespace hra::domain

namespace hra::ui {
class PromptService;
}

namespace hra::query {

// What the information query needs from the running program. The hand-overs
// go through the main window; one left empty does nothing.
struct Context
{
    store::Connection& connection;
    domain::SessionState& session;
    ui::PromptService& prompts;
    using AssessmentHandOver =
        std::function<void(const QString& recordNumber, qint32 assessmentId, const QString& state)>;
    // Opens the assessment's entered data in the questionnaire.
    AssessmentHandOver openEnteredData;
    // Opens the assessment's report in the data analysis window.
    AssessmentHandOver openReport;
    // Opens the person in the modify-record window, looked up.
    std::function<void(const QString& recordNumber)> modifyPerson;
};

} // namespace hra::query
