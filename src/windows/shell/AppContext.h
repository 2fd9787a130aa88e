#pragma once

#include "domain/SessionState.h"
#include "store/Connection.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace hra::ui {
class PromptService;
}

namespace hra::app {

class Desktop;

// What every window of one run shares. The connection is opened by the log-in
// dialog and stays open until the program ends.
struct AppContext
{
    AppContext(ui::PromptService& prompts, Desktop& desktop, QString programDir)
        : prompts(prompts), desktop(desktop), programDir(std::move(programDir))
    {
    }

    ui::PromptService& prompts;
    Desktop& desktop;
    // The folder of the executable: documents, the backup program, reports.
    QString programDir;
    // The configuration this run was started with; programs it starts get
    // the same one. Empty: the default beside the executable.
    QString iniPath;
    // The shipped user guide; empty: store::sharedDirectory("help").
    QString helpDirectory;
    // Photo folders of older versions, taken into the database after log-in
    // (see importOldPhotoFolders); empty: none.
    QStringList oldPhotoFolders;
    std::unique_ptr<store::Connection> connection;
    domain::SessionState session;

    QSqlDatabase db() const { return connection ? connection->db() : QSqlDatabase(); }
};

} // namespace hra::app
