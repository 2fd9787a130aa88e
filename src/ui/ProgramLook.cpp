#include "ui/ProgramLook.h"

#include "ui/ProgramIcon.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace hra::ui {

void setUpProgramLook()
{
    QApplication::setApplicationName(QStringLiteral("hra"));
    // Every window, dialogs and the backup program's included, carries the mark.
    QApplication::setWindowIcon(programIcon());
    if (QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC")))
        QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 10));
    // Qt's own buttons and dialogs (Yes/No, file and print dialogs) in Chinese.
    auto* qtTexts = new QTranslator(qApp);
    if (qtTexts->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTexts);
}

} // namespace hra::ui
