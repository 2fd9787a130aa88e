#include "windows/shell/PhotoFolders.h"

#include "domain/PersonPhotos.h"
#include "store/Log.h"
#include "ui/PromptService.h"
#include "windows/shell/AppContext.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace hra::app {

QStringList defaultOldPhotoFolders()
{
    QStringList folders;
    for (const QString& base : {QCoreApplication::applicationDirPath(),
                                QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)})
        if (!base.isEmpty())
            folders << QDir(base).filePath(QStringLiteral("picture"));
    return folders;
}

void importOldPhotoFolders(AppContext& context, QWidget* parent)
{
    if (!context.connection)
        return;
    for (const QString& folder : context.oldPhotoFolders) {
        try {
            const domain::PhotoFolderImport result =
                domain::importPhotoFolder(context.connection->db(), folder);
            if (result.ran)
                qCInfo(store::lcStore).noquote()
                    << "photo folder" << folder
                    << "taken into the database:" << result.imported.size() << "stored,"
                    << result.unmatched.size() << "without a person," << result.refused.size()
                    << "refused," << result.kept.size() << "kept";
            const QString message = domain::photoFolderImportMessage(result, folder);
            if (!message.isEmpty())
                context.prompts.message(parent, message, QStringLiteral("提示"),
                                        QMessageBox::Warning);
        } catch (const store::DatabaseError&) {
            // Logged where it failed; the folder is tried again at the next start.
        }
    }
}

} // namespace hra::app
