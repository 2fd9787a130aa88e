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

namespace hra::records {

// What the person-record windows need from the running program.
struct Context
{
    store::Connection& connection;
    domain::SessionState& session;
    ui::PromptService& prompts;
    // Opens the questionnaire, which takes over session.pendingRecordNo.
    std::function<void()> openQuestionnaire;
    // Where report templates live; empty: "reports" beside the program.
    QString reportsDirectory;
};

} // namespace hra::records
