#include "app/AppContext.h"
#include "app/AreaWindows.h"
#include "app/Desktop.h"
#include "app/Launcher.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "app/WindowRegistry.h"
#include "ui/ProgramLook.h"
#include "ui/PromptService.h"

#include <QApplication>

using namespace hra;

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ui::setUpProgramLook();
    const QString iniPath = app::iniPathFromArguments(QApplication::arguments());

    ui::DialogPromptService prompts;
    app::SystemDesktop desktop;
    app::AppContext context(prompts, desktop, QApplication::applicationDirPath());
    app::WindowRegistry registry;
    app::registerShellWindows(registry);
    app::AreaWindows areas(context, registry);

    app::Launch started =
        app::launch(context, registry, [&iniPath] { return app::openDatabase(iniPath); });
    if (!started.mainWindow)
        return started.exitCode;
    return QApplication::exec();
}
