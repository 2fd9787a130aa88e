#include "ui/ProgramLook.h"

#include "ui/ProgramIcon.h"
#include "ui/QtTexts.h"

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
    // Dates, numbers and day names in file and print dialogs as a Chinese
    // operator reads them, whatever the workstation's locale.
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    // Qt's own buttons and dialogs (Yes/No, file and print dialogs) in Chinese,
    // from whichever catalogue the system has.
    for (const char* catalogue : {"qtbase", "qt"}) {
        auto* qtTexts = new QTranslator(qApp);
        if (qtTexts->load(chinese, QLatin1String(catalogue), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QApplication::installTranslator(qtTexts);
            break;
        }
        delete qtTexts;
    }
    // Installed last, so asked first; it answers only what the catalogue lacks.
    QApplication::installTranslator(new MissingQtTexts(qApp));
}

} // namespace hra::ui
