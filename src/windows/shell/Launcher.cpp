#include "windows/shell/Launcher.h"

#include "windows/shell/MainWindow.h"
#include "windows/shell/PhotoFolders.h"
#include "windows/shell/SplashWindow.h"

#include <QApplication>

namespace hra::app {

Launch launch(AppContext& context, const WindowRegistry& registry,
              LoginDialog::DatabaseOpener openDatabase)
{
    Launch result;
    auto splash = std::make_unique<SplashWindow>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    auto mainWindow = std::make_unique<MainWindow>(context, registry);
    splash.reset();

    bool loggedIn = false;
    {
        LoginDialog login(context, std::move(openDatabase));
        loggedIn = login.exec() == QDialog::Accepted;
        result.exitCode = login.connectionFailed() ? 1 : 0;
        login.hide();
    }
    if (loggedIn) {
        mainWindow->showMaximized();
        importOldPhotoFolders(context, mainWindow.get());
        result.mainWindow = std::move(mainWindow);
    }
    return result;
}

} // namespace hra::app
