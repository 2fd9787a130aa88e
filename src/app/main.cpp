#include "app/AppContext.h"
#include "app/AreaWindows.h"
#include "app/Desktop.h"
#include "app/Launcher.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "app/WindowRegistry.h"
#include "ui/PromptService.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace hra;

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("hra"));
    // One clear face for the Chinese texts wherever it is installed.
    if (QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC")))
        QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 10));
    // Qt's own buttons and dialogs (Yes/No, file and print dialogs) in Chinese.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
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
