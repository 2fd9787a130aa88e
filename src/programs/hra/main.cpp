#include "ui/ProgramLook.h"
#include "ui/PromptService.h"
#include "windows/areas/AreaWindows.h"
#include "windows/shell/AppContext.h"
#include "windows/shell/Desktop.h"
#include "windows/shell/Launcher.h"
#include "windows/shell/MainWindow.h"
#include "windows/shell/Startup.h"
#include "windows/shell/WindowRegistry.h"

#include <QApplication>
#include <QDir>

using namespace hra;

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ui::setUpProgramLook();
    const QString iniPath = app::iniPathFromArguments(QApplication::arguments());

    ui::DialogPromptService prompts;
    app::SystemDesktop desktop;
    app::AppContext context(prompts, desktop, QApplication::applicationDirPath());
    context.iniPath = iniPath;
    app::WindowRegistry registry;
    app::registerShellWindows(registry);
    app::AreaWindows areas(context, registry);

    const auto mayCreate = [&prompts](const QString& file) {
        return prompts.confirm(nullptr,
                               QStringLiteral("配置文件指定的数据库文件不存在：\n%1\n\n"
                                              "如果文件名写错了，请选“否”并改正配置文件。\n"
                                              "确实要新建一个空的数据库吗？")
                                   .arg(QDir::toNativeSeparators(file)),
                               QStringLiteral("提示"), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No);
    };
    app::Launch started = app::launch(context, registry, [&iniPath, &mayCreate] {
        return app::openDatabase(iniPath, mayCreate);
    });
    if (!started.mainWindow)
        return started.exitCode;
    return QApplication::exec();
}
