#pragma once

#include <QStringList>

class QWidget;

namespace hra::app {

struct AppContext;

// Where older versions kept photo files: "picture" beside the program, else
// "picture" in the per-user application data folder.
QStringList defaultOldPhotoFolders();

// Takes the old photo folders of this workstation into the database. It runs
// after log-in, not in `hra-cli db upgrade`: each workstation kept photos of
// its own, beside its own program, which a database upgrade run elsewhere
// never sees. A folder is taken in once (domain::importPhotoFolder); files
// left in it are logged and named to the operator.
void importOldPhotoFolders(AppContext& context, QWidget* parent);

} // namespace hra::app
