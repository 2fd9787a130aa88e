#include "ui/ProgramLook.h"
#include "ui/PromptService.h"
#include "windows/areas/AreaWindows.h"
#include "windows/shell/AppContext.h"
#include "windows/shell/Branding.h"
#include "windows/shell/Desktop.h"
#include "windows/shell/Launcher.h"
#include "windows/shell/MainWindow.h"
#include "windows/shell/PhotoFolders.h"
#include "windows/shell/Startup.h"
#include "windows/shell/WindowRegistry.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstring>

using namespace hra;

namespace {

// Answered before any window or database is touched.
bool answeredOnTheConsole(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            std::fputs("用法: hra [--ini 配置文件]\n"
                       "健康风险评估管理系统的桌面程序。\n\n"
                       "  --ini 配置文件  使用这个配置文件(默认: 程序旁的 inifile.ini)\n"
                       "  -h, --help      显示本说明并退出\n"
                       "  --version       显示版本并退出\n",
                       stdout);
            return true;
        }
        if (std::strcmp(a, "--version") == 0) {
            std::fputs((app::kSystemTitle + u' ' + app::kVersionText + u'\n').toUtf8().constData(),
                       stdout);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (answeredOnTheConsole(argc, argv))
        return 0;
    QApplication application(argc, argv);
    ui::setUpProgramLook();
    const QString iniPath = app::iniPathFromArguments(QApplication::arguments());

    ui::DialogPromptService prompts;
    app::SystemDesktop desktop;
    app::AppContext context(prompts, desktop, QApplication::applicationDirPath());
    context.iniPath = iniPath;
    context.oldPhotoFolders = app::defaultOldPhotoFolders();
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
