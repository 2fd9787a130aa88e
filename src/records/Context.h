#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>
#include <functional>

namespace hra::store {
class Connection;
struct SessionState;
} // namespace hra::store

namespace hra::ui {
class PromptService;
}

namespace hra::records {

// What the person-record windows need from the running program.
struct Context
{
    store::Connection& connection;
    store::SessionState& session;
    ui::PromptService& prompts;
    // Where photo files live (see choosePhotoDirectory).
    QString photoDirectory;
    // Opens the questionnaire, which takes over session.pendingRecordNo.
    std::function<void()> openQuestionnaire;
    // Previews the listed persons for printing.
    std::function<void(const QList<QVariantMap>& persons)> printPersonList;
};

} // namespace hra::records
