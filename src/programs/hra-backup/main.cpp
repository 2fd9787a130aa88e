#include "store/Settings.h"
#include "ui/ProgramLook.h"
#include "ui/PromptService.h"
#include "windows/backup/BackupWindow.h"
#include "windows/backup/ManagerLogIn.h"

#include <QApplication>

using namespace hra;

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ui::setUpProgramLook();

    // The same configuration as the program: inifile.ini beside it, or --ini FILE.
    const store::LoadedSettings loaded =
        store::loadSettings(store::iniPathFromArguments(QApplication::arguments()));

    ui::DialogPromptService prompts;
    // Whoever starts it, the program first asks for the manager: a program
    // started beside the main one cannot tell who started it.
    {
        backup::ManagerLogIn logIn(loaded.settings, prompts);
        if (logIn.exec() != QDialog::Accepted)
            return 0;
    }
    backup::BackupWindow window(loaded.settings, prompts);
    window.show();
    return QApplication::exec();
}
